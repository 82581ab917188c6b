# The single-instance lock never lies where another user can take it, and a runtime folder
# that cannot be used is said on stderr and in a message box, not taken for a running
# instance: the program runs without the lock. Run as root (as CI runs), with another user of
# its own: root may write into any folder, so only ownership can tell.
source "$(dirname "$0")/outside_lib.sh"
[ "$(id -u)" = 0 ] || { echo "skip: needs root to make another user"; exit 77; }

OTHER=kxguard$$
useradd --system --no-create-home --shell /usr/sbin/nologin "$OTHER" || fail "useradd $OTHER"
trap 'userdel "$OTHER" 2>/dev/null || true; cleanup' EXIT
LOGFILE=$TESTROOT/keltrix.log
SMARTLOG=$XDG_DATA_HOME/keltrix/SmartLog.log

# Starts an instance that must run without the lock: its window, the reason on stderr (text
# $1) and in a message box; pid in $LAST_PID.
expect_unguarded() {
    local reason=$1 text
    shift
    : >"$LOGFILE"
    start_keltrix -advdebug -noballoon "$@"
    wait_for_window "$LAST_PID" Keltrix 30 || fail "no window: $(cat "$LOGFILE")"
    for _ in $(seq 100); do grep -q 'single-instance lock' "$LOGFILE" && break; sleep 0.1; done
    grep -q "keltrix: Keltrix cannot keep its single-instance lock: .*$reason.* It runs without it" \
        "$LOGFILE" || fail "stderr does not say why: $(cat "$LOGFILE")"
    wait_box 20 || fail "no message box about the lock"
    text=$(box_text)
    case $text in
    *"single-instance lock: "*"$reason"*"starting Keltrix again starts another copy"*) ;;
    *) fail "the box reads '$text'" ;;
    esac
}
stop_all() {
    local p
    for p in "$@"; do kill -TERM "$p" 2>/dev/null || true; done
    for p in "$@"; do wait_for_exit "$p" 20 || fail "SIGTERM did not end $p"; done
}

# 1. After su: XDG_RUNTIME_DIR still names the other user's folder.
theirs=$TESTROOT/run-$OTHER
mkdir -m 0700 "$theirs"
chown "$OTHER" "$theirs"
export XDG_RUNTIME_DIR=$theirs
expect_unguarded "XDG_RUNTIME_DIR is $theirs, which belongs to the user $OTHER, not to root"
first=$LAST_PID
answer_box Return
[ -z "$(ls -A "$theirs")" ] || fail "something was written into the other user's folder: $(ls -A "$theirs")"
expect_unguarded "belongs to the user $OTHER"
second=$LAST_PID
kill -0 "$first" || fail "the first instance died"
answer_box Return
stop_all "$first" "$second"
grep -q " Single instance: Keltrix cannot keep its single-instance lock: XDG_RUNTIME_DIR is $theirs" \
    "$SMARTLOG" || fail "the advanced log lacks the reason"
pass "another user's runtime folder: said on stderr and in a box, untouched, each start runs"

# 2. A runtime folder that cannot exist: below a file.
echo file >"$TESTROOT/plain"
export XDG_RUNTIME_DIR=$TESTROOT/plain/run
expect_unguarded "XDG_RUNTIME_DIR is $XDG_RUNTIME_DIR, which cannot be used: Not a directory"
stop_all "$LAST_PID"
pass "a runtime folder below a file: said, and the program runs"

# 3. Without XDG_RUNTIME_DIR, /tmp/keltrix-0 made first by another user (then open to all):
# the lock goes into a private folder of our own, which later starts find. /tmp is a tmpfs of
# a private mount namespace; the shared /tmp stays reachable at /mnt.
in_private_tmp() {
    set -euo pipefail
    mount --bind /tmp /mnt
    mount -t tmpfs -o mode=1777 tmpfs /tmp
    local v
    for v in HOME XDG_CONFIG_HOME XDG_DATA_HOME TMPDIR XAUTHORITY TESTROOT; do
        [[ ${!v:-} == /tmp/* ]] && export "$v=/mnt/${!v#/tmp/}"
    done
    unset XDG_RUNTIME_DIR
    fail() { echo "FAIL: $*" >&2; exit 1; }
    local log=$TESTROOT/private.log pid n=0
    for mode in taken open; do
        if [ $mode = taken ]; then
            mkdir -m 0700 /tmp/keltrix-0
            chown "$OTHER" /tmp/keltrix-0
        else
            chown root /tmp/keltrix-0
            chmod 0777 /tmp/keltrix-0
        fi
        (cd "$HOME" && exec "$KELTRIX" -noballoon) >>"$log" 2>&1 &
        pid=$!
        for _ in $(seq 300); do
            [ -n "$(windows_named "$pid" Keltrix)" ] && break
            sleep 0.1
        done
        [ -n "$(windows_named "$pid" Keltrix)" ] || fail "$mode: no window: $(cat "$log")"
        [ -n "$(ls /tmp/keltrix-0-*/CoolKeltrixEvent 2>/dev/null)" ] ||
            fail "$mode: no private folder with the event: $(ls -la /tmp)"
        [ "$(find /tmp -maxdepth 1 -name 'keltrix-0-*' | wc -l)" = 1 ] ||
            fail "$mode: more than one private folder: $(ls /tmp)"
        private=$(find /tmp -maxdepth 1 -name 'keltrix-0-*')
        [ "$(stat -c '%U %a' "$private")" = "root 700" ] || fail "$mode: $private is $(stat -c '%U %a' "$private")"
        [ -e "$private/CoolKeltrixMutex.lock" ] || fail "$mode: no lock in $private"
        [ -z "$(ls -A /tmp/keltrix-0)" ] || fail "$mode: /tmp/keltrix-0 was used"
        timeout 20 "$KELTRIX" >>"$log" 2>&1 || fail "$mode: the second start did not end cleanly"
        kill -0 "$pid" || fail "$mode: the first instance died"
        kill -TERM "$pid"
        for _ in $(seq 200); do gone "$pid" && break; sleep 0.1; done
        gone "$pid" || fail "$mode: SIGTERM did not end it"
        n=$((n + 1))
    done
    ! grep -q 'single-instance lock' "$log" || fail "a private folder was found, yet a problem was told"
    echo "$n"
}
export -f in_private_tmp windows_named gone
export KELTRIX TESTROOT OTHER
runs=$(unshare -m --propagation private bash -c in_private_tmp) || fail "in the private /tmp"
[ "$runs" = 2 ] || fail "the private /tmp cases did not finish ($runs)"
pass "/tmp/keltrix-0 of another user, or open to all, is left alone; the lock is private and guards"
