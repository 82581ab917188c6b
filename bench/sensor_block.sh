#!/usr/bin/env bash
# The sensor block's cost with sensord publishing from a made-up hwmon tree (private mount
# namespace, as root): bench/sensor_block.sh build-rel [benchmark options]
set -euo pipefail
build=$(cd "${1:?usage: sensor_block.sh BUILD [options]}" && pwd)
shift
if [ -z "${KELTRIX_PRIVATE_MOUNTS:-}" ]; then
    KELTRIX_PRIVATE_MOUNTS=1 exec unshare -m --propagation private bash "$0" "$build" "$@"
fi
mount -t tmpfs keltrix-shm /dev/shm
tree=$(mktemp -d /tmp/keltrix-hwmon.XXXXXX)
mkdir -p "$tree/hwmon0"
echo kxboard >"$tree/hwmon0/name"
for n in 1 2 3 4; do echo $((40000 + n * 500)) >"$tree/hwmon0/temp${n}_input"; done
echo 1150 >"$tree/hwmon0/in0_input"
for n in 1 2 3; do echo $((900 + n * 100)) >"$tree/hwmon0/fan${n}_input"; done
if [ ! -d /sys/class/hwmon ]; then
    saved=$(mktemp -d /tmp/keltrix-class.XXXXXX)
    mount --bind /sys/class "$saved"
    mount -t tmpfs keltrix-class /sys/class
    for e in "$saved"/*; do mkdir "/sys/class/${e##*/}"; mount --bind "$e" "/sys/class/${e##*/}"; done
    umount "$saved"
    rmdir "$saved"
    mkdir /sys/class/hwmon
fi
mount --bind "$tree" /sys/class/hwmon
"$build/dll/sensord" --idle 0 &
publisher=$!
trap 'kill $publisher; wait $publisher || true; rm -rf "$tree"' EXIT
for _ in $(seq 50); do [ -e '/dev/shm/$M$B$M$5$S$D$' ] && break; sleep 0.1; done
"$build/bench/bench_sensor_block" "$@"
