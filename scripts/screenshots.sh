#!/usr/bin/env bash
# Screenshots of the desktop program: the main window in text mode and in
# macro mode with the tree of an example, and the log window after a run.
#
#   scripts/screenshots.sh [BUILD_DIR] [OUTPUT_DIR]
#
# Runs on a virtual X server (Xvfb) when one can be started, so the pictures
# are what a desktop shows; otherwise on Qt's offscreen platform.
set -euo pipefail
build_dir=${1:-build}
cd "$(dirname "$0")/.."
output_dir=${2:-$build_dir/screenshots}
cmake --build "$build_dir" -j 2 --target edamaki_screenshots >/dev/null
mkdir -p "$output_dir"
if command -v xvfb-run >/dev/null 2>&1; then
    QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1024x768x24" \
        "$build_dir/edamaki_screenshots" "$output_dir" examples
else
    echo "xvfb-run not found: using the offscreen platform" >&2
    QT_QPA_PLATFORM=offscreen "$build_dir/edamaki_screenshots" "$output_dir" examples
fi
