#!/usr/bin/env bash
# Installs what is missing, builds, and starts the viewer on the bundled sample database.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/tools/install-deps.sh"
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$root/build" -j"$(nproc)"
cd "$root/build/bin"
exec ./veltra "$@"
