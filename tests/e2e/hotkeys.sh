# Global hotkeys: set through the dialog, stored, pressed from outside the program (xdotool),
# refused when another X client owns the combination, registered again at the next start.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/tray_lib.sh"
source "$(dirname "$0")/shell_lib.sh"
export LC_ALL=C.UTF-8
LOG=$XDG_DATA_HOME/keltrix/SmartLog.log

docked_viewable() {
    local w
    w=$(docked_icon "$1") || return 1
    [[ $(xwininfo -id "$w" 2>/dev/null) == *IsViewable* ]]
}
wait_docked() {
    for _ in $(seq 50); do docked_viewable "$1" && return 0; sleep 0.1; done
    return 1
}
wait_undocked() {
    for _ in $(seq 50); do docked_viewable "$1" || return 0; sleep 0.1; done
    return 1
}
# Sets the hotkey of the "Config" item $2 through the dialog.
set_hotkey() {
    local pid=$1 item=$2 keys=$3 dlg
    run_config_item "$pid" "$item"
    dlg=$(wait_titled "$pid" "Set HotKey") || fail "the hotkey dialog did not open"
    answer_window "$dlg" "$keys" Return
    wait_gone "$pid" "Set HotKey" || fail "the dialog did not close"
}
stop_monitor() {
    kill -TERM "$1"
    wait_for_exit "$1" || fail "SIGTERM did not end $1"
}

write_settings '"Interval"=dword:000001f4' # 500 ms
start_trayer
start_keltrix -advdebug -noballoon
main=$LAST_PID
wait_for_window "$main" Keltrix || fail "no window"
wait_docked "$main" || fail "the icon did not dock"

# 1. Ctrl+Alt+M through the dialog; pressing it hides and shows the icon.
set_hotkey "$main" "Set Icon HotKey" ctrl+alt+m
[ "$(stored_dword TRAYKEY_MODS)" = 3 ] || fail "TRAYKEY_MODS is $(stored_dword TRAYKEY_MODS)"
[ "$(stored_dword TRAYKEY_VIRTUALKEY)" = 77 ] || fail "TRAYKEY_VIRTUALKEY wrong"
xdotool key ctrl+alt+m
wait_undocked "$main" || fail "the hotkey did not hide the icon"
xdotool key ctrl+alt+m
wait_docked "$main" || fail "the hotkey did not bring the icon back"
pass "Ctrl+Alt+M is stored as 3 and 77 and hides and shows the icon"

# 2. Ctrl+Shift+F5 for suspending: no sample while paused, the stored interval after.
set_hotkey "$main" "Set Suspend HotKey" ctrl+shift+F5
[ "$(stored_dword SUSPENDKEY_MODS)" = 6 ] || fail "SUSPENDKEY_MODS wrong"
[ "$(stored_dword SUSPENDKEY_VIRTUALKEY)" = 116 ] || fail "SUSPENDKEY_VIRTUALKEY wrong"
sleep 1
xdotool key ctrl+shift+F5
paused=$(date +%s)
sleep 3.2
xdotool key ctrl+shift+F5
resumed=$(date +%s)
sleep 2.5

# 3. A combination another X client owns. It takes it while the dialog is open: once taken,
# the keys would go to that client and not into the dialog.
run_config_item "$main" "Set Icon HotKey"
dlg=$(wait_titled "$main" "Set HotKey") || fail "the hotkey dialog did not open"
answer_window "$dlg" ctrl+alt+k
"$(dirname "$0")/x_grab_key.py" k ctrl alt >"$TESTROOT/grab.out" 2>&1 &
PIDS+=($!)
for _ in $(seq 50); do grep -qs grabbed "$TESTROOT/grab.out" && break; sleep 0.1; done
grep -q grabbed "$TESTROOT/grab.out" || fail "the other client could not grab Ctrl+Alt+K"
answer_window "$dlg" Return
for _ in $(seq 50); do
    grep -q "Unable to initialize Hotkey for the TrayIcon" "$TESTROOT/keltrix.log" && break
    sleep 0.1
done
grep -q "^keltrix: Unable to initialize Hotkey for the TrayIcon$" "$TESTROOT/keltrix.log" ||
    fail "no registration failure shown"
grep -q "another program has taken the combination" "$TESTROOT/keltrix.log" ||
    fail "the reason is not given"
[ "$(stored_dword TRAYKEY_MODS)" = 3 ] && [ "$(stored_dword TRAYKEY_VIRTUALKEY)" = 75 ] ||
    fail "the values of the refused combination were not kept"
xdotool key Return # the message box
sleep 0.3
xdotool key ctrl+alt+m # no longer ours
sleep 0.5
docked_viewable "$main" || fail "the old combination still acts"
pass "a combination another client owns is refused, reported, and its values kept"
stop_monitor "$main"

# The pause, read from the advanced log: no sample while paused, two a second after.
python3 - "$LOG" "$paused" "$resumed" <<'PY' || fail "the suspend hotkey did not pause and resume"
import sys, time
log, paused, resumed = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
samples = []
for line in open(log, encoding="utf-8", errors="replace"):
    line = line.rstrip("\r\n")
    if line.endswith("GetInfo (Don't force)"):
        samples.append(time.mktime(time.strptime(line[:17], "%m/%d/%y %H:%M:%S")))
during = [t for t in samples if paused + 1 <= t <= resumed - 1]
after = [t for t in samples if resumed + 1 <= t <= resumed + 2]
print("samples while paused:", len(during), "in the two seconds after:", len(after))
sys.exit(0 if not during and len(after) >= 3 else 1)
PY
pass "the suspend hotkey pauses sampling for 3 s and a second press resumes at 500 ms"

# 4. The next start registers the stored hotkeys: Ctrl+Alt+K is free again now.
kill "${PIDS[-1]}"
sleep 0.3
start_keltrix -noballoon
main=$LAST_PID
wait_for_window "$main" Keltrix || fail "no window"
wait_docked "$main" || fail "the icon did not dock"
xdotool key ctrl+alt+k
wait_undocked "$main" || fail "the stored hotkey was not registered at start-up"
xdotool key ctrl+alt+k
wait_docked "$main" || fail "the stored hotkey did not bring the icon back"
pass "hotkeys stored by an earlier run are registered at start-up"
stop_monitor "$main"

# 5. A stored Windows-key flag: "Converter error" when the dialog opens.
write_settings '"SUSPENDKEY_Mods"=dword:0000000a' '"SUSPENDKEY_VirtualKey"=dword:0000004b'
: >"$TESTROOT/keltrix.log"
start_keltrix -noballoon
main=$LAST_PID
wait_for_window "$main" Keltrix || fail "no window"
wait_docked "$main" || fail "the icon did not dock"
run_config_item "$main" "Set Suspend HotKey"
for _ in $(seq 50); do grep -q "Converter error" "$TESTROOT/keltrix.log" && break; sleep 0.1; done
grep -q "^keltrix: Converter error$" "$TESTROOT/keltrix.log" || fail "no Converter error"
pass "a stored modifier with the Windows-key flag shows Converter error"
stop_monitor "$main"
