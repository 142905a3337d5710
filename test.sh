#!/usr/bin/env bash
# Builds everything and runs every test: the normal build, then the same suite built with
# AddressSanitizer and UndefinedBehaviorSanitizer. Tests run headless, under Xvfb, four at a time
# (on two cores: they mostly wait on the line); the two that use the X display take turns.
#
# Most of a test run is spent waiting on the simulated 9600-baud line, so what the next step needs
# is compiled meanwhile, at idle priority (the tests keep the processor whenever they want it): the
# sanitizer build and Hamlib 4.7.2 (today's network client, beside Debian's 4.5.4; built once into
# ~/.cache/qz-peers by scripts/peers.sh and kept) while the normal build's tests run. The network
# server's test, which talks to that client, runs in both builds beside the sanitizer build's
# other tests.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh
sanitizers=$([ "${QZ_SKIP_SANITIZERS:-0}" = 1 ] && echo 0 || echo 1)
# Needs the Hamlib 4.7.2 client.
late=tst_rigctlserver

# Runs "$@" at idle priority in the background, its output in FILE; `finish FILE` waits for it,
# shows the output's end when it failed, and fails too.
declare -A background
in_background() {
    local log=$1
    shift
    # A session of its own, so that a failing step ends the whole of it.
    setsid -w chrt --idle 0 "$@" >"$log" 2>&1 &
    background[$log]=$!
}
trap 'for pid in "${background[@]}"; do kill -- "-$pid" 2>/dev/null || true; done' EXIT
finish() {
    if ! wait "${background[$1]}"; then
        tail -n 40 "$1" >&2
        echo "failed: see $1" >&2
        return 1
    fi
}
sanitizer_options=(env ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1)
run_tests() { # DIRECTORY [CTEST OPTIONS...]
    local dir=$1
    shift
    (cd "$dir" && "${sanitizer_options[@]}" \
        xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure -j 4 "$@")
}
# The network test draws nothing: it needs no X server.
run_late_test() { # DIRECTORY
    (cd "$1" && "${sanitizer_options[@]}" ctest --output-on-failure -R "^$late\$")
}
# The benches only need to build, and are built with everything else. Not beside the sanitizer
# build's tests: its slower code is the most sensitive to a busy processor, and its line-speed
# tests missed their bounds in two of four runs with the benches compiling beside them.
scripts/build.sh build -- all benches
if [ "$sanitizers" = 1 ]; then
    in_background build/sanitizer-build.log \
        scripts/build.sh build-asan -DQZ_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
fi
in_background build/peers.log scripts/peers.sh
run_tests build -E "^$late\$"
[ "$sanitizers" = 0 ] || finish build/sanitizer-build.log || exit 1
# The network test in each build, one after the other (they share the settings Qt Test keeps for
# the program), beside the sanitizer build's other tests. Without the Hamlib 4.7.2 client it still
# runs: the row that needs it fails and says so, the others are checked.
late_tests() {
    # Hamlib's build is the main shell's to wait for; here it is only waited out.
    while kill -0 "${background[build/peers.log]}" 2>/dev/null; do sleep 1; done
    local status=0
    run_late_test build || status=1
    if [ "$sanitizers" = 1 ]; then
        run_late_test build-asan || status=1
    fi
    return $status
}
late_tests >build/late-tests.log 2>&1 &
late_pid=$!
status=0
[ "$sanitizers" = 0 ] || run_tests build-asan -E "^$late\$" || status=1
wait $late_pid || status=1
finish build/peers.log || true
cat build/late-tests.log
exit $status
