# An installation into a DESTDIR holds what a distribution ships, each part valid: the
# stripped program, the desktop file, the AppStream metadata, a manual page that renders, the
# icon found by name in the hicolor theme, the config sets and the documents. Run from there
# (as root in CI), the program creates nothing under its prefix.
source "$(dirname "$0")/lib.sh"

BUILD=$(dirname "$KELTRIX")
DEST=$TESTROOT/dest
PREFIX=/usr/local
ROOT=$DEST$PREFIX
DESTDIR=$DEST cmake --install "$BUILD" --prefix "$PREFIX" --strip >"$TESTROOT/install.log" 2>&1 ||
    { cat "$TESTROOT/install.log"; fail "cmake --install failed"; }

# 1. The files, and nothing outside the places a package may fill.
expected=(
    bin/keltrix
    libexec/keltrix/keltrix
    libexec/keltrix/server/keltrix
    share/applications/keltrix.desktop
    share/metainfo/org.keltrix.Keltrix.metainfo.xml
    share/man/man1/keltrix.1
    share/icons/hicolor/scalable/apps/keltrix.svg
    share/keltrix/configs/Compact.kcfg share/keltrix/configs/Desktop.kcfg
    share/keltrix/configs/Network.kcfg share/keltrix/configs/Sensors.kcfg
    share/doc/keltrix/README.md share/doc/keltrix/LICENSE share/doc/keltrix/TAGS.md
)
for size in 16 22 24 32 48 64 128 256; do
    expected+=("share/icons/hicolor/${size}x${size}/apps/keltrix.png")
done
for f in "${expected[@]}"; do [ -f "$ROOT/$f" ] || fail "not installed: $PREFIX/$f"; done
stray=$(cd "$DEST" && find . -type f | sed 's|^\./||' |
    grep -Ev "^${PREFIX#/}/(bin|lib|libexec|share/(applications|metainfo|man|icons|keltrix|doc))/" || true)
[ -z "$stray" ] || fail "installed outside the usual folders: $stray"
pass "installed: $(cd "$DEST" && find . -type f | wc -l) files in their places"

for p in bin/keltrix libexec/keltrix/keltrix libexec/keltrix/server/keltrix; do
    file -b "$ROOT/$p" | grep -q ', stripped' || fail "$p is not stripped: $(file -b "$ROOT/$p")"
done
pass "the three programs are stripped"

# 2. Each part valid for its tool.
desktop-file-validate "$ROOT/share/applications/keltrix.desktop" || fail "the desktop file does not validate"
grep -qx 'Icon=keltrix' "$ROOT/share/applications/keltrix.desktop" || fail "the desktop file names another icon"
appstreamcli validate --no-net "$ROOT/share/metainfo/org.keltrix.Keltrix.metainfo.xml" \
    >"$TESTROOT/appstream.log" 2>&1 || { cat "$TESTROOT/appstream.log"; fail "the metainfo does not validate"; }
version=$("$KELTRIX" --version | awk '{ print $2 }')
grep -q "release version=\"$version\"" "$ROOT/share/metainfo/org.keltrix.Keltrix.metainfo.xml" ||
    fail "the metainfo names another release than $version"
pass "desktop file and AppStream metadata validate"

MANWIDTH=80 man --warnings -l "$ROOT/share/man/man1/keltrix.1" >"$TESTROOT/man.txt" 2>"$TESTROOT/man.err" ||
    fail "man cannot render keltrix.1"
[ ! -s "$TESTROOT/man.err" ] || { cat "$TESTROOT/man.err"; fail "man warns about keltrix.1"; }
for word in PROCUSAGE -noballoon 'CONSOLE MODE' registry.reg '<PIXELSTART=n>'; do
    grep -q -- "$word" "$TESTROOT/man.txt" || fail "the rendered manual page lacks $word"
done
pass "the manual page renders without warnings ($(wc -l <"$TESTROOT/man.txt") lines)"

# 3. The icon, looked up by name as the icon theme rules have a desktop do it.
/usr/bin/python3 - "$ROOT/share/icons" <<'PY' || fail "the icon is not found by name in the hicolor theme"
import configparser, struct, sys
ours = sys.argv[1]
theme = configparser.ConfigParser(interpolation=None)
theme.read("/usr/share/icons/hicolor/index.theme")
dirs = [d for d in theme["Icon Theme"]["Directories"].split(",") if d]
def matches(d, size):
    s = theme[d]; kind = s.get("Type", "Threshold"); n = int(s["Size"])
    if kind == "Fixed": return n == size
    if kind == "Scalable": return int(s.get("MinSize", n)) <= size <= int(s.get("MaxSize", n))
    t = int(s.get("Threshold", 2)); return n - t <= size <= n + t
def lookup(name, size):
    for d in dirs:
        if matches(d, size):
            for ext in ("png", "svg"):
                path = f"{ours}/hicolor/{d}/{name}.{ext}"
                try: open(path).close(); return path
                except OSError: pass
    return None
for size in (16, 22, 24, 32, 48, 64, 128, 256):
    if not lookup("keltrix", size): sys.exit(f"keltrix at {size} px: not found")
    path = f"{ours}/hicolor/{size}x{size}/apps/keltrix.png"
    with open(path, "rb") as f: head = f.read(24)
    w, h = struct.unpack(">II", head[16:24])
    if head[:8] != b"\x89PNG\r\n\x1a\n" or (w, h) != (size, size): sys.exit(f"{path} is {w}x{h}")
try:
    open(f"{ours}/hicolor/scalable/apps/keltrix.svg").close()
except OSError:
    sys.exit("no scalable keltrix icon")
if "scalable/apps" not in dirs: sys.exit("the theme has no scalable/apps folder")
print("ok - keltrix is found by name in the hicolor theme at every size")
PY

# 4. Run from the installation, the program writes only into the user's folders.
before=$(cd "$DEST" && find . | sort)
"$ROOT/bin/keltrix" --console=1 --format=x >"$TESTROOT/console.txt" 2>&1 || fail "the installed console run failed"
start_keltrix_at() { (cd "$HOME" && exec "$1" -noballoon) >>"$TESTROOT/keltrix.log" 2>&1 & LAST_PID=$!; PIDS+=("$LAST_PID"); }
start_keltrix_at "$ROOT/bin/keltrix"
wait_for_window "$LAST_PID" Keltrix || { cat "$TESTROOT/keltrix.log"; fail "the installed program shows no window"; }
kill -TERM "$LAST_PID"
wait_for_exit "$LAST_PID" || fail "the installed program did not end on SIGTERM"
after=$(cd "$DEST" && find . | sort)
[ "$before" = "$after" ] || fail "the run created under the prefix: $(diff <(echo "$before") <(echo "$after") | grep '^>')"
[ -d "$XDG_DATA_HOME/keltrix/dll" ] || fail "the dll folder is not in the user's data folder"
pass "run as $(id -un), the installed program created nothing under $PREFIX; its dll folder is in \$XDG_DATA_HOME/keltrix"
