#!/bin/sh
# cmake --install into a temporary prefix, then examples/host (a form made in Designer holding
# the editor) built against the installed package with find_package(Scrivlet) and run offscreen.
# Usage: install_test.sh BUILD_DIR SOURCE_DIR GENERATOR CXX_COMPILER BUILD_TYPE
set -eu
build=$1
source=$2
generator=$3
compiler=$4
build_type=${5:-Release}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

cmake --install "$build" --prefix "$work/prefix" >"$work/install.log" || {
  cat "$work/install.log" >&2
  fail "cmake --install failed"
}
config=$(find "$work/prefix" -name ScrivletConfig.cmake | head -n 1)
[ -n "$config" ] || fail "no ScrivletConfig.cmake installed"
[ -f "$(dirname "$config")/ScrivletConfigVersion.cmake" ] || fail "no version file"
[ -f "$(dirname "$config")/ScrivletTargets.cmake" ] || fail "no targets file"
for header in qt/scrivlet_widget.h qt/qt_platform.h control/scrivlet.h platform/rich_text_box.h version/version_info.h \
  conversion/html_to_rtf.h; do
  [ -f "$work/prefix/include/scrivlet/$header" ] || fail "header $header not installed"
done
for library in scrivlet_core scrivlet_hosts scrivlet_qt; do
  [ -n "$(find "$work/prefix" -name "lib$library.a")" ] || fail "lib$library.a not installed"
done
if [ -n "$(find "$build" -name libscrivlet_designer.so)" ]; then
  [ -n "$(find "$work/prefix" -path '*plugins/designer/libscrivlet_designer.so')" ] ||
    fail "the Designer plugin is not installed"
fi

cmake -S "$source/examples/host" -B "$work/host" -G "$generator" \
  -DCMAKE_CXX_COMPILER="$compiler" -DCMAKE_BUILD_TYPE="$build_type" \
  -DCMAKE_PREFIX_PATH="$work/prefix" >"$work/configure.log" 2>&1 || {
  cat "$work/configure.log" >&2
  fail "examples/host does not configure against the installed package"
}
cmake --build "$work/host" >"$work/build.log" 2>&1 || {
  cat "$work/build.log" >&2
  fail "examples/host does not build against the installed package"
}
env -u DISPLAY QT_QPA_PLATFORM=offscreen "$work/host/scrivlet-host" >"$work/out.rtf" 2>"$work/err.txt" || {
  cat "$work/err.txt" >&2
  fail "scrivlet-host exited with $?"
}
# The form's properties, set by the code uic wrote, reached the editor.
grep -q '^{\\rtf1' "$work/out.rtf" || fail "no RTF printed: $(head -c 300 "$work/out.rtf")"
grep -q '\\b Hello' "$work/out.rtf" || fail "the form's page is not the document: $(cat "$work/out.rtf")"
grep -q 'Verdana' "$work/out.rtf" || fail "the form's FontName is not in the RTF"
grep -q "<U>host's</U>" "$work/out.rtf" || fail "the host's assignment is not the document"
echo "install and example host: ok"
