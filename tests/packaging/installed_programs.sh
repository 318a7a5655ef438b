#!/usr/bin/env bash
# The programs as a user meets them after an install: `cmake --install` into a
# scratch prefix, then the installed programs, the SoapySDR module and the
# installed metadata, run from outside the build tree with no data directory
# but the prefix's. The programs must find their library and data relative to
# themselves.
#   installed_programs.sh <build-dir> <libdir> <version> <source-dir> <soapy: ON|OFF>
# Exit 0 passed, 1 failed. A missing validator fails in CI (CI set) and is
# passed over elsewhere.
set -uo pipefail
build=$1 libdir=$2 version=$3 source=$4 soapy=$5

work=$(mktemp -d /tmp/velorix-installed-XXXXXX)
window=
cleanup() {
    [[ -n $window ]] && kill "$window" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
failed=0
check() {  # check <what> <command...>
    local what=$1
    shift
    if "$@"; then echo "ok $what"; else echo "FAIL $what"; failed=1; fi
}
tool() {  # tool <program>: present, or (outside CI) passed over
    command -v "$1" >/dev/null && return 0
    if [[ -n ${CI:-} ]]; then echo "FAIL $1 is not installed"; failed=1; else echo "skip: no $1"; fi
    return 1
}

prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >"$work/install.log" || {
    cat "$work/install.log"
    exit 1
}
# Readable by the unprivileged user the headless receiver runs as.
chmod 755 "$work"
mkdir -p "$work/run" "$work/home/velorix"
export HOME=$work/home XDG_DATA_HOME=$work/home XDG_DATA_DIRS=$work/nowhere
unset VELORIX_DATA_DIR VELORIX_USB_LIBRARY VELORIX_USB_IDS VELORIX_DEVICE VELORIX_CONFIG_DIR
cd "$work/run" || exit 1

# Where Debian expects every file; the library only in its private directory.
data=$prefix/share/velorix
for f in bin/velorix bin/velorix-cli "$libdir/velorix/libvelorixusb.so" \
    share/velorix/eibi.txt share/velorix/userlist.txt share/velorix/60-velorix.rules.in \
    share/velorix/virtual/velorix24v11_512.hex share/velorix/virtual/velorix125k24v11.sbs \
    share/velorix/virtual/velorix250k24v11.sbs share/velorix/virtual/velorix500k24v11.sbs \
    share/applications/velorix.desktop share/icons/hicolor/scalable/apps/velorix.svg \
    share/metainfo/it.tessaline.velorix.metainfo.xml share/man/man1/velorix.1 \
    share/man/man1/velorix-cli.1; do
    check "installed: $f" test -f "$prefix/$f"
done
check "no library on the loader's path" test ! -e "$prefix/$libdir/libvelorixusb.so"
check "no owner's file among the virtual receiver's" test ! -e "$data/velorix24v11_512.hex"
for elf in "$prefix"/bin/* "$prefix/$libdir"/velorix/*.so "$prefix/$libdir"/SoapySDR/modules0.8/*.so; do
    [[ -f $elf ]] && check "no RPATH in ${elf#"$prefix"/}" \
        bash -c "! readelf -d '$elf' | grep -qE 'RPATH|RUNPATH'"
done

# The version and the commit it was built from.
commit=$(git -C "$source" rev-parse --short=12 HEAD 2>/dev/null || echo unknown)
check "--version" test "$("$prefix/bin/velorix-cli" --version)" = "velorix $version ($commit)"

# The first run: from an empty directory, as an unprivileged user when the
# test runs as root, the default frequency's station named from the installed list.
as_user=()
[[ $(id -u) == 0 ]] && as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
"${as_user[@]}" "$prefix/bin/velorix-cli" --source virtual --seconds 3 --smeter \
    >"$work/cli.out" 2>"$work/cli.err"
code=$?
check "velorix-cli ends with 0 (is $code)" test "$code" = 0
check "velorix-cli meters 3 s" test "$(grep -c ' dBm ' "$work/cli.out")" -ge 30
check "velorix-cli names the 20 m SSB net" grep -q "Virtual 20 m SSB net" "$work/cli.out"
check "velorix-cli finds every file" bash -c "! grep -q 'not found' '$work/cli.err'"

# The udev rules from the owner's ids and the installed template; without
# ids the places looked in are named.
"$prefix/bin/velorix-cli" --udev-rule >"$work/rules" 2>"$work/rules.err"
check "no ids: exit 1" test $? = 1
check "no ids: where they were looked for" test "$(cat "$work/rules.err")" = \
    "velorix-cli: usb-ids not found
looked in: $work/home/velorix, $work/nowhere/velorix, $data, $prefix/bin"
printf '# the loader, then the firmware\n04B4:8613\n1209:0f0f\n' >"$work/home/velorix/usb-ids"
"$prefix/bin/velorix-cli" --udev-rule >"$work/rules"
check "--udev-rule ends with 0" test $? = 0
check "a rule for each identity, for the seat and for plugdev" test \
    "$(grep -v '^#' "$work/rules")" = \
    'SUBSYSTEM=="usb", ATTR{idVendor}=="04b4", ATTR{idProduct}=="8613", TAG+="uaccess", GROUP="plugdev", MODE="0660"
SUBSYSTEM=="usb", ATTR{idVendor}=="1209", ATTR{idProduct}=="0f0f", TAG+="uaccess", GROUP="plugdev", MODE="0660"'

# The window, offscreen, up to a streaming receiver; SIGTERM ends it with
# 128 + 15 after it saved its settings.
VELORIX_DEVICE=virtual VELORIX_NOTICES=stderr VELORIX_CONFIG_DIR=$work/config \
    VELORIX_VIRTUAL_TRACE=$work/trace QT_QPA_PLATFORM=offscreen QT_ENABLE_HIGHDPI_SCALING=0 \
    "$prefix/bin/velorix" >"$work/window.out" 2>"$work/window.err" &
window=$!
# The run bit in the converter's control frame: the receiver is streaming.
for _ in $(seq 600); do
    grep -qE '^out 01 6: 03 [0-9a-f][13579bdf] ' "$work/trace" 2>/dev/null && break
    kill -0 "$window" 2>/dev/null || break
    sleep 0.1
done
check "the installed window streams" grep -qE '^out 01 6: 03 [0-9a-f][13579bdf] ' "$work/trace"
kill -TERM "$window"
wait "$window"
code=$?
window=
check "the window ends with 143 (is $code)" test "$code" = 143
check "the window's settings were saved" test -s "$work/config/Tessaline s.r.l./velorix.conf"
check "the window finds every file" bash -c "! grep -qE 'not found|Loading' '$work/window.err'"

if [[ $soapy == ON ]] && tool SoapySDRUtil; then
    found=$(SOAPY_SDR_PLUGIN_PATH=$prefix/$libdir/SoapySDR/modules0.8 VELORIX_DEVICE=virtual \
        SoapySDRUtil --find=driver=velorix 2>&1)
    check "SoapySDRUtil finds the virtual receiver" grep -q "driver = velorix" <<<"$found"
fi
if tool desktop-file-validate; then
    check "desktop-file-validate" desktop-file-validate \
        "$prefix/share/applications/velorix.desktop"
fi
if tool appstreamcli; then
    check "appstreamcli validate" appstreamcli validate --no-net \
        "$prefix/share/metainfo/it.tessaline.velorix.metainfo.xml"
fi
if tool man; then
    for page in velorix velorix-cli; do
        warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$prefix/share/man/man1/$page.1" \
            2>&1 >/dev/null)
        check "man $page: no warnings" test -z "$warnings"
    done
fi

if ((failed)); then
    for f in cli.out cli.err window.err; do
        echo "--- $f"
        tail -20 "$work/$f"
    done
fi
exit $failed
