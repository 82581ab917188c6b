# Shared set-up for the end-to-end scripts: a private home and helpers to watch the program.
set -euo pipefail
KELTRIX=${1:?usage: script.sh path/to/keltrix}
KELTRIX=$(cd "$(dirname "$KELTRIX")" && pwd)/$(basename "$KELTRIX")
E2E_DATA=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/data
TESTROOT=$(mktemp -d)
export HOME=$TESTROOT/home XDG_CONFIG_HOME=$TESTROOT/config XDG_DATA_HOME=$TESTROOT/data
export XDG_RUNTIME_DIR=$TESTROOT/run TMPDIR=$TESTROOT/tmp
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$TMPDIR"
mkdir -m 0700 -p "$XDG_RUNTIME_DIR"
SETTINGS=$XDG_CONFIG_HOME/keltrix/registry.reg
PIDS=()

cleanup() {
    for p in "${PIDS[@]}"; do kill -9 "$p" 2>/dev/null || true; done
    rm -rf "$TESTROOT"
}
trap cleanup EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }
pass() { echo "ok - $*"; }

# Starts keltrix in the background, in the private home as a desktop would (config.xml lands
# there); its pid is in $LAST_PID.
start_keltrix() {
    (cd "$HOME" && exec "$KELTRIX" "$@") >>"$TESTROOT/keltrix.log" 2>&1 &
    LAST_PID=$!
    PIDS+=("$LAST_PID")
}

# Waits until a file exists (seconds, default 10).
wait_for_file() {
    local f=$1 t=${2:-10}
    for _ in $(seq $((t * 10))); do [ -e "$f" ] && return 0; sleep 0.1; done
    return 1
}

# A zombie counts as gone: an orphan's reaper (PID 1 of a container) may never collect it.
gone() {
    local stat
    stat=$(cat "/proc/$1/stat" 2>/dev/null) || return 0
    stat=${stat##*) }
    [ "${stat:0:1}" = Z ] || [ "${stat:0:1}" = X ]
}

wait_for_exit() {
    local pid=$1 t=${2:-10}
    for _ in $(seq $((t * 10))); do gone "$pid" && return 0; sleep 0.1; done
    return 1
}

# The windows of process $1 captioned exactly $2, shown ones only when $3 is given. --all:
# xdotool takes a window that meets either condition otherwise. Its names match without regard
# to case, and windows without a caption carry the program's name ("keltrix"): the exact
# caption is compared once more.
windows_named() {
    local w
    for w in $(xdotool search --all ${3:+--onlyvisible} --pid "$1" --name "^$2\$" 2>/dev/null); do
        [ "$(xdotool getwindowname "$w" 2>/dev/null)" = "$2" ] && echo "$w"
    done
    return 0
}
# The shown main window of process $1 (captioned "Keltrix"; its message boxes "KeltrixBeta").
main_window() { windows_named "$1" Keltrix visible | tail -n 1; }

# Waits until the process has shown a window captioned $2 exactly ("Keltrix": the main window).
wait_for_window() {
    local pid=$1 t=${3:-15}
    for _ in $(seq $((t * 10))); do
        [ -n "$(windows_named "$pid" "$2")" ] && return 0
        sleep 0.1
    done
    return 1
}

# Copies the program with the programs it becomes (window, headless server) into folder $1,
# without what lies beside it in the build folder (dll, configs).
copy_program() {
    local from
    from=$(dirname "$KELTRIX")
    mkdir -p "$1/libexec/server"
    cp "$KELTRIX" "$1/keltrix"
    [ -e "$from/libexec/keltrix" ] && cp "$from/libexec/keltrix" "$1/libexec/keltrix"
    [ -e "$from/libexec/server/keltrix" ] && cp "$from/libexec/server/keltrix" "$1/libexec/server/keltrix"
    return 0
}

source "$(dirname "${BASH_SOURCE[0]}")/menu_lib.sh"
