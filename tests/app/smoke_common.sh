# What the window's smoke tests share; sourced by them. Verdicts go to the
# file $VERDICT, one a line, "ok ..." or "FAIL ...".

# Every tool on the PATH, or the test is skipped (77), or fails in CI.
require() {  # require <tool...>
    local tool
    for tool in "$@"; do
        command -v "$tool" >/dev/null && continue
        if [[ -n ${CI:-} ]]; then
            echo "FAIL: $tool is missing (scripts/install-deps.sh installs it)" >&2
            exit 1
        fi
        echo "skipped: $tool is not installed"
        exit 77
    done
}

check() {  # check <condition text> <command...>
    local what=$1
    shift
    if "$@"; then echo "ok $what"; else echo "FAIL $what"; fi >>"$VERDICT"
}

between() { (($1 >= $2 && $1 <= $3)); }

# The end of a test: nothing on the program's stderr but the lines asked for
# (those matching <pattern>), the verdicts shown, passed when none failed.
conclude() {  # conclude <stderr log> <artifact dir> [<pattern>]
    local others
    others=$(if [[ -n ${3:-} ]]; then grep -v -- "$3" "$1"; else cat "$1"; fi) || true
    if [[ -n $others ]]; then
        echo "FAIL nothing else is printed on stderr (no other notice); it printed:" >>"$VERDICT"
        sed 's/^/    /' <<<"$others" >>"$VERDICT"
    fi
    cat "$VERDICT"
    echo "screenshots: $2"
    ! grep -q '^FAIL' "$VERDICT"
}
