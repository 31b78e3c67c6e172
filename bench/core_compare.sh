#!/usr/bin/env bash
# The core's three costs against what the machine allows, side by side in one
# run, each as whole processes (medians of the rounds):
#
# 1. Reading: edamaki-cli convert --to macro of a text source of 500,500
#    folders (490,000 lines), by its peak resident memory per folder, the
#    input's bytes included (goal: at most 100 bytes), and of a text source of
#    900,000 lines by its time.
# 2. Creating: the same tree of 33,824 folders (32 projects x 32 parts x 32
#    items) made three ways:
#      edamaki     edamaki-cli create, from a four-line macro source
#      mkdir -p    the leaves' paths through xargs to mkdir -p
#      floor       edamaki_mkdir_floor: a bare loop of mkdir(2) over the same
#                  paths in the same order, and nothing else
#    then edamaki-cli and the floor each a second time over the tree they
#    made, where every folder exists: the floor then pays a stat(2) after each
#    mkdir(2) that finds something there, the least a program working by full
#    paths can do to tell an existing folder from a file in the way.
# 3. Importing: edamaki-cli import of the tree edamaki-cli made, against
#    find DIR -type d on the same tree.
#
# Usage: bench/core_compare.sh [BUILD_DIR] [ROUNDS]   (defaults: build, 9)
# CORE_TREE="PROJECTS PARTS ITEMS" (default "32 32 32") sizes the tree of 2.
# and 3.; "100 33 100" makes 333,400 folders.
# With BASELINE_CLI=path/to/an/older/edamaki-cli, the reading and the import
# run that program too, for a before and after in the same run.
# Runs on a tmpfs (/dev/shm) when there is one, so that the disk doesn't
# drown the difference. Each round runs the creators in a rotating order, each
# into a fresh folder; removing the folders is not timed.
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=${1:-build}
rounds=${2:-9}
read -r projects parts items <<<"${CORE_TREE:-32 32 32}"
folders=$((projects + projects * parts + projects * parts * items))
leaves=$((projects * parts * items))
cli="$build_dir/edamaki-cli"
floor="$build_dir/edamaki_mkdir_floor"
baseline=${BASELINE_CLI:-}
for program in "$cli" "$floor" ${baseline:+"$baseline"}; do
    if [ ! -x "$program" ]; then
        echo "missing $program: build the targets edamaki-cli and edamaki_mkdir_floor first" >&2
        exit 2
    fi
done
if [ ! -x /usr/bin/time ]; then
    echo "missing /usr/bin/time (GNU time), which measures the peak memory" >&2
    exit 2
fi

if [ -d /dev/shm ] && [ -w /dev/shm ]; then
    work=$(mktemp -d /dev/shm/edamaki-bench.XXXXXX)
else
    work=$(mktemp -d)
fi
trap 'rm -rf "$work"' EXIT
filesystem=$(df -P "$work" | awk 'NR == 2 { print $1 }')

median() { tr ' ' '\n' | grep -v '^$' | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
declare -A wall=() cpu=() memory=()
TIMEFORMAT='%3R %3U %3S'
# Runs a command (a program or a function), adds its wall and CPU time under `key`.
measure() {
    local key=$1 real user system
    shift
    sync
    { time "$@" 2>&3; } 3>&2 2>"$work/time"
    read -r real user system <"$work/time"
    wall[$key]+="$real "
    cpu[$key]+="$(awk -v u="$user" -v s="$system" 'BEGIN { print u + s }') "
}
# Runs a program, adds its peak resident memory (KiB) under `key`.
measure_memory() {
    local key=$1
    shift
    /usr/bin/time -f '%M' -o "$work/memory" "$@"
    memory[$key]+="$(cat "$work/memory") "
}

# 1. Reading.
make_text_source() {
    awk -v projects="$1" -v parts="$2" -v items="$3" 'BEGIN {
        for (p = 1; p <= projects; ++p)
            for (q = 1; q <= parts; ++q)
                for (i = 1; i <= items; ++i)
                    printf "Project%04d\\Part%02d\\Item%03d\r\n", p, q, i
    }' >"$4"
}
make_text_source 500 20 49 "$work/folders500k.txt" # 500,500 folders
make_text_source 900 20 50 "$work/lines900k.txt"   # 900,000 lines, 918,900 folders
readers=(edamaki)
[ -n "$baseline" ] && readers+=(baseline)
for round in $(seq 1 "$rounds"); do
    for reader in "${readers[@]}"; do
        program=$cli
        [ "$reader" = baseline ] && program=$baseline
        measure_memory "memory_$reader" "$program" convert --to macro "$work/folders500k.txt" >/dev/null
        measure "lines_$reader" "$program" convert --to macro "$work/lines900k.txt" >/dev/null
    done
done
echo "Reading a text source: edamaki-cli convert --to macro, on $filesystem, median of $rounds rounds."
input_bytes=$(stat -c %s "$work/folders500k.txt")
for reader in "${readers[@]}"; do
    peak=$(echo "${memory[memory_$reader]}" | median)
    seconds=$(echo "${wall[lines_$reader]}" | median)
    seconds_cpu=$(echo "${cpu[lines_$reader]}" | median)
    awk -v r="$reader" -v p="$peak" -v b="$input_bytes" -v s="$seconds" -v c="$seconds_cpu" 'BEGIN {
        printf "  %-9s 500,500 folders (%.1f MB in): peak %6.1f MB = %5.1f bytes per folder (goal: 100)\n",
            r, b / 1e6, p * 1024 / 1e6, p * 1024 / 500500
        printf "  %-9s 900,000 lines: %8.1f ms wall, %8.1f ms CPU\n", r, s * 1000, c * 1000
    }'
done
if [ -n "$baseline" ]; then
    awk -v pe="$(echo "${memory[memory_edamaki]}" | median)" -v pb="$(echo "${memory[memory_baseline]}" | median)" \
        -v se="$(echo "${wall[lines_edamaki]}" | median)" -v sb="$(echo "${wall[lines_baseline]}" | median)" 'BEGIN {
        printf "  against the baseline: %.2fx the memory, %.2fx the time (%.1f times as fast)\n", pe / pb, se / sb, sb / se
    }'
fi
echo

# 2. Creating, and 3. importing the tree that edamaki-cli made.
wall=() cpu=()
source_file="$work/tree.fms"
printf '<?dezodedu-macro?>\r\nProject<#2:1-%d>\r\n>Part<#2:1-%d>\r\n>>Item<#2:1-%d>\r\n' \
    "$projects" "$parts" "$items" >"$source_file"
# The floor's list of the same paths in the same pre-order.
make_path_list() {
    awk -v base="$1" -v projects="$projects" -v parts="$parts" -v items="$items" 'BEGIN {
        for (p = 1; p <= projects; ++p) {
            printf "%s/Project%02d\n", base, p
            for (q = 1; q <= parts; ++q) {
                printf "%s/Project%02d/Part%02d\n", base, p, q
                for (i = 1; i <= items; ++i)
                    printf "%s/Project%02d/Part%02d/Item%02d\n", base, p, q, i
            }
        }
    }'
}
run_edamaki() {
    "$cli" create --parent "$1" "$source_file" >/dev/null
}
run_mkdir_p() {
    # The leaves' relative paths, as many to a mkdir -p as a command line holds.
    (cd "$1" && make_path_list . | grep -E '/Item[0-9]+$' | xargs mkdir -p)
}
run_floor() {
    "$floor" "$work/paths-$2.txt"
}
check_tree() {
    local count
    count=$(find "$2" -mindepth 1 -type d | wc -l)
    if [ "$count" -ne "$folders" ]; then
        echo "$1 made $count folders, not $folders" >&2
        exit 1
    fi
}
# The import lists the 32,768 leaves, and find every folder: both read the whole tree.
import_tree() {
    local key=$1 program=$2 target=$3 lines
    measure "$key" "$program" import "$target" >"$work/imported"
    lines=$(wc -l <"$work/imported")
    if [ "$lines" -ne "$leaves" ]; then
        echo "$key listed $lines leaves, not $leaves" >&2
        exit 1
    fi
}
methods=(edamaki mkdir_p floor)
for round in $(seq 1 "$rounds"); do
    for offset in 0 1 2; do
        method=${methods[$(((round + offset) % 3))]}
        target="$work/round$round-$method"
        mkdir "$target"
        [ "$method" = floor ] && make_path_list "$target" >"$work/paths-$round.txt"
        measure "$method" "run_$method" "$target" "$round"
        check_tree "$method" "$target"
        if [ "$method" != mkdir_p ]; then
            measure "${method}_again" "run_$method" "$target" "$round"
            check_tree "${method}_again" "$target"
        fi
        if [ "$method" = edamaki ]; then
            measure find find "$target" -type d >/dev/null
            import_tree import "$cli" "$target"
            [ -n "$baseline" ] && import_tree import_baseline "$baseline" "$target"
        fi
        rm -rf "$target"
    done
done

report() {
    local title=$1
    local -n times=$2
    local key
    declare -A value=()
    for key in edamaki mkdir_p floor edamaki_again floor_again find import; do
        value[$key]=$(echo "${times[$key]}" | median)
    done
    value[import_baseline]=0
    [ -n "$baseline" ] && value[import_baseline]=$(echo "${times[import_baseline]}" | median)
    echo "$title"
    awk -v e="${value[edamaki]}" -v m="${value[mkdir_p]}" -v f="${value[floor]}" -v ea="${value[edamaki_again]}" \
        -v fa="${value[floor_again]}" -v fi="${value[find]}" -v im="${value[import]}" -v ib="${value[import_baseline]}" 'BEGIN {
        printf "  first run, every folder new:\n"
        printf "    %-34s %8.1f ms  %5.2fx floor\n", "edamaki-cli create", e * 1000, e / f
        printf "    %-34s %8.1f ms  %5.2fx floor\n", "xargs mkdir -p", m * 1000, m / f
        printf "    %-34s %8.1f ms  %5.2fx floor\n", "floor: bare mkdir(2) loop", f * 1000, 1
        printf "    edamaki-cli create / mkdir -p: %.2f\n", e / m
        printf "  second run, every folder there (goal: 0.8x floor):\n"
        printf "    %-34s %8.1f ms  %5.2fx floor\n", "edamaki-cli create", ea * 1000, ea / fa
        printf "    %-34s %8.1f ms  %5.2fx floor\n", "floor: mkdir(2), stat(2) on EEXIST", fa * 1000, 1
        printf "  import of the tree:\n"
        printf "    %-34s %8.1f ms  %5.2fx find (goal: 0.6)\n", "edamaki-cli import", im * 1000, im / fi
        if (ib > 0)
            printf "    %-34s %8.1f ms  %5.2fx find\n", "baseline import", ib * 1000, ib / fi
        printf "    %-34s %8.1f ms  %5.2fx find\n", "find DIR -type d", fi * 1000, 1
    }'
}

echo "$folders folders on $filesystem, median of $rounds rounds, whole processes."
report "Wall time:" wall
report "CPU time (user + system), less sensitive to a busy machine:" cpu
