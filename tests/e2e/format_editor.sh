# The format editor from the real menu: "&Display Items" opens it on the display's format
# string, the line at the caret is previewed with a misspelt tag marked, a typed tag is
# applied, and the window then shows exactly what a window started with the rendered text
# shows. The Fast Config submenu lists the shipped sets and applies one.
source "$(dirname "$0")/display_lib.sh"
/usr/bin/python3 -c 'import Xlib' 2>/dev/null || fail "python3-xlib is not installed"

LOOK=('"FontName"="DejaVu Sans"' "$(dword FontSize 12)" "$(dword FontColor 0)"
    "$(dword BGColor 0xffffff)" "$(dword UseFileNameAsBackground 0)" "$(dword X 60)"
    "$(dword Y 60)")
prepare "$(format_value 'Keltrix on <B><NAME=CompName></B>' \
    'CPU <C:$C04000><NAME=ProcUsage FORMAT="ALL" SIZE=3></C>%  RAM <NAME=RAMUsed FORMAT="%">%' \
    'Board <NAME=Temprature1 FORMAT="C"> C')" "${LOOK[@]}"
start_monitor -noballoon
main=$LAST_PID

# Opens the menu with a right click on the window (no tray host) and presses keys.
menu_command() {
    local pid=$1 x y w
    shift
    read -r x y w _ < <(geometry "$WIN")
    wait_popups "$pid" 0 || fail "a pop-up is still open"
    point_at $((x + w - 3)) $((y + 1))
    xdotool click 3
    wait_popups "$pid" 1 || fail "a right click on the window opens no menu"
    sleep 0.2
    # shellcheck disable=SC2068
    xdotool key --delay 120 $@
}
# shellcheck disable=SC2046
menu_command "$main" $(menu_keys "&Display Items")
# Both conditions: xdotool matches any one of them unless told otherwise.
options_window() { xdotool search --all --onlyvisible --pid "$main" --name '^Options$' 2>/dev/null; }
DIALOG=""
for _ in $(seq 100); do
    DIALOG=$(options_window | tail -n 1) && [ -n "$DIALOG" ] && break
    sleep 0.1
done
[ -n "$DIALOG" ] || fail "Display Items opened no Options dialog"
xdotool windowactivate --sync "$DIALOG" 2>/dev/null || true
sleep 0.5
# The caret on the last line: its preview marks the misspelt tag.
xdotool key --delay 100 ctrl+End
sleep 0.5
if [ -n "${KELTRIX_SHOTS:-}" ]; then
    read -r dx dy dw dh < <(geometry "$DIALOG")
    import -window root -crop "${dw}x${dh}+${dx}+${dy}" +repage "$KELTRIX_SHOTS/format-editor.png"
fi

xdotool key --delay 60 ctrl+a
xdotool type --delay 40 'Host <NAME=CompName>'
xdotool key --delay 200 alt+a alt+o
for _ in $(seq 50); do
    options_window >/dev/null || break
    sleep 0.1
done
options_window >/dev/null &&
    fail "OK did not close the dialog"
[ "$(value FormatString)" = '"FormatString"="Host <NAME=CompName>\r\n"' ] ||
    fail "Apply stored $(value FormatString)"
steady_picture "$WIN" "$TESTROOT/applied.ppm"

# The same look with the rendered text, in a settings file of its own.
host=$(hostname)
host=${host%%.*}
applied_window=$WIN
(
    export XDG_CONFIG_HOME=$TESTROOT/reference XDG_RUNTIME_DIR=$TESTROOT/run2
    mkdir -m 0700 -p "$XDG_RUNTIME_DIR"
    SETTINGS=$XDG_CONFIG_HOME/keltrix/registry.reg
    prepare "$(format_value "Host $host")" "${LOOK[@]/60/400}"
    start_monitor -noballoon -MULTIPLE
    steady_picture "$WIN" "$TESTROOT/reference.ppm"
    stop_monitor "$LAST_PID"
)
why=$(pixels same "$TESTROOT/applied.ppm" "$TESTROOT/reference.ppm" ffffff) ||
    fail "the applied tag does not show as 'Host $host': $why"
pass "a tag typed in the editor and applied shows its rendered value on the window"

# Fast Config lists the shipped sets beside the program and applies one at once.
WIN=$applied_window
MENU_SETS=$(cd "$(dirname "$KELTRIX")/configs" && ls -1 -- *.kcfg | sed 's/\.kcfg$//' | sort -f)
[ -n "$MENU_SETS" ] || fail "no config sets beside $KELTRIX"
# shellcheck disable=SC2046
menu_command "$main" $(MENU_SETS=$MENU_SETS menu_keys "Fast Config" "Network")
for _ in $(seq 50); do
    [[ $(value FormatString) == *"Network</C></B>"* ]] && break
    sleep 0.1
done
[[ $(value FormatString) == *"Network</C></B>"* ]] || fail "Fast Config stored $(value FormatString)"
[ "$(value FontName)" = '"FontName"="DejaVu Sans Mono"' ] || fail "the set's font: $(value FontName)"
[ "$(value X)" = "$(dword X 60)" ] || fail "a set with X=-1 moved the window: $(value X)"
stop_monitor "$main"
grep -q "EXCEPTION" "$TESTROOT/keltrix.log" && fail "errors: $(grep EXCEPTION "$TESTROOT/keltrix.log")"
pass "Fast Config applies a shipped set chosen from the menu"
