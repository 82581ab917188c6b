# 50 MB sent over a veth pair between two namespaces of our own raise the byte sums by 50 MB.
source "$(dirname "$0")/lib.sh"

if [ "$(id -u)" -ne 0 ] || ! command -v ip >/dev/null; then
    echo "skipped: needs root and iproute2 for network namespaces"
    exit 77
fi
a=kt_a_$$ b=kt_b_$$
cleanup_ns() { ip netns del "$a" 2>/dev/null || true; ip netns del "$b" 2>/dev/null || true; cleanup; }
trap cleanup_ns EXIT
ip netns add "$a" && ip netns add "$b" || { echo "skipped: cannot create namespaces"; exit 77; }
ip link add ktva netns "$a" type veth peer name ktvb netns "$b"
ip -n "$a" addr add 10.213.0.1/30 dev ktva && ip -n "$a" link set ktva up && ip -n "$a" link set lo up
ip -n "$b" addr add 10.213.0.2/30 dev ktvb && ip -n "$b" link set ktvb up && ip -n "$b" link set lo up

mkdir -p "$(dirname "$SETTINGS")"
printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\OrlenwickStudios\\Vistrand]\n"Version"=dword:000003ea\n"Interval"=dword:000000c8\n' >"$SETTINGS"
out=$TESTROOT/net.txt
ip netns exec "$a" timeout 60 "$KELTRIX" --console \
    '--format=read=<NAME=NetSumRead FORMAT="ALL" DECIMAL>\nwrite=<NAME=NetSumWrite FORMAT="ALL" DECIMAL>' >"$out" &
monitor=$!
PIDS+=($monitor)
sleep 1.5

# Receiver in a, sender in b; loopback traffic inside a must not count.
ip netns exec "$a" /usr/bin/python3 - <<'PY' &
import socket
s = socket.socket(); s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
s.bind(("10.213.0.1", 6199)); s.listen(1); c, _ = s.accept(); n = 0
while True:
    d = c.recv(1 << 16)
    if not d: break
    n += len(d)
PY
receiver=$!
sleep 0.5
ip netns exec "$b" /usr/bin/python3 -c '
import socket
c = socket.create_connection(("10.213.0.1", 6199)); block = b"x" * (1 << 20)
for _ in range(50): c.sendall(block)
c.close()'
wait "$receiver"
ip netns exec "$a" /usr/bin/python3 -c '
import socket, threading
s = socket.socket(); s.bind(("127.0.0.1", 6198)); s.listen(1)
c = socket.create_connection(("127.0.0.1", 6198)); a, _ = s.accept()
def drain():
    while a.recv(1 << 16): pass
t = threading.Thread(target=drain); t.start()
for _ in range(20): c.sendall(b"y" * (1 << 20))
c.close(); t.join()'
sleep 1.5
kill -INT "$monitor"
wait "$monitor" || true

first=$(grep '^read=' "$out" | head -n 1 | cut -d= -f2)
final=$(grep '^read=' "$out" | tail -n 1 | cut -d= -f2)
written=$(grep '^write=' "$out" | tail -n 1 | cut -d= -f2)
awk -v f="$first" -v l="$final" 'BEGIN { d = l - f; exit !(d >= 51200 * 0.95 && d <= 51200 * 1.05) }' ||
    fail "NetSumRead rose from $first to $final KB, expected 51200 ± 5 %"
awk -v w="$written" 'BEGIN { exit !(w < 51200 * 0.2) }' || fail "NetSumWrite $written: acks only expected"
pass "50 MB across the veth pair raised NetSumRead by $(awk -v f="$first" -v l="$final" 'BEGIN { print l - f }') KB; loopback did not count"
