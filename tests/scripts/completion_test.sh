#!/usr/bin/env bash
# The bash completions complete what each word of the command line may be:
# the line (as typed, the cursor at its end) and the words expected, in a
# folder holding a folder and a file.
# usage: completion_test.sh EDAMAKI_CLI COMPLETIONS_DIR
set -uo pipefail

cli=$(realpath "$1")
completions=$(realpath "$2")
if [ -r /usr/share/bash-completion/bash_completion ]; then
    # shellcheck disable=SC1091
    source /usr/share/bash-completion/bash_completion
fi
source "$completions/edamaki-cli"
source "$completions/edamaki"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir "$scratch/work"
touch "$scratch/work.fms"
cd "$scratch" || exit 1

failures=0
# LINE EXPECTED: the words COMPREPLY holds for LINE, sorted, space-separated.
check()
{
    local line=${1/#edamaki-cli/$cli} expected=$2
    COMP_LINE=$line
    COMP_POINT=${#line}
    read -ra COMP_WORDS <<<"$line"
    [[ $line == *' ' ]] && COMP_WORDS+=('')
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    local function
    function=$(complete -p "${COMP_WORDS[0]##*/}" | sed -E 's/.* -F ([^ ]+) .*/\1/')
    "$function" "${COMP_WORDS[0]}" "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}" 2>/dev/null
    local got
    got=$(printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' ')
    got=${got% }
    if [ "$got" != "$expected" ]; then
        echo "FAIL: \"$1\": expected \"$expected\", got \"$got\"" >&2
        failures=$((failures + 1))
    fi
}

check 'edamaki-cli ' 'convert create import placeholders runs templates undo verify'
check 'edamaki-cli undo --' '--dry-run --help'
check 'edamaki-cli u' 'undo'
check 'edamaki-cli c' 'convert create'
check 'edamaki-cli --v' '--version'
check 'edamaki-cli create --d' '--date --dry-run'
check 'edamaki-cli create --j' '--jobs'
check 'edamaki-cli create --encoding ' 'auto cp932 utf-8'
check 'edamaki-cli create --encoding=u' 'utf-8'
check 'edamaki-cli verify --e' '--encoding --extra'
check 'edamaki-cli import --encoding ' 'cp932 utf-8'
check 'edamaki-cli convert --to ' 'macro text'
check 'edamaki-cli create --parent w' 'work'
check 'edamaki-cli import w' 'work'
check 'edamaki-cli create --dry-run w' 'work work.fms'
check 'edamaki-cli convert --to text w' 'work work.fms'
check 'edamaki-cli create --rows w' 'work work.fms'
check 'edamaki -' '--help --version -f'
check 'edamaki -f w' 'work work.fms'

[ $failures -eq 0 ] || exit 1
echo "completion: every line completed as expected"
