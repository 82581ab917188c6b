# Helpers for the scripts that look at the display window: prepared settings, the window's
# id, geometry and window-manager state, and the menu opened on the window.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

KEY='HKEY_CURRENT_USER\Software\OrlenwickStudios\Vistrand'
# Writes the settings file: "Version" so nothing is wiped, then the values given (one a line,
# in the file's own syntax, printf %b escapes allowed).
prepare() {
    mkdir -p "$(dirname "$SETTINGS")"
    printf 'REGEDIT4\n\n[%s]\n"Version"=dword:000003ea\n' "$KEY" >"$SETTINGS"
    local v
    for v in "$@"; do printf '%s\n' "$v" >>"$SETTINGS"; done
}
# A format string as a settings line: lines joined by \r\n, quotes and backslashes escaped.
format_value() {
    local text="" line
    for line in "$@"; do
        line=${line//\\/\\\\}
        line=${line//\"/\\\"}
        text+=${text:+\\r\\n}$line
    done
    printf '"FormatString"="%s"' "$text"
}
# The line of a stored value of the base key, e.g. "AOT"=dword:00000001.
value() {
    SECTION="[$KEY]" NAME="\"$1\"=" awk '
        /^\[/ { inside = ($0 == ENVIRON["SECTION"]) }
        inside && index($0, ENVIRON["NAME"]) == 1 { print; exit }' "$SETTINGS"
}
dword() { printf '"%s"=dword:%08x' "$1" "$2"; }

# Starts the monitor and waits for its window; pid in $LAST_PID, window id in $WIN.
start_monitor() {
    start_keltrix "$@"
    wait_for_window "$LAST_PID" Keltrix 30 || fail "keltrix $* shows no window"
    WIN=""
    for _ in $(seq 100); do
        WIN=$(main_window "$LAST_PID") && [ -n "$WIN" ] && break
        sleep 0.1
    done
    [ -n "$WIN" ] || fail "the window of $LAST_PID is not viewable"
}
stop_monitor() {
    kill -TERM "$1"
    wait_for_exit "$1" 20 || fail "SIGTERM did not end $1"
}

# Keeps picture $1 as $2 in the folder $KELTRIX_SHOTS names, when it names one (to look at).
keep() {
    [ -z "${KELTRIX_SHOTS:-}" ] || convert "$1" "$KELTRIX_SHOTS/$2"
}
pixels() { /usr/bin/python3 "$(dirname "${BASH_SOURCE[0]}")/screen_pixels.py" "$@"; }

# Saves window $1 as $2 once two looks a moment apart agree: the text is drawn and stays.
steady_picture() {
    local last="" now
    for _ in $(seq 30); do
        sleep 0.3
        pixels save "$1" "$2" || fail "no picture of the window"
        now=$(md5sum <"$2")
        [ "$now" = "$last" ] && return 0
        last=$now
    done
}

# x y width height of a window on the screen.
geometry() {
    xwininfo -id "$1" | awk '/Absolute upper-left X/ { x = $4 } /Absolute upper-left Y/ { y = $4 }
        /^  Width:/ { w = $2 } /^  Height:/ { h = $2 } END { print x, y, w, h }'
}
# The window-manager states of a window, one a line, without the _NET_WM_STATE_ prefix.
states() {
    xprop -id "$1" _NET_WM_STATE | sed -n 's/^_NET_WM_STATE(ATOM) = //p' | tr -d ' ' |
        tr ',' '\n' | sed 's/^_NET_WM_STATE_//'
}
# Waits until window $1 has every state in $2 and none in $3 (blank-separated lists).
wait_states() {
    local s ok now
    for _ in $(seq 100); do
        now=$(states "$1")
        ok=1
        for s in $2; do grep -qx "$s" <<<"$now" || ok=0; done
        for s in $3; do grep -qx "$s" <<<"$now" && ok=0; done
        [ $ok = 1 ] && return 0
        sleep 0.1
    done
    echo "states: $(paste -sd' ' <<<"$now")" >&2
    return 1
}

# Viewable override-redirect windows of process $1: its menus and balloons.
popups() {
    local w
    for w in $(xdotool search --onlyvisible --pid "$1" 2>/dev/null); do
        [[ $(xwininfo -id "$w" -all 2>/dev/null) == *"Override Redirect State: yes"* ]] && echo "$w"
    done
    return 0
}
wait_popups() { # pid count: waits until the process shows exactly count pop-ups
    for _ in $(seq 100); do
        [ "$(popups "$1" | wc -l)" -eq "$2" ] && return 0
        sleep 0.1
    done
    return 1
}
# Moves the pointer to x y; "mousemove --sync" waits for ever when the pointer is there already.
point_at() {
    local X Y SCREEN WINDOW
    eval "$(xdotool getmouselocation --shell)"
    : "$SCREEN" "$WINDOW"
    [ "$X $Y" = "$1 $2" ] || xdotool mousemove --sync "$1" "$2"
}
# Opens the menu with a right click on the window (no tray host) and its submenu $2, whose
# item $3 names the path into it.
open_window_submenu() {
    local pid=$1 x y w
    read -r x y w _ < <(geometry "$WIN")
    wait_popups "$pid" 0 || fail "a pop-up is still open"
    point_at $((x + w - 3)) $((y + 1))
    xdotool click 3
    wait_popups "$pid" 1 || fail "a right click on the window opens no menu"
    local keys
    keys=$(menu_keys "$2" "$3")
    # shellcheck disable=SC2086
    xdotool key ${keys%% Right*}
    sleep 0.2
    xdotool key Right
    wait_popups "$pid" 2 || fail "the $2 submenu did not open"
    sleep 0.2
}
open_layout_menu() { open_window_submenu "$1" Layout "&Font"; }
# Chooses the Layout item with mnemonic key $2.
layout_command() {
    open_layout_menu "$1"
    xdotool key "$2"
    wait_popups "$1" 0 || fail "the menu stayed open after '$2'"
}
# Chooses item $2 (from 0: Left, Center, Right) of Layout's "Ali&gn".
align_command() {
    open_layout_menu "$1"
    xdotool key g
    wait_popups "$1" 3 || fail "the Align submenu did not open"
    sleep 0.2
    local i
    # The submenu opens with its first item active.
    for ((i = 0; i < $2; i++)); do xdotool key Down; done
    xdotool key Return
    wait_popups "$1" 0 || fail "the menu stayed open after choosing alignment $2"
}
# Waits for the input box titled $1, types $2 over its text, presses Enter.
answer_prompt() {
    for _ in $(seq 100); do
        xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1 && break
        sleep 0.1
    done
    local box
    box=$(xdotool search --onlyvisible --name "^$1\$" | head -n 1) || fail "no prompt '$1'"
    xdotool windowactivate --sync "$box" 2>/dev/null || true
    sleep 0.2
    xdotool key ctrl+a
    [ -n "$2" ] && xdotool type "$2"
    xdotool key Return
    for _ in $(seq 50); do
        xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1 || return 0
        sleep 0.1
    done
    fail "the prompt '$1' did not close"
}
