# 50 MB sent over a veth pair into a bridge, between two namespaces of our own. Neither the
# veth nor the bridge counts by itself; named in NetInterfaces, each counts in its slot, in
# the order named, and the sums grow by 50 MB per counted interface. Loopback never counts.
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
ip -n "$a" link add ktbr type bridge
ip -n "$a" link set ktva master ktbr
ip -n "$a" addr add 10.213.0.1/30 dev ktbr
for l in ktva ktbr lo; do ip -n "$a" link set "$l" up; done
ip -n "$b" addr add 10.213.0.2/30 dev ktvb && ip -n "$b" link set ktvb up && ip -n "$b" link set lo up

# Two monitors in namespace a, each with its own settings: one on the interfaces' own rule,
# one that names the bridge and then the veth.
settings() { # folder, extra value lines
    mkdir -p "$1/keltrix"
    printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\OrlenwickStudios\\Vistrand]\n"Version"=dword:000003ea\n"Interval"=dword:000000c8\n%s' "$2" >"$1/keltrix/registry.reg"
}
settings "$TESTROOT/plain" ""
settings "$TESTROOT/named" '"NetInterfaces"="ktbr;ktva"
'
format='--format=all=<NAME=NetSumRead FORMAT="ALL" DECIMAL>\none=<NAME=NetSumRead FORMAT="1" DECIMAL>\ntwo=<NAME=NetSumRead FORMAT="2" DECIMAL>\nwrite=<NAME=NetSumWrite FORMAT="ALL" DECIMAL>'
for m in plain named; do
    XDG_CONFIG_HOME=$TESTROOT/$m ip netns exec "$a" timeout 60 "$KELTRIX" --console "$format" \
        >"$TESTROOT/$m.txt" &
    PIDS+=($!)
done
monitors=("${PIDS[@]: -2}")
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
kill -INT "${monitors[@]}"
wait "${monitors[@]}" || true

# How much a line of the output rose from its first to its last frame, in KB.
rise() { # file, line name
    local first last
    first=$(grep "^$2=" "$1" | head -n 1 | cut -d= -f2)
    last=$(grep "^$2=" "$1" | tail -n 1 | cut -d= -f2)
    awk -v f="$first" -v l="$last" 'BEGIN { printf "%.0f", l - f }'
}
near() { awk -v v="$1" -v e="$2" 'BEGIN { exit !(v >= e * 0.95 && v <= e * 1.05) }'; }

plain=$(rise "$TESTROOT/plain.txt" all)
[ "$plain" -lt 100 ] || fail "without NetInterfaces the veth and the bridge counted: $plain KB"
pass "a veth pair and a bridge do not count on their own ($plain KB)"

bridge=$(rise "$TESTROOT/named.txt" one)
veth=$(rise "$TESTROOT/named.txt" two)
all=$(rise "$TESTROOT/named.txt" all)
near "$bridge" 51200 || fail "slot 1 (ktbr) rose by $bridge KB, expected 51200 ± 5 %"
near "$veth" 51200 || fail "slot 2 (ktva) rose by $veth KB, expected 51200 ± 5 %"
near "$all" 102400 || fail "the sum of ktbr and ktva rose by $all KB, expected 102400 ± 5 %"
written=$(grep '^write=' "$TESTROOT/named.txt" | tail -n 1 | cut -d= -f2)
awk -v w="$written" 'BEGIN { exit !(w < 51200 * 0.2) }' || fail "NetSumWrite $written: acks only expected"
pass "named, the bridge and the veth count in the order named: $bridge KB and $veth KB; loopback did not count"
