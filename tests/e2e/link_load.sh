# Load and faults on a headless server: many clients at 10 Hz each get every answer; a client
# that never reads, 10,000 connections opened and closed and random bytes on 100 connections
# leave its memory flat and it answering. LINK_LOAD_SECONDS (default 5) sets the load's length
# and LINK_LOAD_CLIENTS (default 256) the number of clients.
source "$(dirname "$0")/link_lib.sh"
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
LOAD=${2:?usage: link_load.sh keltrix link_load}
seconds=${LINK_LOAD_SECONDS:-5}
clients=${LINK_LOAD_CLIENTS:-256}

port=$(free_port)
"$KELTRIX" --server="$port" --password=secret >/dev/null
start_headless
wait_listening "$port" || fail "the server does not listen: $(cat "$TESTROOT/headless.log")"
sleep 1

"$LOAD" "$port" "$clients" 10 "$seconds" secret "$SERVER" | tee "$TESTROOT/load.txt" ||
    fail "not every client got every answer"
pass "$clients clients at 10 Hz for $seconds s: every answer came, every one a record"

rss_before=$(rss_kb "$SERVER")
"$PY" "$PEER" noread "$port" 3 || fail "the client that never reads"
rss_after=$(rss_kb "$SERVER")
echo "VmRSS before the client that never reads: $rss_before kB, after: $rss_after kB"
[ $((rss_after - rss_before)) -lt 2048 ] || fail "a client that never reads grew the server by $((rss_after - rss_before)) kB"
"$PY" "$PEER" records "$port" secret 3 || fail "no answers after the client that never reads"
pass "a client that never reads leaves the memory flat ($rss_before -> $rss_after kB)"

"$PY" "$PEER" churn "$port" 10000 || fail "10,000 connections"
"$PY" "$PEER" noise "$port" 100 || fail "random bytes"
"$PY" "$PEER" records "$port" secret 10 || fail "no answers after churn and noise"
rss_end=$(rss_kb "$SERVER")
[ $((rss_end - rss_before)) -lt 4096 ] || fail "churn and noise grew the server to $rss_end kB"
[ "$(ls "/proc/$SERVER/fd" | wc -l)" -lt 20 ] || fail "descriptors left open: $(ls "/proc/$SERVER/fd" | wc -l)"
stop_server
pass "10,000 connections and random bytes on 100 leave it answering ($rss_end kB, no descriptors left)"
