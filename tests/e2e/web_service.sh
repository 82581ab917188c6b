# The web service of the running window: an independent SOAP client through the WSDL,
# hand-written envelopes, the data document, the metrics, and requests meant to hurt it.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/web_lib.sh"
HERE=$(cd "$(dirname "$0")" && pwd)

PORT=$(free_port)
URL=http://127.0.0.1:$PORT
echo "first line" >"$TESTROOT/shown.txt"
FORMAT='Proc: <NAME=ProcUsage FORMAT="ALL">\r\nC: <NAME=DriveSpace FORMAT="C FREE">\r\n<B>Proc</B>\r\nT <NAME=Threads> <NAME=DateTime FORMAT="hh:nn:ss">\r\nRAM <NAME=RAMUsed>\r\n<NAME=CompName> <NAME=FileData FORMAT="'$TESTROOT/shown.txt'">'
prepare_web "$PORT" "$(format_value "$FORMAT")"
start_keltrix -noballoon
PID=$LAST_PID
wait_for_http "$URL/data" || fail "the web service does not answer"

# --- an independent client through the WSDL
ROOT_MB=$(/usr/bin/python3 -c 'import os; s=os.statvfs("/"); print(s.f_blocks*s.f_frsize/1048576)')
/usr/bin/python3 "$HERE/web_zeep.py" "$URL" "$ROOT_MB" || fail "python3-zeep client"
pass "python3-zeep loads the WSDL and calls all sixteen operations"

# --- the same calls written by hand
soap() { # operation, parameters: prints the text of <return> or the faultstring
    curl -s -m 5 -H 'Content-Type: text/xml; charset=utf-8' -H "SOAPAction: \"urn:KeltrixIntf-IKeltrixWS#$1\"" \
        --data-binary "<?xml version=\"1.0\" encoding=\"UTF-8\"?><soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\"><soap:Body soap:encodingStyle=\"http://schemas.xmlsoap.org/soap/encoding/\"><m:$1 xmlns:m=\"urn:KeltrixIntf-IKeltrixWS\">${2:-}</m:$1></soap:Body></soap:Envelope>" \
        "$URL/soap/IKeltrixWS" | sed -n 's:.*<return[^>]*>\(.*\)</return>.*:\1:p; s:.*<faultstring>\(.*\)</faultstring>.*:FAULT \1:p'
}
[ "$(soap GetVersion)" = 234 ] || fail "GetVersion"
[ "$(soap GetProcUsage '<Selection xsi:type="xsd:byte">5</Selection>')" = 0 ] || fail "GetProcUsage(5)"
[ "$(soap GetProcUsage '<Selection>-1</Selection>')" = 0 ] || fail "GetProcUsage(-1)"
for op in GetNetRead GetNetReadSum GetNetWrite GetNetWriteSum; do
    [ "$(soap $op '<Selection>7</Selection>')" = 0 ] || fail "$op(7)"
done
[ "$(soap GetDriveSpace '<Selection>c</Selection><SubItem>siTotal</SubItem>')" = 0 ] || fail "GetDriveSpace(c)"
c_total=$(soap GetDriveSpace '<Selection>C</Selection><SubItem>siTotal</SubItem>')
awk -v a="$c_total" -v b="$ROOT_MB" 'BEGIN { exit !(a - b < 1 && b - a < 1) }' || fail "GetDriveSpace(C) $c_total, / has $ROOT_MB MB"
[ "$(soap GetThreads)" -gt 0 ] && [ "$(soap GetProcesses)" -gt 0 ] || fail "threads, processes"
[ "$(soap GetUser)" = "$(id -un | cut -c1-15)" ] || fail "GetUser"
[ "$(soap GetCompName)" = "$(hostname -s | cut -c1-15)" ] || fail "GetCompName"
up=$(soap GetUptime); sys=$(cut -d. -f1 /proc/uptime)
[ $((sys - up)) -le 3 ] && [ $((up - sys)) -le 3 ] || fail "GetUptime $up, system $sys"
[ "$(soap GetDateTime | cut -c1-16)" = "$(date +%Y-%m-%dT%H:%M)" ] || fail "GetDateTime $(soap GetDateTime)"
[ "$(soap GetRAM '<SubItem>siTotal</SubItem>')" -gt 0 ] && [ "$(soap GetPage '<SubItem>siFree</SubItem>')" -gt 0 ] || fail "GetRAM, GetPage"
[ "$(soap GetRAM '<SubItem>siHalf</SubItem>')" = "FAULT 'siHalf' is not a valid value of type TSubItem" ] || fail "bad enumeration"
[ "$(soap GetFormattedItem '<FormatString>&lt;NAME=FileData FORMAT="'$TESTROOT/shown.txt'"&gt;|&lt;NAME=FileData FORMAT="/etc/passwd"&gt;</FormatString>')" = "first line|" ] ||
    fail "FileData: only the display's own file"
[ "$(soap GetMemory)" = "FAULT No method named 'GetMemory' is supported by interface 'IKeltrixWS'" ] || fail "unknown operation"
pass "hand-written envelopes through curl get the same answers and faults"

# --- the data document
doc=$(curl -s "$URL/data")
grep -q '<Item_2>%3CB%3EProc%3C/B%3E</Item_2>' <<<"$doc" || fail "markup escaping: $doc"
grep -q '^<?xml version="1.0" encoding="UTF-8"?>' <<<"$doc" || fail "declaration"
raw=$(sed -n '/<Raw>/,/<\/Raw>/p' <<<"$doc" | sed -n 's/^ *<\([A-Za-z_0-9]*\)>.*/\1/p' | paste -sd' ')
[ "$raw" = "Raw Uptime System_Thread_Count System_Processes_Count PageTotal PageUsed PageFree RAMTotal RAMUsed RAMFree Processor_Usage IP_Addresses Computer_Name User_Name Date_and_Time Blank Drive_Space Processor_Type File_Line_Data" ] ||
    fail "Raw children: $raw"
same=no
for _ in 1 2 3 4 5; do
    [ "$(curl -s "$URL/data")" = "$(curl -s "$URL/some/other/path")" ] && { same=yes; break; }
done
[ $same = yes ] || fail "GET /anything differs from GET /data"
curl -s "$URL/wsdl" | grep -q "/wsdl/IKeltrixWS" || fail "listing"
curl -s -H "Host: monitor.test:$PORT" "$URL/wsdl/IKeltrixWS" | grep -q "location=\"http://monitor.test:$PORT/soap/IKeltrixWS\"" || fail "service address"
pass "data document shape, escaping, every path, the WSDL's address"

# --- metrics
out=$(curl -s -H 'Accept: text/plain;version=0.0.4' "$URL/metrics")
lint=$(promtool check metrics <<<"$out" 2>&1) || fail "promtool: $lint"
[ -z "$lint" ] || fail "promtool warns: $lint"
curl -s "$URL/metrics" | tail -1 | grep -qx '# EOF' || fail "OpenMetrics end"
pass "promtool check metrics accepts /metrics without a warning"

# --- hostile requests while others are served and the window refreshes
clock() { curl -s -m 2 "$URL/data" | sed -n 's:.*<Item_3>T [0-9]* \(.*\)</Item_3>.*:\1:p'; }
/usr/bin/python3 "$HERE/web_slow_clients.py" "$PORT" 1000 8 >"$TESTROOT/slow.log" 2>&1 &
SLOW=$!
PIDS+=("$SLOW")
for _ in $(seq 50); do grep -q open "$TESTROOT/slow.log" && break; sleep 0.2; done
grep -q "1000 slow connections open" "$TESTROOT/slow.log" || fail "slow clients: $(cat "$TESTROOT/slow.log")"
code=$(head -c 100000000 /dev/zero | curl -s -o /dev/null -w '%{http_code}' -m 20 -H 'Content-Type: text/xml' --data-binary @- "$URL/soap/IKeltrixWS")
[ "$code" = 413 ] || fail "100 MB body: $code"
code=$(curl -s -o "$TESTROOT/fault.xml" -w '%{http_code}' -m 5 -H 'Content-Type: text/xml' --data-binary '<soap:Envelope><soap:Body><a></soap:Body>' "$URL/soap/IKeltrixWS")
[ "$code" = 500 ] && grep -q 'SOAP-ENV:Server' "$TESTROOT/fault.xml" || fail "malformed XML: $code"
code=$(/usr/bin/python3 - "$PORT" <<'PY'
import socket, sys
s = socket.create_connection(("127.0.0.1", int(sys.argv[1])))
s.sendall(b"GET /data HTTP/1.1\r\nHost: x\r\n" + b"".join(b"X-%d: y\r\n" % i for i in range(10000)) + b"\r\n")
print(s.recv(100).split(b" ")[1].decode())
PY
)
[ "$code" = 431 ] || fail "10,000 headers: $code"
first=$(clock)
slowest=0
for _ in $(seq 20); do
    t=$(curl -s -o /dev/null -w '%{time_total}' -m 3 "$URL/data") || fail "no answer during the attack"
    slowest=$(awk -v a="$t" -v b="$slowest" 'BEGIN { print (a > b ? a : b) }')
    sleep 0.1
done
sleep 1.2
second=$(clock)
[ -n "$first" ] && [ "$first" != "$second" ] || fail "the window stopped refreshing ($first, $second)"
awk -v s="$slowest" 'BEGIN { exit !(s < 1.0) }' || fail "answers took up to $slowest s"
kill -0 "$PID" || fail "the program died"
wait "$SLOW" || true
pass "1000 slow clients, a 100 MB body, malformed XML, 10,000 headers: others answered within ${slowest}s, the window refreshed"

kill -TERM "$PID"
wait_for_exit "$PID" || fail "no exit"
curl -s -m 1 "$URL/data" >/dev/null && fail "the port stays open after the exit"

# --- an empty format string: nothing in use
prepare_web "$PORT" '"FormatString"=""'
start_keltrix -noballoon
PID=$LAST_PID
wait_for_http "$URL/data" || fail "no web service with an empty format string"
curl -s "$URL/data" | grep -q '<Raw />' || fail "Raw is not empty: $(curl -s "$URL/data")"
[ "$(soap GetFormattedItem '<FormatString>&lt;NAME=Threads&gt;</FormatString>')" = '&lt;NAME=Threads&gt;' ] || fail "GetFormattedItem changed its input"
pass "an empty format string gives an empty Raw and unrendered texts"
kill -TERM "$PID"
wait_for_exit "$PID" || fail "no exit"

# --- the menu command: the port prompt switches the service on, the next click off
prepare_web "$PORT" '"WebService"=dword:00000000'
sed -i '/"WebService"=dword:00000001/d' "$SETTINGS"
start_keltrix -noballoon
PID=$LAST_PID
wait_for_window "$PID" Keltrix || fail "no window"
curl -s -m 1 "$URL/data" >/dev/null && fail "listening although stored off"
NEWPORT=$(free_port)
menu_item() { # caption path: right click on the window, then the keys of the path
    local win
    win=$(main_window "$PID")
    eval "$(xdotool getwindowgeometry --shell "$win")"
    xdotool mousemove $((X + 10)) $((Y + 5)) click 3
    sleep 0.7
    # shellcheck disable=SC2046
    xdotool key --delay 150 $(menu_keys "$@")
}
menu_item Networking "Act as Web Service/Server"
box=
for _ in $(seq 50); do
    box=$(xdotool search --all --onlyvisible --pid "$PID" --name "^Web Service Port$" 2>/dev/null | head -n 1) && [ -n "$box" ] && break
    sleep 0.1
done
[ -n "$box" ] || fail "no port prompt"
xdotool key --delay 50 ctrl+a
xdotool type --delay 20 "$NEWPORT"
xdotool key Return
wait_for_http "http://127.0.0.1:$NEWPORT/data" 5 || fail "not listening on the port typed"
grep -q '"WebService"=dword:00000001' "$SETTINGS" && grep -q "\"WebServicePort\"=dword:$(printf %08x "$NEWPORT")" "$SETTINGS" ||
    fail "the command did not store the service: $(grep -i web "$SETTINGS")"
menu_item Networking "Act as Web Service/Server"
for _ in $(seq 30); do curl -s -m 1 "http://127.0.0.1:$NEWPORT/data" >/dev/null || break; sleep 0.1; done
curl -s -m 1 "http://127.0.0.1:$NEWPORT/data" >/dev/null && fail "still listening after the second click"
grep -q '"WebService"=dword:00000000' "$SETTINGS" || fail "WebService not stored off"
pass "\"Act as Web Service/Server\": the port prompt switches it on, the next click off"
