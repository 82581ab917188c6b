# "-RESET" deletes the program's key with everything below it and nothing else.
source "$(dirname "$0")/lib.sh"

mkdir -p "$(dirname "$SETTINGS")"
cp "$E2E_DATA/reset-before.reg" "$SETTINGS"
timeout 10 "$KELTRIX" -reset -? || fail "-reset -? failed"
cmp "$SETTINGS" "$E2E_DATA/reset-after.reg" || { diff "$SETTINGS" "$E2E_DATA/reset-after.reg"; fail "wrong keys deleted"; }
pass "-RESET deletes the key and its sub-keys only"

cp "$E2E_DATA/reset-before.reg" "$SETTINGS"
timeout 10 "$KELTRIX" -? -RESET || fail "-? -RESET failed"
cmp "$SETTINGS" "$E2E_DATA/reset-before.reg" || fail "-RESET after -? must not act"
pass "arguments after -? are not looked at"

printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\OrlenwickStudios\\Vistrand]\n"Version"=dword:zz\n' >"$SETTINGS"
cp "$SETTINGS" "$TESTROOT/bad.reg"
start_keltrix -RESET
pid=$LAST_PID
wait_for_window "$pid" Keltrix || fail "no window with a bad settings file"
kill -TERM "$pid"
wait_for_exit "$pid" || fail "no exit"
cmp "$SETTINGS" "$TESTROOT/bad.reg" || fail "a file that cannot be parsed was overwritten"
grep -q "registry.reg" "$TESTROOT/keltrix.log" || fail "bad settings file not reported"
pass "a settings file that cannot be parsed is reported and kept"
