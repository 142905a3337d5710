#!/usr/bin/env bash
# scripts/peers.sh [PREFIX]: builds the Hamlib 4.7.2 client the network tests talk to (Debian 12
# ships 4.5.4) from the source kept in ../shared/peers, into PREFIX (default
# ~/.cache/qz-peers/hamlib-4.7.2), once: nothing is done when PREFIX/bin/rigctl is there. The tests
# only run its network rig, so it is built with only the backends that rig needs, without
# optimisation or debugging information: 54 s on a quiet 2-core machine, against 84 s with every
# backend (and 267 s once optimised, on a slower machine). Run PREFIX/bin/rigctl with
# LD_LIBRARY_PATH=PREFIX/lib.
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
# The tests talk to model 2, the network rig, which is part of the dummy backend; the library's
# core also reads Icom frames, and the kit backend holds rotators the library registers. The
# other rig backends, over half of the compile, are left out of the build and of the list the
# library registers.
sed -i 's|^RIG_BACKEND_LIST=".*"$|RIG_BACKEND_LIST="rigs/dummy rigs/icom rigs/kit"|' configure.ac
sed -i -E -e '/^DEFINE_INITRIG_BACKEND\((dummy|icom|kit)\);/b' -e '/^DEFINE_INITRIG_BACKEND\(/d' \
    -e '/RIG_FUNCNAMA?\((dummy|icom|kit)\)/b' \
    -e '/^ *\{ RIG_[A-Z0-9_]+, RIG_BACKEND_[A-Z0-9_]+, RIG_FUNCNAM/d' src/register.c
{
    sh ./bootstrap
    ./configure --prefix="$prefix" CFLAGS="-O0 -g0" --disable-dependency-tracking \
        --without-cxx-binding --disable-static --without-readline --without-xml-support \
        --without-libusb --disable-winradio
    make -j"$(nproc)"
    make install
} >"$work/log" 2>&1 || { tail -n 30 "$work/log" >&2; exit 1; }
