#!/bin/sh
# Runs every benchmark executable built in the build folder given as $1 (default: build-bench).
set -eu
build="${1:-build-bench}"
found=0
for exe in "$build"/bench/bench_*; do
    [ -f "$exe" ] && [ -x "$exe" ] || continue
    found=1
    echo "== $(basename "$exe")"
    QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}" "$exe"
done
if [ "$found" -eq 0 ]; then
    echo "no benchmarks found in $build/bench (configure with -DVORLITH_BENCH=ON)" >&2
    exit 1
fi
