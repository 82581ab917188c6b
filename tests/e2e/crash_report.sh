# "-debug -crash": the first sample fails, the bug report is saved as a dump file through the
# two dialogs, and the program exits through its orderly exit.
source "$(dirname "$0")/lib.sh"

dump=$TESTROOT/report.dmp
start_keltrix -debug -crash -noballoon
pid=$LAST_PID

# Finds a window of the program by title, focuses it and gives it the keys. A window may
# vanish between the search and the focus (Qt maps and unmaps helpers): try again then.
answer() { # title keys...
    local title=$1 win=""
    shift
    for _ in $(seq 100); do
        win=$(xdotool search --all --onlyvisible --pid "$pid" --name "^$title\$" 2>/dev/null | tail -n 1) || true
        if [ -n "$win" ]; then
            timeout 3 xdotool windowactivate --sync "$win" >/dev/null 2>&1 && break
            timeout 3 xdotool windowfocus --sync "$win" >/dev/null 2>&1 && break
        fi
        win=""
        sleep 0.1
    done
    [ -n "$win" ] || fail "no window '$title' to answer"
    sleep 0.3
    xdotool key --delay 50 "$@"
}

answer KeltrixBeta alt+y
answer "Choose Data Dump File Name" ctrl+a
xdotool type --delay 20 "$dump"
xdotool key Return
sleep 0.5
answer KeltrixBeta alt+n
wait_for_exit "$pid" 15 || fail "the program did not exit after the failure"

[ -f "$dump" ] || fail "no dump file"
[ "$(head -n 1 "$dump" | tr -d '\r')" = "$(printf '%52s' '' | tr ' ' '*')" ] || fail "frame: $(head -n 1 "$dump")"
sed -n 2p "$dump" | tr -d '\r' | grep -qx '\* KELTRIX Bug Report                               \*' || fail "title line"
grep -q $'^Keltrix Version : 1002\r$' "$dump" || fail "version line"
grep -q $'^Error Name : EOnPurpose\r$' "$dump" || fail "error name"
tail -n 1 "$dump" | grep -q 'Program Ran with "-CRASH" parameter. But Why ?' || fail "last line: $(tail -n 1 "$dump")"
grep -q 'UptimeCount' "$SETTINGS" || fail "the orderly exit did not run"
pass "the failed sample's report was saved and the program left through its exit"
