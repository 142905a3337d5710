#!/usr/bin/env bash
# scripts/fuzz.sh [SECONDS] [TARGET...]: builds the libFuzzer targets with clang in fuzz-build
# and runs each (default: all) for SECONDS (default 60), one after the other in a single process. Each
# target keeps its corpus in fuzz-build/corpus/TARGET, seeded from fuzz/seeds/TARGET. Crash
# inputs land in fuzz-build/crashes/TARGET. Exits non-zero if any target failed.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh fuzz

seconds=${1:-60}
[ $# -gt 0 ] && shift
case $seconds in
'' | *[!0-9]*)
    echo "usage: $0 [SECONDS] [TARGET...]" >&2
    exit 2
    ;;
esac
all=(fuzz_leadingnumber fuzz_channelline fuzz_bankload fuzz_replies fuzz_memorycheck fuzz_chirpcsv)
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=("${all[@]}")

build=fuzz-build
if [ ! -f "$build/build.ninja" ]; then
    cmake -S fuzz -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++
fi
cmake --build "$build" -j 2

failed=()
for target in "${targets[@]}"; do
    if [ ! -x "$build/$target" ]; then
        echo "unknown target: $target" >&2
        failed+=("$target")
        continue
    fi
    corpus=$build/corpus/$target
    crashes=$build/crashes/$target
    mkdir -p "$corpus" "$crashes"
    if [ -d "fuzz/seeds/$target" ]; then
        cp -n fuzz/seeds/"$target"/* "$corpus"/ 2>/dev/null || true
    fi
    echo "== $target for ${seconds}s"
    # UBSan already aborts (the targets are built without recovery); leaks count as failures.
    if ! ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
        "$build/$target" -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="$crashes/" "$corpus"; then
        failed+=("$target")
    fi
done

if [ ${#failed[@]} -gt 0 ]; then
    echo "failed: ${failed[*]}" >&2
    exit 1
fi
