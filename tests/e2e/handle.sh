# "Show Dragging Handle" shows Keltrix's icon in the corner away from the text: top right with
# left alignment, top left with right alignment, drawn at device resolution; hidden, the corner
# is the window colour. The same icon is the window's _NET_WM_ICON.
source "$(dirname "$0")/display_lib.sh"
/usr/bin/python3 -c 'import Xlib' 2>/dev/null || fail "python3-xlib is not installed"

FORMAT=$(format_value "one" "a wider second line of text" "three")
LOOK=('"FontName"="DejaVu Sans"' "$(dword FontSize 12)" "$(dword FontColor 0)"
    "$(dword BGColor 0xffffff)" "$(dword UseFileNameAsBackground 0)" "$(dword X 200)"
    "$(dword Y 150)")
# Starts with the stored values given, waits for a steady picture of the window in $1.
shoot() {
    local out=$1
    shift
    prepare "$FORMAT" "${LOOK[@]}" "$@"
    start_monitor -noballoon
    steady_picture "$WIN" "$out"
}

shoot "$TESTROOT/left.ppm" "$(dword ShowDraggingHandle 1)"
why=$(pixels handle "$TESTROOT/left.ppm" ffffff right 20) || fail "left alignment: $why"
pixels handle "$TESTROOT/left.ppm" ffffff left 20 >/dev/null && fail "left alignment: an icon at the left"
icons=$(xprop -id "$WIN" _NET_WM_ICON | grep -o 'Icon ([0-9]* x [0-9]*)' | paste -sd' ')
[[ $icons == *"Icon (16 x 16)"* && $icons == *"Icon (32 x 32)"* ]] ||
    fail "_NET_WM_ICON holds: ${icons:-nothing}"
stop_monitor "$LAST_PID"
keep "$TESTROOT/left.ppm" handle-left.png
pass "left alignment: the icon stands in the top right corner; _NET_WM_ICON has $icons"

shoot "$TESTROOT/right.ppm" "$(dword ShowDraggingHandle 1)" "$(dword Align 1)"
why=$(pixels handle "$TESTROOT/right.ppm" ffffff left 20) || fail "right alignment: $why"
stop_monitor "$LAST_PID"
pixels corner "$TESTROOT/left.ppm" right 20 "$TESTROOT/left.corner"
pixels corner "$TESTROOT/right.ppm" left 20 "$TESTROOT/right.corner"
pixels same "$TESTROOT/left.corner" "$TESTROOT/right.corner" ffffff >/dev/null ||
    fail "the handle differs between the corners"
keep "$TESTROOT/right.ppm" handle-right.png
pass "right alignment: the same icon in the top left corner"

shoot "$TESTROOT/hidden.ppm" "$(dword ShowDraggingHandle 0)"
stop_monitor "$LAST_PID"
for side in left right; do
    pixels handle "$TESTROOT/hidden.ppm" ffffff "$side" 20 >/dev/null && fail "a hidden handle shows at $side"
done
pass "a hidden handle leaves the corner to the window colour"

QT_SCALE_FACTOR=2 shoot "$TESTROOT/dense.ppm" "$(dword ShowDraggingHandle 1)"
why=$(pixels handle "$TESTROOT/dense.ppm" ffffff right 40) || fail "scale 2: $why"
stop_monitor "$LAST_PID"
keep "$TESTROOT/dense.ppm" handle-scale2.png
echo "# $(tail -n 1 <<<"$why")"
pass "at scale 2 the handle is 40 x 40 device pixels drawn at that resolution"
