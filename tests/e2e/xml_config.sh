# config.xml in the current folder: created on a first start, the background flags kept
# exclusive, a broken file reported and left alone, an unwritable folder reported once.
source "$(dirname "$0")/lib.sh"

CONFIG=$HOME/config.xml
EMPTY='<?xml version="1.0" encoding="UTF-8"?>
<Configuration />'
# Runs the program until its window shows, then ends it with SIGTERM.
run_once() {
    start_keltrix -noballoon "$@"
    local pid=$LAST_PID
    wait_for_window "$pid" Keltrix || fail "no window (args: $*)"
    cp "$CONFIG" "$TESTROOT/running.xml" 2>/dev/null || true
    kill -TERM "$pid"
    wait_for_exit "$pid" || fail "no exit"
}

run_once
[ "$(cat "$TESTROOT/running.xml")" = "$EMPTY" ] || fail "first start wrote: $(cat "$TESTROOT/running.xml")"
[ "$(cat "$CONFIG")" = "$EMPTY" ] || fail "the exit changed it: $(cat "$CONFIG")"
pass "a first start creates config.xml with only an empty root"

printf '<?xml version="1.0"?>\n<Configuration>\n  <BGColor>True</BGColor>\n  <BGFileName>True</BGFileName>\n  <IconSet>7</IconSet>\n</Configuration>\n' >"$CONFIG"
run_once
grep -q '<BGColor>False</BGColor>' "$TESTROOT/running.xml" || fail "BGColor: $(cat "$TESTROOT/running.xml")"
grep -q '<BGFileName>True</BGFileName>' "$TESTROOT/running.xml" || fail "BGFileName lost"
grep -q '<IconSet>7</IconSet>' "$CONFIG" || fail "reading IconSet rewrote it"
pass "both background flags set: only BGFileName stays true"

printf '<?xml version="1.0"?>\n<Configuration>\n  <BGColor>True</BGColor>\n  <IconSet>2</IconSet></Configuratio>\n' >"$CONFIG"
cp "$CONFIG" "$TESTROOT/broken.xml"
: >"$TESTROOT/keltrix.log"
run_once -advdebug
cmp -s "$CONFIG" "$TESTROOT/broken.xml" || fail "the broken file was changed: $(cat "$CONFIG")"
grep -qF "EXCEPTION (EXMLParseError) --- $CONFIG, line 4: Start-end tags mismatch" "$TESTROOT/keltrix.log" ||
    fail "not reported on stderr: $(cat "$TESTROOT/keltrix.log")"
grep -qF "EXCEPTION (EXMLParseError) --- $CONFIG, line 4" "$XDG_DATA_HOME/keltrix/SmartLog.log" ||
    fail "not reported through the error handler"
pass "a broken config.xml is reported with its line, the program runs, the file stays byte-identical"

# A folder that cannot be written, also for root: a read-only bind mount of its own.
ro=$TESTROOT/readonly
mkdir -p "$ro"
: >"$TESTROOT/keltrix.log"
if [ "$(id -u)" -eq 0 ]; then
    command -v unshare >/dev/null || { echo "skip: no unshare"; exit 77; }
    unshare -m bash -c 'mount --bind "$1" "$1" && mount -o remount,bind,ro "$1" && cd "$1" &&
        exec "$2" -noballoon -advdebug' _ "$ro" "$KELTRIX" >>"$TESTROOT/keltrix.log" 2>&1 &
else
    chmod 0555 "$ro"
    (cd "$ro" && exec "$KELTRIX" -noballoon -advdebug) >>"$TESTROOT/keltrix.log" 2>&1 &
fi
pid=$!
PIDS+=("$pid")
wait_for_window "$pid" Keltrix || fail "no window in a read-only folder: $(cat "$TESTROOT/keltrix.log")"
kill -TERM "$pid"
wait_for_exit "$pid" || fail "no exit"
chmod 0755 "$ro"
[ ! -e "$ro/config.xml" ] || fail "a file appeared in the read-only folder"
count=$(grep -c "EXCEPTION (EInOutError) --- Cannot save config.xml in $ro: Read-only file system\|EXCEPTION (EInOutError) --- Cannot save config.xml in $ro: Permission denied" "$TESTROOT/keltrix.log" || true)
[ "$count" = 1 ] || fail "reported $count times: $(cat "$TESTROOT/keltrix.log")"
pass "a folder that cannot be written is reported once for the run"
