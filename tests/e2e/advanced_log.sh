# The advanced log: "-advdebug100" keeps the header and the latest 100 entries; a scripted run
# that clicks the lines, restarts the tray, starts a second copy and a client of its server and
# then runs every menu command writes (with the client's log) every entry of the log's list
# except those log_entries.txt excuses.
source "$(dirname "$0")/display_lib.sh"
source "$(dirname "$0")/tray_lib.sh"
source "$(dirname "$0")/shell_lib.sh"
export LC_ALL=C.UTF-8
LOG=$XDG_DATA_HOME/keltrix/SmartLog.log
HERE=$(cd "$(dirname "$0")" && pwd)

# The program in a folder of its own, beside a help file, so that "Help" is shown, and one
# config set, so that Fast Config lists it; whatever it opens goes to a recorder instead of
# the desktop.
copy_program "$TESTROOT/prog"
mkdir -p "$TESTROOT/prog/configs"
cp "$(dirname "$1")/configs/Compact.kcfg" "$TESTROOT/prog/configs/"
: >"$TESTROOT/prog/Keltrix.chm"
KELTRIX=$TESTROOT/prog/keltrix
OPENED=$TESTROOT/opened.txt
printf '#!/bin/sh\necho "$@" >>"%s"\n' "$OPENED" >"$TESTROOT/opener"
chmod +x "$TESTROOT/opener"
export KELTRIX_SHELL_OPEN=$TESTROOT/opener

# 1. "-advdebug100": the two header lines and the latest 100 entries.
prepare "$(dword Interval 100)"
start_monitor -advdebug100 -noballoon
sleep 2.5
stop_monitor "$LAST_PID"
tr -d '\r' <"$LOG" >"$TESTROOT/log100.txt"
[ "$(wc -l <"$TESTROOT/log100.txt")" = 102 ] ||
    fail "-advdebug100 wrote $(wc -l <"$TESTROOT/log100.txt") lines, not 102"
head -n 1 "$TESTROOT/log100.txt" | grep -qx "KeltrixBeta Program Log ($(date +%x))" ||
    fail "header: $(head -n 1 "$TESTROOT/log100.txt")"
[ -z "$(sed -n 2p "$TESTROOT/log100.txt")" ] || fail "the second line is not empty"
tail -n 1 "$TESTROOT/log100.txt" | grep -q ' FormCloseQuery$' || fail "the last entries were dropped"
pass "-advdebug100 keeps the header and the latest 100 entries"

# 2. The scripted run. A link line, a drive line, the network and a sensor, sampled twice a
# second; the record served on a free port, to a client instance with a log of its own; the
# web service and the XML file on a free port and in the test's folder when the walk turns
# them on; the uptime report (resumed at start) and the update check go to free loopback ports.
free_port() {
    /usr/bin/python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}
port=$(free_port)
prepare "$(format_value \
    "Run <LINK=\"$TESTROOT/opener\" PARAM=\"probe\">the probe" \
    "Drive C: <NAME=DriveSpace SIZE=5 FORMAT=\"C FREE\">" \
    "In <NAME=NetRead FORMAT=\"ALL\"> Proc <NAME=ProcUsage FORMAT=\"ALL\"> <NAME=Temp1>")" \
    "$(dword Interval 500)" "$(dword FlashKeyboardLights 0)" "$(dword X 200)" "$(dword Y 300)" \
    "$(dword ServPort "$port")" "$(dword Server 1)" "$(dword WebServicePort "$(free_port)")" \
    "\"AutoSaveName\"=\"$TESTROOT/keltrix.xml\"" "$(dword AutoSaveInterval 1000)" \
    "\"UpdateURL\"=\"http://127.0.0.1:$(free_port)/update/update.col\"" \
    "\"UptimesServer\"=\"127.0.0.1:$(free_port)\"" "$(dword ActUptimesClient 1)" \
    "\"UptimesHost\"=\"0123456789abcdef0123456789abcdef\""
rm -f "$LOG"
start_trayer
start_monitor -advdebug -stats -noballoon
main=$LAST_PID
sleep 1
# The display window, not the tray icon.
WIN=$(main_window "$main")
read -r x y w h < <(geometry "$WIN")
pitch=$(((h - 2) / 3))
for line in 0 1; do
    point_at $((x + 10)) $((y + 2 + line * pitch + pitch / 2))
    xdotool click 1
    sleep 0.5
done
for _ in $(seq 30); do [ -f "$OPENED" ] && [ "$(wc -l <"$OPENED")" -ge 2 ] && break; sleep 0.1; done
grep -qE '(^| )probe$' "$OPENED" || fail "the link line opened nothing"
grep -qx / "$OPENED" || fail "the drive line opened nothing"
stop_trayer
start_trayer
timeout 20 "$KELTRIX" || fail "the second start did not end"
CLIENT_LOG=$TESTROOT/client-data/keltrix/SmartLog.log
XDG_DATA_HOME=$TESTROOT/client-data start_keltrix -MULTIPLE -c -i127.0.0.1 "-p$port" -advdebug \
    "-loadkcfg($TESTROOT/prog/configs/Compact.kcfg)" \
    -noballoon
client=$LAST_PID
# And a client that asks once and resets its connection: a failed served socket.
/usr/bin/python3 - "$port" <<'PY'
import socket, struct, sys, time
c = socket.create_connection(("127.0.0.1", int(sys.argv[1])))
c.sendall(bytes([234]))
time.sleep(0.5)
c.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
c.close()
PY
sleep 1.5
# From here on nothing can be opened: "Help" fails, and that error is reported.
chmod -x "$TESTROOT/opener"
"$HERE/menu_walk.py" "$main" "$WIN" "$KELTRIX" >"$TESTROOT/walk.txt" 2>&1 ||
    { cat "$TESTROOT/walk.txt"; fail "the walk over the menu failed"; }
wait_for_exit "$main" 10 || fail "E&xit did not end the program"
pass "every menu command ran: $(grep -c '^run' "$TESTROOT/walk.txt") of them"
stop_monitor "$client"
[ -f "$CLIENT_LOG" ] || fail "the client instance wrote no log"

# 3. What the run wrote, against the list.
/usr/bin/python3 - "$HERE/log_entries.txt" "$LOG" "$CLIENT_LOG" <<'PY' || fail "the advanced log lacks entries"
import re, sys
lines = []
for log in sys.argv[2:]:
    lines += open(log, encoding="utf-8", errors="replace").read().splitlines()[2:]
written = [re.sub(r"^\S+ \S+ ", "", line, count=1) for line in lines if line]
bad = False
for row in open(sys.argv[1], encoding="utf-8"):
    row = row.rstrip("\n")
    if not row or row.startswith("#"):
        continue
    entry, _, reason = (part.strip() for part in row.partition(" | "))
    seen = any(w.startswith(entry) if entry.endswith("(") else w == entry for w in written)
    if reason and seen:
        print(f"written now, strike its reason: {entry}")
        bad = True
    elif not reason and not seen:
        print(f"never written: {entry}")
        bad = True
    elif reason:
        print(f"not written ({reason}): {entry}")
sys.exit(1 if bad else 0)
PY
grep -q 'EXCEPTION (EInOutError) --- ' "$LOG" || fail "the failed Help was not reported"
pass "every entry of the list is written, save those excused"
