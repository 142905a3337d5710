#!/usr/bin/env bash
# Builds the panel and starts it. With a port (a number, or a device such as /dev/ttyUSB0) it
# drives the receiver there; without one it starts on the built-in simulated receiver.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh run
# Only the panel and the simulated receiver: the tests and benches are built by ./test.sh.
scripts/build.sh build -- qz-remote qz-sim
# The example memory file lives in examples/: start there so bank 01 shows its channels.
cd examples
if [ $# -gt 0 ]; then
    exec ../build/app/qz-remote --port "$1"
else
    exec ../build/app/qz-remote --simulate
fi
