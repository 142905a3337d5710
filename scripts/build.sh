#!/usr/bin/env bash
# scripts/build.sh DIR [CMAKE OPTIONS...]: configures DIR once, then rebuilds what changed.
set -euo pipefail
dir=$1
shift
if [ ! -f "$dir/build.ninja" ]; then
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
fi
cmake --build "$dir" -j "$(nproc)"
