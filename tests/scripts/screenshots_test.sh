#!/usr/bin/env bash
# scripts/screenshots.sh BUILD_DIR builds in a folder of its own and leaves
# BUILD_DIR alone. cmake and xvfb-run are stand-ins that record how they were
# called; the stand-in screenshot program writes one picture.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bin" "$work/given"
export CALLS="$work/calls"

cat >"$work/bin/cmake" <<'STUB'
#!/usr/bin/env bash
echo "cmake $*" >>"$CALLS"
while [ $# -gt 0 ]; do
    case "$1" in
    -B) mkdir -p "$2" && touch "$2/CMakeCache.txt" ;;
    --build)
        mkdir -p "$2"
        printf '#!/usr/bin/env bash\ntouch "$1/main-text.png"\n' >"$2/edamaki_screenshots"
        chmod +x "$2/edamaki_screenshots"
        ;;
    esac
    shift
done
STUB
cat >"$work/bin/xvfb-run" <<'STUB'
#!/usr/bin/env bash
while [ $# -gt 0 ] && [[ "$1" == -* ]]; do
    [ "$1" = -s ] && shift
    shift
done
exec "$@"
STUB
chmod +x "$work/bin/cmake" "$work/bin/xvfb-run"

fail() {
    echo "FAIL: $*" >&2
    cat "$CALLS" >&2 || true
    exit 1
}

PATH="$work/bin:$PATH" bash "$root/scripts/screenshots.sh" "$work/given" >/dev/null

[ -z "$(ls -A "$work/given")" ] || fail "the given build folder was written: $(ls -A "$work/given")"
grep -q -- "--build $work/given-screenshots " "$CALLS" || fail "not built in $work/given-screenshots"
grep -q -- "-DBUILD_TESTING=OFF" "$CALLS" || fail "configured with the tests, which the screenshot program needs not"
if grep -q -- "--build $work/given " "$CALLS"; then
    fail "built in the given build folder"
fi
[ -f "$work/given-screenshots/png/main-text.png" ] || fail "no picture in $work/given-screenshots/png"

# A folder named for the pictures gets them.
PATH="$work/bin:$PATH" bash "$root/scripts/screenshots.sh" "$work/given" "$work/pictures" >/dev/null
[ -f "$work/pictures/main-text.png" ] || fail "no picture in the folder given for them"
echo "screenshots.sh builds in a folder of its own"
