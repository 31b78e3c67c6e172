#!/usr/bin/env bash
# One source run once per row against one run of a source that lists the same
# folders, side by side in one run (medians of the rounds, whole processes):
#
#   rows   edamaki-cli create --rows: a macro source of 3,331 folders (the
#          customer <%客先> at the top, 30 x 10 x 10 below it) and a table of
#          ROWS customers
#   text   edamaki-cli create of a text source naming the same folders, one
#          leaf a line (ROWS x 3,000 lines)
#
# Goal: rows at most 1.1x text. Peak resident memory is shown for both: the
# rows run holds one row's tree and the table, the text run the whole tree.
# Usage: bench/rows_compare.sh [BUILD_DIR] [ROUNDS] [ROWS]   (defaults: build, 5, 100)
# Runs on a tmpfs (/dev/shm) when there is one; removing the folders is not timed.
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=${1:-build}
rounds=${2:-5}
rows=${3:-100}
cli="$build_dir/edamaki-cli"
if [ ! -x "$cli" ]; then
    echo "missing $cli: build the target edamaki-cli first" >&2
    exit 2
fi
if [ ! -x /usr/bin/time ]; then
    echo "missing /usr/bin/time (GNU time), which measures the peak memory" >&2
    exit 2
fi
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
    work=$(mktemp -d /dev/shm/edamaki-rows.XXXXXX)
else
    work=$(mktemp -d)
fi
trap 'rm -rf "$work"' EXIT
# The runs' journals (for undo) go to the scratch folder, not the user's.
export XDG_STATE_HOME="$work/state"

printf '<?dezodedu-macro?>\n<%%客先>\n>P<#2:1-30>\n>>S<#2:1-10>\n>>>I<#2:1-10>\n' >"$work/project.fms"
{
    echo '客先'
    for ((row = 1; row <= rows; row++)); do printf 'C%03d\n' "$row"; done
} >"$work/customers.csv"
for ((row = 1; row <= rows; row++)); do
    for ((p = 1; p <= 30; p++)); do
        for ((s = 1; s <= 10; s++)); do
            for ((i = 1; i <= 10; i++)); do printf 'C%03d\\P%02d\\S%02d\\I%02d\n' "$row" "$p" "$s" "$i"; done
        done
    done
done >"$work/all.txt"

median() { tr ' ' '\n' | grep -v '^$' | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
declare -A wall=() memory=()
run() {
    local key=$1
    shift
    rm -rf "$work/out"
    mkdir "$work/out"
    sync
    /usr/bin/time -f '%e %M' -o "$work/time" "$cli" create --jobs 1 --parent "$work/out" "$@" >/dev/null 2>&1
    read -r seconds kib <"$work/time"
    wall[$key]+="$seconds "
    memory[$key]+="$kib "
}
for ((round = 0; round < rounds; round++)); do
    if ((round % 2 == 0)); then
        run rows --rows "$work/customers.csv" "$work/project.fms"
        run text "$work/all.txt"
    else
        run text "$work/all.txt"
        run rows --rows "$work/customers.csv" "$work/project.fms"
    fi
done
# The two make the same folders.
"$cli" verify --parent "$work/out" --rows "$work/customers.csv" "$work/project.fms" >/dev/null

rows_time=$(median <<<"${wall[rows]}")
text_time=$(median <<<"${wall[text]}")
printf '%s rows x 3,331 folders = %s folders on %s, median of %s rounds\n' "$rows" "$((rows * 3331))" \
    "$(df -P "$work" | awk 'NR == 2 { print $1 }')" "$rounds"
printf '%-6s %8s s %10s KiB\n' rows "$rows_time" "$(median <<<"${memory[rows]}")"
printf '%-6s %8s s %10s KiB\n' text "$text_time" "$(median <<<"${memory[text]}")"
awk -v r="$rows_time" -v t="$text_time" 'BEGIN { printf "rows / text: %.2fx (goal: at most 1.1x)\n", r / t }'
