#!/usr/bin/env bash
# Takes the README's pictures of the panel afresh (the tst_screenshot test, under Xvfb) and copies
# them from the build tree into docs/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh build
(cd build && xvfb-run -a -s "-screen 0 1280x1024x24" ctest -R '^tst_screenshot$' --output-on-failure)
cp build/docs/panel.png build/docs/options.png docs/
echo "docs/panel.png and docs/options.png updated"
