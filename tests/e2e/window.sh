# The display window as the window manager and the user see it: kept off the taskbar and
# pager, on top or pinned below (stored or by the menu, never both), moved by dragging its
# body unless placement is locked, and cut to its text when the background is transparent.
source "$(dirname "$0")/display_lib.sh"

# A wide first line and a short second one: right of "two" is bare background.
FORMAT=$(format_value "Keltrix window test, line one" "two")
PLACE=("$(dword X 200)" "$(dword Y 150)")

# 1. Window-manager states from the stored settings.
check_stored_band() { # wanted states, unwanted states, stored values...
    local want=$1 unwanted=$2
    shift 2
    prepare "$FORMAT" "${PLACE[@]}" "$@"
    start_monitor -noballoon
    wait_states "$WIN" "SKIP_TASKBAR SKIP_PAGER $want" "$unwanted" ||
        fail "stored '$*': want '$want', not '$unwanted'"
    stop_monitor "$LAST_PID"
}
check_stored_band "" "ABOVE BELOW"
check_stored_band "ABOVE" "BELOW" "$(dword AOT 1)"
check_stored_band "BELOW" "ABOVE" "$(dword PinToDesktop 1)"
check_stored_band "" "ABOVE BELOW" "$(dword AOT 0)" "$(dword PinToDesktop 0)"
# Both stored (an old file, or one edited by hand): on top wins, never both.
check_stored_band "ABOVE" "BELOW" "$(dword AOT 1)" "$(dword PinToDesktop 1)"
pass "off taskbar and pager always; AOT keeps it above, PinToDesktop below"

# 2. The same through the menu; each excludes the other and is stored at once.
prepare "$FORMAT" "${PLACE[@]}"
start_monitor -noballoon
main=$LAST_PID
wait_states "$WIN" "SKIP_TASKBAR SKIP_PAGER" "ABOVE BELOW" || fail "start"
layout_command "$main" o
wait_states "$WIN" "SKIP_TASKBAR SKIP_PAGER ABOVE" "BELOW" || fail "Always On Top did not raise the window"
[ "$(value AOT)" = "$(dword AOT 1)" ] || fail "Always On Top stored $(value AOT)"
layout_command "$main" p
wait_states "$WIN" "SKIP_TASKBAR SKIP_PAGER BELOW" "ABOVE" || fail "Pin To Desktop did not lower the window"
[ "$(value AOT)" = "$(dword AOT 0)" ] && [ "$(value PinToDesktop)" = "$(dword PinToDesktop 1)" ] ||
    fail "pinning stored $(value AOT) $(value PinToDesktop)"
layout_command "$main" o
wait_states "$WIN" "SKIP_TASKBAR SKIP_PAGER ABOVE" "BELOW" || fail "Always On Top did not unpin the window"
[ "$(value PinToDesktop)" = "$(dword PinToDesktop 0)" ] || fail "unpinning was not stored"
layout_command "$main" o
wait_states "$WIN" "SKIP_TASKBAR SKIP_PAGER" "ABOVE BELOW" || fail "Always On Top did not switch off"
[ "$(value AOT)" = "$(dword AOT 0)" ] || fail "Always On Top off stored $(value AOT)"
pass "the menu's Always On Top and Pin To Desktop exclude each other and are stored"

# 3. Dragging the body moves the window; the position is stored at exit.
drag() { # window dx dy [x y]: presses on the window (default right of "two") and drags
    local x y w h
    read -r x y w h < <(geometry "$1")
    local px=$((x + ${4:-$((w - 4))})) py=$((y + ${5:-$((h - 4))}))
    point_at "$px" "$py"
    xdotool mousedown 1
    sleep 0.3
    for step in 1 2 3 4 5; do
        xdotool mousemove --sync $((px + $2 * step / 5)) $((py + $3 * step / 5))
        sleep 0.1
    done
    xdotool mouseup 1
}
wait_position() { # window x y
    local x y w h
    for _ in $(seq 50); do
        read -r x y w h < <(geometry "$1")
        [ "$x $y" = "$2 $3" ] && return 0
        sleep 0.1
    done
    echo "the window is at $x $y" >&2
    return 1
}
wait_position "$WIN" 200 150 || fail "the stored position was not taken"
drag "$WIN" 120 90
wait_position "$WIN" 320 240 || fail "dragging the body did not move the window by (120, 90)"
layout_command "$main" k
[ "$(value LockForm)" = "$(dword LockForm 1)" ] || fail "Lock Placement stored $(value LockForm)"
drag "$WIN" 120 90
sleep 1
wait_position "$WIN" 320 240 || fail "the window moved after Lock Placement"
stop_monitor "$main"
[ "$(value X) $(value Y)" = "$(dword X 320) $(dword Y 240)" ] || fail "stored $(value X) $(value Y)"
pass "dragging the body moves the window until Lock Placement; the place is stored"

prepare "$FORMAT" "${PLACE[@]}" "$(dword LockForm 1)"
start_monitor -noballoon
wait_position "$WIN" 200 150 || fail "the stored position was not taken"
drag "$WIN" 120 90
sleep 1
wait_position "$WIN" 200 150 || fail "a locked window moved"
stop_monitor "$LAST_PID"
pass "a locked window stays where it is"

# 4. A transparent background cuts the window to its text: the shape leaves out pixels of the
# window colour and keeps every pixel the opaque window draws in another colour.
pixels() { /usr/bin/python3 "$(dirname "$0")/window_pixels.py" "$@"; }
/usr/bin/python3 -c 'import Xlib' 2>/dev/null || fail "python3-xlib is not installed"
COLOURS=('"FontName"="MS Sans Serif"' "$(dword FontColor 0x008000)" "$(dword BGColor 0xffffff)"
    "$(dword UseFileNameAsBackground 0)")
prepare "$FORMAT" "${PLACE[@]}" "${COLOURS[@]}"
start_monitor -noballoon
inked=0
for _ in $(seq 50); do # until the text is painted
    read -r _ _ inked < <(pixels ink "$WIN" ffffff "$TESTROOT/ink") || fail "no picture of the window"
    [ "$inked" -gt 50 ] && break
    sleep 0.2
done
[ "$inked" -gt 50 ] || fail "the opaque window shows only $inked text pixels"
stop_monitor "$LAST_PID"

prepare "$FORMAT" "${PLACE[@]}" "${COLOURS[@]}" "$(dword Trans 1)"
start_monitor -noballoon
cut=0
for _ in $(seq 50); do
    why=$(pixels cut "$WIN" ffffff "$TESTROOT/ink") && cut=1 && break
    sleep 0.2
done
[ $cut = 1 ] || fail "transparent background: $why"
echo "# $why"
pass "a transparent window shows its text and none of its background"

# Pressed on a letter, a transparent window moves too.
read -r width _ < "$TESTROOT/ink"
letter=$(sed -n 20p "$TESTROOT/ink")
drag "$WIN" 100 50 $((letter % width)) $((letter / width))
wait_position "$WIN" 300 200 || fail "dragging a letter of the transparent window did not move it"
stop_monitor "$LAST_PID"
pass "a transparent window drags by its text"
