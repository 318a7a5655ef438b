#!/bin/sh
# Runs a program under velorix-usb-emulator with a plug file (the receiver is
# attached while it exists, from the start) and a trace of what the receiver
# received, in a scratch folder removed afterwards: for a test that pulls the
# receiver out and plugs it back in (it finds both in VELORIX_VIRTUAL_PLUG
# and VELORIX_VIRTUAL_TRACE).
#   with_plug_file.sh EMULATOR COMMAND [ARGS...]
emulator=$1
shift
dir=$(mktemp -d /tmp/velorix-plug.XXXXXX) || exit 1
: >"$dir/plugged"
VELORIX_VIRTUAL_PLUG=$dir/plugged VELORIX_VIRTUAL_TRACE=$dir/trace.txt \
    umockdev-wrapper "$emulator" -- "$@"
code=$?
rm -rf "$dir"
exit $code
