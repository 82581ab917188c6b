# Temperatures and fans from made-up hardware, through the real libsensors, sensord and the
# starter library, shown in console mode.
source "$(dirname "$0")/hwmon_lib.sh"
source "$(dirname "$0")/lib.sh"

DLL=$(dirname "$KELTRIX")/dll
SENSORD=$DLL/sensord
[ -x "$SENSORD" ] && [ -f "$DLL/libMBMStarter.so" ] || fail "sensord and the starter are not built beside $KELTRIX"
AREA='/dev/shm/$M$B$M$5$S$D$'
HWMON_TREE=$TESTROOT/hwmon
mkdir -p "$HWMON_TREE"
hwmon_device hwmon0 kxboard temp1_input=45500 temp1_label=CPU temp2_input=44500 \
    temp3_input=46000 temp4_input=30000 in0_input=1150 in1_input=12100 \
    fan1_input=1200 fan2_input=255 fan3_input=900
hwmon_device hwmon1 kxgpu fan1_input=1500
use_hwmon_tree "$HWMON_TREE"

mkdir -p "$(dirname "$SETTINGS")"
printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\OrlenwickStudios\\Vistrand]\n"Version"=dword:000003ea\n"Interval"=dword:000001f4\n' >"$SETTINGS"
format='T'
for n in 1 2 3 4 5 6 7 8 9; do format="$format|<NAME=Temp$n>"; done
format="$format\nF"
for n in 1 2 3 4 5 6 7 8 9; do format="$format|<NAME=Fan$n>"; done
format="$format\nTF=<NAME=Temp3 FORMAT=\"F\"> <NAME=Temp3 FORMAT=\"C\">"

# The last line that starts like $1 does, up to its first "|" or "=".
last() {
    local p=${1%%[|=]*}
    p="$p${1:${#p}:1}"
    grep -F -- "$p" "$out" | tail -n 1
}
wait_for_line() { # line seconds
    for _ in $(seq $(($2 * 10))); do [ "$(last "$1")" = "$1" ] && return 0; sleep 0.1; done
    fail "expected '$1', last '$(last "$1")'"
}

out=$TESTROOT/console.txt
"$KELTRIX" --console "--format=$format" >"$out" 2>"$TESTROOT/err.txt" &
kpid=$!
PIDS+=("$kpid")
wait_for_line 'T|46|44|46|30|0|0|0|0|0' 10
wait_for_line 'F|1200|0|900|1500|0|0|0|0|0' 2
wait_for_line 'TF=114.8 46' 2
publisher=$(pgrep -P "$kpid" -x sensord) || fail "sensord is not the program's child"
[ -e "$AREA" ] || fail "no shared memory"
pass "four temperatures, 45.5 as 46, 44.5 as 44, 46 F as 114.8, fan 255 as 0, a second chip's fan"

rm "$HWMON_TREE/hwmon0/temp2_input"
wait_for_line 'T|46|0|46|30|0|0|0|0|0' 3
# sensord looks for sensors anew every 10 s: the gone one keeps its place, and is found again.
sleep 11
wait_for_line 'T|46|0|46|30|0|0|0|0|0' 1
echo 47400 >"$HWMON_TREE/hwmon0/temp2_input"
wait_for_line 'T|46|47|46|30|0|0|0|0|0' 12
pass "a sensor that disappears reads 0 at the next sample, keeps its place and comes back"

kill -INT "$kpid"
wait_for_exit "$kpid" 5 || fail "no exit on SIGINT"
wait_for_exit "$publisher" 1 || fail "sensord still runs after the program's exit"
[ ! -e "$AREA" ] || fail "the area outlived sensord"
! grep -q . "$TESTROOT/err.txt" || fail "messages: $(cat "$TESTROOT/err.txt")"
pass "the exit stops sensord and its area goes"

# Two programs read: the one that started sensord leaves, the other goes on reading.
"$KELTRIX" --console "--format=$format" >"$out" 2>>"$TESTROOT/err.txt" &
kpid=$!
PIDS+=("$kpid")
wait_for_line 'T|46|47|46|30|0|0|0|0|0' 10
publisher=$(pgrep -P "$kpid" -x sensord) || fail "sensord is not the program's child"
out2=$TESTROOT/console2.txt
"$KELTRIX" --console "--format=$format" >"$out2" 2>>"$TESTROOT/err.txt" &
k2=$!
PIDS+=("$k2")
out=$out2 wait_for_line 'T|46|47|46|30|0|0|0|0|0' 10
kill -INT "$kpid"
wait_for_exit "$kpid" 5 || fail "no exit on SIGINT"
echo 50000 >"$HWMON_TREE/hwmon0/temp1_input"
out=$out2 wait_for_line 'T|50|47|46|30|0|0|0|0|0' 3
kill -0 "$publisher" || fail "sensord ended while another program read it"
kill -INT "$k2"
wait_for_exit "$k2" 5 || fail "no exit on SIGINT"
kill -TERM "$publisher"
wait_for_exit "$publisher" 2 || fail "sensord did not stop"
echo 45500 >"$HWMON_TREE/hwmon0/temp1_input"
pass "sensord stays while another program still reads it"

# sensord on its own: the area goes when nobody reads it, one publisher at a time.
start=$(date +%s)
"$SENSORD" --idle 2 &
idle=$!
PIDS+=("$idle")
wait_for_file "$AREA" 5 || fail "sensord published nothing"
rc=0
"$SENSORD" 2>"$TESTROOT/second.txt" || rc=$?
[ "$rc" -eq 8 ] || fail "a second sensord: status $rc"
grep -q "is published by process $idle" "$TESTROOT/second.txt" || fail "second: $(cat "$TESTROOT/second.txt")"
wait_for_exit "$idle" 10 || fail "sensord kept running without readers"
wait "$idle" || fail "idle exit status $?"
[ $(($(date +%s) - start)) -ge 2 ] || fail "sensord stopped before its idle time"
[ ! -e "$AREA" ] || fail "the idle exit left the area"
"$SENSORD" --idle 0 &
term=$!
PIDS+=("$term")
wait_for_file "$AREA" 5 || fail "sensord published nothing"
kill -TERM "$term"
wait "$term" || fail "SIGTERM exit status $?"
[ ! -e "$AREA" ] || fail "SIGTERM left the area"
pass "sensord stops without readers or on SIGTERM, removing its area; a second one refuses"

# A machine without sensors, and a program without the starter.
rm -rf "${HWMON_TREE:?}"/*
rc=0
"$SENSORD" 2>"$TESTROOT/none.txt" || rc=$?
[ "$rc" -eq 3 ] && grep -q 'no temperature, voltage or fan sensors found' "$TESTROOT/none.txt" ||
    fail "no sensors: status $rc, $(cat "$TESTROOT/none.txt")"
copy_program "$TESTROOT/bare"
hwmon_device hwmon0 kxboard temp1_input=45500
timeout 20 "$TESTROOT/bare/keltrix" --console=4 '--format=T|<NAME=Temp1>|<NAME=Fan1>' >"$out" 2>"$TESTROOT/err.txt" ||
    fail "console run without the starter failed"
[ "$(grep -c '^T|0|0$' "$out")" -eq 4 ] || fail "readings without the starter: $(cat "$out")"
! grep -q . "$TESTROOT/err.txt" || fail "messages without the starter: $(cat "$TESTROOT/err.txt")"
[ ! -e "$AREA" ] || fail "something published without the starter"
pass "no starter: readings 0, no message; no sensors: sensord says so"
