#!/usr/bin/env bash
# Builds and tests every tree: Release, AddressSanitizer+UndefinedBehaviorSanitizer,
# and ThreadSanitizer (threaded targets only). Prints the time of each stage.
# Usage: scripts/test.sh [release|asan|tsan|format ...]   (default: all of them)
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=$(nproc)
stages=("$@")
((${#stages[@]})) || stages=(format release asan tsan)

declare -a report=()
stage() {  # stage <name> <command...>
    local name=$1 start end
    shift
    echo "==> $name"
    start=$(date +%s)
    "$@"
    end=$(date +%s)
    report+=("$(printf '%-10s %5d s' "$name" $((end - start)))")
    echo "<== $name: $((end - start)) s"
}

configure_and_build() {  # <dir> <cmake args...>
    local dir=$1
    shift
    cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
    cmake --build "$dir" -j "$jobs"
}

run_ctest() {  # <dir> [ctest args...]
    local dir=$1
    shift
    (cd "$dir" && ctest --output-on-failure -j "$jobs" "$@")
}

release() {
    configure_and_build build -DCMAKE_BUILD_TYPE=Release
    run_ctest build
}

asan() {
    configure_and_build build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DVELORIX_SANITIZE=address,undefined -DVELORIX_BUILD_BENCH=OFF
    ASAN_OPTIONS=abort_on_error=1:detect_leaks=1:strict_string_checks=1 \
    UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
        run_ctest build-asan
}

tsan() {
    configure_and_build build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DVELORIX_SANITIZE=thread -DVELORIX_THREADED_ONLY=ON -DVELORIX_BUILD_BENCH=OFF
    TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 run_ctest build-tsan
}

format() { scripts/format.sh --check; }

total_start=$(date +%s)
for s in "${stages[@]}"; do
    case "$s" in
        release | asan | tsan | format) stage "$s" "$s" ;;
        *) echo "test.sh: unknown stage '$s' (release, asan, tsan, format)" >&2; exit 2 ;;
    esac
done
echo "==> stage times"
printf '  %s\n' "${report[@]}"
echo "  total      $(($(date +%s) - total_start)) s"
