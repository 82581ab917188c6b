# A real Prometheus server scrapes two running instances on loopback every second; its query
# API must then hold keltrix_ series of both, with their labels.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/web_lib.sh"
command -v prometheus >/dev/null || { echo "SKIP: prometheus is not installed"; exit 77; }

P1=$(free_port)
P2=$(free_port)
PP=$(free_port)
FORMAT='CPU <NAME=ProcUsage FORMAT="ALL"> RAM <NAME=RAMFree> up <NAME=Uptime> <NAME=DriveSpace FORMAT="C FREE"> <NAME=NetRead>'
prepare_web "$P1" "$(format_value "$FORMAT")"
start_keltrix -noballoon
# The first holds the single-instance lock before the second starts: a -MULTIPLE start takes a
# free lock too, and the first would then stop as a second instance.
wait_for_http "http://127.0.0.1:$P1/metrics" || { cat "$TESTROOT/keltrix.log"; fail "the first instance does not answer"; }
# The second instance: settings of its own, beside the first.
SECOND=$TESTROOT/second
mkdir -p "$SECOND/keltrix"
SETTINGS=$SECOND/keltrix/registry.reg prepare_web "$P2" "$(format_value "$FORMAT")"
XDG_CONFIG_HOME=$SECOND start_keltrix -noballoon -MULTIPLE
wait_for_http "http://127.0.0.1:$P1/metrics" && wait_for_http "http://127.0.0.1:$P2/metrics" ||
    { cat "$TESTROOT/keltrix.log"; fail "the instances do not answer"; }

cat >"$TESTROOT/prometheus.yml" <<YML
global:
  scrape_interval: 1s
  scrape_timeout: 1s
scrape_configs:
  - job_name: keltrix
    static_configs:
      - targets: ['127.0.0.1:$P1', '127.0.0.1:$P2']
YML
prometheus --config.file="$TESTROOT/prometheus.yml" --storage.tsdb.path="$TESTROOT/tsdb" \
    --web.listen-address="127.0.0.1:$PP" >"$TESTROOT/prometheus.log" 2>&1 &
PIDS+=($!)

query() { # PromQL: prints "instance label=value ..." per series, sorted
    curl -s -m 2 -G "http://127.0.0.1:$PP/api/v1/query" --data-urlencode "query=$1" |
        /usr/bin/python3 -c '
import json, sys
try:
    data = json.load(sys.stdin)["data"]["result"]
except Exception:
    sys.exit(0)
for r in data:
    m = r["metric"]
    print(" ".join(f"{k}={m[k]}" for k in sorted(m) if k != "__name__"), r["value"][1])' | sort
}

ok=no
for _ in $(seq 60); do
    [ "$(query 'up{job="keltrix"} == 1' | wc -l)" = 2 ] && [ "$(query 'keltrix_memory_total_bytes' | wc -l)" = 2 ] && { ok=yes; break; }
    sleep 0.5
done
[ $ok = yes ] || fail "Prometheus did not scrape both: $(query up) $(tail -5 "$TESTROOT/prometheus.log")"
cpu=$(query 'keltrix_cpu_usage_percent{cpu="total"}')
grep -q "instance=127.0.0.1:$P1 job=keltrix" <<<"$cpu" && grep -q "instance=127.0.0.1:$P2 job=keltrix" <<<"$cpu" ||
    fail "cpu series: $cpu"
info=$(query 'keltrix_info')
[ "$(grep -c "computer=$(hostname -s | cut -c1-15) .*user=$(id -un | cut -c1-15)" <<<"$info")" = 2 ] || fail "info: $info"
net=$(query 'keltrix_network_receive_bytes_total{slot="all"}')
[ "$(wc -l <<<"$net")" = 2 ] || fail "counter series: $net"
mem=$(query 'keltrix_memory_total_bytes')
awk -v want="$(awk '/MemTotal/ { printf "%.0f", $2 * 1024 }' /proc/meminfo)" '{ if ($NF != want) exit 1 }' <<<"$mem" ||
    fail "memory in bytes: $mem"
pass "Prometheus scrapes both instances every second: cpu, memory, counters and info series with their labels"
