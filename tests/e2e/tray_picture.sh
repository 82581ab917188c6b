# The tray icon's picture in a real tray (trayer): the processor figure instead of the plain
# picture when "DisplayProcInTray" is stored, redrawn at every refresh, and a start-up note
# shown once as a balloon while the figure keeps updating.
source "$(dirname "$0")/display_lib.sh"
source "$(dirname "$0")/tray_lib.sh"
start_trayer

ICON=""
wait_docked() {
    for _ in $(seq 150); do ICON=$(docked_icon "$1") && return 0; sleep 0.1; done
    return 1
}
grab_icon() { import -window "$ICON" -depth 8 "rgb:$1"; }
LOG=$XDG_DATA_HOME/keltrix/SmartLog.log
# Runs the monitor in the tray until $1 refreshes are done; the log is written at exit.
run_refreshes() {
    local want=$1 pid
    shift
    rm -f "$LOG"
    start_monitor -advdebug "$@"
    pid=$LAST_PID
    wait_docked "$pid" || fail "the icon did not dock (args: $*)"
    sleep $((want + 1))
    grab_icon "$TESTROOT/icon.rgb"
    stop_monitor "$pid"
    [ -f "$LOG" ] || fail "no advanced log"
    [ "$(grep -c 'RefreshScreen' "$LOG")" -ge "$want" ] || fail "fewer than $want refreshes"
}
count() { grep -c "$1" "$LOG" || true; }

prepare
run_refreshes 3 -noballoon
cp "$TESTROOT/icon.rgb" "$TESTROOT/plain.rgb"
[ "$(count SetIconColor)" -le 2 ] || fail "the plain picture was drawn at every refresh"

prepare "$(dword DisplayProcInTray 1)"
run_refreshes 3 -noballoon
[ -s "$TESTROOT/plain.rgb" ] && [ -s "$TESTROOT/icon.rgb" ] || fail "no picture of the icon"
cmp -s "$TESTROOT/plain.rgb" "$TESTROOT/icon.rgb" && fail "the icon shows the plain picture"
refreshes=$(count RefreshScreen)
[ "$(count SetIconColor)" -ge "$refreshes" ] ||
    fail "$(count SetIconColor) pictures for $refreshes refreshes"
pass "DisplayProcInTray shows the processor figure, redrawn at every refresh"

# A balloon of the tray's own kind (no notification service here): an override-redirect
# window that appears once.
prepare "$(dword DisplayProcInTray 1)"
rm -f "$LOG"
start_monitor -stats -advdebug
main=$LAST_PID
wait_docked "$main" || fail "the icon did not dock"
icon=$((ICON))
balloons=""
for _ in $(seq 60); do
    for w in $(popups "$main"); do
        # Qt's icon window is override-redirect too.
        [ "$w" = "$icon" ] || grep -qx "$w" <<<"$balloons" || balloons+="$w"$'\n'
    done
    sleep 0.1
done
stop_monitor "$main"
[ "$(grep -c . <<<"$balloons")" -eq 1 ] || fail "balloon windows: $(paste -sd' ' <<<"$balloons")"
[ "$(count 'ShowBalloonTips')" -eq 1 ] || { grep ShowBalloonTips "$LOG"; fail "not one balloon"; }
grep -q 'ShowBalloonTips ( Keltrix -;- Uptime Menu Item Active' "$LOG" ||
    fail "the balloon is not the start-up note"
after=$(sed -n '/ShowBalloonTips/,$p' "$LOG" | grep -c SetIconColor || true)
[ "$after" -ge 3 ] || fail "the figure was redrawn $after times after the balloon"
pass "the start-up note shows once as a balloon; the figure keeps updating"
kill "$TRAYER_PID" && wait "$TRAYER_PID" 2>/dev/null || true
