#!/usr/bin/env bash
# The program's main job: the command line on an example source, showing both
# conversions of it.
set -euo pipefail
build_dir=${1:-build}
cd "$(dirname "$0")/.."
example=examples/projects.txt
echo "== $example, converted to a macro source (shown as UTF-8):"
"$build_dir/edamaki-cli" convert --to macro "$example" | iconv -f CP932 -t UTF-8
