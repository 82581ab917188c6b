# Console output of the system tags agrees with what the system itself says.
source "$(dirname "$0")/lib.sh"

write_settings() { # interval in ms
    mkdir -p "$(dirname "$SETTINGS")"
    printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\OrlenwickStudios\\Vistrand]\n"Version"=dword:000003ea\n"Interval"=dword:%08x\n' "$1" >"$SETTINGS"
}
# The value after "name=" in the last frame of a console run.
last() { grep "^$1=" "$2" | tail -n 1 | cut -d= -f2-; }
near() { # value expected tolerance label
    awk -v v="$1" -v e="$2" -v t="$3" 'BEGIN { d = v - e; if (d < 0) d = -d; exit !(v != "" && d <= t) }' ||
        fail "$4: got '$1', expected $2 ± $3"
}

write_settings 100
format='ram=<NAME=RAMTotal>\nup=<NAME=Uptime FORMAT="*d* *h* *m* *s*">\nprocs=<NAME=Processes>\nthreads=<NAME=Threads>\ncomp=<NAME=CompName>\nuser=<NAME=UserName>\nip=<NAME=IPAddr FORMAT=",">\ndrive=<NAME=DriveSpace FORMAT="C TOTAL">\ntype=<NAME=ProcType>'
out=$TESTROOT/system.txt
timeout 30 "$KELTRIX" --console=25 "--format=$format" >"$out" || fail "console run failed"
read -r d h m s <<<"$(last up "$out")"
uptime_now=$(cut -d. -f1 /proc/uptime)
procs_now=$(ls /proc | grep -c '^[0-9]*$')
threads_now=$(cut -d' ' -f4 /proc/loadavg | cut -d/ -f2)

near "$(last ram "$out")" "$(awk '/^MemTotal:/ { printf "%.0f", $2 / 1024 }' /proc/meminfo)" 0 RAMTotal
near "$((d * 86400 + h * 3600 + m * 60 + s))" "$uptime_now" 3 Uptime
near "$(last procs "$out")" "$procs_now" 8 Processes
near "$(last threads "$out")" "$threads_now" 12 Threads
[ "$(last comp "$out")" = "$(hostname -s | cut -c1-15)" ] || fail "CompName $(last comp "$out")"
[ "$(last user "$out")" = "$(id -un | cut -c1-15)" ] || fail "UserName $(last user "$out")"
expected_ips=$(ip -4 -o addr show up | awk '$2 != "lo" { split($4, a, "/"); print a[1] }' | head -n 4 | sort | paste -sd,)
actual_ips=$(last ip "$out" | tr ',' '\n' | sort | paste -sd,)
[ "$actual_ips" = "$expected_ips" ] || fail "IPAddr '$actual_ips', expected '$expected_ips'"
near "$(last drive "$out")" "$(df -m --output=size / | tail -n 1 | tr -d ' ')" 1 "DriveSpace C"
family=$(awk -F: '/^cpu family/ { gsub(/ /, "", $2); print $2; exit }' /proc/cpuinfo)
case "$family" in 3 | 4 | 5 | 6) type="i${family}86" ;; *) type="UNK?" ;; esac
[ "$(last type "$out")" = "$type" ] || fail "ProcType $(last type "$out"), expected $type"
pass "memory, uptime, counts, names, addresses, drive and processor type agree"

# One core kept busy by a program of our own name.
cp "$(command -v yes)" "$TESTROOT/kburner"
"$TESTROOT/kburner" >/dev/null &
PIDS+=($!)
write_settings 500
timeout 30 "$KELTRIX" --console=6 '--format=cpu=<NAME=ProcUsage FORMAT="ALL">\ntop=<NAME=TopProc FORMAT="Title">' >"$out" ||
    fail "console run failed"
cpu=$(last cpu "$out")
awk -v c="$cpu" 'BEGIN { exit !(c >= 40 && c <= 100) }' || fail "ProcUsage $cpu with one core busy"
# Another busy program (a build, say) may top the list now and then; ours must show up.
grep -qx 'top=kburner' "$out" || fail "TopProc never named the burner: $(grep '^top=' "$out" | paste -sd' ')"
kill "${PIDS[-1]}"
sleep 1
# Without the burner the reading must follow what /proc/stat says for the same seconds.
busy() { awk '/^cpu / { idle = $5 + $6; t = 0; for (i = 2; i <= 9; i++) t += $i; print t, idle }' /proc/stat; }
read -r t0 i0 <<<"$(busy)"
timeout 30 "$KELTRIX" --console=6 '--format=cpu=<NAME=ProcUsage FORMAT="ALL" DECIMAL>' >"$out" || fail "console run failed"
read -r t1 i1 <<<"$(busy)"
system=$(awk -v t="$((t1 - t0))" -v i="$((i1 - i0))" 'BEGIN { printf "%.1f", t ? 100 * (t - i) / t : 0 }')
cpu=$(grep '^cpu=' "$out" | tail -n 3 | cut -d= -f2 | awk '{ s += $1 } END { printf "%.1f", s / NR }')
near "$cpu" "$system" 15 "ProcUsage without the burner"
pass "processor usage follows a busy core and TopProc names it; idle reads $cpu (system $system)"

# Without a display, plain keltrix says so and runs in console mode until interrupted.
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM timeout -s INT 3 "$KELTRIX" \
    '--format=plain <B>bold</B> <<>' >"$out" 2>"$TESTROOT/err.txt" || true
grep -q 'no display to open; running in console mode' "$TESTROOT/err.txt" || fail "no notice on stderr"
[ "$(head -n 1 "$out")" = "plain bold <" ] || fail "console line: $(head -n 1 "$out")"
[ "$(sed -n 2p "$out")" = "plain bold <" ] || fail "a frame of one line is not one line: $(sed -n 2p "$out")"
"$KELTRIX" --version | grep -q '^Keltrix .*(1002)$' || fail "--version"
"$KELTRIX" --help | grep -q -- '--console' || fail "--help"
"$KELTRIX" --bogus 2>/dev/null && fail "an unknown long option was accepted"
timeout -s TERM 3 "$KELTRIX" --headless --interval=500 >/dev/null 2>"$TESTROOT/err.txt" || true
grep -q -- '--format and --interval are for console mode.*the server uses the stored' "$TESTROOT/err.txt" ||
    fail "a run-only interval given to the server went unsaid: $(cat "$TESTROOT/err.txt")"
pass "no display means console mode; --help, --version, unknown options, console-only options elsewhere"
