#!/usr/bin/env bash
# Starts or stops the private PulseAudio daemon the audio tests play into.
#   pulse_daemon.sh start <runtime-dir> [description]   start it, wait until it answers
#   pulse_daemon.sh stop  <runtime-dir>                 stop it by its PID, remove the directory
# The daemon has one null sink, "vac", described as "Virtual Audio Cable"
# unless another description is given (the default sink); its socket is
# <runtime-dir>/pulse/native. It runs as root too, never exits when idle,
# and loads nothing but what is asked for.
set -euo pipefail
action=${1:?start or stop}
dir=${2:?runtime directory}
description=${3:-Virtual Audio Cable}
pidfile=$dir/daemon.pid

stop() {
    [[ -f $pidfile ]] || return 0
    local pid
    pid=$(cat "$pidfile")
    # Only ever the daemon this script started, never a PID reused since.
    if [[ "$(cat "/proc/$pid/comm" 2>/dev/null)" == pulseaudio ]]; then
        kill "$pid"
        for _ in $(seq 50); do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
        kill -0 "$pid" 2>/dev/null && kill -9 "$pid" || true
    fi
    rm -f "$pidfile"
}

case $action in
    start)
        command -v pulseaudio >/dev/null || { echo "pulseaudio is not installed" >&2; exit 1; }
        stop  # a daemon left behind by an interrupted run
        rm -rf "$dir"
        mkdir -p "$dir"
        chmod 700 "$dir"
        export XDG_RUNTIME_DIR=$dir
        export PULSE_SERVER=unix:$dir/pulse/native
        # All output goes to a log: ctest waits for the pipes of the setup test,
        # and the daemon must outlive it. Its cookie and state stay in the
        # directory too (clients of the same user need no cookie on the socket).
        HOME=$dir pulseaudio -n --daemonize=no --exit-idle-time=-1 --realtime=no --high-priority=no \
            --load=module-native-protocol-unix \
            "--load=module-null-sink sink_name=vac sink_properties='device.description=\"$description\"'" \
            </dev/null >"$dir/daemon.log" 2>&1 &
        echo $! >"$pidfile"
        for _ in $(seq 100); do
            if pactl info >/dev/null 2>&1; then
                pactl set-default-sink vac
                exit 0
            fi
            kill -0 "$(cat "$pidfile")" 2>/dev/null || break
            sleep 0.1
        done
        echo "the PulseAudio daemon did not answer; its log:" >&2
        cat "$dir/daemon.log" >&2
        stop
        exit 1
        ;;
    stop)
        stop
        rm -rf "$dir"
        ;;
    *)
        echo "usage: $0 start|stop <runtime-dir>" >&2
        exit 2
        ;;
esac
