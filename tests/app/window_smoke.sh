#!/usr/bin/env bash
# The real velorix window from outside, as a user meets it: on a virtual X
# server, on the virtual receiver, playing into a private PulseAudio daemon,
# with a scratch settings directory and every notice routed to stderr.
# Clicks arrive through xdotool at window coordinates; screenshots of the
# whole screen are kept in <artifact-dir> and checked at named pixels.
#   window_smoke.sh <bin-dir> <data-dir> <artifact-dir> [usb]
# With "usb" the receiver is the emulated one behind the kernel's USB
# interface (velorix-usb-emulator), reached through libusb.
# Exit 0 passed, 1 failed, 77 skipped (no X tools, and not in CI).
# The script runs itself again inside xvfb-run for the part on the screen.
# shellcheck source=smoke_common.sh
source "$(dirname "$0")/smoke_common.sh"

# The part on the screen: verdicts go to $VELORIX_OUT/verdict, one a line,
# "ok ..." or "FAIL ...".
on_screen() {
    VERDICT=$VELORIX_OUT/verdict
    shot() { import -window root "$VELORIX_OUT/$1.png"; }
    rgb() {  # rgb <shot> <screen x> <screen y>  ->  "r g b", 0..255
        local p="p{$2,$3}"
        convert "$VELORIX_OUT/$1.png" \
            -format "%[fx:int(255*$p.r)] %[fx:int(255*$p.g)] %[fx:int(255*$p.b)]" info:
    }
    # Pixels of a window rectangle for which an ImageMagick -fx condition holds.
    count() {  # count <shot> <x> <y> <w> <h> <condition>
        convert "$VELORIX_OUT/$1.png" -crop "$4x$5+$((X0 + $2))+$((Y0 + $3))" +repage -fx "$6" \
            -format "%[fx:int(mean*w*h+0.5)]" info:
    }
    # White pixels (every channel above 85 %): the traces; the grid is grey.
    traces() {  # traces <shot> <x> <y> <w> <h>
        convert "$VELORIX_OUT/$1.png" -crop "$4x$5+$((X0 + $2))+$((Y0 + $3))" +repage \
            -channel RGB -separate -evaluate-sequence min -threshold 85% \
            -format "%[fx:int(mean*w*h+0.5)]" info:
    }
    floor="b>r+0.15 && b>g+0.15"      # the waterfall's blue noise floor
    signal="g>0.6 && b<0.4"           # green to red waterfall signals
    amber="r>0.8 && g>0.6 && b<0.5"   # the station panel's text
    # The lit bar on top of a checked face is amber (255,196,52); unlit it is dark.
    lit() {  # lit <shot> <window x> <window y>
        local r g b
        read -r r g b < <(rgb "$1" $((X0 + $2)) $((Y0 + $3)))
        ((r > 200 && g > 150 && b < 100))
    }
    click() { xdotool mousemove $((X0 + $1)) $((Y0 + $2)); sleep 0.3; xdotool click 1; sleep 0.5; }
    waitfor() {  # waitfor <command...>: until it succeeds (ctest's time-out ends a hang)
        until "$@"; do
            sleep 0.1
        done
    }
    # Starts the window with its notices in boxes, waits for the box captioned
    # <caption>, sends SIG<sig>, and checks the exit code and how long it took.
    signalled() {  # signalled <caption> <VAR=value> <sig>
        local pid start code=timeout want=$((128 + $(kill -l "$3")))
        env -u VELORIX_NOTICES "$2" "$VELORIX_BIN" >/dev/null 2>&1 &
        pid=$!
        if ! timeout 60 xdotool search --sync --onlyvisible --name "^$1\$" >/dev/null; then
            echo "FAIL the box \"$1\" appears within 60 s" >>"$VELORIX_OUT/verdict"
            kill -9 "$pid"; wait "$pid"; return
        fi
        start=$(date +%s%N)
        kill -s "$3" "$pid"
        for _ in $(seq 200); do
            kill -0 "$pid" 2>/dev/null || { wait "$pid"; code=$?; break; }
            sleep 0.05
        done
        local ms=$((($(date +%s%N) - start) / 1000000))
        if [[ $code == timeout ]]; then kill -9 "$pid"; wait "$pid"; fi
        check "SIG$3 at the \"$1\" box ends the program with $want (ended: $code, in $ms ms)" \
            test "$code" = "$want"
    }

    velorix=("$VELORIX_BIN")
    [[ -n ${VELORIX_EMULATOR:-} ]] && velorix=(umockdev-wrapper "$VELORIX_EMULATOR" -- "$VELORIX_BIN")
    "${velorix[@]}" >"$VELORIX_OUT/stdout.log" 2>"$VELORIX_OUT/stderr.log" &
    pid=$!
    win=$(timeout 60 xdotool search --sync --onlyvisible --name "^velorix$" | head -1)
    if [[ -z $win ]]; then
        echo "FAIL the window appears within 60 s" >>"$VELORIX_OUT/verdict"
        kill "$pid"; wait "$pid"; exit 1
    fi
    eval "$(xdotool getwindowgeometry --shell "$win")"
    X0=$X Y0=$Y
    check "the window is 1024x620 (is ${WIDTH}x${HEIGHT})" test "$WIDTH.$HEIGHT" = 1024.620

    # The spectrum: a trace of white pixels over a dim grid, once it comes.
    until shot start; trace=$(traces start 180 30 815 245); ((trace > 400)); do
        sleep 0.5
    done
    check "the spectrum shows a trace (white pixels: $trace)" between "$trace" 400 40000
    check "the mode USB is checked at start" lit start 405 334
    check "the mode AM is not checked at start" eval "! lit start 205 334"

    click 205 344   # AM
    click 65 477    # rate 250 kHz
    click 268 311   # WFall: the main display turns to the waterfall
    # Until the waterfall has drawn a quarter of its floor and the secondary
    # display its trace, however slowly the lines come.
    until shot clicked && (($(count clicked 180 30 815 100 "$floor") >= 20000 &&
        $(traces clicked 222 368 200 120) >= 150)); do
        sleep 0.5
    done
    check "the mode AM shows its checked face" lit clicked 205 334
    check "the mode USB shows its unchecked face" eval "! lit clicked 405 334"
    check "the rate 250 shows its checked face" lit clicked 64 467
    check "the rate 125 shows its unchecked face" eval "! lit clicked 24 467"
    # The main display now shows the waterfall: a blue floor with signals,
    # and no trace; the secondary display keeps its spectrum.
    n=$(count clicked 180 30 815 100 "$floor")
    check "the waterfall shows its noise floor (blue pixels: $n)" between "$n" 20000 81500
    n=$(count clicked 180 30 815 100 "$signal")
    check "the waterfall shows signals (pixels: $n)" between "$n" 300 20000
    n=$(traces clicked 180 30 815 245)
    check "the main display shows no trace over the waterfall (white pixels: $n)" test "$n" -lt 50
    n=$(traces clicked 222 368 200 120)
    check "the secondary display shows a trace (white pixels: $n)" between "$n" 150 6000

    # The keypad: double-click the readout, type the frequency in kHz, Return.
    xdotool mousemove $((X0 + 50)) $((Y0 + 250)); sleep 0.3
    xdotool click --repeat 2 --delay 80 1
    pad=$(timeout 10 xdotool search --sync --onlyvisible --name "^Frequency \\(kHz\\)$" | head -1)
    check "the keypad opens on a double-click of the readout" test -n "$pad"
    if [[ -n $pad ]]; then
        xdotool windowfocus --sync "$pad"
        xdotool type --delay 50 15290
        xdotool key Return
        xdotool key Escape
    fi
    # The waterfall fills the display for the README's picture meanwhile;
    # the checks wait for the station panel to list the station.
    sleep 6
    until shot tuned && (($(count tuned 598 458 348 75 "$amber") >= 100)); do
        sleep 0.5
    done
    # The demo list names the station on the air at the first start's 14 150 kHz
    # (the 20 m SSB net) and at 15 290 kHz (a broadcaster), each on one line.
    n=$(count start 598 458 348 75 "$amber")
    check "the station panel lists a station at 14 150 kHz (text pixels: $n)" between "$n" 100 5000
    n=$(count tuned 598 458 348 75 "$amber")
    check "the station panel lists a station at 15 290 kHz (text pixels: $n)" between "$n" 100 5000
    # The window alone, as the README shows it.
    convert "$VELORIX_OUT/tuned.png" -crop "1024x620+$X0+$Y0" +repage "$VELORIX_OUT/window.png"

    # RECORD into a folder that is not there, then under a regular file
    # (VELORIX_FILE_ANSWERS gives the names): each tells the system's reason.
    click 110 598
    click 110 598
    for why in "No such file or directory" "Not a directory"; do
        check "a failed Record tells \"$why\"" \
            waitfor grep -q "^Record Error error: Can't create .*take_000.wav: $why\$" \
            "$VELORIX_OUT/stderr.log"
    done

    click 1010 13    # exit
    wait "$pid"
    code=$?
    check "the exit button ends the program with 0 (ended: $code)" test "$code" = 0
    # The rest is the window's own, whatever its receiver: run on the virtual one only.
    [[ -n ${VELORIX_EMULATOR:-} ]] && return

    # A signal while a start-up notice is open ends the program with 128 + n:
    # the receiver-not-found box, and the box after a bitstream that fails.
    # A low-latency stream keeps the sink busy meanwhile: an idle null sink
    # holds every new stream (two at each start) for up to 2 s.
    pacat --playback --latency-msec=20 </dev/zero &
    local busy=$!
    for sig in INT TERM HUP; do
        signalled velorix VELORIX_VIRTUAL_PLUG=/nonexistent "$sig"
        signalled "Installation Error" VELORIX_VIRTUAL_FAULTS=fpga-never-done "$sig"
    done
    kill "$busy"
    wait "$busy" 2>/dev/null

    # RECORD into a folder the user may not write to (root may write anywhere).
    local ro=$VELORIX_OUT/readonly nobody=$VELORIX_OUT/nobody
    mkdir -p "$ro" "$nobody/config"
    chmod 755 "$ro"
    chown -R 65534:65534 "$nobody"
    cp "$XAUTHORITY" "$nobody/xauth" && chmod 644 "$nobody/xauth"
    XAUTHORITY=$nobody/xauth VELORIX_CONFIG_DIR=$nobody/config VELORIX_FILE_ANSWERS=$ro/take \
        setpriv --reuid=65534 --regid=65534 --clear-groups "$VELORIX_BIN" \
        >/dev/null 2>"$VELORIX_OUT/readonly.log" &
    pid=$!
    win=$(timeout 60 xdotool search --sync --onlyvisible --name "^velorix$" | head -1)
    eval "$(xdotool getwindowgeometry --shell "$win")"
    X0=$X Y0=$Y
    click 110 598
    check "a Record into a read-only folder tells \"Permission denied\"" \
        waitfor grep -q "^Record Error error: Can't create $ro/take_000.wav: Permission denied\$" \
        "$VELORIX_OUT/readonly.log"
    kill "$pid"
    wait "$pid" || true

    # A start over a store whose folder is a regular file: told after the
    # start that the settings will not be kept, and the end, asked for by
    # the window's test hook, says so with 1.
    mkdir -p "$VELORIX_OUT/filed"
    echo x >"$VELORIX_OUT/filed/Tessaline s.r.l."
    printf 'wait 500\nquit\n' >"$VELORIX_OUT/filed/quit.txt"
    VELORIX_CONFIG_DIR=$VELORIX_OUT/filed VELORIX_TEST_SCRIPT=$VELORIX_OUT/filed/quit.txt \
        timeout 60 "${velorix[@]}" >/dev/null 2>"$VELORIX_OUT/filed.log"
    code=$?
    told="velorix warning: $VELORIX_OUT/filed/Tessaline s.r.l./velorix.conf cannot be written"
    told+=" ($VELORIX_OUT/filed/Tessaline s.r.l. is a file, not a folder): the settings will not be kept"
    check "a store that cannot be written is told at start" grep -qxF "$told" "$VELORIX_OUT/filed.log"
    check "a quit that cannot save the settings ends with 1 (ended: $code)" test "$code" = 1
}

if [[ ${1:-} == on-screen ]]; then
    set -u
    on_screen
    exit
fi

set -euo pipefail
bin=${1:?bin directory}
data=${2:?data directory}
out=${3:?artifacts directory}
here=$(cd "$(dirname "$0")" && pwd)
pulse=$here/../audio/pulse_daemon.sh

tools=(xvfb-run Xvfb xauth xdotool import convert pulseaudio pactl)
[[ ${4:-} == usb ]] && tools+=(umockdev-wrapper)
require "${tools[@]}"

rm -rf "$out"
mkdir -p "$out/config"
# Socket paths are limited to 108 characters: the daemon lives under /tmp.
runtime=$(mktemp -d /tmp/velorix-smoke.XXXXXX)
trap '"$pulse" stop "$runtime"' EXIT
"$pulse" start "$runtime"

if [[ ${4:-} == usb ]]; then
    export VELORIX_EMULATOR=$bin/velorix-usb-emulator
else
    export VELORIX_DEVICE=virtual
fi
export VELORIX_CONFIG_DIR=$out/config VELORIX_NOTICES=stderr
export VELORIX_AUDIO_SUMMARY=1
export PULSE_SERVER=unix:$runtime/pulse/native XDG_RUNTIME_DIR=$runtime
export VELORIX_BIN=$bin/velorix VELORIX_OUT=$out
# The Record's file names, without a file dialog: a folder that is not there,
# and one under a regular file.
touch "$out/plain"
export VELORIX_FILE_ANSWERS="$out/missing/take
$out/plain/take"
cd "$data"  # the station lists are read from the working directory

set +e
timeout -k 10 180 xvfb-run -a -s "-screen 0 1280x800x24" "$here/$(basename "$0")" on-screen
rc=$?
set -e

settings=$(find "$out/config" -name velorix.conf | head -1)
value() { sed -n "s/^$1=//p" "$settings" 2>/dev/null; }
verdict=$out/verdict VERDICT=$out/verdict
touch "$verdict"
((rc == 0)) || echo "FAIL the screen session ended with $rc" >>"$verdict"
[[ -n $settings ]] || echo "FAIL the settings were saved" >>"$verdict"
for kv in CenterFreq=15290000 DemIdx=0 DdcSamplingRateIdx=1; do
    got=$(value "${kv%%=*}")
    [[ ${kv#*=} == "$got" ]] && s=ok || s=FAIL
    echo "$s the settings hold $kv (hold ${got:-nothing})" >>"$verdict"
done
# About 20 s of audio at 61 buffers a second went to the sink.
read -r played dropped < <(sed -n 's/^audio: \([0-9]*\) buffers played, \([0-9]*\) dropped.*/\1 \2/p' \
    "$out/stdout.log" 2>/dev/null) || true
((${played:-0} >= 300)) && s=ok || s=FAIL
echo "$s the audio output played at least 300 buffers (played ${played:-none}, dropped ${dropped:-?})" >>"$verdict"
# Nothing but the two Record notices asked for.
conclude "$out/stderr.log" "$out" "^Record Error error: "
