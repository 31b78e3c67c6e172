#!/usr/bin/env bash
# The program's main job: the desktop program on an example source when a
# display is there; otherwise the command line on the same example.
set -euo pipefail
build_dir=${1:-build}
cd "$(dirname "$0")/.."
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    example=examples/projects.fms
    echo "== Starting the desktop program with $example"
    exec "$build_dir/edamaki" "$example"
fi
echo "No display (DISPLAY and WAYLAND_DISPLAY are unset): the desktop program needs one,"
echo "so here is the command line on the same kind of source instead."
example=examples/projects.txt
echo "== $example, converted to a macro source (shown as UTF-8):"
"$build_dir/edamaki-cli" convert --to macro "$example" | iconv -f CP932 -t UTF-8
