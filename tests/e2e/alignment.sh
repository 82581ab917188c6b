# Choosing Left, Center or Right from the menu re-applies the current format string: every
# line stays drawn, aligned as chosen, and the choice is stored.
source "$(dirname "$0")/display_lib.sh"
/usr/bin/python3 -c 'import Xlib' 2>/dev/null || fail "python3-xlib is not installed"

LINES=("The widest line of the window" "two" "a third line")
prepare "$(format_value "${LINES[@]}")" '"FontName"="DejaVu Sans"' "$(dword FontSize 12)" \
    "$(dword FontColor 0)" "$(dword BGColor 0xffffff)" "$(dword UseFileNameAsBackground 0)" \
    "$(dword X 300)" "$(dword Y 200)"
start_monitor -noballoon
main=$LAST_PID

# Waits until the window shows all lines at side $1.
check_side() {
    local why=""
    for _ in $(seq 30); do
        pixels save "$WIN" "$TESTROOT/window.ppm" || fail "no picture of the window"
        if why=$(pixels align "$TESTROOT/window.ppm" ${#LINES[@]} ffffff "$1"); then
            keep "$TESTROOT/window.ppm" "aligned-$1.png"
            return 0
        fi
        sleep 0.2
    done
    fail "after choosing $1: $why"
}
check_side left
# Right, Center, Left: menu positions 2, 1, 0; stored tags 1, 2, 0.
for choice in "2 right 1" "1 centre 2" "0 left 0"; do
    read -r item side tag <<<"$choice"
    align_command "$main" "$item"
    check_side "$side"
    [ "$(value Align)" = "$(dword Align "$tag")" ] || fail "choosing $side stored $(value Align)"
    pass "choosing $side from the menu keeps every line, aligned $side"
done
stop_monitor "$main"
