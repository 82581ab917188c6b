# The window stays where it was put: only the stored values, the user and the adjustment to a
# shrunken desktop move it. A window manager that is slow to take the window on (stopped for
# 3 s while Keltrix starts) must not make later growth of a line move it, nor change the
# stored place. A window stored off the desktop comes back onto it whole, whatever part of it
# the window manager pulled back.
source "$(dirname "$0")/display_lib.sh"
RUNS=${KELTRIX_PLACE_RUNS:-10}
STALL=${KELTRIX_WM_STALL:-3}

# Our own window manager, to stop and go on at will (it replaces the one already running).
openbox --replace >/dev/null 2>&1 &
WM=$!
PIDS+=("$WM")
sleep 1
kill -0 "$WM" || fail "openbox did not start"

GROW=$TESTROOT/grow.txt
FORMAT=$(format_value "Line <NAME=FileData FORMAT=\"$GROW\">" "two")
wait_width() { # window, width above which to wait for
    local w
    for _ in $(seq 50); do
        read -r _ _ w _ < <(geometry "$1")
        [ "$w" -gt "$2" ] && return 0
        sleep 0.1
    done
    return 1
}
moved=0
for run in $(seq "$RUNS"); do
    x=$((200 + run * 7)) y=$((150 + run * 5))
    echo short >"$GROW"
    prepare "$FORMAT" "$(dword X $x)" "$(dword Y $y)" "$(dword Interval 200)"
    kill -STOP "$WM"
    (sleep "$STALL" && kill -CONT "$WM") &
    start_monitor -noballoon
    main=$LAST_PID
    read -r _ _ width _ < <(geometry "$WIN")
    for text in "a longer line than before" "a line that grew once more, longer still"; do
        echo "$text" >"$GROW"
        wait_width "$WIN" "$width" || fail "run $run: the line did not grow"
        sleep 0.3
        read -r at_x at_y width _ < <(geometry "$WIN")
        [ "$at_x $at_y" = "$x $y" ] || { moved=$((moved + 1)); echo "# run $run: at $at_x $at_y, not $x $y"; }
    done
    stop_monitor "$main"
    [ "$(value X) $(value Y)" = "$(dword X $x) $(dword Y $y)" ] ||
        fail "run $run: the exit stored $(value X) $(value Y) for $x $y"
done
[ $moved = 0 ] || fail "the window left its place $moved times in $RUNS runs"
pass "$RUNS runs with a window manager stalled for $STALL s: the window kept its place"

# Stored far beyond the desktop's right and bottom edges.
prepare "$(format_value "A window stored off the desktop" "two")" "$(dword X 5000)" "$(dword Y 4000)"
start_monitor -noballoon
read -r sw sh < <(xwininfo -root | awk '/^  Width:/ { w = $2 } /^  Height:/ { h = $2 } END { print w, h }')
for _ in $(seq 50); do
    read -r at_x at_y w h < <(geometry "$WIN")
    [ "$at_x $at_y" = "$((sw - w)) $((sh - h))" ] && break
    sleep 0.1
done
[ "$at_x $at_y" = "$((sw - w)) $((sh - h))" ] ||
    fail "a window stored at 5000 4000 is at $at_x $at_y ($w x $h on $sw x $sh)"
stop_monitor "$LAST_PID"
pass "a window stored off the desktop comes back whole, into its corner"
# A client: its window takes its size from the first record, after it is shown, while the
# window manager takes it on late. The exit stores where it stood, never 0 0.
source "$(dirname "$0")/link_lib.sh"
port=$(free_port)
start_headless "--server=$port" --no-password
wait_listening "$port" || fail "the server does not listen on $port"
CLIENT_KEY="$KEY\\127.0.0.1:$port"
client_value() {
    SECTION="[$CLIENT_KEY]" NAME="\"$1\"=" awk '
        /^\[/ { inside = ($0 == ENVIRON["SECTION"]) }
        inside && index($0, ENVIRON["NAME"]) == 1 { print; exit }' "$SETTINGS"
}
CRUNS=${KELTRIX_CLIENT_PLACE_RUNS:-4}
for run in $(seq "$CRUNS"); do
    x=$((240 + run * 9)) y=$((180 + run * 4))
    prepare
    printf '\n[%s]\n%s\n%s\n%s\n%s\n' "$CLIENT_KEY" "$(dword X $x)" "$(dword Y $y)" \
        "$(dword Interval 250)" "$(format_value "Client of <NAME=CompName>, a line the record widens")" \
        >>"$SETTINGS"
    kill -STOP "$WM"
    (sleep "$STALL" && kill -CONT "$WM") &
    start_monitor -noballoon -c -i127.0.0.1 "-p$port"
    client=$LAST_PID
    # The line reads BLANK until the first record comes.
    for _ in $(seq 100); do
        read -r _ _ w _ < <(geometry "$WIN")
        [ "$w" -gt 150 ] && break
        sleep 0.1
    done
    [ "$w" -gt 150 ] || fail "client run $run: no record widened the window (width $w)"
    sleep 1
    read -r at_x at_y _ _ < <(geometry "$WIN")
    [ "$at_x $at_y" = "$x $y" ] || fail "client run $run: the window stands at $at_x $at_y, not $x $y"
    stop_monitor "$client"
    [ "$(client_value X) $(client_value Y)" = "$(dword X $x) $(dword Y $y)" ] ||
        fail "client run $run: the exit stored $(client_value X) $(client_value Y) for $x $y"
done
stop_server
pass "$CRUNS client runs with a late window manager: the window kept its place, and the exit stored it"
kill "$WM"
wait "$WM" 2>/dev/null || true
