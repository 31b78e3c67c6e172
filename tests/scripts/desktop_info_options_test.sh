#!/usr/bin/env bash
# The desktop program answers --help, -h and --version as the command line
# does, on standard output with exit status 0, where there is no display to
# open a window on.
# usage: desktop_info_options_test.sh EDAMAKI VERSION_TEXT
set -uo pipefail

program=$1
version=$2
failures=0

# ARGUMENT EXPECTED_FIRST_LINE
check()
{
    local output status
    output=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$program" "$1" 2>&1)
    status=$?
    if [ $status -ne 0 ] || [ "$(head -n 1 <<<"$output")" != "$2" ]; then
        echo "FAIL: edamaki $1 (exit status $status): $output" >&2
        failures=$((failures + 1))
    fi
}

check --version "edamaki $version"
check --help 'usage: edamaki [-f] [FILE]'
check -h 'usage: edamaki [-f] [FILE]'

[ $failures -eq 0 ] || exit 1
echo "edamaki --help and --version: answered without a display"
