# Helpers of the web service scripts: free ports, stored settings, waiting for the port.
KEY='HKEY_CURRENT_USER\Software\OrlenwickStudios\Vistrand'

free_port() {
    /usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'
}

# Settings of the base key: the web service on port $1, then more value lines as written
# in the file ($2, lines separated by real line breaks).
prepare_web() {
    mkdir -p "$(dirname "$SETTINGS")"
    printf 'REGEDIT4\n\n[%s]\n"Version"=dword:000003ea\n"WebService"=dword:00000001\n"WebServicePort"=dword:%08x\n%s\n' \
        "$KEY" "$1" "${2:-}" >"$SETTINGS"
}

# A format string value: its line breaks written \r\n, its quotes escaped.
format_value() {
    printf '"FormatString"="%s"' "${1//\"/\\\"}"
}

wait_for_http() { # url [seconds]
    local t=${2:-15}
    for _ in $(seq $((t * 10))); do
        curl -s -o /dev/null -m 1 "$1" && return 0
        sleep 0.1
    done
    return 1
}
