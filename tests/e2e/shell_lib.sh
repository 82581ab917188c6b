# Reaching the commands of the tray icon's menu from the keyboard, and the windows they open.
# (menu_keys comes from menu_lib.sh, which lib.sh reads.)

# The number of menus process $1 shows: viewable override-redirect windows larger than an icon.
menus_shown() {
    local n=0 w info
    for w in $(xdotool search --onlyvisible --pid "$1" 2>/dev/null); do
        info=$(xwininfo -id "$w" 2>/dev/null) || continue
        [[ $info == *"Override Redirect State: yes"* ]] || continue
        [ "$(awk '/Width:/ { print $2 }' <<<"$info")" -gt 40 ] && n=$((n + 1))
    done
    echo "$n"
}
wait_menus() {
    for _ in $(seq 50); do [ "$(menus_shown "$1")" -ge "$2" ] && return 0; sleep 0.1; done
    return 1
}

# Opens the menu from the docked icon of process $1.
open_tray_menu() {
    local icon x y
    icon=$(docked_icon "$1") || fail "no docked icon to open the menu from"
    read -r x y < <(xwininfo -id "$icon" |
        awk '/Absolute upper-left X/ { x = $4 } /Absolute upper-left Y/ { y = $4 } END { print x, y }')
    xdotool mousemove --sync $((x + 8)) $((y + 8)) click 3
    wait_menus "$1" 1 || fail "the tray icon opened no menu"
    # The pointer must not rest on an item: it would take the highlight from the keys.
    xdotool mousemove 5 1000
    sleep 0.2
}

# Runs the item of "Config" with the caption $2 for process $1.
run_config_item() {
    local keys
    keys=$(menu_keys Config "$2") || fail "no item $2"
    open_tray_menu "$1"
    # shellcheck disable=SC2086
    xdotool key --delay 80 ${keys% Return}
    sleep 0.2
    xdotool key Return
}

# Waits for a visible window of process $1 whose title matches $2; prints its id.
wait_titled() {
    local w
    for _ in $(seq 50); do
        w=$(xdotool search --all --onlyvisible --pid "$1" --name "$2" 2>/dev/null | head -n 1)
        [ -n "$w" ] && { echo "$w"; return 0; }
        sleep 0.1
    done
    return 1
}
wait_gone() {
    for _ in $(seq 50); do
        xdotool search --all --onlyvisible --pid "$1" --name "$2" >/dev/null 2>&1 || return 0
        sleep 0.1
    done
    return 1
}

# Types the keys $2.. into the window $1 and waits until it is gone.
answer_window() {
    local w=$1
    shift
    xdotool windowactivate --sync "$w" 2>/dev/null || xdotool windowfocus --sync "$w"
    sleep 0.4
    xdotool key --delay 100 "$@"
}

# The value $1 of the settings file as a number ("" when missing).
stored_dword() {
    local hex
    hex=$(tr -d '\r' <"$SETTINGS" | grep -i "^\"$1\"=dword:" | head -n 1 | sed 's/.*dword://')
    [ -n "$hex" ] && echo $((16#$hex))
}

write_settings() {
    mkdir -p "$(dirname "$SETTINGS")"
    {
        printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\OrlenwickStudios\\Vistrand]\r\n'
        printf '"Version"=dword:000003ea\r\n'
        for line in "$@"; do printf '%s\r\n' "$line"; done
    } >"$SETTINGS"
}
