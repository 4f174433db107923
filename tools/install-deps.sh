#!/usr/bin/env bash
# Installs the Debian 12 packages Veltra needs to build, test and run.
# Safe to run again: apt-get installs only what is missing.
set -euo pipefail
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
packages=(
  build-essential cmake pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev # Qt 6 Core, Gui, Widgets, Test
  libbenchmark-dev                         # the benchmark program
  libxml2-utils libpugixml-dev             # xmllint and a pugixml loader, the benchmark's yardsticks
  fonts-dejavu-core                        # a fixed-pitch font for the views
  fonts-noto-mono                          # the monospace family of common desktops, so the suite runs as there
  clang-format python3                     # the format check and the test helpers
  binutils                                 # readelf, for the layer check of veltra-cli
  unrtf poppler-utils                      # independent readers of the saved RTF and PDF reports
  libboost-math-dev                        # distribution functions of the fitted curves
  qt6-charts-dev libqt6opengl6-dev         # the charts of the distribution window (its CMake files need Qt6 OpenGL)
  python3-scipy                            # the independent check of the distribution functions
  desktop-file-utils                       # desktop-file-validate for the installed desktop entry
  r-base-core                              # Rscript, the independent check of the R formulas of the fits
  libmuparser-dev                          # the formula of an exposure scenario
  libeigen3-dev                            # Cholesky factors of the scenario correlations
  libxlsxwriter-dev                        # the Excel workbooks of the result tables
  python3-openpyxl                         # the independent reader of the saved workbooks
)
if [ "${VELTRA_WITH_X:-0}" = "1" ]; then
  packages+=(xvfb xauth xdotool imagemagick x11-utils) # screenshots under Xvfb
fi
if [ "${VELTRA_WITH_FUZZ:-0}" = "1" ]; then
  packages+=(clang-14 libclang-rt-14-dev libfuzzer-14-dev) # libFuzzer with the sanitizers
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
  $SUDO apt-get update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi
