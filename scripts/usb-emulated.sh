#!/usr/bin/env bash
# Runs a program with the virtual receiver attached behind the kernel's USB
# interface: the program finds it through libusb, as it would a real one.
#   scripts/usb-emulated.sh [--receivers N] COMMAND [ARGS...]
# e.g. scripts/usb-emulated.sh build/bin/velorix-cli --source usb --seconds 10 --smeter
# The virtual receiver's variables apply (VELORIX_SIM_SCENARIO, VELORIX_SIM_SEED,
# VELORIX_SIM_SOURCE, VELORIX_VIRTUAL_FAULTS, VELORIX_VIRTUAL_PLUG, ...); the
# program gets VELORIX_USB_IDS, no VELORIX_DEVICE and VELORIX_DATA_DIR naming the
# virtual receiver's files (unless set). VELORIX_BUILD_DIR names the
# build tree (default: build/ of this checkout). Exits with the program's code.
set -euo pipefail
build=${VELORIX_BUILD_DIR:-$(cd "$(dirname "$0")/.." && pwd)/build}
emulator=$build/bin/velorix-usb-emulator
if ! command -v umockdev-wrapper >/dev/null; then
    echo "usb-emulated.sh: umockdev-wrapper is missing (scripts/install-deps.sh installs umockdev)" >&2
    exit 125
fi
if [[ ! -x $emulator ]]; then
    echo "usb-emulated.sh: $emulator is not built (cmake --build build --target velorix-usb-emulator)" >&2
    exit 125
fi
exec umockdev-wrapper "$emulator" "$@"
