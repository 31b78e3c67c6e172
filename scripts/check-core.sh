#!/usr/bin/env bash
# The core builds without Qt: fails when a file under core/ includes a Qt header.
set -euo pipefail
cd "$(dirname "$0")/.."
if matches=$(git grep --untracked -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"](Qt[A-Za-z]*/|Q[A-Z][A-Za-z]*>|Q[A-Z][A-Za-z]*")' -- core/); then
    echo "core/ must not include Qt headers:" >&2
    echo "$matches" >&2
    exit 1
fi
echo "core/: no Qt includes"
