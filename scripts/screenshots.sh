#!/usr/bin/env bash
# Takes the README's pictures of the panel afresh (the tst_screenshot test, under Xvfb) and copies
# them from the build tree into docs/.
set -euo pipefail
cd "$(dirname "$0")/.."
# Only what the pictures need is built.
[ -f build/build.ninja ] || cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build --target tst_screenshot
(cd build && xvfb-run -a -s "-screen 0 1280x1024x24" ctest -R '^tst_screenshot$' --output-on-failure)
cp build/docs/*.png docs/
echo "docs/*.png updated"
