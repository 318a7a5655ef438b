#!/usr/bin/env bash
# The main job: the receiver listening to the virtual receiver.
set -euo pipefail
cd "$(dirname "$0")/.."
if [[ -x build/bin/velorix-cli ]]; then
    export VELORIX_DEVICE=virtual
    exec build/bin/velorix-cli "$@"
fi
echo "velorix: the signal-processing engine is built and tested; the receiver program itself"
echo "does not exist yet, so there is nothing to run. 'make test' runs the tests, 'make bench'"
echo "the benchmarks."
