# Settings files for the fault scripts, and how to check that they stay as they were.
ORIG=$TESTROOT/orig.reg
KEY='HKEY_CURRENT_USER\Software\OrlenwickStudios\Vistrand'
# Everything a start-up writes when missing: with these, start-up writes nothing.
FULL_VALUES=(
    '"Version"=dword:000003ea'
    '"FontName"="MS Sans Serif"'
    '"FontColor"=dword:00008000'
    '"FontSize"=dword:00000008'
    '"FontPitch"=dword:00000000'
    '"FontStyle"=hex:00'
    '"LongestUptime"=hex:00,00,00,00,00,00,00,00'
    '"X"=dword:00000064'
    '"Y"=dword:00000064'
    '"FormatString"="Up <NAME=Uptime FORMAT=\"*S*\">\r\nProcesses <NAME=Processes>"'
)
# Stored value | what the user is told.
TYPE_FAULTS=(
    '"Interval"="100"|Settings value "Interval" is a string, not an integer: the built-in value is used'
    '"Version"="1002"|Settings value "Version" is a string, not an integer: the built-in value is used'
    '"FormatString"=dword:00000001|Settings value "FormatString" is an integer, not a string: the built-in value is used'
    '"Exclude"=hex:41,42|Settings value "Exclude" is binary data, not a string: the built-in value is used'
    '"FontStyle"=hex:01,02|Settings value "FontStyle" holds 2 bytes, more than its 1: the built-in value is used'
)

# Writes the full set with value line $1 in place of its namesake (or added); keeps a copy in
# $ORIG.
prepare_full() {
    local extra=${1:-} name line
    name=${extra%%=*}
    mkdir -p "$(dirname "$SETTINGS")"
    {
        printf 'REGEDIT4\n\n[%s]\n' "$KEY"
        for line in "${FULL_VALUES[@]}"; do
            [ -n "$extra" ] && [ "${line%%=*}" = "$name" ] && continue
            printf '%s\n' "$line"
        done
        [ -n "$extra" ] && printf '%s\n' "$extra"
        printf '\n'
    } >"$SETTINGS"
    cp "$SETTINGS" "$ORIG"
}
# Without the position and the format string: start-up writes them.
prepare_partial() {
    mkdir -p "$(dirname "$SETTINGS")"
    printf 'REGEDIT4\n\n[%s]\n"Version"=dword:000003ea\n"FontName"="MS Sans Serif"\n\n' "$KEY" >"$SETTINGS"
    cp "$SETTINGS" "$ORIG"
}
# The file $1 is byte for byte $ORIG, or absent like it (or an empty folder in its place).
# The private folders handed to nobody, with a settings file that nobody may read.
settings_for_nobody() {
    id nobody >/dev/null 2>&1 || fail "no user nobody"
    prepare_full
    chmod 755 "$TESTROOT"
    chown -R nobody:nogroup "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_RUNTIME_DIR" "$HOME" "$TMPDIR"
    chmod 000 "$SETTINGS"
}

same_settings() {
    if [ -e "$ORIG" ]; then
        cmp -s "$1" "$ORIG"
    elif [ -d "$1" ]; then
        [ -z "$(ls -A "$1")" ]
    else
        [ ! -e "$1" ]
    fi
}
# Waits (seconds, default 15) until file $1 holds text $2.
wait_for_text() {
    local t=${3:-15}
    for _ in $(seq $((t * 10))); do grep -qF -- "$2" "$1" 2>/dev/null && return 0; sleep 0.1; done
    return 1
}
