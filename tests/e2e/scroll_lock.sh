# The Scroll Lock light as a network lamp: traffic through a veth pair between two network
# namespaces of our own makes it blink for 500 ms a period, no traffic leaves it alone, and
# switching the lamp off (command, start-up, exit) leaves it dark.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/tray_lib.sh"
source "$(dirname "$0")/shell_lib.sh"

if [ "$(id -u)" -ne 0 ] || ! command -v ip >/dev/null || ! command -v xset >/dev/null; then
    echo "skipped: needs root, iproute2 and xset"
    exit 77
fi
a=kt_la_$$ b=kt_lb_$$
cleanup_ns() {
    for p in "${PIDS[@]}"; do kill -9 "$p" 2>/dev/null || true; done
    ip netns del "$a" 2>/dev/null || true
    ip netns del "$b" 2>/dev/null || true
    cleanup
}
trap cleanup_ns EXIT
ip netns add "$a" && ip netns add "$b" || { echo "skipped: cannot create namespaces"; exit 77; }
# No IPv6 on the pair: its address set-up sends packets of its own for seconds after the link
# comes up, and "no traffic" must mean none.
for ns in "$a" "$b"; do ip netns exec "$ns" sysctl -qw net.ipv6.conf.all.disable_ipv6=1 net.ipv6.conf.default.disable_ipv6=1; done
ip link add ktla netns "$a" type veth peer name ktlb netns "$b"
ip -n "$a" addr add 10.214.0.1/30 dev ktla && ip -n "$a" link set ktla up && ip -n "$a" link set lo up
ip -n "$b" addr add 10.214.0.2/30 dev ktlb && ip -n "$b" link set ktlb up && ip -n "$b" link set lo up

light() { xset q | grep -o 'Scroll Lock: *o[nf]*' | awk '{ print $3 }'; }
# Samples the light every ~10 ms for $1 seconds: "milliseconds state" lines.
watch_light() {
    local end=$(($(date +%s%N) + $1 * 1000000000)) now
    while now=$(date +%s%N) && [ "$now" -lt "$end" ]; do echo "$((now / 1000000)) $(light)"; done
}
start_lamp() {
    ip netns exec "$a" "$KELTRIX" -noballoon "$@" >>"$TESTROOT/keltrix.log" 2>&1 &
    LAST_PID=$!
    PIDS+=("$LAST_PID")
    wait_for_window "$LAST_PID" Keltrix || fail "no window"
}
# Floods the veth pair from b to a for $1 seconds.
flood() {
    ip netns exec "$a" /usr/bin/python3 -c '
import socket, sys
s = socket.socket(); s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
s.bind(("10.214.0.1", 6197)); s.listen(1); c, _ = s.accept()
while c.recv(1 << 16): pass' &
    PIDS+=($!)
    sleep 0.3
    ip netns exec "$b" /usr/bin/python3 -c '
import socket, sys, time
c = socket.create_connection(("10.214.0.1", 6197)); end = time.time() + float(sys.argv[1])
block = b"x" * (1 << 16)
while time.time() < end: c.sendall(block)
c.close()' "$1" &
    PIDS+=($!)
}
lamp_format='"FormatString"="In <NAME=NetRead FORMAT=\"ALL\"> Out <NAME=NetWrite FORMAT=\"ALL\">"'
# A veth pair is a virtual device: it counts only when named.
lamp_net='"NetInterfaces"="ktla"'

# 1. A start with the lamp stored as off turns a lit light off.
write_settings "$lamp_format" "$lamp_net" '"FlashKeyboardLights"=dword:00000000'
xset led named "Scroll Lock"
[ "$(light)" = on ] || fail "the test cannot light Scroll Lock"
start_lamp
main=$LAST_PID
for _ in $(seq 30); do [ "$(light)" = off ] && break; sleep 0.1; done
[ "$(light)" = off ] || fail "a start with the lamp stored off left the light on"
kill -TERM "$main"
wait_for_exit "$main" || fail "no exit"
pass "a start with the lamp stored off turns the light off"

# 2. Stored on with a period of 1 s: no traffic, no blink; a flood, blinks of 500 ms.
write_settings "$lamp_format" "$lamp_net" '"Interval"=dword:000000fa' '"FlashKeyboardLights"=dword:00000001' \
    '"FlashKeyboardLightsInterval"=dword:000003e8'
start_trayer
start_lamp -advdebug
main=$LAST_PID
watch_light 2 >"$TESTROOT/quiet.txt"
grep -q ' on$' "$TESTROOT/quiet.txt" && fail "the light blinked without traffic"
pass "no traffic, no blink"

flood 30
sleep 1
watch_light 4 >"$TESTROOT/busy.txt"
/usr/bin/python3 - "$TESTROOT/busy.txt" <<'PY' || fail "no blinks of about 500 ms while the network was busy"
import sys
rows = [line.split() for line in open(sys.argv[1])]
rows = [(int(t), s) for t, s in rows if s in ("on", "off")]
lit, start = [], None
for (t, s), (_, before) in zip(rows[1:], rows):
    if s == "on" and before == "off":
        start = t
    elif s == "off" and before == "on" and start is not None:
        lit.append(t - start)
print("blinks (ms):", lit)
sys.exit(0 if len(lit) >= 2 and all(420 <= d <= 700 for d in lit) else 1)
PY
pass "while the network is busy the light blinks for 500 ms each second"

# 3. Switching off through the menu while blinks are under way leaves the light off.
run_config_item "$main" "Flash Scroll Lock if Net is in use"
watch_light 2 >"$TESTROOT/off.txt"
grep -q ' on$' <(tail -n +30 "$TESTROOT/off.txt") && fail "the light came on after switching off"
[ "$(light)" = off ] || fail "switching off left the light on"
[ "$(stored_dword FlashKeyboardLights)" = 0 ] || fail "FlashKeyboardLights was not stored as off"
pass "switching the lamp off leaves the light off and stores it"

# 4. Switching on: the warning, the period question, and blinks again at the new period.
run_config_item "$main" "Flash Scroll Lock if Net is in use"
box=$(wait_titled "$main" "Warning !") || fail "no warning box"
answer_window "$box" Return
prompt=$(wait_titled "$main" "Flash Interval") || fail "no period question"
answer_window "$prompt" ctrl+a 6 0 0 Return
wait_gone "$main" "Flash Interval" || fail "the question stayed open"
[ "$(stored_dword FlashKeyboardLights)" = 1 ] || fail "FlashKeyboardLights was not stored as on"
[ "$(stored_dword FlashKeyboardLightsInterval)" = 600 ] || fail "the period was not stored"
watch_light 3 >"$TESTROOT/again.txt"
[ "$(grep -c ' on$' "$TESTROOT/again.txt")" -gt 0 ] || fail "no blinks after switching on"
pass "switching on asks for the period, stores it and blinks again"

# 5. The exit leaves a flashing lamp dark.
kill -TERM "$main"
wait_for_exit "$main" || fail "no exit"
sleep 0.7
[ "$(light)" = off ] || fail "the exit left the light on"
grep -q "FlashTimerTimer" "$XDG_DATA_HOME/keltrix/SmartLog.log" || fail "the ticks were not logged"
pass "the exit leaves the light off"
