#!/usr/bin/env bash
# The program's main job: the desktop program on an example source when a
# display is there; otherwise the command line on the same example.
#
# The example names a Windows parent folder (C:\作業), which no folder on this
# host has: the program is given a copy of it that names a scratch folder made
# here instead (under $TMPDIR, else /tmp), so that its folders can be made.
set -euo pipefail
build_dir=${1:-build}
cd "$(dirname "$0")/.."

# Writes a copy of example $1 into the scratch folder, its parent folder line
# naming the scratch folder's 作業, and prints the copy's path.
example_for_this_host() {
    local example=$1
    local scratch
    scratch="${TMPDIR:-/tmp}/edamaki-example-$(id -u)"
    local parent="$scratch/作業"
    mkdir -p "$parent"
    local copy
    copy="$scratch/$(basename "$example")"
    local parent_line
    parent_line=$(printf '%s' "$parent" | iconv -f UTF-8 -t CP932)
    # The parent folder line is the one that begins with a drive.
    LC_ALL=C awk -v parent="$parent_line" '
        /^[A-Za-z]:/ && !done { done = 1; print parent (/\r$/ ? "\r" : ""); next }
        { print }' "$example" >"$copy"
    printf '%s\n' "$copy"
}

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    example=$(example_for_this_host examples/projects.fms)
    echo "== Starting the desktop program with $example (examples/projects.fms, its parent folder"
    echo "   $(dirname "$example")/作業)"
    exec "$build_dir/edamaki" "$example"
fi
echo "No display (DISPLAY and WAYLAND_DISPLAY are unset): the desktop program needs one,"
echo "so here is the command line on the same kind of source instead."
example=$(example_for_this_host examples/projects.txt)
echo "== examples/projects.txt, its parent folder made here, converted to a macro source (shown as UTF-8):"
"$build_dir/edamaki-cli" convert --to macro "$example" | iconv -f CP932 -t UTF-8
