#!/usr/bin/env bash
# Runs every benchmark of the Release tree, pinned to one core when possible.
# Extra arguments go to each benchmark (for example --benchmark_repetitions=5).
set -euo pipefail
cd "$(dirname "$0")/.."
pin=()
command -v taskset >/dev/null && pin=(taskset -c 0)
for b in build/bin/bench_*; do
    [[ -x "$b" ]] || continue
    echo "==> $(basename "$b")"
    "${pin[@]}" "$b" "$@"
done
