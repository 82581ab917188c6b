# Balloons on a private session bus: with a notification daemon of ours they become Notify
# calls under an XEmbed tray (trayer), under a StatusNotifierItem host (a watcher of ours)
# and without any tray; without a daemon Qt draws its balloon at the docked icon, not in the
# corner of the screen. Under the StatusNotifierItem host the menu is exported (dbusmenu)
# and rebuilt when the host opens it.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/tray_lib.sh"
command -v dbus-daemon >/dev/null || fail "dbus-daemon is not installed"
/usr/bin/python3 -c 'import dbus, gi' 2>/dev/null || fail "python3-dbus and python3-gi are not installed"

HERE=$(cd "$(dirname "$0")" && pwd)
BUS=$TESTROOT/bus
dbus-daemon --session --nofork --nopidfile --address="unix:path=$BUS" >"$TESTROOT/dbus.log" 2>&1 &
PIDS+=($!)
export DBUS_SESSION_BUS_ADDRESS=unix:path=$BUS
wait_for_file "$BUS" || fail "the private bus did not start"
EVENTS=$TESTROOT/events.jsonl
touch "$EVENTS"

SERVE_PID=
serve() {
    local ready
    ready=$(grep -c '"ready"' "$EVENTS" || true)
    /usr/bin/python3 "$HERE/dbus_desktop.py" serve "$EVENTS" "$@" 2>>"$TESTROOT/serve.log" &
    SERVE_PID=$!
    PIDS+=("$SERVE_PID")
    for _ in $(seq 100); do
        [ "$(grep -c '"ready"' "$EVENTS")" -gt "$ready" ] && return 0
        sleep 0.1
    done
    cat "$TESTROOT/serve.log"
    fail "the D-Bus services of the test did not start"
}
stop_serve() { kill "$SERVE_PID"; wait_for_exit "$SERVE_PID" || fail "the services did not stop"; }
# Waits for an event line that holds every given text, and prints it.
wait_event() {
    local line
    for _ in $(seq 150); do
        line=$(grep -F -- "$1" "$EVENTS" | grep -F -- "${2:-}" | tail -n 1 || true)
        [ -n "$line" ] && { echo "$line"; return 0; }
        sleep 0.1
    done
    return 1
}
field() { /usr/bin/python3 -c 'import json, sys; print(json.loads(sys.argv[1])[sys.argv[2]])' "$1" "$2"; }
geometry() { xwininfo -id "$1" | awk '/Absolute upper-left X/ { x = $4 } /Absolute upper-left Y/ { y = $4 }
    /Width:/ { w = $2 } /Height:/ { h = $2 } END { print x, y, w, h }'; }
start_monitor() {
    start_keltrix "$@"
    wait_for_window "$LAST_PID" Keltrix || { cat "$TESTROOT/keltrix.log"; fail "keltrix $* shows no window"; }
}
stop_monitor() { kill -TERM "$1"; wait_for_exit "$1" || fail "SIGTERM did not end $1"; }

# 1. XEmbed tray and a daemon: the start-up note is a Notify call, and Qt draws nothing.
start_trayer
serve --notifications
start_monitor -debug
main=$LAST_PID
wait_docked "$main" || fail "the icon did not dock"
note=$(wait_event '"Notify"' '"body": "Debug is ACTIVE"') || { cat "$EVENTS"; fail "no Notify call under trayer"; }
[ "$(field "$note" app)" = Keltrix ] && [ "$(field "$note" summary)" = Keltrix ] &&
    [ "$(field "$note" icon)" = keltrix ] && [ "$(field "$note" timeout)" = 3000 ] ||
    fail "the notification is not the start-up balloon: $note"
[[ $note == *'"desktop-entry": "keltrix"'* && $note == *'"urgency": 0'* ]] || fail "hints: $note"
sleep 1.5
[ -z "$(tray_popups "$main")" ] || fail "Qt drew a balloon of its own beside the notification"
pass "XEmbed tray: the start-up balloon is a Notify call, and no balloon of Qt's shows"
stop_monitor "$main"

# 2. XEmbed tray, no daemon: Qt's balloon, at the icon.
stop_serve
start_monitor -debug
main=$LAST_PID
wait_docked "$main" || fail "the icon did not dock"
balloon=
for _ in $(seq 50); do balloon=$(tray_popups "$main" | head -n 1); [ -n "$balloon" ] && break; sleep 0.1; done
[ -n "$balloon" ] || fail "no balloon without a daemon"
read -r bx by bw bh < <(geometry "$balloon")
read -r ix iy iw ih < <(geometry "$(docked_icon "$main")")
[ "$bx" -gt 0 ] || [ "$by" -gt 0 ] || fail "the balloon is in the corner of the screen"
[ "$bx" -le $((ix + iw)) ] && [ $((bx + bw)) -ge "$ix" ] && [ "$by" -ge "$iy" ] && [ "$by" -le $((iy + ih + 40)) ] ||
    fail "the balloon ($bx,$by ${bw}x$bh) is not at the icon ($ix,$iy ${iw}x$ih)"
pass "XEmbed tray without a daemon: Qt's balloon points at the icon ($bx,$by)"
stop_monitor "$main"
stop_trayer

# 3. A StatusNotifierItem host and a daemon that reads markup: Notify with an escaped body;
#    the menu is exported and rebuilt when the host opens it.
serve --notifications --watcher --markup
start_monitor -debug '-id(A<B&C>)' -advdebug
main=$LAST_PID
wait_event '"RegisterStatusNotifierItem"' >/dev/null || { cat "$EVENTS"; fail "the icon did not register with the watcher"; }
note=$(wait_event '"Notify"' 'Instance ID') || { cat "$EVENTS"; fail "no Notify call under the StatusNotifierItem host"; }
[[ $(field "$note" body) == $'Debug is ACTIVE\nInstance ID -&gt; A&lt;B&amp;C&gt;\nAdvanced Debuging is ACTIVE' ]] ||
    fail "the body is not escaped for a daemon that reads markup: $(field "$note" body)"
pass "StatusNotifierItem host: the start-up balloon is a Notify call, escaped for markup"
labels=$(/usr/bin/python3 "$HERE/dbus_desktop.py" menu "$EVENTS") || fail "the menu is not exported"
for label in Layout 'Always _On Top' Config 'A_bout' 'E_xit'; do
    grep -qx -- "$label" <<<"$labels" || fail "the exported menu lacks $label: $(tr '\n' '|' <<<"$labels")"
done
pass "the menu is exported over D-Bus ($(wc -l <<<"$labels") items)"
stop_monitor "$main"
grep -q 'PopupMenu1Popup' "$XDG_DATA_HOME/keltrix/SmartLog.log" ||
    fail "the host's opening of the menu did not rebuild it"
pass "the host's opening of the menu rebuilds it"
stop_serve

# 4. No tray at all, a daemon: still a notification, not a message box.
serve --notifications
before=$(grep -c '"Notify"' "$EVENTS" || true)
start_monitor -noupdate
main=$LAST_PID
for _ in $(seq 100); do [ "$(grep -c '"Notify"' "$EVENTS")" -gt "$before" ] && break; sleep 0.1; done
grep '"Notify"' "$EVENTS" | tail -n 1 | grep -q '"body": "Update Disabled"' ||
    fail "without a tray the balloon did not go to the daemon"
pass "without a tray the balloon goes to the daemon"
stop_monitor "$main"
