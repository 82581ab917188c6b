# "Act as Uptimes Client" against a loopback HTTP server of the test's own: the prompts and
# their warnings, the report's exact bytes (with the machine's real uptime although no uptime
# tag is shown), reporting resumed after a restart, and no report from a client instance.
source "$(dirname "$0")/outside_lib.sh"
start_http
KEY31=0123456789abcdef0123456789abcde
KEY40=0123456789abcdef0123456789abcdef01234567

uptimes_command() { menu_command Networking "Act as Uptimes Client"; }
wait_requests() { # count: waits until the server has had that many requests
    for _ in $(seq 50); do [ "$(requests)" -ge "$1" ] && return 0; sleep 0.1; done
    return 1
}
# Checks request file $1: the lines, the body's fields, Content-length, the final CR LF.
check_report() {
    "$PY" - "$1" "$HTTP_PORT" "$KEY40" <<'EOF' || fail "report $1: $(od -c "$1" | head -n 20)"
import os, re, sys
raw = open(sys.argv[1], "rb").read()
port, key = sys.argv[2], sys.argv[3]
head, sep, rest = raw.partition(b"\r\n\r\n")
lines = head.split(b"\r\n")
body = rest[:-2]
expected = [b"POST /server.html HTTP/1.1", b"Host: 127.0.0.1:" + port.encode(),
            b"Connection: Close", b"User-Agent: upclient/4.20/QenKeltrix-1.00",
            b"Content-type: application/x-www-form-urlencoded",
            b"Content-length: %d" % len(body)]
assert lines == expected, lines
assert rest.endswith(b"\r\n") and b"\r\n" not in body, rest
m = re.fullmatch(rb"auth=(\w+)&uptime=(\d+)&load=0\.00&idle=(\d+)&os=(\w+)&oslevel=(\S+)", body)
assert m, body
assert m[1].decode() == key, m[1]
up = float(open("/proc/uptime").read().split()[0]) / 60
assert abs(int(m[2]) - up) <= 1.5, (m[2], up)
assert 0 <= int(m[3]) <= 100, m[3]
assert m[4] == os.uname().sysname.encode(), m[4]
r = re.match(r"(\d+)\.(\d+)(?:\.(\d+))?", os.uname().release)
low, build = (int(r[1]) & 255) + ((int(r[2]) & 255) << 8), min(int(r[3] or 0), 65535)
level = "%d.%d%s" % (low, build, "XP" if low > 5 or build > 2195 else "")
assert m[5].decode() == level, (m[5], level)
EOF
}

prepare "\"UptimesServer\"=\"127.0.0.1:$HTTP_PORT\"" "$(format_value '<NAME=CompName>')"
start_monitor -noballoon

# 1. A period below the least and a 31-character key: both warnings, nothing sent.
uptimes_command
answer_prompt "Uptimes Interval in milliseconds" 29999
expect_box "29999 is not a valid value; using default of 60000"
answer_prompt "Uptimes 32-character host name" "$KEY31"
expect_box "$KEY31 is not a valid 32-character host name"
sleep 1
[ "$(requests)" = 0 ] || fail "a refused key was sent"
[ "$(value UptimesInterval)" = "$(dword UptimesInterval 60000)" ] || fail "UptimesInterval: $(value UptimesInterval)"
[ "$(value ActUptimesClient)" = "$(dword ActUptimesClient 1)" ] || fail "ActUptimesClient: $(value ActUptimesClient)"
[ -z "$(value UptimesHost)" ] || fail "a 31-character key was stored"
pass "29999 gives the default with its warning; a 31-character key is refused and not sent"

# 2. Off, then on with 600000 and a 40-character key: one report at once, the key whole.
uptimes_command
for _ in $(seq 30); do [ "$(value ActUptimesClient)" = "$(dword ActUptimesClient 0)" ] && break; sleep 0.1; done
[ "$(value ActUptimesClient)" = "$(dword ActUptimesClient 0)" ] || fail "unchecking was not stored"
uptimes_command
answer_prompt "Uptimes Interval in milliseconds" 600000
answer_prompt "Uptimes 32-character host name" "$KEY40"
wait_requests 1 || fail "no report after the key was accepted"
check_report "$HTTP_DIR/request-1"
[ "$(value UptimesInterval)" = "$(dword UptimesInterval 600000)" ] || fail "UptimesInterval: $(value UptimesInterval)"
[ "$(value UptimesHost)" = "\"UptimesHost\"=\"$KEY40\"" ] || fail "UptimesHost: $(value UptimesHost)"
sed -n '$p' "$HTTP_DIR/request-1" | tr -d '\r'
echo
pass "600000 and a 40-character key: the report at once, byte for byte, with the real uptime"

# 3. Checked with a stored key, reporting goes on after a restart.
stop_monitor "$LAST_PID"
start_monitor -noballoon
wait_requests 2 || fail "reporting did not resume after a restart"
check_report "$HTTP_DIR/request-2"
stop_monitor "$LAST_PID"
pass "a restart resumes reporting"

# 4. A client instance never reports, whatever its settings say.
client_port=$(free_port)
printf '\n[%s\\127.0.0.1:%s]\n%s\n%s\n%s\n' "$KEY" "$client_port" "$(dword ActUptimesClient 1)" \
    "\"UptimesHost\"=\"$KEY40\"" "\"UptimesServer\"=\"127.0.0.1:$HTTP_PORT\"" >>"$SETTINGS"
start_monitor -noballoon -c -i127.0.0.1 "-p$client_port"
# The item is disabled: the keys pass it by, and Escape closes the menu.
keys=$(MENU_SHOWN=client menu_keys Networking "Act as &Server")
read -r x y w _ < <(geometry "$WIN")
point_at $((x + w - 3)) $((y + 1))
xdotool click 3
wait_popups "$LAST_PID" 1 || fail "no menu on the client"
# shellcheck disable=SC2086
xdotool key --delay 200 ${keys% Return}
sleep 0.5
import -window root "$TESTROOT/client-menu.png"
xdotool key Escape Escape
sleep 2
[ "$(requests)" = 2 ] || fail "a client instance sent a report"
stop_monitor "$LAST_PID"
grep -q "^\"ActUptimesClient\"=dword:00000001" "$SETTINGS" || fail "the client's stored value changed"
pass "a client instance does not report"
