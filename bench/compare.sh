#!/bin/sh
# Builds the benchmarks for speed, generates the documents, and compares our converters and the
# headless surface with the peers a user would otherwise pick (unrtf, pandoc) and with one pass
# over the same bytes: MB/s, peak memory, each of our figures as a ratio to every peer and to
# the one pass, and the time growth from 1 MB to 10 MB.
#
# Usage: bench/compare.sh [SIZES]        (default 100K,1M,10M)
# Environment: SCRIVLET_BENCH_DIR   build directory (default build/bench)
#              SCRIVLET_GEN_DOCS    the document generator (default ../shared/bench/gen_docs.py)
#              SCRIVLET_BENCH_REPETITIONS (default 5), SCRIVLET_PEER_RUNS (default 3)
set -eu
cd "$(dirname "$0")/.."

build="${SCRIVLET_BENCH_DIR:-build/bench}"
sizes="${1:-100K,1M,10M}"
generator="${SCRIVLET_GEN_DOCS:-../shared/bench/gen_docs.py}"

# Google Benchmark, the peers and /usr/bin/time, from Debian's packages when missing.
scripts/install-deps.sh libbenchmark-dev unrtf pandoc time

cmake -S bench -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build"
python3 "$generator" --sizes "$sizes" --out "$build/docs" >/dev/null
python3 bench/compare.py --build "$build" --sizes "$sizes" \
  --repetitions "${SCRIVLET_BENCH_REPETITIONS:-5}" --peer-runs "${SCRIVLET_PEER_RUNS:-3}"
