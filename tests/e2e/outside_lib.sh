# Helpers for the scripts of the uptime report and the update check: a loopback HTTP server of
# the test's own, the window's menu walked by keys, and message boxes read through Ctrl+C.
source "$(dirname "${BASH_SOURCE[0]}")/display_lib.sh"
source "$(dirname "${BASH_SOURCE[0]}")/link_lib.sh"
PY=/usr/bin/python3
HTTP_PEER=$(dirname "${BASH_SOURCE[0]}")/http_peer.py
CLIPBOARD=$(dirname "${BASH_SOURCE[0]}")/clipboard.py
# Nothing of ours may go through a proxy of the machine.
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY all_proxy ALL_PROXY

# Starts the HTTP server in $TESTROOT/http; its port in $HTTP_PORT.
start_http() {
    HTTP_DIR=$TESTROOT/http
    mkdir -p "$HTTP_DIR"
    "$PY" "$HTTP_PEER" "$TESTROOT/http.port" "$HTTP_DIR" 2>>"$TESTROOT/http.log" &
    PIDS+=("$!")
    wait_for_file "$TESTROOT/http.port" || fail "the HTTP server did not start"
    HTTP_PORT=$(cat "$TESTROOT/http.port")
}
# What the server's GETs answer: serve LINE1 LINE2 | mode hang | mode big | mode status N
serve() { printf '%s\r\n%s\r\n' "$1" "$2" >"$HTTP_DIR/body"; echo file >"$HTTP_DIR/mode"; }
mode() { echo "$*" >"$HTTP_DIR/mode"; }
requests() { find "$HTTP_DIR" -name 'request-*' ! -name '*.tmp' | wc -l; }

# Opens the window's menu and chooses the item of the captions given (as menu_lib.sh's table
# writes them).
menu_command() {
    local x y w k keys
    keys=$(menu_keys "$@") || fail "no menu item $*"
    read -r x y w _ < <(geometry "$WIN")
    wait_popups "$LAST_PID" 0 || fail "a pop-up is still open"
    point_at $((x + w - 3)) $((y + 1))
    xdotool click 3
    wait_popups "$LAST_PID" 1 || fail "no menu"
    for k in $keys; do
        sleep 0.2
        xdotool key "$k"
    done
}
# The program's message box (a dialog titled like the window), waited for up to $1 s (at
# least one look); id in $BOX.
wait_box() {
    local t=${1:-10} w
    BOX=""
    for _ in $(seq $((t * 10 + 1))); do
        for w in $(xdotool search --all --onlyvisible --pid "$LAST_PID" --name '^KeltrixBeta$' 2>/dev/null); do
            if xprop -id "$w" _NET_WM_WINDOW_TYPE 2>/dev/null | grep -q _NET_WM_WINDOW_TYPE_DIALOG; then
                BOX=$w
                return 0
            fi
        done
        sleep 0.1
    done
    return 1
}
# The text of the open message box, lines joined by "|" (Ctrl+C copies title, text, buttons).
box_text() {
    xdotool windowactivate --sync "$BOX" 2>/dev/null || true
    sleep 0.2
    xdotool key ctrl+c
    sleep 0.2
    "$PY" "$CLIPBOARD" | awk '/^-+$/ { part++; next } part == 2' | paste -sd'|'
}
# Presses a key in the open message box and waits for it to close.
answer_box() {
    xdotool windowactivate --sync "$BOX" 2>/dev/null || true
    sleep 0.1
    xdotool key "$1"
    for _ in $(seq 50); do
        xdotool search --onlyvisible --name '^KeltrixBeta$' 2>/dev/null | grep -qx "$BOX" || return 0
        sleep 0.1
    done
    fail "the message box did not close on $1"
}
# Expects a message box with text $1 (lines joined by "|"), answers it with key $2.
expect_box() {
    wait_box "${3:-10}" || fail "no message box for '$1'"
    local got
    got=$(box_text)
    [ "$got" = "$1" ] || fail "the box reads '$got', not '$1'"
    answer_box "${2:-Return}"
}
# Replaces the value line of name $1 in the base key of the running program's settings file
# (written whole to a new file and renamed, as the program itself writes it).
set_value() {
    SECTION="[$KEY]" NAME="\"$1\"=" LINE="$2" awk '
        /^\[/ { if (inside && !done) { print ENVIRON["LINE"]; done = 1 } inside = ($0 == ENVIRON["SECTION"]) }
        inside && index($0, ENVIRON["NAME"]) == 1 { if (!done) print ENVIRON["LINE"]; done = 1; next }
        { print }
        END { if (!done) print ENVIRON["LINE"] }' "$SETTINGS" >"$SETTINGS.new"
    mv "$SETTINGS.new" "$SETTINGS"
}
