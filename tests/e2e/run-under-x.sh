#!/usr/bin/env bash
# Runs one end-to-end script under its own Xvfb display with a window manager.
set -euo pipefail
script=$1
shift
exec xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
    openbox >/dev/null 2>&1 &
    wm=$!
    sleep 0.5
    bash "$0" "$@"
    rc=$?
    kill $wm 2>/dev/null || true
    exit $rc
' "$script" "$@"
