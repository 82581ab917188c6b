# Console mode on its own terms: control characters in values are shown as "?" (in the plain,
# the JSON and the terminal-less output), a signal ends it without another frame, a paused
# Interval with a count of refreshes ends after one frame and says so. In a private PID
# namespace (root): two same-named processes moving in the list never make TopProc exceed the
# whole machine, and a process name with control characters stays on its line.
source "$(dirname "$0")/lib.sh"
unset DISPLAY WAYLAND_DISPLAY

write_settings() { # extra value lines
    mkdir -p "$(dirname "$SETTINGS")"
    printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\OrlenwickStudios\\Vistrand]\n"Version"=dword:000003ea\n' >"$SETTINGS"
    for v in "$@"; do printf '%s\n' "$v" >>"$SETTINGS"; done
}

wait_for_lines() { # file count [seconds]
    local t=${3:-20}
    for _ in $(seq $((t * 10))); do
        [ -f "$1" ] && [ "$(wc -l <"$1")" -ge "$2" ] && return 0
        sleep 0.1
    done
    return 1
}

# Control characters of a file line.
write_settings
lines=$TESTROOT/lines.txt
printf 'a\033[2Jb\007c\td\302\233e\n' >"$lines"
out=$("$KELTRIX" --console=1 --format="<NAME=FileData FORMAT=\"$lines\">")
[ "$out" = 'a?[2Jb?c?d?e' ] || fail "control characters reached the output: $(printf %q "$out")"
pass "control characters of a file line are shown as ?: $out"
json=$("$KELTRIX" --console=1 --json --format="x <NAME=FileData FORMAT=\"$lines\">\\ny")
/usr/bin/python3 -c 'import json, sys; d = json.loads(sys.argv[1]); assert d["lines"] == ["x a?[2Jb?c?d?e", "y"], d; assert d["tooltip"] == "x a?[2Jb?c?d?e\ny"' "$json" ||
    fail "--json: $json"
pass "--json stays valid and carries the same text"

# Paused sampling with a count of refreshes: one frame and a message, not a hang.
for interval in 00000000 fffffff6; do
    write_settings "\"Interval\"=dword:$interval"
    timeout 20 "$KELTRIX" --console=3 --format='up <NAME=Uptime FORMAT="*s*">' >"$TESTROOT/paused.out" 2>"$TESTROOT/paused.err" ||
        fail "Interval dword:$interval with --console=3 did not end by itself: $(cat "$TESTROOT/paused.err")"
    [ "$(wc -l <"$TESTROOT/paused.out")" -eq 1 ] || fail "frames while paused: $(cat "$TESTROOT/paused.out")"
    grep -q 'sampling is paused' "$TESTROOT/paused.err" || fail "no word of the pause: $(cat "$TESTROOT/paused.err")"
done
pass "a paused Interval with --console=3 prints one frame and says: $(cat "$TESTROOT/paused.err")"

# A signal ends it without one more frame: paused, every frame after the first is one too many.
for sig in TERM INT; do
    : >"$TESTROOT/signal.out"
    "$KELTRIX" --console --format='up <NAME=Uptime FORMAT="*s*">' >"$TESTROOT/signal.out" 2>"$TESTROOT/signal.err" &
    pid=$!
    PIDS+=("$pid")
    wait_for_lines "$TESTROOT/signal.out" 1 || fail "no first frame"
    grep -q 'until interrupted' "$TESTROOT/signal.err" || fail "no word of the pause: $(cat "$TESTROOT/signal.err")"
    kill -"$sig" "$pid"
    wait_for_exit "$pid" 10 || fail "SIG$sig did not end console mode"
    rc=0
    wait "$pid" || rc=$?
    [ "$rc" -eq 0 ] || fail "SIG$sig: exit status $rc"
    [ "$(wc -l <"$TESTROOT/signal.out")" -eq 1 ] || fail "SIG$sig printed another frame: $(cat "$TESTROOT/signal.out")"
done
pass "SIGTERM and SIGINT end console mode at once, without another frame"

if [ "$(id -u)" -ne 0 ] || ! unshare -fp --mount-proc true 2>/dev/null; then
    echo "skipped: the process list cases need root and PID namespaces"
    exit 0
fi
write_settings
unshare -fp --mount-proc bash -s "$KELTRIX" "$TESTROOT" >"$TESTROOT/ns.log" 2>&1 <<'SH' || { cat "$TESTROOT/ns.log"; fail "the process list cases failed"; }
set -euo pipefail
keltrix=$1 root=$2
lines() { wc -l <"$1"; }
wait_lines() { for _ in $(seq 300); do [ "$(lines "$1")" -ge "$2" ] && return 0; sleep 0.1; done; return 1; }
mkdir -p "$root/a" "$root/b" "$root/c" "$root/d"
cp /bin/sleep "$root/a/spacer"
cp /bin/sleep "$root/b/twin"
cp /usr/bin/yes "$root/c/twin"
cp /usr/bin/yes "$root/d/$(printf 'e\033v\nl')"
# In pid order: the spacer, an idle twin, then a busy twin that gathers seconds of processor
# time; when the spacer ends, the busy twin takes the idle one's place in the list.
"$root/a/spacer" 600 & spacer=$!
"$root/b/twin" 600 & idle=$!
"$root/c/twin" >/dev/null & busy=$!
sleep 2
"$keltrix" --console --interval=250 --format='<NAME=TopProc FORMAT="%">|<NAME=TopProc FORMAT="Title">' >"$root/top.out" 2>"$root/top.err" &
k=$!
wait_lines "$root/top.out" 4
kill "$spacer"
wait "$spacer" || true
before=$(lines "$root/top.out")
wait_lines "$root/top.out" $((before + 8))
kill -TERM "$k"
wait "$k"
kill "$idle" "$busy"
wait "$idle" "$busy" || true
cat "$root/top.out"
awk -F'|' '$1 + 0 > 100 { bad = 1; print "impossible: " $0 } END { exit bad }' "$root/top.out"
tail -n 8 "$root/top.out" | grep -q '|twin$'

# A busy process whose name holds an escape and a line break: one line per frame.
"$root/d/$(printf 'e\033v\nl')" >/dev/null & evil=$!
"$keltrix" --console=3 --interval=300 --format='<NAME=TopProc FORMAT="Title">|end' >"$root/evil.out"
kill "$evil"
cat -A "$root/evil.out"
[ "$(lines "$root/evil.out")" -eq 3 ]
! grep -q $'\033' "$root/evil.out"
grep -q '^e?v?l|end$' "$root/evil.out"
SH
pass "two twins moving in the list: TopProc $(awk -F'|' 'm < $1 + 0 { m = $1 + 0 } END { print "at most " m }' "$TESTROOT/top.out") %, never above 100"
pass "a process name with an escape and a line break stays on its line: $(tail -n 1 "$TESTROOT/evil.out")"
