#!/bin/sh
# Builds Scrivlet and runs the main job: the command-line tool converting the sample page into
# the RTF document the control loads, and the sample RTF document back into HTML.
set -eu
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DSCRIVLET_BUILD_TESTS=OFF
cmake --build build/release -j2 --target scrivlet

echo "== examples/sample.html as the document a TextHTML assignment loads"
build/release/tools/scrivlet html2rtf --document examples/sample.html
echo
echo "== examples/sample.rtf read back as HTML"
build/release/tools/scrivlet rtf2html --direct examples/sample.rtf
echo
