#!/usr/bin/env bash
# Builds the benchmark program in Release mode and runs it: loading the parameter table
# of a synthetic 20,000-row database (with xmllint on the same file as the yardstick),
# switching the topic filter, re-sorting. Extra arguments go to the benchmark program
# (for example --benchmark_filter=Resort).
#
# Environment: BUILD_DIR (default <root>/build-bench), JOBS (default 2),
# CMAKE_ARGS (more configure options; the viewer is left out by default, the
# benchmarks need the core library only).
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${BUILD_DIR:-$root/build-bench}"
jobs="${JOBS:-2}"

# shellcheck disable=SC2086
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DVELTRA_BENCH=ON -DVELTRA_GUI=OFF \
    ${CMAKE_ARGS:-} >/dev/null
cmake --build "$build" -j "$jobs" --target veltra_bench

"$build/bin/veltra_bench" --benchmark_counters_tabular=true "$@"
