#!/bin/bash
# Starts the viewer on a virtual X display with the sample database, chooses a parameter
# row with quality restrictions and saves a picture of the main window.
#
#   tools/screenshot.sh [VELTRA_EXECUTABLE [OUTPUT_PNG]]
#
# Needs Xvfb, xdotool and ImageMagick's import.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
exe="${1:-$root/build/bin/veltra}"
out="${2:-$root/docs/screenshot-main.png}"
[ -x "$exe" ] || { echo "no viewer at $exe (build the target veltra first)" >&2; exit 1; }

work="$(mktemp -d)"
trap 'kill "$viewer" "$xvfb" 2>/dev/null || true; rm -rf "$work"' EXIT
cp "$root"/sample/*.xml "$work"/
cp "$exe" "$work"/veltra

display=":$((90 + RANDOM % 100))"
Xvfb "$display" -screen 0 1280x900x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
sleep 1
export DISPLAY="$display"
unset QT_QPA_PLATFORM
"$work"/veltra "$work" >/dev/null 2>&1 &
viewer=$!

window=""
for _ in $(seq 50); do
    window="$(xdotool search --name 'Veltra  Exposure' 2>/dev/null | head -1 || true)"
    [ -n "$window" ] && break
    sleep 0.2
done
[ -n "$window" ] || { echo "the viewer window did not appear" >&2; exit 1; }
sleep 1

# The third row of the parameter grid (the first rows of the sample carry restriction flags).
xdotool mousemove --window "$window" 560 92 click 1
sleep 1
mkdir -p "$(dirname "$out")"
import -window "$window" "$out"
echo "saved $out"
