#!/usr/bin/env bash
# The manual pages render without a warning and keep up with the programs'
# help: edamaki-cli(1) has a section for each command of "edamaki-cli --help",
# and each option of "edamaki-cli COMMAND --help", with its argument as the
# usage writes it ("--encoding cp932|utf-8"), is named in its command's
# section; edamaki(1) names each option of "edamaki --help".
# usage: man_pages_test.sh EDAMAKI_CLI MAN_DIR [EDAMAKI]
set -euo pipefail

cli=$1
man_dir=$2
gui=${3:-}
failures=0

fail()
{
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# The page as plain text, on lines that never wrap.
render()
{
    local warnings
    warnings=$(LC_ALL=C.UTF-8 groff -man -ww -z -K utf8 -T utf8 "$1" 2>&1)
    [ -z "$warnings" ] || fail "$1: $warnings"
    LC_ALL=C.UTF-8 groff -man -K utf8 -T utf8 -P -cbou -rLL=2000n "$1"
}

# The options a usage names, one a line, each with its argument:
# "[--parent DIR]" and "--to macro|text" give "--parent DIR" and "--to macro|text".
usage_options()
{
    local line text=
    while IFS= read -r line; do
        [ -z "$line" ] && break
        text+=" $line"
    done
    local -a words
    read -ra words <<<"${text#*usage: }"
    local index word
    for ((index = 0; index < ${#words[@]}; index++)); do
        word=${words[index]#[}
        [[ $word == -* ]] || continue
        if [[ $word == *']' ]] || ((index + 1 == ${#words[@]})) || [[ ${words[index + 1]} == \[* ]]; then
            echo "${word%]}"
        else
            echo "$word ${words[++index]%]*}"
        fi
    done
}

# The lines of a subsection ("   NAME" as the page shows it) of a rendered page.
subsection()
{
    awk -v name="   $2" '$0 == name { inside = 1; next } /^ {0,3}[^ ]/ { inside = 0 } inside' <<<"$1"
}

cli_page=$(render "$man_dir/edamaki-cli.1")
mapfile -t commands < <("$cli" --help | awk '/^Commands:/ { listing = 1; next } listing && /^  [a-z]/ { print $1; next } { listing = 0 }')
[ ${#commands[@]} -gt 0 ] || fail "edamaki-cli --help lists no command"
for command in "${commands[@]}"; do
    section=$(subsection "$cli_page" "$command")
    if [ -z "$section" ]; then
        fail "edamaki-cli.1 has no section for \"$command\""
        continue
    fi
    mapfile -t options < <("$cli" "$command" --help | usage_options)
    for option in "${options[@]}"; do
        grep -qF -- "$option" <<<"$section" || fail "edamaki-cli.1, $command: no \"$option\""
    done
done
for option in --help --version; do
    grep -qF -- "$option" <<<"$cli_page" || fail "edamaki-cli.1: no \"$option\""
done

if [ -n "$gui" ]; then
    gui_page=$(render "$man_dir/edamaki.1")
    # The usage line's options and those the help lists one a line ("  -h, --help").
    mapfile -t options < <(
        help=$(env -u DISPLAY -u WAYLAND_DISPLAY "$gui" --help)
        usage_options <<<"$help"
        grep -oE '^  --?[a-z][a-z-]*(, --[a-z-]+)?' <<<"$help" | tr -d ' ' | tr ',' '\n'
    )
    [ ${#options[@]} -gt 2 ] || fail "edamaki --help names no options"
    options_section=$(awk '/^OPTIONS$/ { inside = 1; next } /^[A-Z]/ { inside = 0 } inside' <<<"$gui_page")
    for option in "${options[@]}"; do
        grep -qE -- "(^|[^a-z-])$option([^a-z-]|$)" <<<"$options_section" || fail "edamaki.1 OPTIONS: no \"$option\""
    done
fi

[ $failures -eq 0 ] || exit 1
echo "man pages: ${#commands[@]} commands and their options named"
