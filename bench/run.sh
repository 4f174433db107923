#!/usr/bin/env bash
# Builds the benchmark program in Release mode and runs it: loading the parameter table
# of a synthetic 20,000-row database (with xmllint on the same file as the yardstick),
# switching the topic filter, re-sorting; and the viewer's start-up and parameter-row
# change on the same database (offscreen). Extra arguments go to the benchmark program
# (for example --benchmark_filter=Resort).
#
# Environment: BUILD_DIR (default <root>/build-bench), JOBS (default 2),
# CMAKE_ARGS (more configure options; -DVELTRA_GUI=OFF leaves the viewer's benchmarks out).
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${BUILD_DIR:-$root/build-bench}"
jobs="${JOBS:-2}"

# shellcheck disable=SC2086
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DVELTRA_BENCH=ON \
    ${CMAKE_ARGS:-} >/dev/null
cmake --build "$build" -j "$jobs" --target veltra_bench

QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}" \
    "$build/bin/veltra_bench" --benchmark_counters_tabular=true "$@"
