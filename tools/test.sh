#!/usr/bin/env bash
# Installs what is missing, builds everything (viewer, CLI, tests, benchmark) and runs
# the whole test suite through CTest; then builds and runs it once more with
# AddressSanitizer and UndefinedBehaviorSanitizer. Exits non-zero when any test fails.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
jobs="$(nproc)"
bash "$root/tools/install-deps.sh"

cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$root/build" -j"$jobs"
(cd "$root/build" && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$jobs")

cmake -S "$root" -B "$root/build-asan" -DCMAKE_BUILD_TYPE=Debug -DVELTRA_SANITIZE=ON -DVELTRA_BENCH=OFF
cmake --build "$root/build-asan" -j"$jobs"
(cd "$root/build-asan" && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$jobs")
