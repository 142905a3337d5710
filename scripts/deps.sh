#!/usr/bin/env bash
# Installs what building, running and testing the panel need, and only what is missing.
set -euo pipefail
packages=(build-essential cmake ninja-build pkg-config qt6-base-dev qt6-base-dev-tools
          qt6-serialport-dev libgl-dev fonts-liberation xvfb xauth xdotool libx11-dev libxi-dev
          clang libclang-rt-14-dev libhamlib-utils
          desktop-file-utils appstream dpkg-dev file lintian)
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
