#!/usr/bin/env bash
# Runs every built fuzz target for a few seconds over its corpus; fails on the first finding.
set -euo pipefail
build=${1:-build-fuzz}
seconds=${FUZZ_SECONDS:-5}
root=$(cd "$(dirname "$0")/.." && pwd)
found=0
while IFS= read -r fuzzer; do
    name=$(basename "$fuzzer")
    base=${name%_fuzzer}; base=${base%_fuzz}
    corpus=$(find "$root/tests/fuzz" -type d -path "*/corpus/$base" | head -n 1)
    [ -z "$corpus" ] && [ -d "$root/tests/fuzz/$base/corpus" ] && corpus="$root/tests/fuzz/$base/corpus"
    work=$(mktemp -d)
    [ -n "$corpus" ] && cp -r "$corpus"/. "$work"/ 2>/dev/null || true
    echo "fuzz: $name for ${seconds}s"
    "$fuzzer" -max_total_time="$seconds" -artifact_prefix="$work/" "$work" >"$work.log" 2>&1 || {
        echo "fuzz: $name FAILED"; tail -n 30 "$work.log"; exit 1; }
    found=$((found + 1))
    rm -rf "$work" "$work.log"
done < <(find "$build/tests/fuzz" -type f -executable -name '*_fuzz*' 2>/dev/null | sort)
echo "fuzz: $found targets ran clean"
