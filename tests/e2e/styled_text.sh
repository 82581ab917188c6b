# Bold, italic and underline as the screen shows them: every run is drawn in the font it was
# measured with, so styles show, runs follow each other without gaps, and the window is as
# wide as its widest line plus the margins. Closing codes undo the styles of the font itself.
source "$(dirname "$0")/display_lib.sh"
/usr/bin/python3 -c 'import Xlib' 2>/dev/null || fail "python3-xlib is not installed"

# Black DejaVu Sans on white; FontStyle is added per window.
LOOK=('"FontName"="DejaVu Sans"' "$(dword FontSize 14)" "$(dword FontColor 0)"
    "$(dword BGColor 0xffffff)" "$(dword UseFileNameAsBackground 0)" "$(dword X 100)"
    "$(dword Y 100)")
# Shows the lines ($2...) with font style $1 and saves the window as $SHOT.
shoot() {
    local style=$1
    shift
    prepare "$(format_value "$@")" "${LOOK[@]}" "$(printf '"FontStyle"=hex:%02x' "$style")"
    start_monitor -noballoon
    steady_picture "$WIN" "$SHOT"
    stop_monitor "$LAST_PID"
}

SHOT=$TESTROOT/plain.ppm shoot 0 "HHHH"
SHOT=$TESTROOT/styled.ppm shoot 0 "HHHH" "<B>HHHH" "<I>HHHH" "<U>HHHH" "<B>HHHH</B>HHHH"
keep "$TESTROOT/styled.ppm" styled-runs.png
why=$(pixels styled "$TESTROOT/plain.ppm" "$TESTROOT/styled.ppm" ffffff) || fail "$why"
echo "# $why" | head -n 1
pass "bold, italic and underline show; a line is as wide as its runs together"

# A bold, italic, underlined and struck-out font: the closing codes leave only the strikeout,
# which no code switches off.
SHOT=$TESTROOT/closed.ppm shoot 15 "</B></I></U>HHHH"
SHOT=$TESTROOT/struck.ppm shoot 8 "HHHH"
why=$(pixels same "$TESTROOT/closed.ppm" "$TESTROOT/struck.ppm" ffffff) ||
    fail "with FontStyle 15, </B></I></U>HHHH differs from struck-out plain text: $why"
pass "closing codes switch off the styles of the font itself"

SHOT=$TESTROOT/sample.ppm shoot 0 "CPU <B>42</B>% <I>busy</I> <U>net</U> <C:Red>hot</C> <S>shadow"
keep "$TESTROOT/sample.ppm" styled-text.png
