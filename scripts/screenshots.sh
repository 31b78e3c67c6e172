#!/usr/bin/env bash
# Screenshots of every window of the desktop program: the main window in text
# and in macro mode, the find and the replace dialog, the log window after a
# run (a red line current, its reason on the status line), the macro tag
# dialog on each tab, the about box, the tree pane's context menu and a folder
# being named in it, the open, save and folder dialogs, and the help window.
#
#   scripts/screenshots.sh [BUILD_DIR] [OUTPUT_DIR]
#
# Builds the screenshot program (tools/screenshots), without the tests, in a
# build folder of its own, BUILD_DIR followed by "-screenshots" (BUILD_DIR
# defaults to build), and leaves BUILD_DIR itself alone. The pictures go to OUTPUT_DIR, by default the
# folder "png" in that build folder. Runs on a virtual X server (Xvfb) when
# one can be started, so the pictures are what a desktop shows; otherwise on
# Qt's offscreen platform.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${1:-build}
own_build="${build_dir%/}-screenshots"
output_dir=${2:-$own_build/png}

log="$own_build/screenshots-build.log"
mkdir -p "$own_build"
if ! { [ -f "$own_build/CMakeCache.txt" ] \
    || cmake -S . -B "$own_build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DEDAMAKI_BUILD_BENCH=OFF -DBUILD_TESTING=OFF; } >"$log" 2>&1 \
    || ! cmake --build "$own_build" -j 2 --target edamaki_screenshots >>"$log" 2>&1; then
    tail -n 30 "$log" >&2
    echo "building the screenshot program in $own_build failed (the whole log: $log)" >&2
    exit 1
fi
mkdir -p "$output_dir"
if command -v xvfb-run >/dev/null 2>&1; then
    QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1024x768x24" \
        "$own_build/edamaki_screenshots" "$output_dir" examples
else
    echo "xvfb-run not found: using the offscreen platform" >&2
    QT_QPA_PLATFORM=offscreen "$own_build/edamaki_screenshots" "$output_dir" examples
fi
