#!/usr/bin/env bash
# Builds the benchmark program in Release mode and runs it: loading the parameter table
# of a synthetic 20,000-row database (with xmllint on the same file as the yardstick),
# switching the topic filter, re-sorting; the table generators on a data file of 1,000
# age groups; the search index generation and a keyword search; the documentation report
# of one parameter row, its RTF text and the fit analysis of one age group; and the
# viewer's start-up, parameter-row change and age-group change (alone and with the
# distribution window shown) on the same database (offscreen). Extra arguments go to the
# benchmark program (for example --benchmark_filter=Resort).
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
