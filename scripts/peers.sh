#!/usr/bin/env bash
# scripts/peers.sh [PREFIX]: builds the Hamlib 4.7.2 client the network tests talk to (Debian 12
# ships 4.5.4) from the source kept in ../shared/peers, into PREFIX (default
# ~/.cache/qz-peers/hamlib-4.7.2), once: nothing is done when PREFIX/bin/rigctl is there. The tests
# only run rigctl's network rig, so only rigctl is built, with only the backends that rig needs,
# without optimisation or debugging information: 87 s (124 s of processor time) on a quiet 2-core
# machine, against 137 s (193 s) with every program, rotator and amplifier. Run PREFIX/bin/rigctl
# with LD_LIBRARY_PATH=PREFIX/lib.
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
# The tests run rigctl with model 2, the network rig, which is part of the dummy backend; the
# library's core also reads Icom frames, and the kit backend holds rotators the library registers.
# The other rig, rotator and amplifier backends, most of the compile, are left out of the build
# and of the lists the library registers, and of the programs only rigctl is built.
sed -i -E -e 's|^RIG_BACKEND_LIST=".*"$|RIG_BACKEND_LIST="rigs/dummy rigs/icom rigs/kit"|' \
    -e 's|^(ROT\|AMP)_BACKEND_LIST=".*"$|\1_BACKEND_LIST=""|' configure.ac
# keep_backends KIND FILE BACKEND...: leaves only those backends in FILE's list of KIND (RIG, ROT
# or AMP) and their declarations.
keep_backends() {
    local kind=$1 file=$2 kept
    shift 2
    kept=$(IFS='|' && echo "$*")
    sed -i -E -e "/^DEFINE_INIT${kind}_BACKEND\(($kept)\);/b" -e "/^DEFINE_INIT${kind}_BACKEND\(/d" \
        -e "/${kind}_FUNCNAMA?\(($kept)\)/b" \
        -e "/^ *\{ ${kind}_[A-Z0-9_]+, ${kind}_BACKEND_[A-Z0-9_]+, ${kind}_FUNCNAM/d" "$file"
}
keep_backends RIG src/register.c dummy icom kit
keep_backends ROT src/rot_reg.c dummy kit
keep_backends AMP src/amp_reg.c dummy
{
    sh ./bootstrap
    ./configure --prefix="$prefix" CFLAGS="-O0 -g0" --disable-dependency-tracking \
        --without-cxx-binding --disable-static --without-readline --without-xml-support \
        --without-libusb --disable-winradio
    # Everything up to the library, then rigctl alone.
    for dir in $(make -s -f Makefile -f - subdirs <<<'subdirs: ; @echo $(SUBDIRS)'); do
        [ "$dir" = tests ] && break
        make -j"$(nproc)" -C "$dir"
    done
    make -j"$(nproc)" -C tests rigctl
    make -C src install
    make -C tests install-binPROGRAMS bin_PROGRAMS=rigctl
} >"$work/log" 2>&1 || { tail -n 30 "$work/log" >&2; exit 1; }
