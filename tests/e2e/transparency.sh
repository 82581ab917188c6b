# A transparent window shows its text and never its colour key: with a clock that changes at
# every refresh, no look at the screen finds a pixel of the window colour inside the window's
# shape, at scale 1 and at scale 2 (the shape is cut at device resolution).
source "$(dirname "$0")/display_lib.sh"
/usr/bin/python3 -c 'import Xlib' 2>/dev/null || fail "python3-xlib is not installed"
LOOKS=${KELTRIX_TRANSPARENCY_LOOKS:-20}

pixels root 3a6ea5 # a desktop the text stands out on, in the pictures
FORMAT=$(format_value 'Time <NAME=DateTime FORMAT="hh:nn:ss.zzz">' "<B>bold</B> and <I>italic</I>")
for scale in 1 2; do
    prepare "$FORMAT" '"FontName"="DejaVu Sans"' "$(dword FontSize 12)" "$(dword FontColor 0)" \
        "$(dword BGColor 0xffffff)" "$(dword UseFileNameAsBackground 0)" "$(dword Trans 1)" \
        "$(dword Interval 250)" "$(dword X 200)" "$(dword Y 150)"
    QT_SCALE_FACTOR=$scale start_monitor -noballoon
    sleep 1 # the first refreshes
    why=$(pixels keyed "$WIN" ffffff "$LOOKS" 0.25) || fail "scale $scale: $(tail -n 3 <<<"$why")"
    pixels save "$WIN" "$TESTROOT/shown.ppm"
    keep "$TESTROOT/shown.ppm" "transparent-scale$scale.png"
    stop_monitor "$LAST_PID"
    echo "# scale $scale: $(tail -n 1 <<<"$why")"
    pass "scale $scale: $LOOKS looks at a changing transparent window show no key colour"
done
