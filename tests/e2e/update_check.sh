# The update check against a loopback HTTP server of the test's own: what "Check For Update..."
# tells for each kind of update file, a server that never answers (the window goes on
# refreshing, the message comes within the 5 s bound), a 20 MB answer, the check at start-up
# and "-noupdate", and the "Update Settings" dialog with long poll periods.
source "$(dirname "$0")/outside_lib.sh"
LOG=$XDG_DATA_HOME/keltrix/SmartLog.log
start_http
URL="http://127.0.0.1:$HTTP_PORT/update/update.col"
# The shell-open function runs this instead of the desktop's opener: it notes what it opens.
OPENER=$TESTROOT/opener
printf '#!/bin/sh\nprintf "%%s\\n" "$*" >>%s/opened\n' "$TESTROOT" >"$OPENER"
chmod +x "$OPENER"
export KELTRIX_SHELL_OPEN=$OPENER

MENU_SHOWN=advdebug
check_for_update() { menu_command Internet Update "Check For Update..."; }
update_settings() { menu_command Internet Update "Update Settings"; }

prepare "\"UpdateURL\"=\"$URL\"" "$(format_value 'up <NAME=Uptime FORMAT="*s*">')"
start_monitor -advdebug -noballoon
pid=$LAST_PID

# 1. Each kind of first line, asked from the menu (updates are off: the menu checks anyway).
serve 1003 "http://127.0.0.1:1/download page"
check_for_update
expect_box "Update Found !!!|Launch Webpage ?" Return
for _ in $(seq 30); do [ -s "$TESTROOT/opened" ] && break; sleep 0.1; done
[ "$(cat "$TESTROOT/opened" 2>/dev/null)" = "http://127.0.0.1:1/download page" ] ||
    fail "Yes opened '$(cat "$TESTROOT/opened" 2>/dev/null)'"
[ "$(requests)" = 1 ] || fail "$(requests) downloads for one check"
grep -q "^GET /update/update.col HTTP/1.1" "$HTTP_DIR/request-1" || fail "the request: $(head -n 1 "$HTTP_DIR/request-1")"
[ ! -e "$XDG_DATA_HOME/keltrix/update.col" ] || fail "the downloaded copy was not deleted"
pass "1003: the menu's question, the download page opened on Yes, the copy deleted"

serve 1002 "http://127.0.0.1:1/"
check_for_update
expect_box "You are running the most current version"
for first in 9 99 ""; do
    serve "$first" "http://127.0.0.1:1/"
    check_for_update
    expect_box "Server location is outdated"
done
serve abc "http://127.0.0.1:1/"
check_for_update
expect_box "Update info could not be read"
mode status 404
check_for_update
expect_box "Update info could not be downloaded"
pass "1002, 9, 99, an empty line, abc and a 404 each tell what they should"

# 2. Unreachable, never answering, too large: the message, within the bound.
set_value UpdateURL "\"UpdateURL\"=\"http://127.0.0.1:$(free_port)/update/update.col\""
check_for_update
expect_box "Update info could not be downloaded"
set_value UpdateURL "\"UpdateURL\"=\"$URL\""
mode hang
check_for_update
started=$(date +%s%3N)
wait_box 9 || fail "no message while the server never answers"
took=$(($(date +%s%3N) - started))
expect_box "Update info could not be downloaded"
echo "the message came after $took ms"
[ "$took" -lt 6500 ] || fail "the message took $took ms"
mode big
check_for_update
expect_box "Update info could not be downloaded"
pass "unreachable, silent and 20 MB servers end in the message, the silent one within 5 s"

# 3. "Update Settings": a bad period, 30 and 65535 days, each stored; no check runs early.
serve 1003 "http://127.0.0.1:1/"
update_settings
for _ in $(seq 50); do dlg=$(xdotool search --onlyvisible --name '^Update Settings$' | head -n 1) && [ -n "$dlg" ] && break; sleep 0.1; done
[ -n "$dlg" ] || fail "no Update Settings dialog"
xdotool windowactivate --sync "$dlg" 2>/dev/null || true
sleep 0.3
import -window root "$TESTROOT/settings-off.png"
xdotool key --delay 300 alt+e alt+p Tab ctrl+a
xdotool type abc
xdotool key Return
expect_box "abc is not a number of days from 0 to 65535"
xdotool search --onlyvisible --name '^Update Settings$' >/dev/null || fail "the dialog closed on a bad period"
xdotool windowactivate --sync "$dlg" 2>/dev/null || true
sleep 0.2
xdotool key ctrl+a # the period has the focus again
xdotool type 30
sleep 0.2
import -window root "$TESTROOT/settings-30.png"
xdotool key Return
for _ in $(seq 50); do [ "$(value AU_Poll)" = "$(dword AU_Poll 30)" ] && break; sleep 0.1; done
[ "$(value AU_Poll)" = "$(dword AU_Poll 30)" ] || fail "AU_Poll is '$(value AU_Poll)'"
[ "$(value AutoUpdate)" = "$(dword AutoUpdate 1)" ] || fail "AutoUpdate is '$(value AutoUpdate)'"
[ "$(value AU_Startup)" = "$(dword AU_Startup 0)" ] || fail "AU_Startup is '$(value AU_Startup)'"
update_settings
for _ in $(seq 50); do xdotool search --onlyvisible --name '^Update Settings$' >/dev/null 2>&1 && break; sleep 0.1; done
sleep 0.3
xdotool key --delay 300 alt+p alt+p Tab ctrl+a # the poll box off and on again, then its period
xdotool type 65535
xdotool key Return
for _ in $(seq 50); do [ "$(value AU_Poll)" = "$(dword AU_Poll 65535)" ] && break; sleep 0.1; done
[ "$(value AU_Poll)" = "$(dword AU_Poll 65535)" ] || fail "AU_Poll is '$(value AU_Poll)'"
before=$(requests)
sleep 2
[ "$(requests)" = "$before" ] || fail "a long poll period ran checks at once"
wait_box 0 && fail "a box opened after the settings"
pass "Update Settings: a bad period is refused, 30 and 65535 days stored, no early check"

# The window refreshed all along, and the main timer runs again after every box.
sleep 2
stop_monitor "$pid"
awk '/CheckForUpdate1Click/ { n++ } n == 9 && /RefreshScreen/ { r++ } n == 9 && /Suspend/ { print r + 0; exit }' "$LOG" >"$TESTROOT/during"
[ "$(cat "$TESTROOT/during")" -ge 3 ] || fail "only $(cat "$TESTROOT/during") refreshes while the server kept silent"
last_resume=$(grep -n 'Resume' "$LOG" | tail -n 1 | cut -d: -f1)
after=$(tail -n +"$last_resume" "$LOG" | grep -c RefreshScreen || true)
[ "$after" -ge 2 ] || fail "the display did not refresh after the last box ($after)"
grep -q 'DownloadFile ( http://127.0.0.1' "$LOG" || fail "no DownloadFile entry in the log"
pass "$(cat "$TESTROOT/during") refreshes during the silent download; the timer runs after the boxes"

# 4. At start-up: the automatic question; "-noupdate" skips it; disabled updates skip it.
rm -f "$TESTROOT/opened"
prepare "\"UpdateURL\"=\"$URL\"" "$(dword AutoUpdate 1)" "$(dword AU_Startup 1)" "$(dword AU_Poll 0)"
start_monitor -noballoon
expect_box "There is a new version available of keltrix.|Proceed to download page ?" n
sleep 0.5
[ ! -e "$TESTROOT/opened" ] || fail "No opened the page"
stop_monitor "$LAST_PID"
before=$(requests)
start_monitor -noballoon -noupdate
sleep 2
[ "$(requests)" = "$before" ] || fail "-noupdate still checked at start-up"
stop_monitor "$LAST_PID"
prepare "\"UpdateURL\"=\"$URL\"" "$(dword AutoUpdate 0)" "$(dword AU_Startup 1)" "$(dword AU_Poll 0)"
start_monitor -noballoon
sleep 2
[ "$(requests)" = "$before" ] || fail "a disabled update checked at start-up"
stop_monitor "$LAST_PID"
pass "the start-up check asks its own question; -noupdate and disabled updates skip it"

# 5. With the display paused "Update Settings" does nothing.
prepare "$(dword Interval 0)"
start_monitor -noballoon
update_settings
sleep 1.5
xdotool search --onlyvisible --name '^Update Settings$' >/dev/null 2>&1 && fail "the dialog opened while paused"
stop_monitor "$LAST_PID"
pass "Update Settings does nothing while the display is paused"
