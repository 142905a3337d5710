#!/usr/bin/env bash
# check_package.sh CPACK BUILD_DIR VERSION: builds the Debian package from the build tree, checks
# that its dependencies come from the linked shared libraries, unpacks it into a temporary root and
# starts the installed program there, without a display, with --version.
set -euo pipefail
cpack=$1
build=$2
version=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

if ! "$cpack" --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log" >&2
    fail "cpack could not build the package"
fi
deb=("$work"/out/qz-remote_"$version"_*.deb)
[ -f "${deb[0]}" ] || fail "no qz-remote_${version}_*.deb in $(ls "$work/out")"
echo "built $(basename "${deb[0]}")"

depends=$(dpkg-deb -f "${deb[0]}" Depends)
echo "Depends: $depends"
names=$(tr ',' '\n' <<<"$depends" | sed 's/(.*//; s/ //g')
for library in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6serialport6 \
    libqt6network6 libxi6; do
    grep -qxF "$library" <<<"$names" || fail "Depends lacks $library"
done

root="$work/root"
dpkg-deb -x "${deb[0]}" "$root"
id=io.github.qzremote.QZRemote
for file in usr/bin/qz-remote usr/bin/qz-sim usr/lib/qz-remote/modules/rigctld.so \
    usr/lib/qz-remote/modules/serialport.so \
    "usr/share/applications/$id.desktop" \
    "usr/share/icons/hicolor/scalable/apps/$id.svg" \
    "usr/share/metainfo/$id.metainfo.xml" \
    usr/share/doc/qz-remote/examples/QZMemory.txt; do
    [ -f "$root/$file" ] || fail "the package does not install /$file"
done
[ -x "$root/usr/bin/qz-remote" ] || fail "/usr/bin/qz-remote is not executable"
grep -q "^Icon=$id$" "$root/usr/share/applications/$id.desktop" || fail "the entry names another icon"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" \
    "$root/usr/share/metainfo/$id.metainfo.xml" || fail "the metainfo launches another entry"
for file in usr/share/doc/qz-remote/copyright usr/share/doc/qz-remote/changelog.gz \
    usr/share/man/man1/qz-remote.1.gz usr/share/man/man1/qz-sim.1.gz; do
    [ -f "$root/$file" ] || fail "the package does not install /$file"
done
# Docks match the window to its entry by the window's class (the application's name).
grep -q "^StartupWMClass=qz-remote$" "$root/usr/share/applications/$id.desktop" ||
    fail "the entry does not name the window's class qz-remote"
desktop-file-validate "$root/usr/share/applications/$id.desktop"

# The software centre's checks and Debian's, printed in full. Left on purpose, and not failures:
#   appstreamcli P cid-contains-uppercase-letter: the id is the desktop entry's, the icon's and the
#     window's (Wayland app id) already; renaming it would orphan users' menu entries.
#   lintian I binary-has-unneeded-section, hardening-no-bindnow, hardening-no-fortify-functions:
#     cpack strips with plain strip, and the build takes CMake's flags rather than Debian's
#     dpkg-buildflags.
echo "--- appstreamcli validate --pedantic"
appstreamcli validate --pedantic --no-net "$root/usr/share/metainfo/$id.metainfo.xml" ||
    fail "the metainfo does not validate"
if command -v lintian >/dev/null; then
    echo "--- lintian -I --pedantic"
    lintian -I --pedantic --tag-display-limit 0 "${deb[0]}" 2>&1 | grep -v 'root privileges' |
        tee "$work/lintian.log" || true
    if grep -q '^[EW]:' "$work/lintian.log"; then
        fail "lintian reports errors or warnings"
    fi
    echo "--- lintian: no errors or warnings"
else
    echo "--- lintian is not installed (scripts/deps.sh installs it): skipped"
fi

# The installed programs, as from a terminal with no display; Qt comes from the system.
answer=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM \
    LD_LIBRARY_PATH="$root/usr/lib${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}" \
    "$root/usr/bin/qz-remote" --version)
[ "$answer" = "qz-remote $version" ] || fail "installed qz-remote --version said: $answer"
# The network module is found where the package puts it: it is what reads --rigctld's value.
answer=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM HOME="$work" \
    "$root/usr/bin/qz-remote" -platform offscreen --rigctld x:y 2>&1 | tail -n 1 || true)
[ "$answer" = 'qz-remote: --rigctld wants [ADDRESS:]PORT, not "x:y"' ] ||
    fail "installed qz-remote --rigctld x:y said: $answer"
answer=$(env -u DISPLAY "$root/usr/bin/qz-sim" --version)
[ "$answer" = "qz-sim $version" ] || fail "installed qz-sim --version said: $answer"
echo "installed qz-remote and qz-sim answer --version"
