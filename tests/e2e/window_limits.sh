# Stored sizes and places that the desktop cannot hold are limited to it: a width of 65536
# gives a window as wide as the desktop, not 32767 pixels and a buffer of gigabytes; a negative
# height a window of one pixel, not none; a place far off or before the desktop a window whole
# on it. Instances that exit at the same moment each add their uptime to the statistics.
source "$(dirname "$0")/display_lib.sh"
read -r SW SH < <(xwininfo -root | awk '/^  Width:/ { w = $2 } /^  Height:/ { h = $2 } END { print w, h }')
FORMAT=$(format_value "Limits" "two")

# A dword line also for negative numbers (two's complement).
sdword() { dword "$1" $(($2 & 0xFFFFFFFF)); }
# Starts with the arguments after the first four and waits until the window has size $1 x $2
# at $3 $4 ("-": any; "R" and "B" for the place that puts its right or bottom edge on the
# desktop's).
expect_window() {
    local want_w=$1 want_h=$2 want_x want_y x y w h
    shift 2
    local at_x=$1 at_y=$2
    shift 2
    start_monitor -noballoon "$@"
    for _ in $(seq 100); do
        read -r x y w h < <(geometry "$WIN")
        want_x=$at_x want_y=$at_y
        [ "$want_x" = R ] && want_x=$((SW - w))
        [ "$want_y" = B ] && want_y=$((SH - h))
        if { [ "$want_w" = - ] || [ "$w" = "$want_w" ]; } && { [ "$want_h" = - ] || [ "$h" = "$want_h" ]; } &&
            { [ "$want_x" = - ] || [ "$x" = "$want_x" ]; } && { [ "$want_y" = - ] || [ "$y" = "$want_y" ]; }; then
            return 0
        fi
        sleep 0.1
    done
    fail "the window is ${w}x$h at $x $y, not ${want_w}x$want_h at $want_x $want_y (args: $*)"
}

prepare "$FORMAT" "$(dword W 65536)" "$(dword H 65536)" "$(dword X 0)" "$(dword Y 0)"
expect_window "$SW" "$SH" 0 0
rss=$(awk '/^VmRSS:/ { print $2 }' "/proc/$LAST_PID/status")
[ "$rss" -lt 1000000 ] || fail "a desktop-sized window takes $rss kB"
stop_monitor "$LAST_PID"
[ "$(value W) $(value H)" = "$(dword W "$SW") $(dword H "$SH")" ] ||
    fail "the exit stored $(value W) $(value H)"
pass "W and H of 65536 give a window of the desktop's size (${SW}x$SH), and that is stored"

prepare "$FORMAT" "$(sdword W -5)" "$(sdword H -100)" "$(dword X 300)" "$(dword Y 200)"
# (A line that does not fit widens the window by itself.)
expect_window - 1 300 200
stop_monitor "$LAST_PID"
pass "a negative H gives a window one pixel high, not of none"

# Before the desktop's top left corner, beyond its bottom right, half off its right edge; with
# the screen adjustment and without it.
for args in "" -noresmove; do
    prepare "$FORMAT" "$(sdword X -5000)" "$(sdword Y -2147483648)"
    expect_window - - 0 0 $args
    stop_monitor "$LAST_PID"
    prepare "$FORMAT" "$(dword X 2147483647)" "$(dword Y 100000)"
    expect_window - - R B $args
    stop_monitor "$LAST_PID"
    prepare "$FORMAT" "$(dword X $((SW - 10)))" "$(dword Y 40)"
    expect_window - - R 40 $args
    read -r _ _ w _ < <(geometry "$WIN")
    stop_monitor "$LAST_PID"
    [ "$(value X)" = "$(dword X $((SW - w)))" ] || fail "the exit stored $(value X)"
done
pass "X and Y before or beyond the desktop put the window whole on it, with -noresmove too"

# Two instances sampling the uptime, ended by one signal, three times.
prepare "$(format_value "Up <NAME=Uptime FORMAT=\"*S*\">")"
read -r up0 _ </proc/uptime
for round in 1 2 3; do
    start_monitor -noballoon
    a=$LAST_PID
    start_monitor -noballoon -MULTIPLE
    b=$LAST_PID
    sleep 1.5 # a sample or two of the uptime in each
    kill -TERM "$a" "$b"
    wait_for_exit "$a" 20 || fail "round $round: $a did not exit"
    wait_for_exit "$b" 20 || fail "round $round: $b did not exit"
    [ "$(value UptimeCount)" = "$(dword UptimeCount $((round * 2)))" ] ||
        fail "round $round: $(value UptimeCount) after $((round * 2)) exits"
done
read -r up1 _ </proc/uptime
total=$(value TotalUptime | sed 's/^"TotalUptime"=hex://' | tr ',' '\n' | tac | tr -d '\n')
total=$((16#$total))
[ "$total" -ge $((6 * ${up0%.*})) ] && [ "$total" -le $((6 * (${up1%.*} + 1))) ] ||
    fail "TotalUptime $total is not six uptimes between ${up0%.*} and ${up1%.*}"
pass "two instances ended together both count: 6 exits, TotalUptime $total"
