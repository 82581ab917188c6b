# The config sets that ship beside the program, each loaded at start-up with -loadkcfg(...):
# every one loads without an error, stores its look and shows all its lines; sensors come
# from made-up hardware. With KELTRIX_SHOTS set, each is kept as a picture of the desktop
# around the window.
source "$(dirname "$0")/hwmon_lib.sh"
source "$(dirname "$0")/display_lib.sh"
/usr/bin/python3 -c 'import Xlib' 2>/dev/null || fail "python3-xlib is not installed"

CONFIGS=$(dirname "$KELTRIX")/configs
[ -d "$CONFIGS" ] || fail "no configs folder beside $KELTRIX"
HWMON_TREE=$TESTROOT/hwmon
hwmon_device hwmon0 kxboard temp1_input=47500 temp1_label=CPU temp2_input=38000 \
    temp3_input=33000 fan1_input=1240 fan2_input=860 fan3_input=1530
use_hwmon_tree "$HWMON_TREE"
# A desktop in a colour of its own, so that a transparent set shows what lies under it.
DESKTOP=1e3a5f
pixels root "$DESKTOP"

sets=0
while IFS= read -r -d '' set; do
    name=$(basename "$set" .kcfg)
    prepare "$(dword X 40)" "$(dword Y 40)" "$(dword Interval 500)"
    start_monitor -noballoon "-loadkcfg($set)"
    font=$(sed -n 's/^FONTNAME=\(.*\)\r$/\1/p' "$set")
    lines=$(($(sed -n '/^FORMATSTRING\r$/,$p' "$set" | wc -l) - 1))
    for _ in $(seq 50); do
        [ "$(value FontName)" = "\"FontName\"=\"$font\"" ] && break
        sleep 0.1
    done
    [ "$(value FontName)" = "\"FontName\"=\"$font\"" ] || fail "$name: stored $(value FontName)"
    [ "$(value X)" = "$(dword X 40)" ] || fail "$name moved the window: $(value X)"
    # Two samples, so that rates and sensors have values.
    sleep 1.5
    read -r x y w h < <(geometry "$WIN")
    # Every line drawn: as many bands of ink as the set has lines.
    steady_picture "$WIN" "$TESTROOT/set.ppm"
    bg=$(/usr/bin/python3 - "$TESTROOT/set.ppm" <<'PY'
import sys
data = open(sys.argv[1], "rb").read().split(maxsplit=4)
w, h, body = int(data[1]), int(data[2]), data[4]
print(body[3 * (w - 1):3 * w].hex())  # the top right corner: background
PY
)
    why=$(pixels align "$TESTROOT/set.ppm" "$lines" "$bg" left 2>&1) ||
        [[ $name == Desktop ]] || fail "$name: $why"
    if [ -n "${KELTRIX_SHOTS:-}" ]; then
        shot=$(tr 'A-Z ' 'a-z-' <<<"$name")
        import -window root -crop "$((w + 40))x$((h + 40))+$((x - 20))+$((y - 20))" +repage \
            "$KELTRIX_SHOTS/config-$shot.png"
    fi
    stop_monitor "$LAST_PID"
    grep -q "EXCEPTION" "$TESTROOT/keltrix.log" && fail "$name: $(grep EXCEPTION "$TESTROOT/keltrix.log")"
    sets=$((sets + 1))
done < <(find "$CONFIGS" -name '*.kcfg' -print0 | sort -z)
[ "$sets" -ge 4 ] || fail "only $sets config sets beside the program"
pass "$sets shipped config sets load at start-up and show every line"
