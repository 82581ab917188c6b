# Console mode as status bars and scripts read it: a frame of one line is one line, --json
# is one valid object per refresh, --console=1 shows the last interval (a busy core reads
# busy, whatever the average since boot) with drive space and addresses already measured,
# and the README's polybar, i3blocks and waybar snippets work as written.
source "$(dirname "$0")/lib.sh"
README=$(cd "$(dirname "$0")/../.." && pwd)/README.md
unset DISPLAY WAYLAND_DISPLAY

# 1. Frames: one line alone, several lines with one empty line after each.
"$KELTRIX" --console=3 --interval=100 '--format=up <NAME=Uptime FORMAT="*s*">' >"$TESTROOT/one.txt"
[ "$(wc -l <"$TESTROOT/one.txt")" = 3 ] && ! grep -q '^$' "$TESTROOT/one.txt" ||
    { cat -A "$TESTROOT/one.txt"; fail "three one-line frames are not three lines"; }
"$KELTRIX" --console=2 --interval=100 '--format=a\nb' >"$TESTROOT/two.txt"
[ "$(cat "$TESTROOT/two.txt")" = $'a\nb\n\na\nb' ] || { cat -A "$TESTROOT/two.txt"; fail "two-line frames"; }
pass "a one-line frame is one line; frames of several lines end with an empty line"

# 2. JSON, with markup taken out and texts that need escaping.
printf 'say "hi"\\\tnow\n' >"$TESTROOT/line.txt"
"$KELTRIX" --console=2 --json --interval=100 \
    "--format=<B>cpu</B> <NAME=ProcUsage FORMAT=\"ALL\" SIZE=3>%\n<NAME=FileData FORMAT=\"$TESTROOT/line.txt\">" \
    >"$TESTROOT/json.txt"
/usr/bin/python3 - "$TESTROOT/json.txt" <<'PY' || fail "the JSON frames are not what bars read"
import json, re, sys
frames = [json.loads(line) for line in open(sys.argv[1])]
assert len(frames) == 2, frames
for f in frames:
    assert set(f) == {"text", "lines", "tooltip"}, f
    assert len(f["lines"]) == 2 and re.fullmatch(r"cpu \d+ *%", f["lines"][0]), f
    assert f["lines"][1] == 'say "hi"\\\tnow', f["lines"][1]
    assert f["text"] == " ".join(f["lines"]) and f["tooltip"] == "\n".join(f["lines"]), f
print("ok - --json prints one object per refresh:", json.dumps(frames[0]))
PY

# 3. --console=1 shows now: a core kept busy reads busy. The figure is for processor 1
#    (FORMAT="1" is the first processor) while a burner runs on it alone.
taskset -c 0 /usr/bin/python3 -c 'while True: pass' &
burner=$!
PIDS+=("$burner")
sleep 1
boot=$(awk '$1 == "cpu0" { t = 0; for (i = 2; i <= NF; i++) t += $i; printf "%.0f", 100 * (t - $5 - $6) / t }' /proc/stat)
busy=$("$KELTRIX" --console=1 '--format=<NAME=ProcUsage FORMAT="1">')
kill "$burner"
[ "$busy" -ge 90 ] || fail "processor 1 under a burner reads $busy % (since boot: $boot %)"
pass "--console=1 under a busy core reads $busy % (the average since boot is $boot %)"

# The first frame already has the drive's size and the addresses.
read -r total addr < <("$KELTRIX" --console=1 '--format=<NAME=DriveSpace FORMAT="C TOTAL" DIV=1024> <NAME=IPAddr>')
[ "${total:-0}" -gt 0 ] || fail "the drive's size is not in the first frame: '$total'"
if ip -4 -o addr show up scope global 2>/dev/null | grep -q inet; then
    [[ ${addr:-} =~ ^[0-9]+\.[0-9]+\.[0-9]+\.[0-9]+ ]] || fail "no address in the first frame"
fi
pass "the first frame has the drive's size ($total GB) and the addresses (${addr:-none here})"

# 4. The README's snippets, as the bars run them (with a shorter interval for the test).
snippet() { # the line of README.md that follows the start of snippet $1 and holds $2
    awk -v start="$1" -v key="$2" 'index($0, start) { on = 1 } on && index($0, key) { print; exit }' "$README"
}
run_for() { # seconds, shell command with keltrix in it
    timeout -s INT "$1" sh -c "${2//keltrix /$KELTRIX } --interval=200" || true
}
polybar=$(snippet '[module/keltrix]' 'exec = ' | sed 's/^exec = //')
i3blocks=$(snippet '[keltrix]' 'command=' | sed 's/^command=//')
waybar=$(snippet '"custom/keltrix"' '"exec"' | /usr/bin/python3 -c 'import json, sys; print(json.loads("{" + sys.stdin.read().strip().rstrip(",") + "}")["exec"])')
[ -n "$polybar" ] && [ -n "$i3blocks" ] && [ -n "$waybar" ] || fail "the README's snippets are not found"
grep -q 'tail = true' "$README" && grep -q 'interval=persist' "$README" && grep -q '"return-type": "json"' "$README" ||
    fail "the README's snippets lost their settings"
for bar in polybar i3blocks; do
    run_for 1.3 "${!bar}" >"$TESTROOT/$bar.txt"
    lines=$(wc -l <"$TESTROOT/$bar.txt")
    [ "$lines" -ge 2 ] && ! grep -q '^$' "$TESTROOT/$bar.txt" && grep -Eq '^CPU [0-9]+ *%  ' "$TESTROOT/$bar.txt" ||
        { cat -A "$TESTROOT/$bar.txt"; fail "the $bar snippet does not give one line per refresh"; }
    pass "$bar: one line per refresh ($(head -n 1 "$TESTROOT/$bar.txt"))"
done
run_for 1.3 "$waybar" >"$TESTROOT/waybar.txt"
/usr/bin/python3 - "$TESTROOT/waybar.txt" <<'PY' || fail "the waybar snippet does not give JSON objects"
import json, re, sys
frames = [json.loads(line) for line in open(sys.argv[1])]
assert len(frames) >= 2, frames
for f in frames:
    assert re.fullmatch(r"CPU \d+ *%", f["lines"][0]) and re.fullmatch(r"RAM \d+ MB", f["lines"][1]), f
    assert f["tooltip"] == "\n".join(f["lines"]) and f["text"] == " ".join(f["lines"]), f
print("ok - waybar: one object per refresh:", f["text"])
PY
