#!/bin/sh
# Builds Scrivlet and runs the main job: the demo host, scrivlet-demo. On a machine without a
# display it renders its window offscreen into a PNG file, then prints the file's path and the
# page's HTML. Arguments are passed to scrivlet-demo (see scrivlet-demo --help).
set -eu
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DSCRIVLET_BUILD_TESTS=OFF
cmake --build build/release -j2 --target scrivlet-demo

demo=build/release/tools/demo/scrivlet-demo
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec "$demo" "$@"
fi
mkdir -p build/screenshots
exec "$demo" --screenshot build/screenshots/scrivlet-demo.png --print-html "$@"
