#!/usr/bin/env bash
# Runs every benchmark of the Release tree, pinned to one core when possible.
# `scripts/bench.sh chain` runs only the whole receive chain (velorix-cli on
# recordings of the built-in band, USB and AM at 125, 250 and 500 kHz), which
# ends with a table of real-time factors and, when GNU Radio is installed,
# its factor for the same job and the ratio.
# `scripts/bench.sh window [runs]` runs bench/window_cpu.sh: the window's CPU
# under Xvfb against velorix-cli and GQRX, first spectrum, shutdown, drops.
# `scripts/bench.sh usb [runs]` runs bench/usb_emulated_cpu.sh: velorix-cli on
# the libusb path against the emulated receiver, against the virtual transport.
# Extra arguments go to each benchmark (for example --benchmark_repetitions=5).
set -euo pipefail
cd "$(dirname "$0")/.."
pin=()
command -v taskset >/dev/null && pin=(taskset -c 0)
benches=(build/bin/bench_*)
if [[ ${1:-} == window ]]; then
    shift
    exec bench/window_cpu.sh "$@"
fi
if [[ ${1:-} == usb ]]; then
    shift
    exec bench/usb_emulated_cpu.sh "$@"
fi
if [[ ${1:-} == chain ]]; then
    shift
    benches=(build/bin/bench_cli_chain)
fi
for b in "${benches[@]}"; do
    [[ -x "$b" ]] || continue
    echo "==> $(basename "$b")"
    "${pin[@]}" "$b" "$@"
done
