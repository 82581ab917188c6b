# Made-up sensors for the real libsensors: the script runs again in a private mount namespace,
# where a prepared tree lies over /sys/class/hwmon and /dev/shm is a fresh tmpfs of its own.
# Source it before lib.sh, with the script's arguments.
if [ -z "${KELTRIX_PRIVATE_MOUNTS:-}" ]; then
    if ! unshare -m --propagation private true 2>/dev/null; then
        echo "skip: a private mount namespace needs root (unshare -m)"
        exit 77
    fi
    KELTRIX_PRIVATE_MOUNTS=1 exec unshare -m --propagation private bash "$0" "$@"
fi
mount -t tmpfs -o mode=1777 keltrix-shm /dev/shm

# Lays the folder $1 over /sys/class/hwmon. Without such a class on this machine, the class
# folder itself is rebuilt on a tmpfs from the entries it had, plus hwmon.
use_hwmon_tree() {
    local tree=$1 saved entry
    if [ ! -d /sys/class/hwmon ]; then
        # Outside the test's folder, which is removed at the end: no rm may walk into sysfs.
        saved=$(mktemp -d /tmp/keltrix-class.XXXXXX)
        mount --bind /sys/class "$saved"
        mount -t tmpfs keltrix-class /sys/class
        for entry in "$saved"/*; do
            mkdir "/sys/class/${entry##*/}"
            mount --bind "$entry" "/sys/class/${entry##*/}"
        done
        umount "$saved"
        rmdir "$saved"
        mkdir /sys/class/hwmon
    fi
    mount --bind "$tree" /sys/class/hwmon
}

# hwmon device $1 of $2 (the driver's name), with attribute=value pairs.
hwmon_device() {
    local dir=$HWMON_TREE/$1 pair
    mkdir -p "$dir"
    echo "$2" >"$dir/name"
    shift 2
    for pair in "$@"; do echo "${pair#*=}" >"$dir/${pair%%=*}"; done
}
