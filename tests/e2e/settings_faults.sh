# Faults of the settings and of the format string never end the window: values of the wrong
# type, a settings folder that is read-only, full or cannot be made, a client key that cannot
# be a key, a file that cannot be read, a FileData definition that cannot be converted. Each
# time the program keeps running, the user is told (balloon, here a message box through
# -noballoon, and the advanced log), and the settings file stays as it was.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/faults_lib.sh"

LOG=$XDG_DATA_HOME/keltrix/SmartLog.log
RUN_AS=

# Starts the window (in a private mount namespace prepared by $1 when given), waits for text $2
# on stderr and for the program to stay up past a few samples, then compares the settings file
# as the program sees it with the copy made when it was prepared. Leaves the pid in $pid.
run_window() {
    local setup=$1 expect=$2
    shift 2
    : >"$TESTROOT/keltrix.log"
    rm -f "$LOG"
    if [ -n "$setup" ]; then
        (cd "$HOME" && exec unshare -m sh -c "$setup"' && exec "$0" "$@"' "$KELTRIX" \
            -advdebug -noballoon "$@") >>"$TESTROOT/keltrix.log" 2>&1 &
    else
        # shellcheck disable=SC2086
        (cd "$HOME" && exec $RUN_AS "$KELTRIX" -advdebug -noballoon "$@") >>"$TESTROOT/keltrix.log" 2>&1 &
    fi
    pid=$!
    PIDS+=("$pid")
    wait_for_window "$pid" KeltrixBeta 20 || { cat "$TESTROOT/keltrix.log"; fail "no window ($expect)"; }
    wait_for_text "$TESTROOT/keltrix.log" "$expect" || { cat "$TESTROOT/keltrix.log"; fail "not told: $expect"; }
    # A few ticks of the main timer: a refresh that fails again must not end it either.
    sleep 2.5
    kill -0 "$pid" 2>/dev/null || { cat "$TESTROOT/keltrix.log"; fail "the program ended ($expect)"; }
    [ "$(grep -cF -- "$expect" "$TESTROOT/keltrix.log")" = 1 ] || fail "told more than once: $expect"
    same_settings "/proc/$pid/root$SETTINGS" || fail "the settings file changed ($expect)"
}
# Ends the window with SIGTERM; its exit status must be 0, and the advanced log (written at
# exit) holds the balloon with text $1.
end_window() {
    kill -TERM "$pid"
    local rc=0
    wait "$pid" || rc=$?
    [ "$rc" = 0 ] || fail "exit status $rc ($1)"
    grep -qF -- "$1" "$LOG" || { cat "$LOG"; fail "no balloon in the advanced log: $1"; }
}

for fault in "${TYPE_FAULTS[@]}"; do
    value=${fault%%|*}
    told=${fault#*|}
    prepare_full "$value"
    run_window "" "$told"
    end_window "ShowBalloonTips ( Settings file -;- $told"
done
pass "values of the wrong type leave the built-in value, are told once, and change nothing"

prepare_full '"FormatString"="File: <NAME=FileData FORMAT=\"f.txt,2,x\">\r\nProcesses <NAME=Processes>"'
run_window "" "EXCEPTION (EConvertError) --- 'x' is not a valid integer value"
last=$(grep -F 'EXCEPTION (' "$LOG" | tail -n 1 | tr -d '\r')
[[ $last == *"EXCEPTION (EConvertError) --- 'x' is not a valid integer value" ]] ||
    fail "the start-up error is not in the advanced log at once: $last"
end_window "ShowBalloonTips ( Oops ... !!! -;- Keltrix Has Just reported an error"
[ "$(grep -c 'ShowBalloonTips ( Oops' "$LOG")" = 1 ] || fail "the refreshes reported it again"
pass "a FileData conversion error at start-up reaches the error handler once; the window goes on"

prepare_full
run_window "" 'settings cannot be saved: the key name' -c '-i\x' -p6130
end_window 'is not valid'
same_settings "$SETTINGS" || fail "the settings file changed at the exit of the client"
pass "a client whose host cannot name a key runs, says its settings are not saved, writes nothing"

# Start-up writes the missing position and format string: each write fails.
prepare_partial
CFG=$(dirname "$SETTINGS")
run_window "mount --bind '$CFG' '$CFG' && mount -o remount,bind,ro '$CFG'" \
    'settings cannot be saved: '
grep -q 'Read-only file system' "$TESTROOT/keltrix.log" || fail "the reason is not told"
end_window 'settings cannot be saved: '
same_settings "$SETTINGS" || fail "the read-only file changed"
pass "a read-only settings folder: told once, the program runs and exits normally"

prepare_partial
cp "$SETTINGS" "$TESTROOT/partial.reg"
run_window "mount -t tmpfs -o size=16k tmpfs '$CFG' && cp '$TESTROOT/partial.reg' '$SETTINGS' &&
    touch '$SETTINGS.lock' && (dd if=/dev/zero of='$CFG/fill' bs=1k count=64 2>/dev/null || true)" \
    'No space left on device'
grep -q 'settings cannot be saved: .*No space left on device' "$TESTROOT/keltrix.log" ||
    fail "the full folder is not told as such"
end_window 'settings cannot be saved: '
pass "a full settings folder: told once, the file unchanged, the program runs and exits normally"

# A settings folder that cannot be made: its parent is a plain file.
: >"$TESTROOT/plain"
rm -f "$ORIG"
saved_config=$XDG_CONFIG_HOME saved_settings=$SETTINGS
export XDG_CONFIG_HOME=$TESTROOT/plain/config
SETTINGS=$XDG_CONFIG_HOME/keltrix/registry.reg
run_window "" 'settings cannot be saved: cannot create folder'
end_window 'Not a directory'
[ ! -s "$TESTROOT/plain" ] || fail "something was written over the plain file"
XDG_CONFIG_HOME=$saved_config SETTINGS=$saved_settings
pass "a settings folder that cannot be created: told once, the program runs on its defaults"

rm -f "$SETTINGS" "$ORIG" && mkdir -p "$SETTINGS"
run_window "" 'Is a directory'
end_window 'saves nothing until the file is repaired'
[ -d "$SETTINGS" ] || fail "the folder in place of the settings file was touched"
rmdir "$SETTINGS"
pass "a folder in place of the settings file: told, defaults, nothing saved"

mkdir -p "$(dirname "$SETTINGS")"
printf 'REGEDIT4\n\n[%s]\n"Alpha"=dword:00000010\n"FontName"="unterminated\n' "$KEY" >"$SETTINGS"
cp "$SETTINGS" "$ORIG"
run_window "" '-RESET: the settings cannot be reset: ' -RESET
end_window 'ShowBalloonTips ( Settings file -;- -RESET: the settings cannot be reset: '
same_settings "$SETTINGS" || fail "-RESET changed the file it cannot parse"
pass "-RESET of a settings file that cannot be parsed says so in the window too"

# No permission to read the settings file: only an unprivileged user meets that.
settings_for_nobody
if [ -n "${XAUTHORITY:-}" ]; then
    cp "$XAUTHORITY" "$TESTROOT/xauth"
    chown nobody "$TESTROOT/xauth"
    export XAUTHORITY=$TESTROOT/xauth
fi
RUN_AS="setpriv --reuid=nobody --regid=nogroup --clear-groups"
run_window "" 'Permission denied'
end_window 'saves nothing until the file is repaired'
chmod 600 "$SETTINGS"
same_settings "$SETTINGS" || fail "the unreadable file changed"
pass "a settings file without read permission: told, defaults, nothing saved"
