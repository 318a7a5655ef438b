#!/usr/bin/env bash
# What the window costs: velorix under Xvfb playing a 500 kHz recording of the
# virtual band in real time (AM, 8192-bin main display, both displays, the
# S-meter, audio into a private PulseAudio null sink), against velorix-cli
# on the same recording and sink. Prints, with the load average beside each:
#   - whole-process CPU of both (% of one core, /proc/PID/stat utime+stime
#     over a fixed window after start-up), medians of the runs, and the
#     window's share (the difference);
#   - the CPU of the window's GUI thread alone;
#   - the time from start to the first painted spectrum on the virtual
#     receiver (the first screenshot showing a trace; an upper bound);
#   - the shutdown time after SIGTERM;
#   - the audio buffers dropped over the run from the first one played
#     (VELORIX_AUDIO_SUMMARY).
# The peer is GQRX doing the same job in the same run: the same recording
# (as complex floats), AM, an 8192-point FFT, its window at 1280x800 and its
# audio into the same private sink; each run checks that it receives (its
# remote control answers "u DSP" with 1, the sink carries its audio). It runs
# when `gqrx` is installed (Debian gqrx-sdr; never installed by CI), else its
# figures measured on this machine earlier are printed.
#   bench/window_cpu.sh [runs]      (default 3; VELORIX_BENCH_SECONDS=30 the window)
# VELORIX_BENCH_SCALE=2 runs the window at two device pixels per window pixel
# (QT_SCALE_FACTOR) on a screen twice as large; whole numbers only.
# Runs from the Release tree build/bin; the recording is kept in build/bench-window.

# --- The part on the virtual screen (the script runs itself in xvfb-run) ---
# Starts velorix on the virtual receiver, times its first spectrum, switches
# it to the recording, measures, and ends it by SIGTERM. One result line.
on_screen() {
    local t0 pid win shots=() times=() i
    t0=$(now)
    "$BENCH_BIN/velorix" >"$BENCH_WORK/window.out" 2>"$BENCH_WORK/window.err" &
    pid=$!
    # Screenshots as fast as they come for 8 s, looked at afterwards.
    for i in $(seq 200); do
        import -window root "$BENCH_WORK/first-$i.png" 2>/dev/null || continue
        shots+=("$BENCH_WORK/first-$i.png")
        times+=("$(now)")
        [[ $(awk "BEGIN{print (${times[-1]} - $t0 > 8)}") == 1 ]] && break
    done
    win=$(timeout 30 xdotool search --sync --onlyvisible --name "^velorix$" | head -1)
    if [[ -z $win ]]; then
        kill -9 "$pid"
        return 1
    fi
    eval "$(xdotool getwindowgeometry --shell "$win")"
    # The first screenshot whose spectrum area holds a white trace.
    local first=none
    for i in "${!shots[@]}"; do
        local n
        n=$(convert "${shots[$i]}" -crop "$(area 180 30 815 245)" +repage \
            -channel RGB -separate -evaluate-sequence min -threshold 85% \
            -format "%[fx:int(mean*w*h+0.5)]" info:)
        if ((n > 400 * S * S)); then
            first=$(awk "BEGIN{printf \"%.2f\", ${times[$i]} - $t0}")
            break
        fi
    done
    rm -f "$BENCH_WORK"/first-*.png

    # Source "Wav", "File..", the name typed into the dialog, then "Play".
    click "$X" "$Y" 65 522
    click "$X" "$Y" 145 522
    local dialog
    dialog=$(timeout 10 xdotool search --sync --onlyvisible --name "^Open$" | head -1)
    xdotool windowfocus --sync "$dialog"
    xdotool type --delay 10 "$BENCH_REC"
    xdotool key Return
    sleep 1
    click "$X" "$Y" 58 598
    import -window root "$BENCH_WORK/playing.png"

    local cpu gui
    read -r cpu gui < <(measure "$pid")
    import -window root "$BENCH_WORK/measured.png"
    # The recording's name in the status line: the figures are of playback.
    local named
    named=$(convert "$BENCH_WORK/measured.png" -crop "$(area 286 566 600 16)" +repage \
        -channel RGB -separate -evaluate-sequence max -threshold 60% \
        -format "%[fx:int(mean*w*h+0.5)]" info:)
    ((named > 100 * S * S)) || cpu=not-playing
    local t1 t2
    t1=$(now)
    kill -TERM "$pid"
    wait "$pid"
    t2=$(now)
    local drops
    drops=$(sed -n 's/^audio: .*, \([0-9]*\) of them after the first played$/\1/p' \
        "$BENCH_WORK/window.out")
    echo "$cpu $gui $first $(awk "BEGIN{printf \"%.3f\", $t2 - $t1}") ${drops:-?} $(load)"
}

# --- GQRX on the virtual screen ---
# Starts GQRX with the configuration in $1 (its own home, so nothing of the
# user's is read or changed), sizes its window to 1280x800, starts its DSP in
# AM through its remote control, checks that it receives, measures, and ends
# it. One result line: "<process %> <main thread %> <u DSP answer> <audio RMS>".
gqrx_on_screen() {
    local home=$1 pid win answer rms
    HOME=$home gqrx -c bench.conf >"$BENCH_WORK/gqrx.log" 2>&1 &
    pid=$!
    win=$(timeout 60 xdotool search --sync --onlyvisible --name "Gqrx" | head -1)
    if [[ -z $win ]]; then
        kill -9 "$pid"
        return 1
    fi
    xdotool windowsize --sync "$win" 1280 800
    # Its DSP starts only when asked, through the remote control; asked
    # again until the port answers.
    until answer=$(remote "U DSP 1" "M AM 10000" "u DSP"); do
        kill -0 "$pid" 2>/dev/null || return 1
        sleep 0.2
    done
    # Two seconds of what the sink plays: its RMS, full scale 1.
    rms=$(timeout 2 parec -d vac.monitor --format=s16le --rate=31250 --channels=1 --raw |
        sox -t raw -r 31250 -e signed -b 16 -c 1 - -n stat 2>&1 |
        sed -n 's/^RMS *amplitude: *//p')
    local cpu gui
    read -r cpu gui < <(measure "$pid")
    import -window root "$BENCH_WORK/gqrx.png"
    kill "$pid"
    wait "$pid"
    echo "$cpu $gui ${answer##* } ${rms:-0}"
}
# Sends each command to GQRX's remote control (port 7356) and prints the last
# answer; fails while the port does not answer.
remote() {
    local cmd reply=
    exec 3<>/dev/tcp/127.0.0.1/7356 || return 1
    for cmd in "$@"; do
        printf '%s\n' "$cmd" >&3
        read -r -t 5 reply <&3 || { exec 3>&-; return 1; }
    done
    exec 3>&-
    echo "$reply"
}

now() { date +%s.%N; }
load() { cut -d' ' -f1 /proc/loadavg; }
S=${VELORIX_BENCH_SCALE:-1}
# A rectangle of the window (window pixels) on the screen shot, for -crop.
area() {  # area <x> <y> <w> <h>
    echo "$(($3 * S))x$(($4 * S))+$((X + $1 * S))+$((Y + $2 * S))"
}
click() {  # click <window x0> <y0> <x> <y>   (window pixels)
    xdotool mousemove $(($1 + $3 * S)) $(($2 + $4 * S))
    sleep 0.3
    xdotool click 1
    sleep 0.7
}
ticks() { awk '{print $14 + $15}' "$1"; }  # utime + stime of a /proc stat file
# After a settling time, the CPU of the whole process and of its main thread
# over the window, in % of one core.
measure() {  # measure <pid>  ->  "<process %> <main thread %>"
    sleep "${BENCH_SETTLE:-5}"
    local a b ta tb w0 w1
    a=$(ticks "/proc/$1/stat")
    ta=$(ticks "/proc/$1/task/$1/stat")
    w0=$(now)
    sleep "$BENCH_SECONDS"
    b=$(ticks "/proc/$1/stat")
    tb=$(ticks "/proc/$1/task/$1/stat")
    w1=$(now)
    awk -v a="$a" -v b="$b" -v ta="$ta" -v tb="$tb" -v w="$(awk "BEGIN{print $w1 - $w0}")" \
        -v hz="$(getconf CLK_TCK)" 'BEGIN{printf "%.2f %.2f\n", 100*(b-a)/hz/w, 100*(tb-ta)/hz/w}'
}

if [[ ${1:-} == on-screen ]]; then
    on_screen
    exit
fi
if [[ ${1:-} == gqrx-on-screen ]]; then
    gqrx_on_screen "$2"
    exit
fi

set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
runs=${1:-3}
export BENCH_SECONDS=${VELORIX_BENCH_SECONDS:-30}
export BENCH_BIN=$root/build/bin BENCH_WORK=$root/build/bench-window
export BENCH_REC=$BENCH_WORK/am500_000.wav
for tool in xvfb-run xdotool import convert pulseaudio pactl; do
    command -v "$tool" >/dev/null || {
        echo "window_cpu: $tool is missing (scripts/install-deps.sh installs it)" >&2
        exit 1
    }
done
for program in velorix velorix-cli; do
    [[ -x $BENCH_BIN/$program ]] || {
        echo "window_cpu: $BENCH_BIN/$program is missing; build the Release tree" >&2
        exit 1
    }
done
mkdir -p "$BENCH_WORK"

pulse=$root/tests/audio/pulse_daemon.sh
runtime=$(mktemp -d /tmp/velorix-bench.XXXXXX)
trap '"$pulse" stop "$runtime"' EXIT
"$pulse" start "$runtime" "Null Output"
export PULSE_SERVER=unix:$runtime/pulse/native XDG_RUNTIME_DIR=$runtime
export VELORIX_DEVICE=virtual VELORIX_NOTICES=stderr VELORIX_AUDIO_SUMMARY=1
cd "$root/data"

# Long enough for the settling time, the window and the clicks.
rec_seconds=$((BENCH_SECONDS + 20))
if [[ ! -f $BENCH_REC ]]; then
    echo "recording ${rec_seconds} s of the virtual band at 500 kHz into $BENCH_REC"
    "$BENCH_BIN/velorix-cli" --source virtual --rate 500 --mode AM --seconds "$rec_seconds" \
        --audio-device "Null Output" --record "${BENCH_REC%_000.wav}" >/dev/null
fi

# Scratch settings: AM at 500 kHz, 8192 bins in the main display.
fresh_settings() {
    rm -rf "$BENCH_WORK/config"
    mkdir -p "$BENCH_WORK/config/Tessaline s.r.l."
    printf '[Beta%%200.31]\nMainFFTIdx=3\nDemIdx=0\nDdcSamplingRateIdx=2\n' \
        >"$BENCH_WORK/config/Tessaline s.r.l./velorix.conf"
    export VELORIX_CONFIG_DIR=$BENCH_WORK/config
}

# GQRX reads complex floats: the recording converted once; its home holds
# only the configuration, written afresh for every run (GQRX marks it
# "crashed" while it runs, and a kill leaves the mark).
have_gqrx=
if command -v gqrx >/dev/null; then
    have_gqrx=1
    cf32=$BENCH_WORK/am500.cf32
    [[ -f $cf32 ]] || sox "$BENCH_REC" -t f32 -e floating-point "$cf32"
fi
gqrx_config() {
    rm -rf "$BENCH_WORK/gqrx-home"
    mkdir -p "$BENCH_WORK/gqrx-home/.config/gqrx"
    cat >"$BENCH_WORK/gqrx-home/.config/gqrx/bench.conf" <<EOF
[General]
configversion=2
[input]
device="file=$cf32,rate=500000,freq=14150000,repeat=true,throttle=true"
sample_rate=500000
frequency=14150000
[fft]
fft_size=8192
fft_rate=25
[remote_control]
enabled=true
EOF
}

declare -a wcpu=() wgui=() wfirst=() wstop=() wdrops=() ccpu=() cdrops=() gw=() gg=()
for r in $(seq "$runs"); do
    fresh_settings
    cpu=
    read -r cpu gui first stop drops ld < <(timeout -k 10 $((BENCH_SECONDS + 120)) \
        env QT_SCALE_FACTOR="$S" VELORIX_BENCH_SCALE="$S" xvfb-run -a \
        -s "-screen 0 $((1280 * S))x$((800 * S))x24" "$root/bench/window_cpu.sh" on-screen) ||
        true
    if [[ -z $cpu || $cpu == not-playing ]]; then
        echo "run $r velorix: no figures (the window did not appear, did not play the" \
            "recording, or timed out; see $BENCH_WORK/window.err and measured.png)"
    else
        printf 'run %d velorix:     %6.2f %% of one core (GUI thread %.2f %%), first spectrum %s s, ' \
            "$r" "$cpu" "$gui" "$first"
        printf 'shutdown %s s, audio drops %s   (load %s)\n' "$stop" "$drops" "$ld"
        wcpu+=("$cpu") wgui+=("$gui") wfirst+=("$first") wstop+=("$stop") wdrops+=("$drops")
    fi

    fresh_settings
    "$BENCH_BIN/velorix-cli" --source "$BENCH_REC" --mode AM --settings \
        --audio-device "Null Output" >"$BENCH_WORK/cli.out" 2>&1 &
    pid=$!
    read -r cpu _ < <(measure "$pid")
    ld=$(load)
    kill -TERM "$pid"
    wait "$pid" || true
    drops=$(sed -n 's/^ *dropped .*, audio \([0-9]*\) buffers$/\1/p' "$BENCH_WORK/cli.out")
    printf 'run %d velorix-cli: %6.2f %% of one core, audio drops %s   (load %s)\n' \
        "$r" "$cpu" "${drops:-?}" "$ld"
    ccpu+=("$cpu") cdrops+=("${drops:-?}")

    [[ -n $have_gqrx ]] || continue
    gqrx_config
    cpu=
    read -r cpu gui dsp rms < <(timeout -k 10 $((BENCH_SECONDS + 120)) xvfb-run -a \
        -s "-screen 0 1280x800x24" "$root/bench/window_cpu.sh" gqrx-on-screen \
        "$BENCH_WORK/gqrx-home") || true
    ld=$(load)
    # Receiving: its DSP runs and its audio reaches the sink (RMS above -60 dBFS).
    if [[ -z $cpu || $dsp != 1 ]] || awk "BEGIN{exit !(${rms:-0} < 0.001)}"; then
        echo "run $r GQRX: not receiving (u DSP: ${dsp:-no answer}, audio RMS ${rms:-none};" \
            "see $BENCH_WORK/gqrx.log and gqrx.png)"
        continue
    fi
    printf 'run %d GQRX:        %6.2f %% of one core (GUI thread %.2f %%), audio RMS %s   (load %s)\n' \
        "$r" "$cpu" "$gui" "$rms" "$ld"
    gw+=("$cpu") gg+=("$gui")
done

median() { printf '%s\n' "$@" | sort -g | awk '{v[NR]=$1} END{print (NR%2 ? v[(NR+1)/2] : (v[NR/2]+v[NR/2+1])/2)}'; }
if ((${#wcpu[@]} == 0)); then
    echo "window_cpu: no run of the window gave figures" >&2
    exit 1
fi
w=$(median "${wcpu[@]}")
g=$(median "${wgui[@]}")
c=$(median "${ccpu[@]}")
share=$(awk "BEGIN{printf \"%.2f\", $w - $c}")

peer_whole=21.3 peer_gui=5.9 peer_note="GQRX 2.15, measured on this machine earlier"
if ((${#gw[@]} > 0)); then
    peer_whole=$(median "${gw[@]}") peer_gui=$(median "${gg[@]}")
    peer_note="GQRX, this run (${#gw[@]} of $runs runs received)"
fi

ratio() { awk "BEGIN{printf \"%.2f\", $1 / $2}"; }
echo
echo "medians of $runs runs, ${BENCH_SECONDS} s each, window at ratio $S (load now $(load)):"
echo "  velorix whole process   $w % of one core  (target <= 8 %; $(ratio "$w" "$peer_whole") of the peer's $peer_whole %)"
echo "  velorix-cli             $c %"
echo "  the window's share      $share %  (target <= 2.9 %; $(ratio "$share" "$peer_gui") of the peer's GUI thread $peer_gui %)"
echo "  velorix GUI thread      $g %  ($(ratio "$g" "$peer_gui") of the peer's GUI thread)"
echo "  first painted spectrum  ${wfirst[*]} s  (target <= 3 s)"
echo "  shutdown after SIGTERM  ${wstop[*]} s  (target <= 1 s)"
echo "  audio drops             velorix ${wdrops[*]}, velorix-cli ${cdrops[*]}  (target 0)"
echo "  peer: $peer_note"
