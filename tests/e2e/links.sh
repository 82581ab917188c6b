# Link lines: a click on one starts its target with the line's parameters in the target's
# folder, also when the target is a line of a text file; a line number the file lacks shows a
# message. A document goes alone to the desktop's opener; a missing program is named in its
# message. A transparent window drags instead, unless its placement is locked.
source "$(dirname "$0")/display_lib.sh"

TOOLS="$TESTROOT/tools with blanks"
PROBE=$TOOLS/probe.sh
OUT=$TESTROOT/probe.out
mkdir -p "$TOOLS"
cat >"$PROBE" <<EOF
#!/bin/sh
# One line per start: the parameters and the working folder.
printf '%s|' "\$#" "\$@" >>"$OUT"
pwd -P >>"$OUT"
EOF
chmod +x "$PROBE"
printf 'first line\n%s\n' "$PROBE" >"$TESTROOT/links.txt"
# The file name has no comma: FILE= splits the file from the line number at the first.
FORMAT=$(format_value \
    "Run <LINK=\"$PROBE\" PARAM=\"-v hello\">the probe" \
    "<LINK=FILE=\"$TESTROOT/links.txt,2\">Probe from the file" \
    "<LINK=FILE=\"$TESTROOT/links.txt,5\">Line five" \
    "A line that is not a link, wider than the others")
PLACE=("$(dword X 200)" "$(dword Y 150)")
LINES=4

# Clicks line $1 (from 0) of the window, $2 pixels from its left edge.
click_line() {
    local x y h pitch
    read -r x y _ h < <(geometry "$WIN")
    pitch=$(((h - 2) / LINES))
    point_at $((x + $2)) $((y + 2 + $1 * pitch + pitch / 2))
    xdotool click 1
}
# Waits until the probe wrote $1 lines, and prints the last.
wait_probe() {
    for _ in $(seq 100); do
        if [ -f "$OUT" ] && [ "$(wc -l <"$OUT")" -ge "$1" ]; then
            tail -n 1 "$OUT"
            return 0
        fi
        sleep 0.1
    done
    return 1
}

# 1. An opaque window: clicks reach the lines.
prepare "$FORMAT" "${PLACE[@]}"
start_monitor -noballoon
main=$LAST_PID
sleep 1 # labels hold text, not BLANK
click_line 0 8
got=$(wait_probe 1) || fail "a click on the link line started nothing"
[ "$got" = "2|-v|hello|$(cd "$TOOLS" && pwd -P)" ] || fail "the link started with: $got"
pass "a click on a link line starts its target with the parameters in its folder"

click_line 1 8
got=$(wait_probe 2) || fail "a click on the FILE link started nothing"
[ "$got" = "0|$(cd "$TOOLS" && pwd -P)" ] || fail "the FILE link started with: $got"
pass "a FILE link starts the file's line"

# Clicks line $1 and closes the message it shows, keeping a picture of it as $2.
click_for_message() {
    local before box=""
    before=$(xdotool search --onlyvisible --pid "$main" | sort)
    click_line "$1" 8
    for _ in $(seq 100); do
        box=$(comm -13 <(echo "$before") <(xdotool search --onlyvisible --pid "$main" | sort) |
            head -n 1)
        [ -n "$box" ] && break
        sleep 0.1
    done
    [ -n "$box" ] || return 1
    sleep 0.5
    [ -z "${KELTRIX_SHOTS:-}" ] || import -window "$box" "$KELTRIX_SHOTS/$2"
    xdotool windowactivate --sync "$box" 2>/dev/null || xdotool windowfocus --sync "$box"
    xdotool key Return
    for _ in $(seq 50); do xwininfo -id "$box" 2>/dev/null | grep -q IsViewable || break; sleep 0.1; done
    ! xwininfo -id "$box" 2>/dev/null | grep -q IsViewable || fail "the message did not close"
}
click_for_message 2 link-missing-line.png || fail "a FILE link to a missing line showed no message"
click_line 3 8
sleep 1
[ "$(wc -l <"$OUT")" -eq 2 ] || fail "a line that is not a link started something"
kill -0 "$main" || fail "the program died"
stop_monitor "$main"
pass "a missing line shows a message; other lines start nothing"

# 2. Documents and missing programs, with a stand-in for xdg-open on the search path.
BIN=$TESTROOT/bin
mkdir -p "$BIN"
cat >"$BIN/xdg-open" <<OPENER
#!/bin/sh
printf '%s|' "\$#" "\$@" >>"$OUT"
echo >>"$OUT"
OPENER
chmod +x "$BIN/xdg-open"
echo notes >"$TESTROOT/notes.txt"
rm -f "$OUT"
prepare "$(format_value "<LINK=\"$TESTROOT/notes.txt\" PARAM=\"-x y\">the notes" \
    "<LINK=\"$TOOLS/gone\" PARAM=\"-v\">a tool that is gone" "a line that is not a link, wide")" \
    "${PLACE[@]}"
LINES=3
PATH=$BIN:$PATH start_monitor -noballoon
main=$LAST_PID
sleep 1
click_line 0 8
got=$(wait_probe 1) || fail "a click on the document link opened nothing"
[ "$got" = "1|$TESTROOT/notes.txt|" ] || fail "the opener was given: $got"
click_for_message 1 link-missing-program.png || fail "a link to a missing program showed no message"
[ "$(wc -l <"$OUT")" -eq 1 ] || fail "the missing program's link started something"
stop_monitor "$main"
pass "a document goes alone to the opener; a missing program shows a message"
LINES=4

# 3. Transparent: a press on the text drags, unless the placement is locked.
click_text() { # clicks a shown pixel of line $1
    local x y h pitch at
    read -r x y _ h < <(geometry "$WIN")
    pitch=$(((h - 2) / LINES))
    for _ in $(seq 50); do
        at=$(/usr/bin/python3 "$(dirname "$0")/window_pixels.py" spot "$WIN" \
            $((2 + $1 * pitch)) $((2 + ($1 + 1) * pitch))) && break
        sleep 0.1
    done
    [ -n "$at" ] || fail "line $1 shows nothing"
    point_at $((x + ${at% *})) $((y + ${at#* }))
    xdotool click 1
}
/usr/bin/python3 -c 'import Xlib' 2>/dev/null || fail "python3-xlib is not installed"
rm -f "$OUT"
prepare "$FORMAT" "${PLACE[@]}" "$(dword Trans 1)"
start_monitor -noballoon
sleep 1
click_text 0
sleep 2
[ -f "$OUT" ] && fail "a click on a transparent, movable window followed the link"
stop_monitor "$LAST_PID"

prepare "$FORMAT" "${PLACE[@]}" "$(dword Trans 1)" "$(dword LockForm 1)"
start_monitor -noballoon
sleep 1
click_text 0
wait_probe 1 >/dev/null || fail "a click on a transparent, locked window did not follow the link"
stop_monitor "$LAST_PID"
pass "a transparent window follows links only while its placement is locked"
