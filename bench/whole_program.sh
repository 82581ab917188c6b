# The whole program's cost at rest: processor time and resident memory of keltrix with the
# default format string at the default interval (1 s), its icon docked in trayer. Run under X:
#   tests/e2e/run-under-x.sh bench/whole_program.sh <build>/keltrix [seconds]
source "$(dirname "$0")/../tests/e2e/display_lib.sh"
SECONDS_MEASURED=${2:-60}

trayer --edge top --align right --widthtype pixel --width 120 --height 24 >/dev/null 2>&1 &
TRAYER=$!
PIDS+=("$TRAYER")
# A first start stores the defaults (the format string, the green font); the second shows them.
start_monitor -noballoon
sleep 2
stop_monitor "$LAST_PID"
start_monitor -noballoon
pid=$LAST_PID
sleep 5 # past start-up

ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; } # utime + stime
status() { awk -v k="$2:" '$1 == k { print $2 }' "/proc/$1/status"; }
# The X server paints for us: its share is shown beside.
xvfb=$(ps -eo pid=,args= | awk -v d="$DISPLAY" '$2 ~ /Xvfb$/ && $3 == d { print $1; exit }')
echo "keltrix pid $pid, Xvfb pid ${xvfb:-none}"
hz=$(getconf CLK_TCK)
before=$(ticks "$pid")
xbefore=$([ -n "$xvfb" ] && ticks "$xvfb" || echo 0)
sleep "$SECONDS_MEASURED"
after=$(ticks "$pid")
xafter=$([ -n "$xvfb" ] && ticks "$xvfb" || echo 0)
awk -v t=$((after - before)) -v x=$((xafter - xbefore)) -v hz="$hz" -v s="$SECONDS_MEASURED" \
    'BEGIN { printf "keltrix: %.2f s processor time in %d s = %.3f %% of one core\n", t / hz, s, 100 * t / hz / s
             printf "Xvfb:    %.2f s processor time in %d s = %.3f %% of one core\n", x / hz, s, 100 * x / hz / s }'
echo "VmRSS $(status "$pid" VmRSS) kB, VmHWM $(status "$pid" VmHWM) kB, RssAnon $(status "$pid" RssAnon) kB, RssFile $(status "$pid" RssFile) kB, threads $(status "$pid" Threads)"
stop_monitor "$pid"
kill "$TRAYER" && wait "$TRAYER" 2>/dev/null || true
