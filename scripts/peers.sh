#!/usr/bin/env bash
# scripts/peers.sh [PREFIX]: builds the Hamlib 4.7.2 client the network tests talk to (Debian 12
# ships 4.5.4) from the source kept in ../shared/peers, into PREFIX (default
# ~/.cache/qz-peers/hamlib-4.7.2), once: nothing is done when PREFIX/bin/rigctl is there. The tests
# only run it, so it is compiled without optimisation or debugging information (207 s here against
# 267 s for an optimised build). Run PREFIX/bin/rigctl with LD_LIBRARY_PATH=PREFIX/lib.
set -euo pipefail
cd "$(dirname "$0")/.."
source=$(pwd)/../shared/peers/hamlib-4.7.2.tar.gz
prefix=${1:-$HOME/.cache/qz-peers/hamlib-4.7.2}
[ -x "$prefix/bin/rigctl" ] && exit 0
[ -f "$source" ] || { echo "$source is missing: the Hamlib 4.7.2 network test will fail" >&2; exit 1; }
scripts/deps.sh peers
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
tar -xzf "$source" -C "$work"
cd "$work/hamlib-4.7.2"
{
    sh ./bootstrap
    ./configure --prefix="$prefix" CFLAGS="-O0 -g0" --disable-dependency-tracking \
        --without-cxx-binding --disable-static --without-readline --without-xml-support \
        --without-libusb --disable-winradio
    make -j"$(nproc)"
    make install
} >"$work/log" 2>&1 || { tail -n 30 "$work/log" >&2; exit 1; }
