# A second start is refused and wakes the first; -MULTIPLE and -C run beside it.
source "$(dirname "$0")/lib.sh"

start_keltrix -advdebug
first=$LAST_PID
wait_for_window "$first" Keltrix || fail "first instance shows no window"
wait_for_file "$XDG_RUNTIME_DIR/keltrix/CoolKeltrixEvent" || fail "event not created"

timeout 10 "$KELTRIX" || fail "refused start did not exit cleanly"
kill -0 "$first" || fail "first instance died"
pass "second start exits"

start_keltrix -MULTIPLE
multiple=$LAST_PID
start_keltrix -C
client=$LAST_PID
sleep 2
kill -0 "$multiple" || fail "-MULTIPLE instance did not keep running"
kill -0 "$client" || fail "-C instance did not keep running"
timeout 10 "$KELTRIX" || fail "third start did not exit"
pass "-MULTIPLE and -C run beside the first; a third start is still refused"

for p in "$multiple" "$client" "$first"; do kill -TERM "$p"; done
for p in "$multiple" "$client" "$first"; do wait_for_exit "$p" || fail "SIGTERM did not end $p"; done
pass "SIGTERM runs the orderly exit"

log=$XDG_DATA_HOME/keltrix/SmartLog.log
[ -f "$log" ] || fail "no advanced log written at exit"
[ "$(grep -c 'ReTray' "$log")" -eq 2 ] || { cat "$log"; fail "first instance did not get both events"; }
grep -q 'Exit1Click' "$log" || fail "exit not logged"
head -1 "$log" | grep -q '^KeltrixBeta Program Log (' || fail "log header"
pass "the running instance received each refused start on its UI thread"

# A runtime folder so deep that its socket's path is longer than a socket address holds.
export XDG_RUNTIME_DIR=$TESTROOT/run-deep/$(printf 'a%.0s' $(seq 60))/$(printf 'b%.0s' $(seq 60))
mkdir -p "$XDG_RUNTIME_DIR"
chmod 0700 "$XDG_RUNTIME_DIR"
event=$XDG_RUNTIME_DIR/keltrix/CoolKeltrixEvent
[ ${#event} -gt 108 ] || fail "the path is only ${#event} long"
rm -f "$log"
: >"$TESTROOT/keltrix.log"
start_keltrix -advdebug
first=$LAST_PID
wait_for_window "$first" Keltrix || fail "the first instance shows no window"
wait_for_file "$event" || fail "no event socket at the long path: $(cat "$TESTROOT/keltrix.log")"
timeout 10 "$KELTRIX" || fail "the second start did not exit cleanly"
kill -0 "$first" || fail "the first instance died"
kill -TERM "$first"
wait_for_exit "$first" || fail "SIGTERM did not end it"
[ "$(grep -c 'ReTray' "$log")" -eq 1 ] || { cat "$log"; fail "the first instance was not woken"; }
! grep -q 'second starts\|path too long' "$TESTROOT/keltrix.log" || fail "$(cat "$TESTROOT/keltrix.log")"
pass "a socket path of ${#event} characters still reaches the running instance"
