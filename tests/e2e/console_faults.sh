# The settings and format faults of settings_faults.sh in console mode: each is said on stderr
# once, the refreshes go on to the end, the exit status is 0 and the settings file is as it was.
# A settings file that cannot be read (a folder, no read permission) is said too.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/faults_lib.sh"

OUT=$TESTROOT/out.txt ERR=$TESTROOT/err.txt
# Three refreshes (in a private mount namespace prepared by $1 when given); stderr must hold
# text $2 exactly once. A stored interval is only read without --interval: set REFRESH to "".
REFRESH=--interval=250
run_console() {
    local setup=$1 expect=$2 rc=0 frames=3
    shift 2
    [ -n "$REFRESH" ] || frames=2
    if [ -n "$setup" ]; then
        (cd "$HOME" && unshare -m sh -c "$setup"' && exec "$0" "$@"' "$KELTRIX" \
            --console=$frames $REFRESH "$@") >"$OUT" 2>"$ERR" || rc=$?
    else
        (cd "$HOME" && "$KELTRIX" --console=$frames $REFRESH "$@") >"$OUT" 2>"$ERR" || rc=$?
    fi
    [ "$rc" = 0 ] || { cat "$ERR"; fail "exit status $rc ($expect)"; }
    [ "$(grep -cF -- "$expect" "$ERR")" = 1 ] || { cat "$ERR"; fail "not told once: $expect"; }
    # Every format here has one line of processes.
    [ "$(grep -c '^Processes' "$OUT")" = "$frames" ] || { cat "$OUT"; fail "not $frames refreshes ($expect)"; }
}

for fault in "${TYPE_FAULTS[@]}"; do
    [[ $fault == '"FontStyle"'* ]] && continue # the console has no font to read
    prepare_full "${fault%%|*}"
    [[ $fault == '"Interval"'* ]] && REFRESH= || REFRESH=--interval=250
    run_console "" "${fault#*|}"
    same_settings "$SETTINGS" || fail "the settings file changed (${fault%%|*})"
done
REFRESH=--interval=250
pass "values of the wrong type: said once, defaults used, every refresh printed, nothing written"

prepare_full '"FormatString"="File: <NAME=FileData FORMAT=\"f.txt,2,x\">\r\nProcesses <NAME=Processes>"'
run_console "" "EXCEPTION (EConvertError) --- 'x' is not a valid integer value"
[ "$(grep -c '^Processes [0-9]' "$OUT")" = 3 ] || fail "the good line was not printed with each refresh"
same_settings "$SETTINGS" || fail "the settings file changed (FileData)"
pass "a FileData conversion error is said once, the other lines and refreshes go on"

# A client runs until stopped: it waits for a server that cannot be reached.
prepare_full
rc=0
(cd "$HOME" && timeout -s TERM 3 "$KELTRIX" --console -c '-i\x' -p6130) >"$OUT" 2>"$ERR" || rc=$?
[ "$rc" = 124 ] || { cat "$ERR"; fail "the client ended by itself with status $rc"; }
[ "$(grep -cF 'settings cannot be saved: the key name' "$ERR")" = 1 ] || { cat "$ERR"; fail "client key not told once"; }
same_settings "$SETTINGS" || fail "the settings file changed (client)"
pass "a console client whose host cannot name a key says its settings are not saved and runs"

# The headless server too: it serves on, without the stored interval.
prepare_full '"Interval"="100"'
rc=0
(cd "$HOME" && timeout -s TERM 3 "$KELTRIX" --headless) >"$OUT" 2>"$ERR" || rc=$?
[ "$rc" = 124 ] || { cat "$ERR"; fail "the headless server ended by itself with status $rc"; }
[ "$(grep -cF 'Settings value "Interval" is a string, not an integer' "$ERR")" = 1 ] ||
    { cat "$ERR"; fail "the headless server did not say it once"; }
pass "the headless server says a value of the wrong type once and runs on"

# Start-up writes the default format string: the write fails.
prepare_partial
CFG=$(dirname "$SETTINGS")
run_console "mount --bind '$CFG' '$CFG' && mount -o remount,bind,ro '$CFG'" 'settings cannot be saved: '
grep -q 'Read-only file system' "$ERR" || fail "the read-only reason is not said"
same_settings "$SETTINGS" || fail "the read-only file changed"
pass "a read-only settings folder: said once, the refreshes go on"

cp "$SETTINGS" "$TESTROOT/partial.reg"
run_console "mount -t tmpfs -o size=16k tmpfs '$CFG' && cp '$TESTROOT/partial.reg' '$SETTINGS' &&
    touch '$SETTINGS.lock' && (dd if=/dev/zero of='$CFG/fill' bs=1k count=64 2>/dev/null || true)" \
    'No space left on device'
grep -q 'settings cannot be saved: .*No space left on device' "$ERR" || fail "the full folder is not said"
pass "a full settings folder: said once, the refreshes go on"

: >"$TESTROOT/plain"
rm -f "$ORIG"
XDG_CONFIG_HOME=$TESTROOT/plain/config run_console "" 'settings cannot be saved: cannot create folder'
[ ! -s "$TESTROOT/plain" ] || fail "something was written over the plain file"
pass "a settings folder that cannot be created: said once, the refreshes go on"

rm -f "$SETTINGS" && mkdir "$SETTINGS"
run_console "" 'Is a directory (running on defaults, nothing is saved)'
[ -d "$SETTINGS" ] && [ -z "$(ls -A "$SETTINGS")" ] || fail "the folder in place of the file was touched"
rmdir "$SETTINGS"
pass "a folder in place of the settings file: said, defaults, nothing saved"

# -RESET of a file that cannot be parsed says so, and the file stays as it is.
mkdir -p "$(dirname "$SETTINGS")"
printf 'REGEDIT4\n\n[%s]\n"Alpha"=dword:00000010\n"FontName"="unterminated\n' "$KEY" >"$SETTINGS"
cp "$SETTINGS" "$ORIG"
run_console "" '-RESET: the settings cannot be reset: ' -RESET
grep -qF "line 5: missing closing quote; the file is left as it is" "$ERR" || { cat "$ERR"; fail "the reason is not said"; }
same_settings "$SETTINGS" || fail "-RESET changed the file it cannot parse"
pass "-RESET of a settings file that cannot be parsed says so and leaves it"

# No permission to read it: only an unprivileged user meets that.
settings_for_nobody
rc=0
(cd "$HOME" && setpriv --reuid=nobody --regid=nogroup --clear-groups \
    "$KELTRIX" --console=3 --interval=250) >"$OUT" 2>"$ERR" || rc=$?
[ "$rc" = 0 ] || { cat "$ERR"; fail "exit status $rc (no permission)"; }
[ "$(grep -cF 'Permission denied (running on defaults, nothing is saved)' "$ERR")" = 1 ] ||
    { cat "$ERR"; fail "no permission not said once"; }
[ "$(grep -c '^Processes' "$OUT")" = 3 ] || fail "not three refreshes (no permission)"
chmod 600 "$SETTINGS"
same_settings "$SETTINGS" || fail "the unreadable file changed"
pass "a settings file without read permission: said once, defaults, nothing saved"
