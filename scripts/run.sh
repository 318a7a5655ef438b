#!/usr/bin/env bash
# The main job: the receiver listening to the virtual receiver's band.
# With a display ($DISPLAY set) that is the window on the virtual receiver.
# Without one it is the headless receiver: 30 s of signal (VELORIX_RUN_SECONDS changes it) at the
# stored settings, with sound when a PulseAudio server answers and the
# S-meter printed every 100 ms. Extra arguments go to velorix-cli.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
cli="$root/build/bin/velorix-cli"
window="$root/build/bin/velorix"
if [[ ! -x "$cli" ]]; then
    echo "run: $cli is missing; 'make run' builds it" >&2
    exit 1
fi
# The station lists are read from the working directory: the demo lists.
[[ -d data ]] && cd data
if [[ -n "${DISPLAY:-}" && -x "$window" ]]; then
    VELORIX_DEVICE=virtual exec "$window" "$@"
fi
exec "$cli" --source virtual --settings --smeter --seconds "${VELORIX_RUN_SECONDS:-30}" "$@"
