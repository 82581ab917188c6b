# Start-up against prepared settings files: migration, first-start values, client keys,
# ParameterLine.
source "$(dirname "$0")/lib.sh"

KEY='HKEY_CURRENT_USER\Software\OrlenwickStudios\Vistrand'
prepare() { # values of the base key
    mkdir -p "$(dirname "$SETTINGS")"
    printf 'REGEDIT4\n\n[%s]\n%b\n' "$KEY" "$1" >"$SETTINGS"
}
# Runs the program until its window shows, then ends it with SIGTERM.
run_once() {
    start_keltrix -noballoon "$@"
    local pid=$LAST_PID
    wait_for_window "$pid" Keltrix || fail "no window (args: $*)"
    cp "$SETTINGS" "$TESTROOT/running.reg"
    kill -TERM "$pid"
    wait_for_exit "$pid" || fail "no exit"
}
# Key names go through the environment: awk would read the backslashes of -v values as escapes.
value() { # the line of a value in the section of key $2 (default the base key)
    SECTION="[${2:-$KEY}]" NAME="\"$1\"=" awk '
        /^\[/ { inside = ($0 == ENVIRON["SECTION"]) }
        inside && index($0, ENVIRON["NAME"]) == 1 { print; exit }' "${3:-$SETTINGS}"
}
names() {
    SECTION="[$KEY]" awk '/^\[/ { inside = ($0 == ENVIRON["SECTION"]); next }
        inside && /^"/ { split($0, a, "="); print a[1] }' "$1" | tr -d '"' | sort | paste -sd' '
}

rm -f "$SETTINGS"
run_once
[ "$(names "$TESTROOT/running.reg")" = "FontColor FontName FontPitch FontSize FontStyle FormatString LongestUptime Version X Y" ] ||
    fail "first start wrote: $(names "$TESTROOT/running.reg")"
[ "$(value LongestUptime "$KEY" "$TESTROOT/running.reg")" = '"LongestUptime"=hex:00,00,00,00,00,00,00,00' ] || fail "LongestUptime"
[ "$(value UptimeCount)" = '"UptimeCount"=dword:00000001' ] || fail "the exit did not count"
pass "a first start writes exactly the documented values; the exit counts"

prepare '"Version"=dword:0000004a\n"Alpha"=dword:00000010\n"Exclude"="x"'
run_once
[ -n "$(value FontName)" ] || fail "the checks do not see the base key"
running=$TESTROOT/running.reg
[ -z "$(value Alpha "$KEY" "$running")" ] && [ -z "$(value Exclude "$KEY" "$running")" ] ||
    fail "version 74 was not wiped"
[ "$(value Version)" = '"Version"=dword:000003ea' ] || fail "Version not rewritten"
pass "version 74 is wiped"

prepare '"Version"=dword:00000050\n"LongestUptime"=hex:39,30,00,00,00,00,00,00\n"W"=dword:00000064\n"H"=dword:00000064'
run_once
[ -z "$(value W "$KEY" "$TESTROOT/running.reg")" ] && [ -z "$(value H "$KEY" "$TESTROOT/running.reg")" ] || fail "W and H kept"
[ "$(value LongestUptime "$KEY" "$TESTROOT/running.reg")" = '"LongestUptime"=hex:39,30,00,00,00,00,00,00' ] || fail "80 changed LongestUptime"
pass "version 80 keeps LongestUptime and drops W and H"

# An integer LongestUptime far above any real uptime survives as 8 bytes holding the same number.
prepare '"Version"=dword:0000004d\n"LongestUptime"=dword:7ffffffe'
run_once
[ "$(value LongestUptime "$KEY" "$TESTROOT/running.reg")" = '"LongestUptime"=hex:fe,ff,ff,7f,00,00,00,00' ] ||
    fail "integer LongestUptime became $(value LongestUptime "$KEY" "$TESTROOT/running.reg")"
pass "an integer LongestUptime becomes 8 bytes"

prepare '"Version"=dword:000003ea'
run_once -c -ia -p6130
run_once -c -iA -p6131
[ -n "$(value UptimeCount "$KEY\\a:6130")" ] && [ -n "$(value UptimeCount "$KEY\\a:6131")" ] || fail "client keys missing"
[ -z "$(value UptimeCount)" ] || fail "a client wrote into the base key"
pass "clients of a:6130 and a:6131 keep their own keys"

# "-l" runs the placement lock's toggle at every start, before the stored lock is read.
prepare '"Version"=dword:000003ea\n"ParameterLine"="-h -l -advdebug"'
for run in 1 2; do
    rm -f "$XDG_DATA_HOME/keltrix/SmartLog.log"
    run_once
    log=$XDG_DATA_HOME/keltrix/SmartLog.log
    grep -q 'LockPosition1Click' "$log" || fail "-l not applied at start $run"
    grep -q 'SetIconColor' "$log" || fail "no tray icon state at start $run"
    [ "$(value LockForm)" = '"LockForm"=dword:00000001' ] || fail "LockForm after start $run: $(value LockForm)"
done
pass "ParameterLine \"-h -l\" takes effect at every start"

# The reset item, checked through the menu (no tray host: a right click on the window opens
# it), makes the exit delete the key and save nothing.
prepare '"Version"=dword:000003ea\n"OfNoConfirm"=dword:00000001\n"Alpha"=dword:00000080'
start_keltrix -noballoon
pid=$LAST_PID
wait_for_window "$pid" Keltrix || fail "no window"
win=$(main_window "$pid")
eval "$(xdotool getwindowgeometry --shell "$win")"
xdotool mousemove $((X + 10)) $((Y + 5)) click 3
sleep 0.7
# shellcheck disable=SC2046
xdotool key --delay 150 $(menu_keys Config "Reset to Default Settings (Requires Restart)")
sleep 0.5
kill -TERM "$pid"
wait_for_exit "$pid" || fail "no exit"
! grep -qF "[$KEY]" "$SETTINGS" || { cat "$SETTINGS"; fail "the key survived the reset"; }
pass "with the reset item checked the exit deletes the key and saves nothing"
