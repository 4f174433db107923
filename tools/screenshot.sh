#!/bin/bash
# Makes the pictures of the documentation on a virtual X display, with the sample database:
#
#   screenshot-main.png     the main window on a parameter row with quality restrictions
#   screenshot-report.png   the "Report" tab after "Report > Documentation (full)" on that row
#   screenshot-distributions.png  the distribution window on that row (DataTables >
#                           Distributions); screenshot-distributions-qq.png its Q-Q view
#                           on log scales
#   screenshot-scenario.png the scenario window after a run over every age group
#   screenshot-about.png    the about box, opened with the "Info" menu entry
#   screenshot-convert.png  the conversion window after Transform has converted GF lines
#   screenshot-wait-notice.png  the screen while "&Search" generates the index of the
#                           synthetic database of the benchmarks (20,000 parameter rows):
#                           the wait notice drawn over the main window
#
#   tools/screenshot.sh [VELTRA_EXECUTABLE [OUTPUT_DIR]]
#
# VELTRA_EXECUTABLE defaults to build/bin/veltra, OUTPUT_DIR to docs/. The windows are
# driven like a user drives them: menu accelerators, keys and typed text through xdotool.
#
# The viewer has no menu entry that opens the conversion window, and it gets no
# command-line switch for pictures. Its picture comes from a small helper program,
# veltra-shot-convert (tools/screenshots/), that only shows that window as the viewer
# creates it; the script types the GF lines of the sample's first age group into the
# input area and presses Transform. The helper is built beside the viewer when the build
# is configured with -DVELTRA_SCREENSHOTS=ON; without it the other pictures are still
# made and the script ends with an error naming the missing helper.
#
# Needs Xvfb, xdotool and ImageMagick's import (VELTRA_WITH_X=1 tools/install-deps.sh).
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
exe="${1:-$root/build/bin/veltra}"
outdir="${2:-$root/docs}"
[ -x "$exe" ] || { echo "no viewer at $exe (build the target veltra first)" >&2; exit 1; }
helper="$(dirname "$exe")/veltra-shot-convert"

work="$(mktemp -d -t veltra-sample.XXXXXX)"
viewer=""
converter=""
xvfb=""
cleanup() {
    for pid in $converter $viewer $xvfb; do
        kill "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT
# The viewer keeps its settings beside the executable: a copy keeps the build's clean.
cp "$root"/sample/*.xml "$work"/
cp "$exe" "$work"/veltra
mkdir -p "$outdir"

display=":$((90 + RANDOM % 100))"
Xvfb "$display" -screen 0 1280x900x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
sleep 1
export DISPLAY="$display"
unset QT_QPA_PLATFORM

# Prints the id of the first visible window whose title matches $1, waiting up to 10 s.
wait_window() {
    local id=""
    for _ in $(seq 50); do
        id="$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1 || true)"
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.2
    done
    echo "no window titled '$1' appeared" >&2
    return 1
}

# Gives the window the keyboard (there is no window manager to do it) and the pointer.
focus() {
    xdotool mousemove --window "$1" 20 60
    xdotool windowfocus --sync "$1" 2>/dev/null || xdotool windowfocus "$1"
    sleep 0.3
}

shoot() {
    import -window "$1" "$outdir/$2"
    echo "saved $outdir/$2"
}

# --- the main window, its report and the about box -------------------------------------
"$work"/veltra "$work" >/dev/null 2>&1 &
viewer=$!
main="$(wait_window 'Veltra  Exposure')"
sleep 1

# The third row of the parameter grid (the first rows of the sample carry restriction flags).
xdotool mousemove --window "$main" 560 92 click 1
sleep 1
shoot "$main" screenshot-main.png

# Report > Documentation (full): the report of that row fills the "Report" tab.
focus "$main"
xdotool key alt+r
sleep 0.5
xdotool key d
sleep 2
shoot "$main" screenshot-report.png

# DataTables > Distributions: the distribution window of that row's first age group.
focus "$main"
xdotool key alt+t
sleep 0.5
xdotool key d
dist="$(wait_window '^Distributions$')"
xdotool windowsize "$dist" 1180 860
sleep 1.5
shoot "$dist" screenshot-distributions.png
# The Q-Q tab and "log x" (both at fixed places of the window's layout).
xdotool mousemove --window "$dist" 268 44 click 1
sleep 0.5
xdotool mousemove --window "$dist" 18 533 click 1
sleep 1
shoot "$dist" screenshot-distributions-qq.png

# Model > Scenario: the scenario window, a scenario over every age group of the sample's
# body weight opened through its file dialog and run.
cp "$root"/tests/data/scenarios/body_weight_ages.vscenario.json "$work"/
focus "$main"
xdotool key alt+m
sleep 0.5
xdotool key s
scenario="$(wait_window '^Scenario$')"
xdotool windowsize "$scenario" 1100 880
sleep 1
focus "$scenario"
xdotool key alt+o
sleep 1.5
xdotool type --delay 20 "$work/body_weight_ages.vscenario.json"
xdotool key Return
sleep 1.5
scenario="$(wait_window '^Scenario - ')"
focus "$scenario"
xdotool key alt+r
sleep 8
shoot "$scenario" screenshot-scenario.png
xdotool key Escape

# Info: the about box, a modal dialog of its own.
focus "$main"
xdotool key alt+i
about="$(wait_window '^Info$')"
sleep 1
shoot "$about" screenshot-about.png
focus "$about"
xdotool key Escape
kill "$viewer" 2>/dev/null || true
viewer=""

# --- the wait notice ---------------------------------------------------------------------
# A database large enough that its index generation lasts: the helper veltra-shot-synthetic
# writes the benchmarks' synthetic database. The screen is taken as soon as the notice
# shows, while the generation runs.
synthetic="$(dirname "$exe")/veltra-shot-synthetic"
if [ -x "$synthetic" ]; then
    big="$work/big"
    mkdir -p "$big"
    "$synthetic" "$big"
    cp "$exe" "$big"/veltra
    "$big"/veltra "$big" >/dev/null 2>&1 &
    viewer=$!
    main="$(wait_window 'Veltra  Exposure')"
    sleep 1
    focus "$main"
    xdotool key ctrl+f
    wait_window "What's going on" >/dev/null
    sleep 0.3
    import -window root "$outdir/screenshot-wait-notice.png"
    echo "saved $outdir/screenshot-wait-notice.png"
    wait_window 'Data Search by Keywords' >/dev/null || true
    kill "$viewer" 2>/dev/null || true
    viewer=""
fi

# --- the conversion window -------------------------------------------------------------
if [ ! -x "$synthetic" ]; then
    echo "no $synthetic: configure the build with -DVELTRA_SCREENSHOTS=ON and build" \
        "veltra-shot-synthetic for the picture of the wait notice" >&2
fi
if [ ! -x "$helper" ]; then
    echo "no $helper: configure the build with -DVELTRA_SCREENSHOTS=ON and build" \
        "veltra-shot-convert for the picture of the conversion window" >&2
    exit 1
fi
"$helper" >/dev/null 2>&1 &
converter=$!
convert="$(wait_window '^Transform GF into Standard parameter$')"
sleep 1
focus "$convert"
# The GF lines of the first age group of the sample's first data file, as the data set
# stores them.
gf="$(python3 - "$root/sample/ef0001.xml" <<'EOF'
import sys
import xml.etree.ElementTree as ET
row = ET.parse(sys.argv[1]).getroot().find('ROWDATA/ROW')
print('\n'.join(l for l in row.get('GENERALF').splitlines() if l.strip()))
EOF
)"
# The Transform button has the focus when the window opens; Tab moves on to the input
# area, Shift+Tab back to the button, and Space presses it.
# Each line is typed on its own: xdotool types a line feed as no key at all.
xdotool key Tab
while IFS= read -r line; do
    xdotool type --delay 15 "$line"
    xdotool key Return
done <<<"$gf"
xdotool key shift+Tab
sleep 0.3
xdotool key space
sleep 1
shoot "$convert" screenshot-convert.png
