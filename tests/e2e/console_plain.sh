# Console mode loads no part of the desktop stack: the program the user starts links no Qt or
# X library, a console run maps none (with a display and without), and in a private mount
# namespace where every Qt and X library is made unreadable, as on a server without them,
# console mode still runs while a window says clearly why it cannot open.
source "$(dirname "$0")/lib.sh"

desktop='libQt|libX|libxcb|libGL|libEGL|libicu|libdbus|libfreetype|libfontconfig|libharfbuzz'
linked=$(ldd "$KELTRIX" | awk '{ print $1 }')
grep -Eq "$desktop" <<<"$linked" && fail "keltrix links desktop libraries: $(grep -E "$desktop" <<<"$linked" | tr '\n' ' ')"
pass "keltrix links $(wc -l <<<"$linked") libraries, none of Qt or X"

maps_of_console_run() { # extra environment for the run
    local pid maps
    env "$@" "$KELTRIX" --console --interval=200 >"$TESTROOT/console.out" 2>&1 &
    pid=$!
    PIDS+=("$pid")
    sleep 1
    maps=$(awk '$6 ~ /\.so/ { n = split($6, p, "/"); print p[n] }' "/proc/$pid/maps" | sort -u)
    kill -INT "$pid"
    wait "$pid" || true
    [ -n "$maps" ] || fail "no maps of the console run"
    grep -Eq "$desktop" <<<"$maps" && fail "a console run maps $(grep -E "$desktop" <<<"$maps" | tr '\n' ' ')"
    grep -q '^Proc %' "$TESTROOT/console.out" || { cat "$TESTROOT/console.out"; fail "the console run printed no frame"; }
    echo "$maps" | wc -l
}
n=$(maps_of_console_run DISPLAY="$DISPLAY")
pass "--console with a display maps $n libraries, none of Qt or X"
n=$(maps_of_console_run -u DISPLAY -u WAYLAND_DISPLAY)
pass "without a display keltrix maps $n libraries, none of Qt or X"

if [ "$(id -u)" -ne 0 ] || ! unshare -m true 2>/dev/null; then
    echo "skipped: hiding the Qt and X libraries needs root and mount namespaces"
    exit 0
fi
unshare -m bash -s "$KELTRIX" "$TESTROOT" >"$TESTROOT/hidden.log" 2>&1 <<'SH' || { cat "$TESTROOT/hidden.log"; fail "console mode without Qt and X failed"; }
set -euo pipefail
keltrix=$1 root=$2
mount --make-rprivate /
# Every Qt and X library reads as empty: loading one fails as if it were not installed.
for lib in /usr/lib/x86_64-linux-gnu/libQt6*.so.* /usr/lib/x86_64-linux-gnu/libX11.so.* \
           /usr/lib/x86_64-linux-gnu/libxcb.so.*; do
    [ -f "$lib" ] && [ ! -L "$lib" ] && mount --bind /dev/null "$lib"
done
"$keltrix" --console=1 --format='up <NAME=Uptime FORMAT="*s*">' >"$root/hidden.out"
grep -q '^up [0-9]' "$root/hidden.out"
# The window cannot start, and says so.
if DISPLAY=${DISPLAY:-:0} "$keltrix" -MULTIPLE >"$root/window.out" 2>&1; then exit 1; fi
grep -q 'error while loading shared libraries\|cannot' "$root/window.out"
SH
pass "with Qt and X hidden, console mode runs; the window reports: $(head -n 1 "$TESTROOT/window.out")"
