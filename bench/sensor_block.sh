#!/usr/bin/env bash
# The sensor block's cost with sensord publishing from a made-up hwmon tree (private mount
# namespace, as root): bench/sensor_block.sh build-rel [benchmark options]
set -euo pipefail
[ -d "${1:-}" ] || { echo "usage: sensor_block.sh BUILD [options]" >&2; exit 2; }
source "$(dirname "$0")/../tests/e2e/hwmon_lib.sh"
build=$(cd "$1" && pwd)
shift
HWMON_TREE=$(mktemp -d /tmp/keltrix-hwmon.XXXXXX)
hwmon_device hwmon0 kxboard temp1_input=40500 temp2_input=41000 temp3_input=41500 \
    temp4_input=42000 in0_input=1150 fan1_input=1000 fan2_input=1100 fan3_input=1200
use_hwmon_tree "$HWMON_TREE"
"$build/dll/sensord" --idle 0 &
publisher=$!
trap 'kill $publisher; wait $publisher || true; rm -rf "$HWMON_TREE"' EXIT
for _ in $(seq 50); do [ -e '/dev/shm/$M$B$M$5$S$D$' ] && break; sleep 0.1; done
"$build/bench/bench_sensor_block" "$@"
