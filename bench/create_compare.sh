#!/usr/bin/env bash
# Creates the same tree of 33,824 folders (32 projects x 32 parts x 32 items)
# three ways, side by side in one run, and prints the median wall time of each:
#
#   edamaki     edamaki-cli create, from a four-line macro source
#   mkdir -p    bash brace expansion handed to one mkdir -p
#   floor       edamaki_mkdir_floor: a bare loop of mkdir(2) over the same
#               paths in the same order, and nothing else
#
# Then edamaki-cli and the floor each run a second time over the tree they
# made, where every folder exists: the floor then pays a stat(2) after each
# mkdir(2) that finds something there, the least a program working by full
# paths can do to tell an existing folder from a file in the way.
#
# Usage: bench/create_compare.sh [BUILD_DIR] [ROUNDS]   (defaults: build, 9)
# Runs on a tmpfs (/dev/shm) when there is one, so that the disk doesn't
# drown the difference. Each round runs the three in a rotating order, each
# into a fresh folder; removing the folders is not timed.
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=${1:-build}
rounds=${2:-9}
cli="$build_dir/edamaki-cli"
floor="$build_dir/edamaki_mkdir_floor"
for program in "$cli" "$floor"; do
    if [ ! -x "$program" ]; then
        echo "missing $program: build the targets edamaki-cli and edamaki_mkdir_floor first" >&2
        exit 2
    fi
done

if [ -d /dev/shm ] && [ -w /dev/shm ]; then
    work=$(mktemp -d /dev/shm/edamaki-bench.XXXXXX)
else
    work=$(mktemp -d)
fi
trap 'rm -rf "$work"' EXIT
filesystem=$(df -P "$work" | awk 'NR == 2 { print $1 }')

# The source, and the floor's list of the same paths in the same pre-order.
source_file="$work/tree.fms"
printf '<?dezodedu-macro?>\r\nProject<#2:1-32>\r\n>Part<#2:1-32>\r\n>>Item<#2:1-32>\r\n' >"$source_file"
make_path_list() {
    local base=$1 project part item
    for project in {01..32}; do
        echo "$base/Project$project"
        for part in {01..32}; do
            echo "$base/Project$project/Part$part"
            for item in {01..32}; do
                echo "$base/Project$project/Part$part/Item$item"
            done
        done
    done
}

run_edamaki() {
    "$cli" create --parent "$1" "$source_file" >/dev/null
}
run_mkdir_p() {
    # Relative names: the absolute ones would pass the limit of one command line.
    (cd "$1" && mkdir -p Project{01..32}/Part{01..32}/Item{01..32})
}
run_floor() {
    "$floor" "$work/paths-$2.txt"
}

declare -A wall=([edamaki]="" [mkdir_p]="" [floor]="" [edamaki_again]="" [floor_again]="")
declare -A cpu=([edamaki]="" [mkdir_p]="" [floor]="" [edamaki_again]="" [floor_again]="")
methods=(edamaki mkdir_p floor)
TIMEFORMAT='%3R %3U %3S'
# Runs one method into the target, checks the tree, and adds the times under `key`.
timed_run() {
    local method=$1 key=$2 target=$3 round=$4 real user system count
    sync
    { time "run_$method" "$target" "$round" 2>&3; } 3>&2 2>"$work/time"
    read -r real user system <"$work/time"
    count=$(find "$target" -mindepth 1 -type d | wc -l)
    if [ "$count" -ne 33824 ]; then
        echo "$key made $count folders, not 33824" >&2
        exit 1
    fi
    wall[$key]+="$real "
    cpu[$key]+="$(awk -v u="$user" -v s="$system" 'BEGIN { print u + s }') "
}
for round in $(seq 1 "$rounds"); do
    for offset in 0 1 2; do
        method=${methods[$(((round + offset) % 3))]}
        target="$work/round$round-$method"
        mkdir "$target"
        [ "$method" = floor ] && make_path_list "$target" >"$work/paths-$round.txt"
        timed_run "$method" "$method" "$target" "$round"
        if [ "$method" != mkdir_p ]; then
            timed_run "$method" "${method}_again" "$target" "$round"
        fi
        rm -rf "$target"
    done
done

median() { tr ' ' '\n' | grep -v '^$' | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
report() {
    local title=$1 edamaki mkdir_p floor_time edamaki_again floor_again
    local -n times=$2
    edamaki=$(echo "${times[edamaki]}" | median)
    mkdir_p=$(echo "${times[mkdir_p]}" | median)
    floor_time=$(echo "${times[floor]}" | median)
    edamaki_again=$(echo "${times[edamaki_again]}" | median)
    floor_again=$(echo "${times[floor_again]}" | median)
    echo "$title"
    awk -v e="$edamaki" -v m="$mkdir_p" -v f="$floor_time" -v ea="$edamaki_again" -v fa="$floor_again" 'BEGIN {
        printf "  first run, every folder new:\n"
        printf "    %-34s %8.1f ms  %5.2fx floor\n", "edamaki-cli create", e * 1000, e / f
        printf "    %-34s %8.1f ms  %5.2fx floor\n", "bash brace expansion + mkdir -p", m * 1000, m / f
        printf "    %-34s %8.1f ms  %5.2fx floor\n", "floor: bare mkdir(2) loop", f * 1000, 1
        printf "    edamaki-cli create / mkdir -p: %.2f\n", e / m
        printf "  second run, every folder there:\n"
        printf "    %-34s %8.1f ms  %5.2fx floor\n", "edamaki-cli create", ea * 1000, ea / fa
        printf "    %-34s %8.1f ms  %5.2fx floor\n", "floor: mkdir(2), stat(2) on EEXIST", fa * 1000, 1
    }'
}

echo "33,824 folders on $filesystem, median of $rounds rounds, whole processes."
report "Wall time:" wall
report "CPU time (user + system), less sensitive to a busy machine:" cpu
