#!/usr/bin/env bash
# The program against the usual tools on a file system with a file server's
# latency, side by side in one run (medians of the rounds, wall time, whole
# processes). On a Samba or NFS share every lookup, mkdir, open and directory
# read is a round trip to the server; edamaki_latency_fs (bench/LatencyFs.c)
# mirrors a folder on a tmpfs and sleeps DELAY in every call it serves, many
# calls at once, and the kernel caches entries and attributes for a second, as
# a client does. For a delay of 200 us and of 1000 us, on one tree of 3,330
# folders (30 customers x 10 projects x 10 folders, a text source of one line
# per leaf):
#
# 1. Creating, every folder new, each method into a fresh folder:
#      edamaki-cli create               at its default number of jobs
#      edamaki-cli create --jobs 1      one call at a time
#      xargs mkdir -p                   the leaf paths, as many to a mkdir as
#                                       xargs puts on one command line
#      xargs -P 16 -n 20 mkdir -p       16 mkdir -p at once, 20 leaves each
#      edamaki-cli create --rows        a source of one customer's folders
#                                       (<%顧客> at the top) once per row of
#                                       a table of the customers
# 2. Verifying the tree that the last round's edamaki-cli create made:
#    edamaki-cli verify at its default and with --jobs 1, against
#    find DIR -type d.
# 3. Importing that tree: edamaki-cli import at its default and with --jobs 1,
#    against find DIR -type d.
# Each walk waits out the kernel's one-second cache first, so that each starts
# as on a share whose client has seen the tree before but no longer trusts it.
# 4. Running again over a tree that is there, the run users make most: the
#    whole tree there, and every second project lacking half its folders.
#    edamaki-cli create at its default against xargs -P 16 -n 20 mkdir -p,
#    each on a fresh mount of a tree laid out past the delay, so that no cache
#    helps either side.
#
# Before that, a check that the mount serves calls at once: 16 mkdir in 16
# folders at once must take about as long as one mkdir alone, not 16 times.
# With libfuse before 3.16 (Debian 12 has 3.14) the kernel looks up the names
# it has not cached one at a time within one folder (see LatencyFs.c); the
# file system says so in the first lines.
#
# Usage: bench/latency_compare.sh [BUILD_DIR] [ROUNDS]   (defaults: build, 3)
# Needs the targets edamaki-cli and edamaki_latency_fs (built where libfuse3
# is there), /dev/fuse, fusermount3, and the right to mount (root, or a user
# whom fusermount3 lets). Without one of those it says why on standard error
# and exits 0: skipped. Without --jobs in edamaki-cli the --jobs 1 rows say n/a.
# A smaller run: LATENCY_TREE="CUSTOMERS PROJECTS FOLDERS" (default "30 10 10"),
# LATENCY_DELAYS="MICROSECONDS ..." (default "200 1000"), LATENCY_PARTS="create
# rerun" (default both; "create" is parts 1 to 3, "rerun" part 4). One round of both
# delays takes about two minutes, the --jobs 1 rows not counted.
# Each round runs the methods in a rotating order; removing the folders is not
# timed (they are removed from the backing folder, past the delay).
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=${1:-build}
rounds=${2:-3}
read -r customers projects folders <<<"${LATENCY_TREE:-30 10 10}"
read -r -a delays <<<"${LATENCY_DELAYS:-200 1000}"
parts=" ${LATENCY_PARTS:-create rerun} "
cli="$build_dir/edamaki-cli"
latency_fs="$build_dir/edamaki_latency_fs"

skip() {
    echo "latency_compare.sh: skipped: $*" >&2
    exit 0
}
if [ ! -x "$cli" ]; then
    echo "missing $cli: build the target edamaki-cli first" >&2
    exit 2
fi
[ -x "$latency_fs" ] || skip "no $latency_fs (build the target edamaki_latency_fs; it needs libfuse3-dev)"
[ -c /dev/fuse ] || skip "no /dev/fuse on this machine"
command -v fusermount3 >/dev/null || skip "no fusermount3 (Debian package fuse3)"
command -v mountpoint >/dev/null || skip "no mountpoint (util-linux)"

# Which commands take --jobs.
declare -A jobs_option=()
for command in create verify import; do
    help=$("$cli" "$command" --help 2>&1 || true)
    jobs_option[$command]=0
    [[ $help == *--jobs* ]] && jobs_option[$command]=1
done

if [ -d /dev/shm ] && [ -w /dev/shm ]; then
    work=$(mktemp -d /dev/shm/edamaki-latency.XXXXXX)
else
    work=$(mktemp -d)
fi
backing="$work/backing"
mnt="$work/mnt"
mkdir "$backing" "$mnt"
fs_pid=
unmount_fs() {
    if mountpoint -q "$mnt" 2>/dev/null; then
        fusermount3 -u "$mnt" 2>/dev/null || fusermount3 -uz "$mnt" 2>/dev/null || true
    fi
    if [ -n "$fs_pid" ]; then
        kill "$fs_pid" 2>/dev/null || true
        wait "$fs_pid" 2>/dev/null || true
        fs_pid=
    fi
}
cleanup() {
    unmount_fs
    # Never into a mount that is still there.
    if ! mountpoint -q "$mnt" 2>/dev/null; then
        rm -rf "$work"
    fi
}
trap cleanup EXIT

# Mounts the backing folder at $mnt with a delay of $1 microseconds.
mount_fs() {
    "$latency_fs" "$backing" "$mnt" -f -o "delay_us=$1" 2>"$work/fs.log" &
    fs_pid=$!
    local _
    for _ in $(seq 100); do
        mountpoint -q "$mnt" && return 0
        kill -0 "$fs_pid" 2>/dev/null || break
        sleep 0.1
    done
    local reason
    reason=$(tr '\n' ' ' <"$work/fs.log")
    unmount_fs
    skip "edamaki_latency_fs could not mount (${reason:-no reason given})"
}

# The source (one line per leaf, "\" between the names, CR LF) and the leaves
# as relative paths for xargs.
source_file="$work/tree.txt"
awk -v c="$customers" -v p="$projects" -v f="$folders" -v leaves="$work/leaves.txt" 'BEGIN {
    for (i = 1; i <= c; ++i)
        for (j = 1; j <= p; ++j)
            for (k = 1; k <= f; ++k) {
                printf "Customer%02d\\Project%02d\\Folder%02d\r\n", i, j, k
                printf "Customer%02d/Project%02d/Folder%02d\n", i, j, k >leaves
            }
}' >"$source_file"
leaves=$((customers * projects * folders))
total=$((customers + customers * projects + leaves))
# The same tree as one source run once per customer: a source of one
# customer's folders, <%顧客> at the top, and a table of the customers.
printf '<?dezodedu-macro?>\r\n<%%顧客>\r\n>Project<#2:1-%d>\r\n>>Folder<#2:1-%d>\r\n' "$projects" "$folders" \
    >"$work/customer.fms"
awk -v c="$customers" 'BEGIN { print "顧客"; for (i = 1; i <= c; ++i) printf "Customer%02d\n", i }' >"$work/customers.csv"

median() { tr ' ' '\n' | grep -v '^$' | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
declare -A wall=()
TIMEFORMAT='%3R'
# Runs a command (a program or a function), adds its wall time under `key`.
measure() {
    local key=$1
    shift
    { time "$@" 2>&3; } 3>&2 2>"$work/time"
    wall[$key]+="$(cat "$work/time") "
}
fail() {
    echo "$*" >&2
    exit 1
}

create_edamaki() { "$cli" create --parent "$1" "$source_file" >/dev/null; }
create_edamaki_jobs1() { "$cli" create --jobs 1 --parent "$1" "$source_file" >/dev/null; }
create_rows() { "$cli" create --parent "$1" --rows "$work/customers.csv" "$work/customer.fms" >/dev/null 2>&1; }
create_xargs() { (cd "$1" && xargs mkdir -p <"$work/leaves.txt"); }
create_xargs_p16() { (cd "$1" && xargs -P 16 -n 20 mkdir -p <"$work/leaves.txt"); }
walk_verify() { "$cli" verify --parent "$tree" "$source_file" >/dev/null || fail "verify does not find the tree whole"; }
walk_verify_jobs1() {
    "$cli" verify --jobs 1 --parent "$tree" "$source_file" >/dev/null || fail "verify --jobs 1 does not find the tree whole"
}
walk_import() { "$cli" import "$tree" >"$work/imported"; }
walk_import_jobs1() { "$cli" import --jobs 1 "$tree" >"$work/imported"; }
walk_find() { find "$tree" -type d >"$work/found"; }
check_walk() {
    local count
    case $1 in
    import*)
        count=$(wc -l <"$work/imported")
        [ "$count" -eq "$leaves" ] || fail "$1 listed $count leaves, not $leaves"
        ;;
    find)
        count=$(($(wc -l <"$work/found") - 1))
        [ "$count" -eq "$total" ] || fail "find listed $count folders, not $total"
        ;;
    esac
}

creators=(edamaki xargs xargs_p16)
walkers=(verify import find)
[ "${jobs_option[create]}" = 1 ] && creators+=(edamaki_jobs1)
"$cli" create --help | grep -q -- --rows && creators+=(rows)
[ "${jobs_option[verify]}" = 1 ] && walkers+=(verify_jobs1)
[ "${jobs_option[import]}" = 1 ] && walkers+=(import_jobs1)

# Calls served at once: one mkdir alone, then 16 at once, each in a folder of
# its own, every folder known to the kernel and its cache run out (so each
# mkdir costs a look at its folder, a lookup of the name, and the mkdir).
check_concurrency() {
    local delay_us=50000 name start alone together pids=()
    mount_fs "$delay_us"
    grep '^edamaki_latency_fs:' "$work/fs.log" || true
    mkdir "$backing/check"
    for name in alone {01..16}; do mkdir "$backing/check/$name"; done
    stat "$mnt/check/"* >/dev/null
    sleep 1.1
    start=$EPOCHREALTIME
    mkdir "$mnt/check/alone/new"
    alone=$(awk -v s="$start" -v e="$EPOCHREALTIME" 'BEGIN { print e - s }')
    start=$EPOCHREALTIME
    for name in {01..16}; do
        mkdir "$mnt/check/$name/new" &
        pids+=($!)
    done
    wait "${pids[@]}"
    together=$(awk -v s="$start" -v e="$EPOCHREALTIME" 'BEGIN { print e - s }')
    unmount_fs
    rm -rf "$backing/check"
    awk -v a="$alone" -v t="$together" -v d="$delay_us" 'BEGIN {
        printf "Calls at once, at %d ms a call: one mkdir alone %.0f ms, 16 mkdir in 16 folders at once %.0f ms (%.1fx one)\n",
            d / 1000, a * 1000, t * 1000, t / a
        if (t > 4 * a)
            print "  the mount serves calls one at a time: the parallel figures below mean little" > "/dev/stderr"
    }'
}

# Everything at one delay: the creators' rounds, then the walks over the tree
# that the last round's edamaki-cli create made.
run_delay() {
    local delay=$1 round offset method count
    mount_fs "$delay"
    wall=()
    for round in $(seq 1 "$rounds"); do
        for offset in $(seq 0 $((${#creators[@]} - 1))); do
            method=${creators[$(((round + offset) % ${#creators[@]}))]}
            mkdir "$mnt/create-$round-$method"
            measure "$method" "create_$method" "$mnt/create-$round-$method"
            count=$(find "$backing/create-$round-$method" -mindepth 1 -type d | wc -l)
            [ "$count" -eq "$total" ] || fail "$method made $count folders, not $total"
            if [ "$method" = edamaki ] && [ "$round" -eq "$rounds" ]; then
                tree="$mnt/create-$round-$method"
            else
                rm -rf "${backing:?}/create-$round-$method"
            fi
        done
    done
    for round in $(seq 1 "$rounds"); do
        for offset in $(seq 0 $((${#walkers[@]} - 1))); do
            method=${walkers[$(((round + offset) % ${#walkers[@]}))]}
            sleep 1.1 # the kernel's cache of entries and attributes runs out
            measure "$method" "walk_$method"
            check_walk "$method"
        done
    done
    unmount_fs
    find "$backing" -mindepth 1 -delete

    declare -A value=()
    for method in edamaki edamaki_jobs1 rows xargs xargs_p16 verify verify_jobs1 import import_jobs1 find; do
        value[$method]=0
        [ -n "${wall[$method]:-}" ] && value[$method]=$(echo "${wall[$method]}" | median)
    done
    echo "Delay ${delay} us per call: $total folders ($customers x $projects x $folders), median of $rounds rounds, wall time."
    awk -v e="${value[edamaki]}" -v e1="${value[edamaki_jobs1]}" -v r="${value[rows]}" -v x="${value[xargs]}" -v xp="${value[xargs_p16]}" \
        -v v="${value[verify]}" -v v1="${value[verify_jobs1]}" -v i="${value[import]}" -v i1="${value[import_jobs1]}" \
        -v f="${value[find]}" -v d="$delay" 'BEGIN {
        na = "n/a"
        printf "  create, every folder new:\n"
        row("edamaki-cli create", e, 0)
        row("edamaki-cli create --jobs 1", e1, 0)
        row("edamaki-cli create --rows", r, 0)
        row("xargs mkdir -p", x, 0)
        row("xargs -P 16 -n 20 mkdir -p", xp, 0)
        ratio("edamaki-cli create / xargs mkdir -p", e, x)
        ratio("edamaki-cli create / xargs -P 16 mkdir -p", e, xp)
        ratio("edamaki-cli create / --jobs 1", e, e1)
        ratio("edamaki-cli create --rows / xargs -P 16 mkdir -p", r, xp)
        printf "  verify of the tree:\n"
        row("edamaki-cli verify", v, f)
        row("edamaki-cli verify --jobs 1", v1, f)
        row("find DIR -type d", f, f)
        ratio("edamaki-cli verify / --jobs 1", v, v1)
        printf "  import of the tree:\n"
        row("edamaki-cli import", i, f)
        row("edamaki-cli import --jobs 1", i1, f)
        row("find DIR -type d", f, f)
        ratio("edamaki-cli import / --jobs 1", i, i1)
    }
    # A time in ms, as so many delays, and against `against` when given.
    function row(name, t, against) {
        if (t == 0) {
            printf "    %-34s %9s\n", name, na
            return
        }
        printf "    %-34s %9.1f ms = %6.0f delays", name, t * 1000, t * 1e6 / d
        if (against > 0)
            printf "  %5.2fx find", t / against
        printf "\n"
    }
    function ratio(name, a, b) {
        if (a == 0 || b == 0)
            printf "    %s: %s\n", name, na
        else
            printf "    %s: %.2f\n", name, a / b
    }'
}

# The tree laid out in the backing folder, past the delay: all of it, or with
# every second project lacking the second half of its folders.
lay_out() {
    local folder=$1 state=$2
    mkdir -p "$folder"
    (cd "$folder" && xargs mkdir -p <"$work/leaves.txt")
    [ "$state" = whole ] && return 0
    awk -F/ -v half=$((folders / 2)) '{
        project = substr($2, 8) + 0
        leaf = substr($3, 7) + 0
        if (project % 2 == 0 && leaf > half) print
    }' "$work/leaves.txt" | (cd "$folder" && xargs rmdir)
}

# Part 4: each state, each method, each round on a fresh mount.
run_rerun() {
    local delay=$1 round state method count
    declare -A again=()
    for round in $(seq 1 "$rounds"); do
        for state in whole half; do
            for method in edamaki xargs_p16; do
                lay_out "$backing/again" "$state"
                mount_fs "$delay"
                wall=()
                measure "$method" "create_$method" "$mnt/again"
                again[$state-$method]+="${wall[$method]}"
                unmount_fs
                count=$(find "$backing/again" -mindepth 1 -type d | wc -l)
                [ "$count" -eq "$total" ] || fail "$method left $count folders, not $total"
                rm -rf "${backing:?}/again"
            done
        done
    done
    echo "Delay ${delay} us per call, run again: $total folders, median of $rounds rounds, each on a fresh mount."
    for state in whole half; do
        awk -v e="$(echo "${again[$state-edamaki]}" | median)" -v x="$(echo "${again[$state-xargs_p16]}" | median)" \
            -v name="$state" 'BEGIN {
            what = name == "whole" ? "whole tree there" : "every second project lacks half its folders"
            printf "  %-44s edamaki-cli create %7.1f ms, xargs -P 16 -n 20 mkdir -p %7.1f ms: %.2fx\n",
                what, e * 1000, x * 1000, e / x
        }'
    done
}

echo "edamaki_latency_fs on $(df -P "$backing" | awk 'NR == 2 { print $1 }'), whole processes."
check_concurrency
for delay in "${delays[@]}"; do
    if [[ $parts == *" create "* ]]; then run_delay "$delay"; fi
    if [[ $parts == *" rerun "* ]]; then run_rerun "$delay"; fi
done
