#!/usr/bin/env bash
# Builds and tests every tree: Release, AddressSanitizer+UndefinedBehaviorSanitizer,
# ThreadSanitizer (threaded targets only) and the fuzz targets (clang, libFuzzer,
# ASan+UBSan). Prints the time of each stage.
# Usage: scripts/test.sh [release|asan|tsan|fuzz|format ...]   (default: all of them)
# VELORIX_FUZZ_SECONDS sets how long each fuzz target runs (default 60).
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=$(nproc)
stages=("$@")
((${#stages[@]})) || stages=(format release asan tsan fuzz)

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

# Times of day the clock-dependent tests run at again: the small hours of a
# Tuesday, noon, and both sides of a midnight that changes the weekday. The
# monotonic clock stays real, so time-outs still work.
fake_times=('2026-12-08 04:45:00' '2026-12-08 12:30:00' '2026-12-12 23:59:50' '2026-12-13 00:00:30')

release() {
    configure_and_build build -DCMAKE_BUILD_TYPE=Release
    run_ctest build
    local t p
    for t in "${fake_times[@]}"; do
        echo "control and station tests at $t UTC"
        for p in control_tests control_threaded_tests stations_tests; do
            FAKETIME_DONT_FAKE_MONOTONIC=1 faketime -f "@$t" build/bin/$p --gtest_brief=1
        done
    done
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
    TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$PWD/tests/tsan.supp" \
        run_ctest build-tsan
}

# Each fuzz target with its committed seed corpus. New inputs go to a scratch
# copy; a crash fails the stage and leaves its input in build-fuzz/.
fuzz_targets=(stations_fuzz:tests/stations/corpus wav_header_fuzz:tests/acquisition/corpus
              scenario_fuzz:tests/simulator/corpus intel_hex_fuzz:tests/usblib/corpus
              settings_load_fuzz:tests/settings/corpus)

fuzz() {
    CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
        -DVELORIX_SANITIZE=address,undefined -DVELORIX_FUZZ=ON -DVELORIX_BUILD_BENCH=OFF >/dev/null
    local entry target corpus work
    for entry in "${fuzz_targets[@]}"; do
        target=${entry%%:*}
        corpus=${entry#*:}
        cmake --build build-fuzz -j "$jobs" --target "$target"
        work=$(mktemp -d)
        cp "$corpus"/* "$work"/
        ASAN_OPTIONS=abort_on_error=1:detect_leaks=1 \
        UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
            build-fuzz/bin/"$target" -max_total_time="${VELORIX_FUZZ_SECONDS:-60}" \
            -timeout=10 -rss_limit_mb=2048 -max_len=8192 -print_final_stats=1 \
            -artifact_prefix=build-fuzz/"$target"- "$work" ||
            { rm -rf "$work"; return 1; }
        rm -rf "$work"
    done
}

format() { scripts/format.sh --check; }

total_start=$(date +%s)
for s in "${stages[@]}"; do
    case "$s" in
        release | asan | tsan | fuzz | format) stage "$s" "$s" ;;
        *) echo "test.sh: unknown stage '$s' (release, asan, tsan, fuzz, format)" >&2; exit 2 ;;
    esac
done
echo "==> stage times"
printf '  %s\n' "${report[@]}"
echo "  total      $(($(date +%s) - total_start)) s"
