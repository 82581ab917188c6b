#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# What console mode costs, with the eight lines of the default format string:
# - a one-shot `keltrix --console=1` (two samples 250 ms apart) against conky doing the same
#   (conky-cli, two updates 250 ms apart), alternated: processor time and peak resident size;
# - one refresh of `keltrix --console` against bench/minimal_console (the same reads and
#   lines in plain C), both at 20 ms: the difference of a long and a short run, per refresh;
# - the shared libraries a console run maps.
#   bench/console_cost.sh BUILD [RUNS] [REFRESHES]
set -euo pipefail
BUILD=$(cd "${1:?usage: console_cost.sh BUILD [RUNS] [REFRESHES]}" && pwd)
RUNS=${2:-21}
REFRESHES=${3:-500}
command -v conky >/dev/null || { echo "console_cost: needs conky (Debian package conky-cli)" >&2; exit 1; }
for tool in minimal_console spawn_cost; do
    [ -x "$BUILD/bench/$tool" ] || { echo "console_cost: build bench/$tool first" >&2; exit 1; }
done

HERE=$(mktemp -d)
trap 'rm -rf "$HERE"' EXIT
export HOME=$HERE/home XDG_CONFIG_HOME=$HERE/config XDG_DATA_HOME=$HERE/data
export XDG_RUNTIME_DIR=$HERE/run
mkdir -p "$HOME" && mkdir -m 0700 "$XDG_RUNTIME_DIR"
unset DISPLAY WAYLAND_DISPLAY
# A first start stores the defaults; every measured run is a later one.
"$BUILD/keltrix" --console=1 >/dev/null
cat >"$HERE/conkyrc" <<'EOF'
conky.config = {
    out_to_console = true, out_to_x = false, background = false,
    update_interval = 0.25, total_run_times = 2, use_spacer = 'none',
}
conky.text = [[
Proc %: ${cpu cpu0}
Processes: ${processes}  Threads: ${threads}
${uptime}
PageUsed: ${swap}/PageTotal: ${swapmax}
RAMUsed: ${mem}/RAMTotal: ${memmax}
Date ${time %d/%m/%y} Time ${time %H:%M}
${addrs eth0}
${nodename}
]]
EOF

/usr/bin/python3 - "$BUILD" "$HERE/conkyrc" "$RUNS" "$REFRESHES" <<'PY'
import shutil, statistics, subprocess, sys, time
build, conkyrc, runs, refreshes = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
keltrix = f"{build}/keltrix"
minimal = f"{build}/bench/minimal_console"
conky = shutil.which("conky")

def cost(cmd):
    """Processor time in ms and peak resident size in MB of one run, taken by spawn_cost:
    a peak carries over exec, so the launcher must be small."""
    out = subprocess.run([f"{build}/bench/spawn_cost"] + cmd, capture_output=True, text=True)
    if out.returncode != 0:
        sys.exit(f"{cmd} failed: {out.stderr}")
    ms, kb = out.stdout.split()
    return float(ms), int(kb) / 1024

def median(values):
    return statistics.median(values)

one_k, one_c = [], []
for _ in range(runs):
    one_k.append(cost([keltrix, "--console=1"]))
    one_c.append(cost([conky, "-q", "-c", conkyrc]))
k_cpu, c_cpu = median([c for c, _ in one_k]), median([c for c, _ in one_c])
k_rss, c_rss = max(r for _, r in one_k), max(r for _, r in one_c)

short, long_ = 20, 20 + refreshes
per_k, per_m = [], []
for _ in range(max(3, runs // 4)):
    a = cost([keltrix, f"--console={long_}", "--interval=20"])[0]
    b = cost([keltrix, f"--console={short}", "--interval=20"])[0]
    c = cost([minimal, str(long_), "20"])[0]
    d = cost([minimal, str(short), "20"])[0]
    per_k.append((a - b) / refreshes)
    per_m.append((c - d) / refreshes)
r_k, r_m = median(per_k), median(per_m)

# What a console run maps.
p = subprocess.Popen([keltrix, "--console=2", "--interval=500"], stdout=subprocess.DEVNULL)
time.sleep(0.3)
with open(f"/proc/{p.pid}/maps") as f:
    libs = sorted({line.split()[-1].rsplit("/", 1)[-1] for line in f if ".so" in line})
p.wait()

print(f"one-shot --console=1, median of {runs}: keltrix {k_cpu:.2f} ms, conky {c_cpu:.2f} ms "
      f"= {k_cpu / c_cpu:.2f} x conky")
print(f"peak resident size: keltrix {k_rss:.1f} MB, conky {c_rss:.1f} MB")
print(f"one refresh at 20 ms, median of {len(per_k)}: keltrix {r_k * 1000:.0f} us, "
      f"minimal_console {r_m * 1000:.0f} us = {r_k / r_m:.2f} x")
print(f"a console run maps {len(libs)} libraries: {' '.join(libs)}")
PY
