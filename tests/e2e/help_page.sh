# "-?" writes the page into the temporary folder and hands it to the shell-open function.
source "$(dirname "$0")/lib.sh"

opener=$TESTROOT/opener.sh
cat >"$opener" <<'SH'
#!/usr/bin/env bash
printf '%s\n' "$@" >"$TMPDIR/opened.txt"
SH
chmod +x "$opener"
export KELTRIX_SHELL_OPEN=$opener

echo "stale" >"$TMPDIR/vsinftmp.htm"
timeout 10 "$KELTRIX" -? -MULTIPLE || fail "-? did not exit"
cmp "$TMPDIR/vsinftmp.htm" "$E2E_DATA/vsinftmp.htm" || fail "help page differs"
wait_for_file "$TMPDIR/opened.txt" || fail "shell-open not called"
# The opener runs detached: its file may exist a moment before it holds the line.
for _ in $(seq 50); do [ -s "$TMPDIR/opened.txt" ] && break; sleep 0.1; done
[ "$(cat "$TMPDIR/opened.txt")" = "$TMPDIR/vsinftmp.htm" ] || fail "opened $(cat "$TMPDIR/opened.txt")"
[ ! -e "$XDG_RUNTIME_DIR/keltrix/CoolKeltrixEvent" ] || fail "-? created windows or objects"
pass "help page written and opened"

TMPDIR=$TESTROOT/missing timeout 10 "$KELTRIX" -? && fail "unwritable page reported success"
pass "unwritable help page ends with an error"
