#!/usr/bin/env bash
# Builds everything and runs every test: the normal build, then the same suite built with
# AddressSanitizer and UndefinedBehaviorSanitizer. Tests run headless, under Xvfb, two at a time
# (most of their time is spent waiting on the simulated line); those that time the line or read the
# X server's keyboard run alone.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh
# Hamlib 4.7.2, today's client, for the network tests beside Debian's 4.5.4: built once (about five
# minutes) into ~/.cache/qz-peers and kept.
if [ -x ../shared/peers/build-hamlib.sh ]; then
    nice ../shared/peers/build-hamlib.sh >/dev/null
else
    echo "../shared/peers/build-hamlib.sh is missing: the Hamlib 4.7.2 network test will fail" >&2
fi
scripts/build.sh build
(cd build && xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure -j 2)
if [ "${QZ_SKIP_SANITIZERS:-0}" != 1 ]; then
    scripts/build.sh build-asan -DQZ_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
    (cd build-asan && ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
        xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure -j 2)
fi
