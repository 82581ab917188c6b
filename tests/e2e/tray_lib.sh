# A real XEmbed tray (trayer) for the end-to-end scripts, and the icons docked in it.
command -v trayer >/dev/null || fail "trayer is not installed"

TRAYER_PID=
# The window trayer docks icons into ("panel", class "trayer").
tray_panel() {
    # awk reads to the end: an early exit would fail the pipeline with SIGPIPE.
    xwininfo -root -tree 2>/dev/null |
        awk '!found && $2 == "\"panel\":" && /"trayer"/ { print $1; found = 1 } END { exit !found }'
}
start_trayer() {
    trayer --edge top --align right --widthtype pixel --width 120 --height 24 \
        >>"$TESTROOT/trayer.log" 2>&1 &
    TRAYER_PID=$!
    PIDS+=("$TRAYER_PID")
    for _ in $(seq 100); do tray_panel >/dev/null && return 0; sleep 0.1; done
    fail "trayer shows no panel"
}
stop_trayer() {
    kill "$TRAYER_PID"
    wait_for_exit "$TRAYER_PID" || fail "trayer did not stop"
    for _ in $(seq 50); do tray_panel >/dev/null || break; sleep 0.1; done
    # Longer than the program's look at the tray, so the restart cannot slip between two.
    sleep 2
}

# Prints the window of process $1 that sits inside the tray panel.
docked_icon() {
    local panel inside w
    panel=$(tray_panel) || return 1
    inside=$(xwininfo -id "$panel" -tree | awk '$1 ~ /^0x/ { print $1 }')
    for w in $(xdotool search --pid "$1" 2>/dev/null); do
        w=$(printf '0x%x' "$w")
        if grep -qx "$w" <<<"$inside"; then
            echo "$w"
            return 0
        fi
    done
    return 1
}
# Waits until an icon of process $1 is docked (seconds, default 10).
wait_docked() {
    local t=${2:-10}
    for _ in $(seq $((t * 10))); do docked_icon "$1" >/dev/null && return 0; sleep 0.1; done
    return 1
}
# Viewable override-redirect windows of process $1 outside the tray: menus and balloons.
tray_popups() {
    local icon w
    icon=$(docked_icon "$1" || true)
    for w in $(xdotool search --onlyvisible --pid "$1" 2>/dev/null); do
        w=$(printf '0x%x' "$w")
        [ "$w" = "$icon" ] && continue
        [[ $(xwininfo -id "$w" -all 2>/dev/null) == *"Override Redirect State: yes"* ]] && echo "$w"
    done
    return 0
}
