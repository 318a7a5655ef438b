#!/usr/bin/env bash
# The real velorix window under a headless Wayland compositor (weston with its
# pixman renderer, one output of 1280 x 800 at scale 2), on the virtual
# receiver, with a private PulseAudio daemon, a scratch settings directory and
# every notice routed to stderr. There is no xdotool for Wayland: the window
# is driven by its own test hook (VELORIX_TEST_SCRIPT). It starts and draws at
# two device pixels per window pixel, answers a click and a key, minimises
# and ends by its exit button. The compositor's screenshots
# (weston-screenshooter) and the window's own shot stay in <artifact-dir>.
#   window_wayland.sh <bin-dir> <data-dir> <artifact-dir>
# Exit 0 passed, 1 failed, 77 skipped (no weston, and not in CI).
set -uo pipefail
bin=${1:?bin directory}
data=${2:?data directory}
out=${3:?artifact directory}
here=$(cd "$(dirname "$0")" && pwd)
pulse=$here/../audio/pulse_daemon.sh
scale=2

# shellcheck source=smoke_common.sh
source "$here/smoke_common.sh"
require weston weston-screenshooter convert compare pulseaudio pactl

rm -rf "$out"
mkdir -p "$out/config" "$out/screens"
VERDICT=$out/verdict
touch "$VERDICT"

# Socket paths are limited to 108 characters: daemon and compositor live under /tmp.
runtime=$(mktemp -d /tmp/velorix-wayland.XXXXXX)
"$pulse" start "$runtime"
weston_pid=
velorix_pid=
finish() {
    [[ -n $velorix_pid ]] && kill -9 "$velorix_pid" 2>/dev/null
    [[ -n $weston_pid ]] && kill "$weston_pid" 2>/dev/null && wait "$weston_pid" 2>/dev/null
    "$pulse" stop "$runtime"
}
trap finish EXIT
export XDG_RUNTIME_DIR=$runtime PULSE_SERVER=unix:$runtime/pulse/native
# --debug lets weston-screenshooter in; no weston.ini of the machine's is read.
weston --backend=headless-backend.so --use-pixman --socket=velorix-wl --width=1280 \
    --height=800 --scale=$scale --idle-time=0 --no-config --debug >"$out/weston.log" 2>&1 &
weston_pid=$!
for _ in $(seq 100); do
    [[ -S $runtime/velorix-wl ]] && break
    sleep 0.1
done

# The window's own shot comes first; the test looks at the compositor's
# screen meanwhile and says so by the files "looked" and "gone".
cat >"$out/journey.txt" <<'EOF'
wait 2000          # two seconds of signal: both displays have drawn
click 340          # AM
key PgUp           # the centre up by its step (100 kHz)
wait 250
shot window.png    # the window as it draws itself
wait file looked   # the compositor's picture of it is taken
click 146          # minimise
wait file gone     # the window has left the screen
click 144          # exit
EOF

export WAYLAND_DISPLAY=velorix-wl QT_QPA_PLATFORM=wayland
export VELORIX_DEVICE=virtual VELORIX_CONFIG_DIR=$out/config VELORIX_NOTICES=stderr
export VELORIX_TEST_SCRIPT=$out/journey.txt
cd "$data"  # the station lists are read from the working directory
"$bin/velorix" >"$out/stdout.log" 2>"$out/stderr.log" &
velorix_pid=$!

# The compositor's whole screen, as <name>.png in the artifacts.
screen() {
    (cd "$out/screens" && rm -f wayland-screenshot-*.png && weston-screenshooter >/dev/null 2>&1 &&
        mv wayland-screenshot-*.png "$out/$1.png")
}
# The window on a screenshot: "X Y" of its top-left corner in screen pixels,
# found by the amber hairline under its title strip (window row 27, columns
# 1 to 1022): the first row that colour fills for the most part. Nothing
# when the window is not on the screen.
locate() {
    local mask=$out/mask.png row x n
    convert "$out/$1.png" -fill black +opaque "rgb(98,66,6)" -fill white -opaque "rgb(98,66,6)" \
        -colorspace gray "$mask"
    # One column of row averages, then that row's white run ("X,Y: (v,v,v) ...").
    row=$(convert "$mask" -scale "1x$((800 * scale))!" -depth 8 txt:- |
        awk -F'[,:() ]+' 'NR > 1 && $3 >= 200 {print $2; exit}')
    [[ -n $row ]] || return 1
    read -r x n < <(convert "$mask" -crop "$((1280 * scale))x1+0+$row" +repage -depth 8 txt:- |
        awk -F'[,:() ]+' 'NR > 1 && $3 == 255 {if (!n) x = $1; n++} END {print x, n + 0}')
    ((n == 1022 * scale)) || return 1
    echo "$((x - scale)) $((row - 27 * scale))"
}
rgb() {  # rgb <png> <x> <y>  ->  "r g b", 0..255
    convert "$1" -format "%[fx:int(255*p{$2,$3}.r)] %[fx:int(255*p{$2,$3}.g)] %[fx:int(255*p{$2,$3}.b)]" info:
}
# The lit bar on top of a checked face is amber (255,196,52); unlit it is dark.
lit() {  # lit <png> <x> <y>
    local r g b
    read -r r g b < <(rgb "$@")
    ((r > 200 && g > 150 && b < 100))
}

for _ in $(seq 600); do
    [[ -s $out/window.png ]] && break
    kill -0 "$velorix_pid" 2>/dev/null || break
    sleep 0.1
done
check "the window shoots itself at ${scale}x its size" \
    test "$(identify -format %wx%h "$out/window.png" 2>/dev/null)" = $((1024 * scale))x$((620 * scale))

# The compositor's picture: the window at device resolution, AM checked.
at=
for _ in $(seq 30); do
    screen shown
    at=$(locate shown) && lit "$out/shown.png" $((${at% *} + 205 * scale)) $((${at#* } + 334 * scale)) &&
        break
    sleep 0.2
done
check "the compositor shows the window (at ${at:-nowhere})" test -n "$at"
if [[ -n $at ]]; then
    x0=${at% *} y0=${at#* }
    convert "$out/shown.png" -crop "$((1024 * scale))x$((620 * scale))+$x0+$y0" +repage "$out/shown-window.png"
    check "the compositor shows AM checked after its click" lit "$out/shown-window.png" $((205 * scale)) $((334 * scale))
    # The left column of controls, still since the key: the compositor shows
    # the very pixels the window drew, none enlarged.
    crop="$((170 * scale))x$((530 * scale))+0+$((28 * scale))"
    n=$(compare -metric AE "$out/window.png[$crop]" "$out/shown-window.png[$crop]" null: 2>&1)
    check "the compositor shows the controls as the window drew them (pixels apart: $n)" test "$n" = 0
    # Blocks of 2 x 2 that are not one colour: an enlarged picture has none.
    convert "$out/shown-window.png" -crop "$crop" +repage "$out/controls.png"
    convert "$out/controls.png" -sample 50% -sample 200% "$out/controls-enlarged.png"
    n=$(compare -metric AE "$out/controls.png" "$out/controls-enlarged.png" null: 2>&1)
    check "the controls are drawn at the screen's resolution (pixels off their block: $n)" \
        between "$n" 10000 1000000
fi
touch "$out/looked"

# Minimised, the window leaves the screen.
gone=no
for _ in $(seq 30); do
    screen minimised
    locate minimised >/dev/null || { gone=yes; break; }
    sleep 0.2
done
check "the minimise button takes the window off the screen" test $gone = yes
touch "$out/gone"

code=timeout
for _ in $(seq 200); do
    kill -0 "$velorix_pid" 2>/dev/null || { wait "$velorix_pid"; code=$?; break; }
    sleep 0.1
done
velorix_pid=
check "the exit button ends the program with 0 (ended: $code)" test "$code" = 0

settings=$(find "$out/config" -name velorix.conf | head -1)
value() { sed -n "s/^$1=//p" "$settings" 2>/dev/null; }
check "the settings hold DemIdx=0 from the click (hold $(value DemIdx))" test "$(value DemIdx)" = 0
check "the settings hold CenterFreq=14250000 from the key (hold $(value CenterFreq))" \
    test "$(value CenterFreq)" = 14250000
conclude "$out/stderr.log" "$out"
