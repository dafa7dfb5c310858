#!/bin/sh
# scrivlet-demo as the README's run command starts it on a machine without a display: it renders
# its window offscreen into a PNG file, prints the file's path, then the document's HTML.
# Usage: demo_program_test.sh SCRIVLET_DEMO EXAMPLES_DIR
set -eu
demo=$1
examples=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# The user's configuration, which a --fresh run must neither read nor change.
mkdir -p "$work/config/Korvex"
printf '[Editor]\nFontName=Georgia\n[Document]\nHTML=<B>stored page</B>\n' >"$work/config/Korvex/Scrivlet Demo.conf"
printf '[Scrivlet]\nFTPSetup\\Proxy=proxy.example:8080\n' >"$work/config/Korvex/Scrivlet.ini"
listing() { (cd "$work/config" && find . -exec ls -ld --time-style=+%s.%N {} \; -type f -exec md5sum {} \; | sort); }
before=$(listing)

# No display, no platform chosen: the demo must choose offscreen itself.
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM XDG_CONFIG_HOME="$work/config" \
  "$demo" --fresh --screenshot shot.png --print-html >out.txt 2>err.txt || {
  cat err.txt >&2
  fail "scrivlet-demo exited with $?"
}
grep -qx "Screenshot: $work/shot.png" out.txt || fail "no screenshot path in: $(head -c 300 out.txt)"
[ -s shot.png ] || fail "no screenshot written"
[ "$(head -c 8 shot.png | od -An -tx1 | tr -d ' \n')" = "89504e470d0a1a0a" ] || fail "not a PNG file"
grep -q "^<!-- Korvex, Inc. Scrivlet" out.txt || fail "no HTML printed"
grep -q "Scrivlet sample page" out.txt || fail "the sample page is not the document"
# A fresh run reads and keeps nothing of the user's configuration.
if grep -q "stored page" out.txt; then fail "a --fresh run read the stored document"; fi
[ "$(listing)" = "$before" ] || fail "a --fresh run changed the configuration folder"

# At twice the scale the first window still fits the offscreen screen (800x800 pixels).
env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen QT_SCALE_FACTOR=2 \
  XDG_CONFIG_HOME="$work/config" "$demo" --fresh --screenshot scaled.png >/dev/null 2>err.txt || {
  cat err.txt >&2
  fail "scrivlet-demo at scale 2 exited with $?"
}
python3 - scaled.png <<'PY' || fail "the window at scale 2 is larger than the screen"
import struct, sys
with open(sys.argv[1], "rb") as f:
    header = f.read(24)
width, height = struct.unpack(">II", header[16:24])
sys.exit(0 if width <= 800 and height <= 800 else 1)
PY

# A page given on the command line is the document.
printf '<B>given page</B>' >given.html
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM XDG_CONFIG_HOME="$work/config" \
  "$demo" --fresh --html given.html --screenshot given.png --print-html >given.txt 2>err.txt || {
  cat err.txt >&2
  fail "scrivlet-demo --html exited with $?"
}
grep -q "<B>given page</B>" given.txt || fail "the given page is not the document"
[ -s given.png ] || fail "no screenshot of the given page"

# A page the converter rejects (one of the control's own) is reported, with a failure status.
printf '<!-- Korvex, Inc. Scrivlet 2.3.0.0 --><FONT SIZE=huge>x</FONT>' >bad.html
if env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME="$work/config" \
  "$demo" --fresh --html bad.html --screenshot bad.png >/dev/null 2>err.txt; then
  fail "a rejected page was accepted"
fi
grep -q "huge" err.txt || fail "the rejection does not name the value: $(cat err.txt)"
[ -f "$examples/sample.html" ] || fail "examples/sample.html is missing"
echo "demo program: ok"
