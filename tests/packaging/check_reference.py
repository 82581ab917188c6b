# The reference a user reads against what the program holds:
# - `keltrix --tags` is docs/TAGS.md, byte for byte;
# - rendered as GitHub renders Markdown (cmark-gfm), TAGS.md shows every title, tag name,
#   description and default usage exactly as the formatters hold them, and every markup
#   code, link form and attribute;
# - `keltrix --help` has a line for every switch;
# - the manual page renders without a warning and carries the switches and every tag.
#   check_reference.py KELTRIX CATALOGUE_DUMP TAGS_MD MANPAGE
import difflib
import html.parser
import os
import re
import subprocess
import sys

keltrix, dump, tags_md, manpage = sys.argv[1:5]
failures = []


def fail(message):
    failures.append(message)


def records():
    data = subprocess.run([dump], check=True, capture_output=True).stdout.decode()
    for record in data.split("\0\0"):
        if record:
            yield record.split("\0")


def lines_of(text):
    return text.replace("\r\n", "\n").replace("\r", "\n").rstrip("\n")


def squash(text):
    return " ".join(text.split())


# 1. The file is what the program prints.
printed = subprocess.run([keltrix, "--tags"], check=True, capture_output=True).stdout
with open(tags_md, "rb") as f:
    stored = f.read()
if printed != stored:
    diff = difflib.unified_diff(stored.decode().splitlines(), printed.decode().splitlines(),
                                "docs/TAGS.md", "keltrix --tags", lineterm="", n=1)
    fail("docs/TAGS.md differs from `keltrix --tags`; write it again with "
         "`build/keltrix --tags > docs/TAGS.md`:\n" + "\n".join(list(diff)[:40]))


# 2. What a reader of the rendered file sees.
class Page(html.parser.HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.codes, self.headings, self.stack, self.text = [], {"h2": [], "h3": []}, [], []

    def handle_starttag(self, tag, attrs):
        self.stack.append(tag)
        if tag in ("code", "h2", "h3"):
            self.text.append("")

    def handle_endtag(self, tag):
        if tag in ("code", "h2", "h3"):
            text = self.text.pop()
            if tag == "code":
                self.codes.append(text)
            else:
                self.headings[tag].append(text)
            if self.text:
                self.text[-1] += text
        self.stack.pop()

    def handle_data(self, data):
        if self.text:
            self.text[-1] += data


rendered = subprocess.run(["cmark-gfm", "-e", "table", tags_md], check=True,
                          capture_output=True).stdout.decode()
page = Page()
page.feed(rendered)
codes = set(page.codes)
seen_tags = 0
for r in records():
    kind = r[0]
    if kind == "tag":
        heading, title, name, description, usage = r[1:]
        seen_tags += 1
        if not any(h.startswith(heading) for h in page.headings["h2"]):
            fail(f"no section {heading!r} in the rendered TAGS.md")
        if title not in page.headings["h3"]:
            fail(f"the title {title!r} is no heading of the rendered TAGS.md")
        desc = lines_of(description)
        if name not in codes:
            fail(f"the tag name {name!r} does not show in the rendered TAGS.md")
        if desc not in codes and desc + "\n" not in codes:
            fail(f"the description of {title!r} does not show as held:\n  {desc!r}")
        if lines_of(usage) not in codes:
            fail(f"the default usage of {title!r} does not show as held: {usage!r}")
    elif kind in ("attribute", "markup", "link"):
        if r[1] not in codes:
            fail(f"the {kind} {r[1]!r} does not show in the rendered TAGS.md")
if seen_tags < 40:
    fail(f"only {seen_tags} tags in the catalogue")

# 3. --help: one line per switch, beginning with it.
usage = subprocess.run([keltrix, "--help"], check=True, capture_output=True, text=True).stdout
help_keys = [line.split()[0] for line in usage.splitlines() if line.startswith("  -")]
for r in records():
    if r[0] == "switch":
        if r[1] not in help_keys:
            fail(f"--help has no line for {r[1]}")
        if squash(r[2]) not in squash(usage):
            fail(f"--help does not explain {r[1]} as held: {r[2]!r}")
for switch in ["-h", "-l", "-noballoon", "-instanceid(NAME)", "-loadkcfg(FILE)", "-stats",
               "-noupdate", "-noresmove", "-advdebug[N]", "-debug", "-crash", "-c", "-iHOST",
               "-pPORT", "-dPASSWORD", "-RESET", "-C", "-?", "-MULTIPLE", "--tags"]:
    if switch not in help_keys:
        fail(f"--help leaves out {switch}")

# 4. The manual page.
env = dict(os.environ, MANWIDTH="100", LC_ALL="C.UTF-8")
man = subprocess.run(["man", "--warnings", "-l", manpage], capture_output=True, text=True,
                     env=env)
if man.returncode != 0 or man.stderr.strip():
    fail(f"man -l {manpage} warns or fails ({man.returncode}):\n{man.stderr}")
text = re.sub(".\b", "", man.stdout).replace("\u2010", "-").replace("\u2212", "-")
flat = squash(text)
for section in ["NAME", "SYNOPSIS", "OPTIONS", "CONSOLE MODE", "TAGS", "MARKUP CODES", "LINKS",
                "FILES"]:
    if not re.search(rf"^{section}$", text, re.M):
        fail(f"the manual page has no section {section}")
for r in records():
    if r[0] == "tag":
        if r[3] not in flat or r[2] not in flat:
            fail(f"the manual page does not carry the tag {r[2]} ({r[3]})")
        if squash(r[5]) not in flat:
            fail(f"the manual page does not show the default usage of {r[2]}: {r[5]!r}")
    elif r[0] in ("switch", "markup", "link", "attribute") and r[1] not in flat:
        fail(f"the manual page does not carry the {r[0]} {r[1]}")

for f in failures:
    print("FAIL:", f)
if failures:
    sys.exit(1)
print(f"ok - TAGS.md is the program's reference; {seen_tags} tags show as held there, in "
      "--help and in the manual page")
