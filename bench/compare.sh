#!/bin/sh
# Builds the benchmarks for speed, generates the documents, and compares our converters, the
# headless surface and the whole control's TextHTML round trip (headless, and in the Qt widget
# when Qt 6 is there) with the peers a user would otherwise pick (unrtf, pandoc) and with one
# pass over the same bytes: MB/s, peak memory, each of our figures as a ratio to every peer and
# to the one pass, and the time growth from 1 MB to 10 MB; keystrokes on the headless surface. In
# the Qt widget it also times bold over a whole page and reading its TextHTML, and typing (a key,
# Backspace, Enter, a paste) at the start, middle and end of the 1 MB and 10 MB pages and of a
# 1 MB single paragraph; the command-line tool end to end. Figures recorded before are printed
# beside today's, with the machine's load.
#
# Usage: bench/compare.sh [SIZES]        (default 100K,1M,10M)
# Environment: SCRIVLET_BENCH_DIR   build directory (default build/bench)
#              SCRIVLET_GEN_DOCS    the document generator (default bench/gen_docs.py)
#              SCRIVLET_BENCH_REPETITIONS (default 5), SCRIVLET_PEER_RUNS (default 3)
set -eu
cd "$(dirname "$0")/.."

build="${SCRIVLET_BENCH_DIR:-build/bench}"
sizes="${1:-100K,1M,10M}"
generator="${SCRIVLET_GEN_DOCS:-bench/gen_docs.py}"

# Google Benchmark, the peers and /usr/bin/time, from Debian's packages when missing (the base
# set brings the control's own: libcurl and Qt 6).
scripts/install-deps.sh libbenchmark-dev unrtf pandoc time

cmake -S bench -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build"
python3 "$generator" --sizes "$sizes" --out "$build/docs" >/dev/null
python3 bench/compare.py --build "$build" --sizes "$sizes" \
  --repetitions "${SCRIVLET_BENCH_REPETITIONS:-5}" --peer-runs "${SCRIVLET_PEER_RUNS:-3}"

# The headless surface's keystrokes (a key, Backspace, Enter, an 80-character paste at the start,
# middle and end) on each page and on the page as one paragraph: median and 99th percentile.
for size in $(echo "$sizes" | tr ',' ' '); do
  "$build/converters_bench" --docs="$build/docs" --only="SurfaceKeys/$size" 2>&1
done

# The demo host's window on each page: opening until the first screen and until laid out, and a
# key typed while the HTML pane rebuilds.
if [ -x "$build/demo_host_bench" ]; then
  for size in $(echo "$sizes" | tr ',' ' '); do
    "$build/demo_host_bench" "$build/docs/doc_$size.html" 2>/dev/null
  done
fi
