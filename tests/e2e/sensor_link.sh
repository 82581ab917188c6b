# The window's link to the sensors: a suspend and resume over a private system bus starts the
# publisher again; a failed start, a missing starter and a monitor started by hand.
source "$(dirname "$0")/hwmon_lib.sh"
source "$(dirname "$0")/lib.sh"

LOG=$XDG_DATA_HOME/keltrix/SmartLog.log
HWMON_TREE=$TESTROOT/hwmon
mkdir -p "$HWMON_TREE"
use_hwmon_tree "$HWMON_TREE"
mkdir -p "$(dirname "$SETTINGS")"
printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\OrlenwickStudios\\Vistrand]\n"Version"=dword:000003ea\n"Interval"=dword:000001f4\n"FormatString"="CPU <NAME=Temp1>"\n' >"$SETTINGS"

count() { grep -c -x -F -- "$1" <(sed 's/\r$//; s/^.* \([A-Za-z]*\)$/\1/' "$LOG") || true; }
in_log() { grep -q -F -- "$1" "$LOG"; }
# The live sensord that is a child of process $1.
# (ps joins --ppid and -C with "or", so the name is checked here.)
publisher() { ps -o pid=,stat=,comm= --ppid "$1" 2>/dev/null | awk '$3 == "sensord" && $2 !~ /^Z/ { print $1; exit }'; }
wait_for_publisher() { # parent, not this pid
    local p
    for _ in $(seq 100); do
        p=$(publisher "$1")
        [ -n "$p" ] && [ "$p" != "${2:-}" ] && { echo "$p"; return 0; }
        sleep 0.1
    done
    return 1
}
# The main window and the message boxes shown.
dialogs() { { windows_named "$1" Keltrix visible; windows_named "$1" KeltrixBeta visible; } | wc -l; }
stop_keltrix() {
    kill -TERM "$1"
    wait_for_exit "$1" 10 || fail "no exit"
    rm -f "$TESTROOT/last.log"
    cp "$LOG" "$TESTROOT/last.log" 2>/dev/null || fail "no advanced log"
}

# A private system bus with a stand-in for logind.
cat >"$TESTROOT/bus.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <listen>unix:path=$TESTROOT/system_bus</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
CONF
dbus-daemon --config-file="$TESTROOT/bus.conf" --nofork >>"$TESTROOT/bus.log" 2>&1 &
PIDS+=($!)
export DBUS_SYSTEM_BUS_ADDRESS=unix:path=$TESTROOT/system_bus
wait_for_file "$TESTROOT/system_bus" 5 || fail "no private system bus"
mkfifo "$TESTROOT/sleep"
/usr/bin/python3 "$E2E_DATA/logind_stub.py" <"$TESTROOT/sleep" >"$TESTROOT/stub.log" 2>&1 &
PIDS+=($!)
exec 3>"$TESTROOT/sleep"
for _ in $(seq 50); do grep -q ready "$TESTROOT/stub.log" && break; sleep 0.1; done
grep -q ready "$TESTROOT/stub.log" || fail "the logind stand-in did not start: $(cat "$TESTROOT/stub.log")"

hwmon_device hwmon0 kxboard temp1_input=45500
start_keltrix -advdebug -noballoon
pid=$LAST_PID
first=$(wait_for_publisher "$pid") || fail "the link did not start sensord"
echo true >&3
sleep 1
kill -TERM "$first" # the publisher is gone when the machine wakes
sleep 1
[ -z "$(publisher "$pid")" ] || fail "sensord started while the machine sleeps"
echo false >&3
second=$(wait_for_publisher "$pid" "$first") || fail "no new sensord after the resume"
stop_keltrix "$pid"
wait_for_exit "$second" 3 || fail "the exit left sensord running"
[ "$(count PowerMsg)" -eq 2 ] || fail "PowerMsg entries: $(count PowerMsg)"
[ "$(count DLLLoad)" -eq 2 ] || fail "DLLLoad entries: $(count DLLLoad)"
[ "$(count MBMDLLDone)" -eq 2 ] || fail "MBMDLLDone entries: $(count MBMDLLDone)"
pass "suspend and resume on the system bus: the loader runs again and Start starts sensord anew"

# A machine without sensors: Start fails with sensord's "no sensors" code.
rm -rf "${HWMON_TREE:?}"/*
start_keltrix -advdebug -noballoon
pid=$LAST_PID
wait_for_window "$pid" Keltrix || fail "no window"
for _ in $(seq 100); do [ "$(dialogs "$pid")" -ge 2 ] && break; sleep 0.1; done
[ "$(dialogs "$pid")" -ge 2 ] || fail "the failed start was not reported"
sleep 2
stop_keltrix "$pid"
[ "$(grep -c -F 'ShowBalloonTips ( MBM Failed to Launch -;- Error Code: 3 )' "$LOG")" -eq 1 ] ||
    fail "balloon: $(grep -F ShowBalloonTips "$LOG")"
[ "$(count DLLLoad)" -eq 1 ] || fail "a failed start was retried"
pass "a failed start shows \"MBM Failed to Launch\" with its error code, once"

# Without the starter: nothing is said and nothing retried; with a monitor window shown by
# hand, the user is told once and the link stays off.
copy_program "$TESTROOT/bare"
hwmon_device hwmon0 kxboard temp1_input=45500
KELTRIX=$TESTROOT/bare/keltrix
start_keltrix -advdebug -noballoon
pid=$LAST_PID
wait_for_window "$pid" Keltrix || fail "no window"
sleep 3
[ "$(dialogs "$pid")" -eq 1 ] || fail "a message without the starter"
stop_keltrix "$pid"
[ "$(count DLLLoad)" -eq 1 ] && [ "$(count MBMDLLDone)" -eq 0 ] && ! in_log 'MBM Failed' ||
    fail "without the starter: $(grep -c . "$LOG") lines, DLLLoad $(count DLLLoad)"
[ "$(count ReadSharedData)" -eq 0 ] || fail "read without a link"
pass "no starter: no message, no retry"

/usr/bin/python3 "$E2E_DATA/monitor_window.py" >"$TESTROOT/mbm.log" 2>&1 &
PIDS+=($!)
for _ in $(seq 50); do grep -q shown "$TESTROOT/mbm.log" && break; sleep 0.1; done
start_keltrix -advdebug -noballoon
pid=$LAST_PID
wait_for_window "$pid" Keltrix || fail "no window"
for _ in $(seq 100); do [ "$(dialogs "$pid")" -ge 2 ] && break; sleep 0.1; done
[ "$(dialogs "$pid")" -ge 2 ] || fail "no message about the running monitor"
before=$(windows_named "$pid" KeltrixBeta visible | tail -n 1)
xdotool windowactivate --sync "$before" key Return 2>/dev/null || xdotool key Return
for _ in $(seq 50); do [ "$(dialogs "$pid")" -eq 1 ] && break; sleep 0.1; done
[ "$(dialogs "$pid")" -eq 1 ] || fail "the message did not close"
sleep 2
stop_keltrix "$pid"
[ "$(count DLLLoad)" -eq 1 ] || fail "the link was tried again: DLLLoad $(count DLLLoad)"
pass "a monitor window shown by hand: one message, then the link stays off"
