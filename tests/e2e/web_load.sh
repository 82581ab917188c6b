# Load on the running window's web service with wrk (64 connections on /data, /metrics and
# one SOAP call), beside a minimal cpp-httplib server answering a fixed 2 KB document; a
# checker reads answers all along and must never see a torn sample. WEB_LOAD_SECONDS sets the
# length of each run (CI: a few seconds; the figures in bench/README.md: 60).
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/web_lib.sh"
command -v wrk >/dev/null || { echo "SKIP: wrk is not installed"; exit 77; }
SECONDS_EACH=${WEB_LOAD_SECONDS:-3}
MINIMAL=${MINIMAL_HTTP:-$(dirname "$KELTRIX")/bench/minimal_http}
[ -x "$MINIMAL" ] || { echo "SKIP: $MINIMAL is not built"; exit 77; }

PORT=$(free_port)
URL=http://127.0.0.1:$PORT
FORMAT='Proc <NAME=ProcUsage FORMAT="ALL"> <NAME=ProcUsage FORMAT="1"> <NAME=ProcUsage FORMAT="2">\r\nRAM <NAME=RAMUsed>/<NAME=RAMTotal> Page <NAME=PageUsed>\r\n<NAME=Uptime> <NAME=Threads> <NAME=Processes>\r\n<NAME=DateTime FORMAT="hh:nn:ss"> <NAME=CompName> <NAME=DriveSpace FORMAT="C FREE">\r\n<NAME=NetRead> <NAME=NetWrite> <NAME=TopProc>'
prepare_web "$PORT" "$(format_value "$FORMAT")"
start_keltrix -noballoon
wait_for_http "$URL/data" || fail "the web service does not answer"
MPORT=$(free_port)
"$MINIMAL" "$MPORT" >"$TESTROOT/minimal.log" 2>&1 &
PIDS+=($!)
wait_for_http "http://127.0.0.1:$MPORT/" || fail "the minimal server does not answer"

ENVELOPE='<?xml version="1.0"?><s:Envelope xmlns:s="http://schemas.xmlsoap.org/soap/envelope/"><s:Body><m:GetRAM xmlns:m="urn:KeltrixIntf-IKeltrixWS"><SubItem>siUsed</SubItem></m:GetRAM></s:Body></s:Envelope>'
cat >"$TESTROOT/soap.lua" <<LUA
wrk.method = "POST"
wrk.body = '$ENVELOPE'
wrk.headers["Content-Type"] = "text/xml"
wrk.headers["SOAPAction"] = "urn:KeltrixIntf-IKeltrixWS#GetRAM"
LUA

# Reads /metrics and SOAP answers until told to stop; every answer must be one whole sample.
cat >"$TESTROOT/checker.py" <<'PY'
import http.client, os, re, sys, time
port, stop = int(sys.argv[1]), sys.argv[2]
env = sys.argv[3]
answers = bad = 0
while not os.path.exists(stop):
    c = http.client.HTTPConnection("127.0.0.1", port, timeout=10)
    c.request("GET", "/metrics")
    m = c.getresponse().read().decode()
    v = dict(re.findall(r'^(keltrix_memory_(?:total|free|used)_bytes) (\S+)$', m, re.M))
    cpus = [float(x) for x in re.findall(r'^keltrix_cpu_usage_percent\{[^}]*\} (\S+)$', m, re.M)]
    if (float(v["keltrix_memory_used_bytes"]) != float(v["keltrix_memory_total_bytes"]) - float(v["keltrix_memory_free_bytes"])
            or len(cpus) != 5 or any(not 0 <= x <= 100 for x in cpus)):
        bad += 1
        print("torn:", v, cpus)
    for sel in range(5):
        c.request("POST", "/soap/IKeltrixWS", env.replace("GetRAM", "GetProcUsage").replace(
            "<SubItem>siUsed</SubItem>", f"<Selection>{sel}</Selection>"), {"Content-Type": "text/xml"})
        x = float(re.search(r'<return[^>]*>([^<]*)<', c.getresponse().read().decode()).group(1))
        if not 0 <= x <= 100:
            bad += 1
            print("processor figure", sel, x)
    answers += 6
    c.close()
print(f"{answers} answers checked, {bad} torn")
sys.exit(1 if bad or answers == 0 else 0)
PY
/usr/bin/python3 "$TESTROOT/checker.py" "$PORT" "$TESTROOT/stop" "$ENVELOPE" >"$TESTROOT/checker.log" 2>&1 &
CHECKER=$!
PIDS+=("$CHECKER")

run() { # name url [script]
    local out
    out=$(wrk -t2 -c64 -d"${SECONDS_EACH}s" --latency ${3:+-s "$3"} "$2" 2>&1) || fail "wrk $1: $out"
    local rps=$(awk '/^Requests\/sec/ { print $2 }' <<<"$out")
    local non2xx=$(awk '/Non-2xx/ { print $NF }' <<<"$out")
    local errors=$(sed -n 's/.*Socket errors: \(.*\)/\1/p' <<<"$out")
    local p99=$(awk '$1 == "99%" { print $2 }' <<<"$out")
    printf '%-9s %10s req/s  p99 %8s  non-2xx %s  socket errors %s\n' "$1" "$rps" "$p99" "${non2xx:-0}" "${errors:-none}"
    # The floor is measured, not judged.
    if [ "$1" != minimal ] && { [ -n "$non2xx" ] || [ -n "$errors" ]; }; then
        fail "$1: non-2xx ${non2xx:-0}, socket errors ${errors:-none}"
    fi
}
echo "wrk -t2 -c64 -d${SECONDS_EACH}s, $(nproc) cores"
run minimal "http://127.0.0.1:$MPORT/"
run /data "$URL/data"
run /metrics "$URL/metrics"
run SOAP "$URL/soap/IKeltrixWS" "$TESTROOT/soap.lua"
touch "$TESTROOT/stop"
wait "$CHECKER" || fail "checker: $(tail -5 "$TESTROOT/checker.log")"
cat "$TESTROOT/checker.log"
kill -0 "$LAST_PID" || fail "the program died under load"
pass "no errors, no non-2xx answers, no torn sample under load"
