#!/usr/bin/env bash
# scripts/deps.sh [run|test|fuzz|peers]: installs what building and running the panel (run), and
# also testing it (test, the default), fuzzing it (fuzz) or building the Hamlib client the tests
# talk to (peers) need, and only what is missing.
set -euo pipefail
run=(build-essential cmake ninja-build pkg-config qt6-base-dev qt6-base-dev-tools
     qt6-serialport-dev libgl-dev fonts-liberation libx11-dev libxi-dev)
# Building Hamlib 4.7.2 for the network tests (scripts/peers.sh).
peers=(build-essential autoconf automake libtool pkg-config make)
test=("${run[@]}" xvfb xauth xdotool libhamlib-utils desktop-file-utils appstream dpkg-dev file lintian
      "${peers[@]}")
fuzz=(build-essential cmake ninja-build clang libclang-rt-14-dev)
case ${1:-test} in
run) packages=("${run[@]}") ;;
test) packages=("${test[@]}") ;;
fuzz) packages=("${fuzz[@]}") ;;
peers) packages=("${peers[@]}") ;;
*)
    echo "usage: $0 [run|test|fuzz|peers]" >&2
    exit 2
    ;;
esac
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    if [ "$(id -u)" -ne 0 ]; then
        echo "Missing packages: ${missing[*]}. Run this again as root, or install them with apt-get." >&2
        exit 1
    fi
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
