#!/usr/bin/env bash
# Runs each fuzz target a few hundred times from an empty corpus: it must
# neither crash nor leave anything behind. Usage: fuzz-smoke.sh BUILD_DIR
set -euo pipefail
build=${1:?build folder}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
for target in SourceReaderFuzzer TextFuzzer SearchFuzzer DryRunFuzzer PlaceholderFuzzer; do
    mkdir -p "$scratch/$target"
    if ! "$build/$target" -runs=300 -seed=1 -max_len=2048 -timeout=20 "$scratch/$target" >"$scratch/$target.log" 2>&1; then
        tail -30 "$scratch/$target.log"
        echo "fuzz-smoke: $target failed" >&2
        exit 1
    fi
done
echo "fuzz-smoke: every target ran 300 inputs"
