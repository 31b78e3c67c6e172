#!/usr/bin/env bash
# Runs clang-tidy with the checks of .clang-tidy over the project's sources,
# using the compile commands of a configured build folder (default: build).
set -euo pipefail
build_dir=${1:-build}
cd "$(dirname "$0")/.."
if [ ! -f "$build_dir/compile_commands.json" ]; then
    echo "no $build_dir/compile_commands.json: configure the build first (make build)" >&2
    exit 2
fi
mapfile -t files < <(git ls-files -- 'core/*.cpp' 'cli/*.cpp' 'gui/*.cpp')
printf '%s\n' "${files[@]}" | xargs -P "${JOBS:-2}" -n 4 clang-tidy -p "$build_dir" --quiet 2>/dev/null \
    | tee "$build_dir/clang-tidy.log"
if grep -q 'warning:' "$build_dir/clang-tidy.log"; then
    echo "clang-tidy: findings above" >&2
    exit 1
fi
echo "clang-tidy: ${#files[@]} files clean"
