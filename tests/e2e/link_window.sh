# Keltrix instances as server and clients on one desktop: "Act as &Server" with its prompts,
# a window client and a console client polling one server at once through a counting relay
# (every answer accepted, one per tick), the tray's link states, and a server in clear.
source "$(dirname "$0")/display_lib.sh"
source "$(dirname "$0")/link_lib.sh"
PROXY=$(dirname "$0")/link_proxy.py
SERVER_LOG=$TESTROOT/server/data/keltrix/SmartLog.log
NAME=$(hostname -s | cut -c1-15)

# 1. The menu command on a window without a tray host: port, password, save it.
port=$(free_port)
home_settings server '"FormatString"="<NAME=CompName>"'
in_home server start_monitor -advdebug -noballoon
server=$LAST_PID
networking_command() { # opens Networking on the window's menu and presses $1
    open_window_submenu "$server" Networking "Act as &Server"
    xdotool key "$1"
}
answer_yes() { # the confirmation, titled with the application's title
    local box=""
    for _ in $(seq 100); do
        box=$(xdotool search --onlyvisible --name '^KeltrixBeta$' 2>/dev/null | grep -vx "$WIN" | head -n 1) &&
            [ -n "$box" ] && break
        sleep 0.1
    done
    [ -n "$box" ] || fail "no question to save the password"
    xdotool windowactivate --sync "$box" 2>/dev/null || true
    sleep 0.2
    xdotool key Return
    for _ in $(seq 50); do
        xdotool search --onlyvisible --name '^KeltrixBeta$' | grep -qx "$box" || return 0
        sleep 0.1
    done
    fail "the question did not close"
}
networking_command s
answer_prompt "Server Port" "$port"
answer_prompt "Server Password" secret
answer_yes # "Would you like to save this password for future use?"
wait_listening "$port" || fail "Act as Server does not listen on $port"
store=$TESTROOT/server/config/keltrix/registry.reg
grep -q "^\"ServPort\"=dword:$(printf %08x "$port")\$" "$store" || fail "ServPort not stored"
grep -q '^"Server"=dword:00000001$' "$store" || fail "Server not stored"
grep -q '^"Password"="secret"$' "$store" || fail "the password was not saved"
"$PY" "$PEER" records "$port" secret 3 name || fail "the window server's records"
pass "Act as Server: the port and password prompts, the saved password, records enciphered"

# Switching it off closes the port; on again with the port taken reports the error.
networking_command s
for _ in $(seq 50); do ss -Hltn "sport = :$port" | grep -q . || break; sleep 0.1; done
ss -Hltn "sport = :$port" | grep -q . && fail "the port stayed open"
grep -q '^"Server"=dword:00000000$' "$store" || fail "Server=0 not stored"
busy=$(free_port)
"$PY" -c "import socket,time; s=socket.socket(); s.bind(('127.0.0.1',$busy)); s.listen(); time.sleep(20)" &
holder=$!
PIDS+=("$holder")
wait_listening "$busy"
networking_command s
answer_prompt "Server Port" "$busy"
answer_prompt "Server Password" secret
answer_yes
for _ in $(seq 50); do grep -q 'EXCEPTION (ESocketError)' "$SERVER_LOG" 2>/dev/null && break; sleep 0.1; done
grep -q "EXCEPTION (ESocketError) --- cannot listen on port $busy" "$SERVER_LOG" ||
    fail "no error reported for a port in use"
grep -q "^\"ServPort\"=dword:$(printf %08x "$port")\$" "$store" || fail "ServPort changed"
grep -q '^"Server"=dword:00000000$' "$store" || fail "Server was written"
kill "$holder"
stop_monitor "$server"
pass "switched off it stops listening; a port in use is reported and nothing is written"

# 2. The stored server at start-up, two clients through a counting relay, a real tray.
source "$(dirname "$0")/tray_lib.sh"
start_trayer
relay=$(free_port)
home_settings server "$(printf '"FormatString"="<NAME=CompName>"\n"Server"=dword:00000001\n"ServPort"=dword:%08x\n"Password"="secret"' "$port")"
in_home server start_monitor -noballoon
server=$LAST_PID
wait_listening "$port" || fail "the stored server did not start listening"

client_keys=$(printf '"Interval"=dword:000000fa\n"FormatString"="%s"' "$(printf '<NAME=CompName>%.0s' 1 2 3 4 5 6 7 8)")
home_settings wclient "" "$relay" "$client_keys"
home_settings cclient "" "$relay" "$client_keys"
CLIENT_LOG=$TESTROOT/wclient/data/keltrix/SmartLog.log
# Started while nothing listens at the relay's port: the client waits, disconnected.
in_home wclient start_monitor -c -i127.0.0.1 "-p$relay" -dsecret -advdebug -noballoon
wclient=$LAST_PID
ICON=""
for _ in $(seq 150); do ICON=$(docked_icon "$wclient") && break; sleep 0.1; done
[ -n "$ICON" ] || fail "the client's icon did not dock"
# The window by its caption: the docked icon has none.
WIN=$(main_window "$wclient")
redness() { # how much redder than blue the icon is, 0..255
    import -window "$ICON" -depth 8 "rgb:$TESTROOT/icon.rgb"
    "$PY" -c "
import sys; b = open(sys.argv[1], 'rb').read()
r = sum(b[0::3]) / (len(b) / 3); bl = sum(b[2::3]) / (len(b) / 3); print(int(r - bl))" "$TESTROOT/icon.rgb"
}
sleep 1.5
[ "$(redness)" -gt 40 ] || fail "the icon is not the disconnected picture while nothing listens"
read -r _ _ w0 _ < <(geometry "$WIN")

"$PY" "$PROXY" "$relay" "$port" "$TESTROOT/relay.txt" &
proxy=$!
PIDS+=("$proxy")
wait_listening "$relay"
for _ in $(seq 50); do [ "$(redness)" -lt 0 ] && break; sleep 0.1; done
[ "$(redness)" -lt 0 ] || fail "the icon did not turn to the connected picture"
in_home cclient timeout 30 "$KELTRIX" --console=12 -c -i127.0.0.1 "-p$relay" -dsecret \
    '--format=name=<NAME=CompName>' >"$TESTROOT/console.txt" 2>"$TESTROOT/console.err" ||
    fail "the console client: $(cat "$TESTROOT/console.err")"
read -r _ _ w1 _ < <(geometry "$WIN")
# Until a record comes the label reads BLANK; the first record's text resizes the window.
[ "$w1" != "$w0" ] || fail "the window kept its size ($w0) after the server's records"
kill -TERM "$wclient"
wait_for_exit "$wclient" 20 || fail "the window client did not exit"
kill -TERM "$proxy"
wait "$proxy" || true

frames=$(grep -c "^name=$NAME\$" "$TESTROOT/console.txt")
[ "$frames" = 12 ] || fail "the console client showed $frames of 12 records"
read -r wreq wans < <(sed -n 1p "$TESTROOT/relay.txt")
read -r creq cans < <(sed -n 2p "$TESTROOT/relay.txt")
refreshes=$(awk '/cliConnect/ { up = 1 } up && /RefreshScreen/ { n++ } END { print n + 0 }' "$CLIENT_LOG")
echo "window client: $wreq requests, $wans answers, $refreshes records; console: $creq requests, $cans answers, $frames records"
[ "$wans" -ge 10 ] || fail "the window client got only $wans answers"
# One request may be on its way at the end; every answer that arrived was accepted.
[ $((wreq - wans)) -le 1 ] && [ "$wans" -ge "$wreq" -o $((wreq - wans)) -le 1 ] || fail "unanswered requests"
[ "$refreshes" = "$wans" ] || fail "the window accepted $refreshes of $wans answers"
[ "$cans" -ge 12 ] && [ "$cans" -le 13 ] && [ "$creq" -le 13 ] || fail "console: $creq requests, $cans answers"
pass "two clients at once with a password: every answer accepted, one request a tick"

# The server's exit closes it; the client's link falls to the disconnected picture.
in_home wclient start_monitor -c -i127.0.0.1 "-p$port" -dsecret -noballoon
wclient=$LAST_PID
for _ in $(seq 150); do ICON=$(docked_icon "$wclient") && break; sleep 0.1; done
for _ in $(seq 50); do [ "$(redness)" -lt 0 ] && break; sleep 0.1; done
stop_monitor "$server"
ss -Hltn "sport = :$port" | grep -q . && fail "the server's exit left the port open"
for _ in $(seq 80); do [ "$(redness)" -gt 40 ] && break; sleep 0.1; done
[ "$(redness)" -gt 40 ] || fail "the client's icon stayed connected after the server left"
stop_monitor "$wclient"
pass "the exit closes the server; its client shows the disconnected picture"

# 3. Without a password: a headless server and a console client of the same window settings.
home_settings plain "$(printf '"Server"=dword:00000001\n"ServPort"=dword:%08x' "$port")"
in_home plain start_headless
wait_listening "$port" || fail "the headless server in clear"
in_home cclient timeout 20 "$KELTRIX" --console=2 -c -i127.0.0.1 "-p$port" \
    '--format=name=<NAME=CompName>' >"$TESTROOT/clear.txt" || fail "console client in clear"
[ "$(grep -c "^name=$NAME\$" "$TESTROOT/clear.txt")" = 2 ] || fail "in clear: $(cat "$TESTROOT/clear.txt")"
stop_server
pass "records in clear between a headless server and a console client"
