#!/usr/bin/env bash
# scripts/build.sh DIR [CMAKE OPTIONS...] [-- TARGETS...]: configures DIR once, then rebuilds what
# changed: everything, or only the targets named after `--`.
set -euo pipefail
dir=$1
shift
options=()
targets=()
while [ $# -gt 0 ]; do
    if [ "$1" = -- ]; then
        shift
        targets=("$@")
        break
    fi
    options+=("$1")
    shift
done
if [ ! -f "$dir/build.ninja" ]; then
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${options[@]}"
fi
if [ ${#targets[@]} -gt 0 ]; then
    cmake --build "$dir" -j "$(nproc)" --target "${targets[@]}"
else
    cmake --build "$dir" -j "$(nproc)"
fi
