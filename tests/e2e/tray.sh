# The tray icon docks in a real XEmbed tray (trayer), opens the menu on a right click, and
# comes back when the tray restarts, when a second start asks for it and when the tray only
# appears after the program.
source "$(dirname "$0")/lib.sh"

source "$(dirname "$0")/tray_lib.sh"

# Waits for a pop-up of process $1 that is not among those listed in $2, and prints it.
wait_new_popup() {
    local w
    for _ in $(seq 50); do
        for w in $(tray_popups "$1"); do
            grep -qx "$w" <<<"$2" || { echo "$w"; return 0; }
        done
        sleep 0.1
    done
    return 1
}
viewable() { [[ $(xwininfo -id "$1" 2>/dev/null) == *IsViewable* ]]; }

start_monitor() {
    start_keltrix "$@"
    wait_for_window "$LAST_PID" Keltrix || fail "keltrix $* shows no window"
}
stop_monitor() {
    kill -TERM "$1"
    wait_for_exit "$1" || fail "SIGTERM did not end $1"
}

# 1. Docking and the menu.
start_trayer
start_monitor -advdebug
main=$LAST_PID
wait_docked "$main" || fail "the icon did not dock in the tray"
pass "the icon docks"

icon=$(docked_icon "$main")
read -r x y < <(xwininfo -id "$icon" |
    awk '/Absolute upper-left X/ { x = $4 } /Absolute upper-left Y/ { y = $4 } END { print x, y }')
before=$(tray_popups "$main")
xdotool mousemove --sync $((x + 8)) $((y + 8)) click 3
menu=$(wait_new_popup "$main" "$before") || fail "a right click on the icon opens no menu"
xdotool key Escape
for _ in $(seq 30); do viewable "$menu" || break; sleep 0.1; done
viewable "$menu" && fail "the menu did not close"
pass "a right click opens the menu"

# 2. The tray host restarts.
stop_trayer
docked_icon "$main" >/dev/null && fail "docked without a tray"
start_trayer
wait_docked "$main" || fail "the icon did not come back after the tray restarted"
pass "the icon comes back when the tray restarts"
sleep 2 # the program notices the new tray within a second, and logs it

stop_monitor "$main"
log=$XDG_DATA_HOME/keltrix/SmartLog.log
[ -f "$log" ] || fail "no advanced log written at exit"
grep -q 'IconTray' "$log" || { cat "$log"; fail "the right click was not logged"; }
grep -q 'TaskBarWndProc' "$log" || { cat "$log"; fail "the tray restart was not logged"; }
pass "the click and the tray restart are in the advanced log"

# 3. "-h" keeps the icon out of the tray until the tray restarts.
start_monitor -h
hidden=$LAST_PID
sleep 2
docked_icon "$hidden" >/dev/null && fail "-h docked the icon"
stop_trayer
start_trayer
wait_docked "$hidden" || fail "a tray restart did not bring back the icon left out by -h"
pass "-h leaves the icon out; a tray restart brings it back"
stop_monitor "$hidden"

# 4. A second start brings the icon back.
start_monitor -h
hidden=$LAST_PID
sleep 2
docked_icon "$hidden" >/dev/null && fail "-h docked the icon"
timeout 10 "$KELTRIX" || fail "the refused start did not exit cleanly"
wait_docked "$hidden" || fail "a second start did not bring back the icon"
pass "a second start brings the icon back"
stop_monitor "$hidden"

# 5. The tray appears only after the program.
stop_trayer
start_monitor
late=$LAST_PID
sleep 1
start_trayer
wait_docked "$late" || fail "the icon did not dock in a tray that started later"
pass "the icon docks in a tray that starts after the program"
stop_monitor "$late"
