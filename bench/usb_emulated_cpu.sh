#!/usr/bin/env bash
# What the libusb path costs: velorix-cli at 500 kHz in real time on the
# emulated receiver (velorix-usb-emulator, through libusb) against the same
# program on the virtual transport. Both play one recording of the built-in
# band as the receiver's stream (VELORIX_SIM_SOURCE=wav:...), so the model
# costs the same and little. Prints the medians of the runs, with the load
# average beside them:
#   - velorix-cli's CPU on each transport (% of one core, utime+stime from
#     /proc over a window after start-up) and the ratio;
#   - the emulator's own CPU, apart;
#   - the libusb event threads (libusb's "libusb_event" and the library's
#     "velorix-hotplug") while streaming, and while the receiver is open and
#     nothing streams (tests' usbemu_client idle).
#   bench/usb_emulated_cpu.sh [runs]   (default 3; VELORIX_BENCH_SECONDS=20 the window)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
bin=${VELORIX_BUILD_DIR:-$here/../build}/bin
runs=${1:-3}
window=${VELORIX_BENCH_SECONDS:-20}
for p in velorix-cli velorix-usb-emulator usbemu_client; do
    [[ -x $bin/$p ]] || { echo "usb_emulated_cpu.sh: $bin/$p is not built" >&2; exit 1; }
done
command -v umockdev-wrapper >/dev/null || { echo "usb_emulated_cpu.sh: umockdev-wrapper is missing" >&2; exit 1; }
work=$(mktemp -d /tmp/velorix-bench-usb.XXXXXX)
trap 'rm -rf "$work"' EXIT
hz=$(getconf CLK_TCK)

# utime+stime, in ticks, of a process or of its threads whose name matches.
ticks() { awk '{print $14 + $15}' "/proc/$1/stat" 2>/dev/null || echo 0; }
thread_ticks() {  # <pid> <name pattern>
    local sum=0 t
    for t in /proc/"$1"/task/*; do
        [[ $(cat "$t/comm" 2>/dev/null) =~ $2 ]] && sum=$((sum + $(awk '{print $14 + $15}' "$t/stat")))
    done
    echo "$sum"
}
percent() { awk "BEGIN{printf \"%.2f\", ($2 - $1) * 100 / $hz / $window}"; }
median() { sort -n | awk '{v[NR]=$1} END{print v[int((NR + 1) / 2)]}'; }
wait_for() {  # <command...>: up to 30 s
    local i
    for i in $(seq 300); do "$@" && return 0; sleep 0.1; done
    return 1
}

echo "recording 10 s of the built-in band at 500 kHz..."
"$bin/velorix-cli" --synthesize "$work/band.wav" --rate 500 --seconds 10 >/dev/null
export VELORIX_SIM_SOURCE=wav:$work/band_000.wav  # the first file of the series
cli=("$bin/velorix-cli" --rate 500 --mode AM --seconds $((window + 6)) --audio-out "$work/a.wav")

# One streaming run on <virtual|usb>: "cli% emulator% events%".
stream() {
    local pid emu="" c0 c1 e0 e1 v0 v1
    if [[ $1 == virtual ]]; then
        "${cli[@]}" --source virtual >/dev/null 2>&1 &
        pid=$!
    else
        umockdev-wrapper "$bin/velorix-usb-emulator" -- "${cli[@]}" --source usb >/dev/null 2>&1 &
        emu=$!
        wait_for pgrep -P "$emu" -x velorix-cli >/dev/null
        pid=$(pgrep -P "$emu" -x velorix-cli)
    fi
    sleep 4  # start-up: firmware, bitstream, the chain's first blocks
    c0=$(ticks "$pid") e0=$(ticks "${emu:-$pid}") v0=$(thread_ticks "$pid" '^(libusb_event|velorix-hotplug)$')
    sleep "$window"
    c1=$(ticks "$pid") e1=$(ticks "${emu:-$pid}") v1=$(thread_ticks "$pid" '^(libusb_event|velorix-hotplug)$')
    wait
    echo "$(percent "$c0" "$c1") $([[ -n $emu ]] && percent "$e0" "$e1" || echo -) $(percent "$v0" "$v1")"
}

# The receiver open and idle: the event threads of usbemu_client.
idle() {
    local emu pid v0 v1
    umockdev-wrapper "$bin/velorix-usb-emulator" -- "$bin/usbemu_client" idle $((window + 2)) \
        >"$work/idle.out" 2>&1 &
    emu=$!
    wait_for grep -qx idle "$work/idle.out"
    pid=$(pgrep -P "$emu" -x usbemu_client)
    v0=$(thread_ticks "$pid" '^(libusb_event|velorix-hotplug)$')
    sleep "$window"
    v1=$(thread_ticks "$pid" '^(libusb_event|velorix-hotplug)$')
    wait
    percent "$v0" "$v1"
}

for r in $(seq "$runs"); do
    read -r vc _ _ < <(stream virtual)
    read -r uc ue uv < <(stream usb)
    iv=$(idle)
    echo "run $r: velorix-cli virtual $vc %, libusb $uc % (emulator $ue %), event threads streaming $uv %, idle $iv %  (load $(cut -d' ' -f1-3 /proc/loadavg))"
    echo "$vc $uc $ue $uv $iv" >>"$work/runs"
done
col() { awk "{print \$$1}" "$work/runs" | median; }
vc=$(col 1) uc=$(col 2)
echo "medians of $runs runs over ${window} s at 500 kHz:"
echo "  velorix-cli on the virtual transport  $vc % of a core"
echo "  velorix-cli on the libusb path        $uc % ($(awk "BEGIN{printf \"%.2f\", $uc / $vc}") x the virtual transport)"
echo "  the emulator's own process            $(col 3) %"
echo "  libusb event threads streaming        $(col 4) %"
echo "  libusb event threads idle             $(col 5) %"
