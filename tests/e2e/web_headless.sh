# The web service and the XML auto-save without a display (--headless) and in the window:
# the long options that store them, the saved file's form, and readers racing the saves.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/web_lib.sh"

PORT=$(free_port)
URL=http://127.0.0.1:$PORT
out=$("$KELTRIX" --headless --web-service=70000 2>&1) && fail "a bad port was taken"
grep -q "needs a port from 1 to 65535" <<<"$out" || fail "bad port message: $out"

env -u DISPLAY "$KELTRIX" --headless --web-service="$PORT" >"$TESTROOT/headless.log" 2>&1 &
PID=$!
PIDS+=("$PID")
wait_for_http "$URL/data" || fail "headless web service: $(cat "$TESTROOT/headless.log")"
grep -q '"WebService"=dword:00000001' "$SETTINGS" && grep -q "\"WebServicePort\"=dword:$(printf %08x "$PORT")" "$SETTINGS" ||
    fail "the options were not stored"
m=$(curl -s "$URL/metrics")
for series in keltrix_network_receive_bytes_total keltrix_drive_size_bytes keltrix_uptime_seconds keltrix_cpu_usage_percent; do
    grep -q "^$series" <<<"$m" || fail "headless metrics lack $series"
done
size=$(sed -n 's/^keltrix_drive_size_bytes{drive="C",mount="\/"} //p' <<<"$m")
want=$(/usr/bin/python3 -c 'import os; s=os.statvfs("/"); print(s.f_blocks*s.f_frsize)')
awk -v a="$size" -v b="$want" 'BEGIN { d = a - b; if (d < 0) d = -d; exit !(d < 2 * 1048576) }' ||
    fail "drive C: $size, / has $want"
kill -TERM "$PID"
wait_for_exit "$PID" 5 || fail "no orderly exit on SIGTERM"
curl -s -m 1 "$URL/data" >/dev/null && fail "the port stays open after the exit"
grep -q '"UptimeCount"=dword:00000001' "$SETTINGS" || fail "the exit did not count the run"
pass "--headless --web-service=PORT stores the service, serves every block, exits on SIGTERM"

"$KELTRIX" --headless --no-web-service >"$TESTROOT/off.log" 2>&1 &
PID=$!
PIDS+=("$PID")
for _ in $(seq 50); do grep -q "no service is switched on" "$TESTROOT/off.log" && break; sleep 0.1; done
grep -q "no service is switched on" "$TESTROOT/off.log" || fail "--no-web-service: $(cat "$TESTROOT/off.log")"
grep -q '"WebService"=dword:00000000' "$SETTINGS" || fail "--no-web-service was not stored"
kill -TERM "$PID"
wait_for_exit "$PID" 5 || fail "no exit"
pass "--no-web-service stores it off, and a headless start says that nothing is served"

# Readers that open the file while it is saved every 20 ms must never see half a document.
check_saves() { # file, program name
    /usr/bin/python3 - "$1" <<'PY' || fail "$2: $(tail -3 "$TESTROOT/reader.log")"
import os, sys, time, xml.dom.minidom
path = sys.argv[1]
for _ in range(100):
    try:
        open(path, "rb").close()
        break
    except OSError:
        time.sleep(0.1)
bad = 0
files = set()
for i in range(10000):
    with open(path, "rb") as f:
        data = f.read()
        files.add(os.fstat(f.fileno()).st_ino)
    if not data.endswith(b"</Keltrix>\r\n") or b"\n" in data.replace(b"\r\n", b""):
        bad += 1
    elif i % 500 == 0:
        xml.dom.minidom.parseString(data)
print(f"{10000 - bad} whole documents of 10000 reads across {len(files)} saves")
sys.exit(1 if bad or len(files) < 2 else 0)
PY
}
SAVE=$TESTROOT/saved.xml
prepare_web 1 '"WebService"=dword:00000000
"AutoSave"=dword:00000001
"AutoSaveInterval"=dword:00000014
"AutoSaveName"="'"$SAVE"'"'
env -u DISPLAY "$KELTRIX" --headless >"$TESTROOT/headless.log" 2>&1 &
PIDS+=($!)
check_saves "$SAVE" "headless auto-save" >"$TESTROOT/reader.log"
kill -TERM "${PIDS[-1]}"
wait_for_exit "${PIDS[-1]}" 5 || fail "no exit"
pass "headless auto-save: $(cat "$TESTROOT/reader.log"), CR LF lines"

rm -f "$SAVE"
start_keltrix -noballoon
check_saves "$SAVE" "window auto-save" >"$TESTROOT/reader.log"
pass "window auto-save: $(cat "$TESTROOT/reader.log")"

# A client publishes the record it last accepted: the server's values, named by its host.
SP=$(free_port)
env -u DISPLAY "$KELTRIX" --headless --server="$SP" --no-web-service >"$TESTROOT/server.log" 2>&1 &
PIDS+=($!)
for _ in $(seq 50); do grep -q "record server\|listen" "$TESTROOT/server.log" 2>/dev/null && break; (exec 3<>/dev/tcp/127.0.0.1/"$SP") 2>/dev/null && break; sleep 0.1; done
CLIENTPORT=$(free_port)
CLIENTHOME=$TESTROOT/client
mkdir -p "$CLIENTHOME/keltrix"
printf 'REGEDIT4\n\n[%s]\n"Version"=dword:000003ea\n\n[%s\\127.0.0.1:%s]\n"WebService"=dword:00000001\n"WebServicePort"=dword:%08x\n%s\n' \
    "$KEY" "$KEY" "$SP" "$CLIENTPORT" "$(format_value 'Up <NAME=Uptime> T <NAME=Threads> <NAME=CompName>')" \
    >"$CLIENTHOME/keltrix/registry.reg"
XDG_CONFIG_HOME=$CLIENTHOME start_keltrix -noballoon -MULTIPLE -c -i127.0.0.1 "-p$SP"
CURL="http://127.0.0.1:$CLIENTPORT"
wait_for_http "$CURL/metrics" || fail "the client's web service does not answer"
ok=no
for _ in $(seq 50); do
    m=$(curl -s "$CURL/metrics")
    grep -q "^keltrix_threads{server=\"127.0.0.1\"} [1-9]" <<<"$m" && { ok=yes; break; }
    sleep 0.2
done
[ $ok = yes ] || fail "the client does not publish its server's record: $(grep threads <<<"$m")"
grep -q "computer=\"$(hostname -s | cut -c1-15)\".*server=\"127.0.0.1\"" <<<"$m" || fail "client info: $(grep info <<<"$m")"
curl -s "$CURL/data" | grep -q "<Item_0>Up .* T [1-9][0-9]* " || fail "the client's document: $(curl -s "$CURL/data")"
pass "a client publishes the record it last accepted, with its server's host as a label"
