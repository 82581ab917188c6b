# An error that no command handles reaches the general error handler: it is logged and saved
# at once, reported, and the program goes on.
source "$(dirname "$0")/lib.sh"

start_keltrix -advdebug -noballoon
pid=$LAST_PID
wait_for_window "$pid" Keltrix || fail "no window"
win=$(main_window "$pid")
eval "$(xdotool getwindowgeometry --shell "$win")"
# No tray host: a right click on the window opens the menu.
xdotool mousemove $((X + 10)) $((Y + 5)) click 3
sleep 0.7
# shellcheck disable=SC2046
xdotool key --delay 150 $(MENU_SHOWN=advdebug menu_keys Config "Update &Interval")
for _ in $(seq 50); do
    box=$(xdotool search --all --onlyvisible --pid "$pid" --name "^Update Interval$" 2>/dev/null | head -n 1) && [ -n "$box" ] && break
    sleep 0.1
done
[ -n "$box" ] || fail "no interval prompt"
xdotool key --delay 50 ctrl+a
xdotool type --delay 20 99999999999
xdotool key Return

log=$XDG_DATA_HOME/keltrix/SmartLog.log
for _ in $(seq 50); do [ -f "$log" ] && break; sleep 0.1; done
[ -f "$log" ] || fail "the log was not saved when the error was reported"
last=$(tail -n 1 "$log" | tr -d '\r')
case "$last" in
*"EXCEPTION (EConvertError) --- '99999999999' is not a valid integer value") ;;
*) fail "last log line: $last" ;;
esac
sleep 1
kill -0 "$pid" || fail "the program did not go on"
grep -q 'EXCEPTION (EConvertError)' "$TESTROOT/keltrix.log" || fail "error not reported"
kill -TERM "$pid"
wait_for_exit "$pid" || fail "no exit"
! grep -q '"Interval"' "$SETTINGS" || fail "a bad interval was stored"
pass "an unhandled error is logged at once, reported, and the program goes on"
