# Helpers for the scripts of the record link: free ports, settings, a server and its process.
[ -n "${TESTROOT:-}" ] || source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
PEER=$(dirname "${BASH_SOURCE[0]}")/link_peer.py
PY=/usr/bin/python3

free_port() {
    "$PY" -c 'import socket; s = socket.socket(socket.AF_INET6); s.bind(("::", 0)); print(s.getsockname()[1])' 2>/dev/null ||
        "$PY" -c 'import socket; s = socket.socket(); s.bind(("", 0)); print(s.getsockname()[1])'
}
# Waits until something listens on TCP port $1.
wait_listening() {
    for _ in $(seq 100); do
        ss -Hltn "sport = :$1" | grep -q . && return 0
        sleep 0.1
    done
    return 1
}
# Writes the settings of the base key from the values given (one a line, file syntax).
settings() {
    mkdir -p "$(dirname "$SETTINGS")"
    printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\OrlenwickStudios\\Vistrand]\n"Version"=dword:000003ea\n' >"$SETTINGS"
    local v
    for v in "$@"; do printf '%s\n' "$v" >>"$SETTINGS"; done
}
# A headless server in the background without a display; pid in $SERVER.
start_headless() {
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$KELTRIX" --headless "$@" \
        >>"$TESTROOT/headless.log" 2>&1 &
    SERVER=$!
    PIDS+=("$SERVER")
}
stop_server() {
    kill -TERM "$SERVER"
    local rc=0
    wait "$SERVER" || rc=$?
    [ "$rc" = 0 ] || fail "the server ended with $rc on SIGTERM: $(tail -n 3 "$TESTROOT/headless.log")"
}
rss_kb() { awk '/^VmRSS:/ { print $2 }' "/proc/$1/status"; }
# Runs a command with its own home and settings under $TESTROOT/$1 (instances on one desktop
# must not share settings or the single-instance lock).
in_home() {
    local h=$TESTROOT/$1
    shift
    mkdir -p "$h/home" "$h/config/keltrix" "$h/data"
    [ -d "$h/run" ] || mkdir -m 0700 "$h/run"
    HOME=$h/home XDG_CONFIG_HOME=$h/config XDG_DATA_HOME=$h/data XDG_RUNTIME_DIR=$h/run "$@"
}
# The settings file of home $1 with values for the base key ($2, lines) and optionally for
# the per-server key of a client of 127.0.0.1:$3 ($4, lines).
home_settings() {
    local f=$TESTROOT/$1/config/keltrix/registry.reg key='HKEY_CURRENT_USER\Software\OrlenwickStudios\Vistrand'
    mkdir -p "$(dirname "$f")"
    printf 'REGEDIT4\n\n[%s]\n"Version"=dword:000003ea\n%s\n' "$key" "$2" >"$f"
    [ -n "${3:-}" ] && printf '\n[%s\\127.0.0.1:%s]\n%s\n' "$key" "$3" "$4" >>"$f"
    return 0
}
