#!/bin/sh
# Builds and runs every test: once as built for use, and the tests outside the Qt widget again
# with AddressSanitizer and UndefinedBehaviorSanitizer; then runs each fuzz target for a short
# smoke period on its seed corpus.
set -eu
cd "$(dirname "$0")/.."

scripts/install-deps.sh

cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build/test -j2
ctest --test-dir build/test --output-on-failure -j2

cmake -S . -B build/sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DSCRIVLET_SANITIZE=ON \
  -DSCRIVLET_QT=OFF
cmake --build build/sanitize -j2
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build/sanitize --output-on-failure -j2

# libFuzzer comes with clang; scripts/install-deps.sh installs it.
if command -v clang++ >/dev/null 2>&1; then
  fuzz/smoke.sh 20
else
  echo "clang++ not found: the fuzz smoke run is skipped"
fi
