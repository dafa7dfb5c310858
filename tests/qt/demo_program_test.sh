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
# A fresh run keeps nothing.
[ ! -e "$work/config/Korvex/Scrivlet Demo.conf" ] || fail "a --fresh run saved settings"

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
