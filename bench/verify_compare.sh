#!/usr/bin/env bash
# Walks the same tree of 101,020 folders (20 projects x 50 parts x 100 items)
# three ways, side by side in one run, and prints the median time of each:
#
#   find            find DIR -type d, output to /dev/null: lists every folder
#   verify          edamaki-cli verify: looks up each folder the source names
#   verify --extra  edamaki-cli verify --extra: looks up each named folder and
#                   lists every folder on disk for the ones the source doesn't name
#
# The tree is made once, by edamaki-cli create from a three-line macro
# source, and every method must find it complete (verify exits 0, find
# counts every folder). Then one folder is removed and one added, and each
# verify must name exactly those.
#
# Usage: bench/verify_compare.sh [BUILD_DIR] [ROUNDS]   (defaults: build, 9)
# Runs on a tmpfs (/dev/shm) when there is one, so that the disk doesn't
# drown the difference; the tree is in the page cache for every round.
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=${1:-build}
rounds=${2:-9}
cli="$build_dir/edamaki-cli"
if [ ! -x "$cli" ]; then
    echo "missing $cli: build the target edamaki-cli first" >&2
    exit 2
fi

if [ -d /dev/shm ] && [ -w /dev/shm ]; then
    work=$(mktemp -d /dev/shm/edamaki-bench.XXXXXX)
else
    work=$(mktemp -d)
fi
trap 'rm -rf "$work"' EXIT
filesystem=$(df -P "$work" | awk 'NR == 2 { print $1 }')
tree="$work/tree"
mkdir "$tree"
source_file="$work/tree.fms"
printf '<?dezodedu-macro?>\r\nProject<#2:1-20>\r\n>Part<#2:1-50>\r\n>>Item<#3:1-100>\r\n' >"$source_file"
"$cli" create --parent "$tree" "$source_file" >/dev/null
expected=101020

run_find() { find "$tree" -type d >/dev/null; }
run_verify() { "$cli" verify --parent "$tree" "$source_file" >/dev/null; }
run_verify_extra() { "$cli" verify --extra --parent "$tree" "$source_file" >/dev/null; }

count=$(find "$tree" -mindepth 1 -type d | wc -l)
if [ "$count" -ne "$expected" ]; then
    echo "create made $count folders, not $expected" >&2
    exit 1
fi
run_verify || { echo "verify does not find the tree it was made from" >&2; exit 1; }
run_verify_extra || { echo "verify --extra does not find the tree it was made from" >&2; exit 1; }

declare -A wall=([find]="" [verify]="" [verify_extra]="")
declare -A cpu=([find]="" [verify]="" [verify_extra]="")
methods=(find verify verify_extra)
TIMEFORMAT='%3R %3U %3S'
for round in $(seq 1 "$rounds"); do
    for offset in 0 1 2; do
        method=${methods[$(((round + offset) % 3))]}
        { time "run_$method" 2>&3; } 3>&2 2>"$work/time"
        read -r real user system <"$work/time"
        wall[$method]+="$real "
        cpu[$method]+="$(awk -v u="$user" -v s="$system" 'BEGIN { print u + s }') "
    done
done

# A difference each way: verify must name exactly these.
rmdir "$tree/Project07/Part13/Item042"
mkdir "$tree/Project20/Part50/Stray"
differences=$("$cli" verify --extra --parent "$tree" "$source_file" || true)
wanted="- $tree/Project07/Part13/Item042
+ $tree/Project20/Part50/Stray"
if [ "$differences" != "$wanted" ]; then
    printf 'verify --extra reported:\n%s\nnot:\n%s\n' "$differences" "$wanted" >&2
    exit 1
fi

median() { tr ' ' '\n' | grep -v '^$' | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
report() {
    local title=$1 find_time verify_time extra_time
    local -n times=$2
    find_time=$(echo "${times[find]}" | median)
    verify_time=$(echo "${times[verify]}" | median)
    extra_time=$(echo "${times[verify_extra]}" | median)
    echo "$title"
    awk -v f="$find_time" -v v="$verify_time" -v e="$extra_time" 'BEGIN {
        printf "    %-34s %8.1f ms  %5.2fx find\n", "find DIR -type d", f * 1000, 1
        printf "    %-34s %8.1f ms  %5.2fx find\n", "edamaki-cli verify", v * 1000, v / f
        printf "    %-34s %8.1f ms  %5.2fx find\n", "edamaki-cli verify --extra", e * 1000, e / f
    }'
}

echo "101,020 folders on $filesystem, median of $rounds rounds, whole processes."
report "Wall time:" wall
report "CPU time (user + system), less sensitive to a busy machine:" cpu
