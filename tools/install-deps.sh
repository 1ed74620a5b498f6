#!/usr/bin/env bash
# Installs what building, running and testing need on Debian, skipping apt
# entirely when every package is already there.
set -euo pipefail
packages=(
    g++ make cmake qt6-base-dev qt6-svg-dev libgl-dev
    fonts-ipafont fonts-ipafont-gothic fonts-noto-cjk
    qt6-translations-l10n
    libzinnia-dev tegaki-zinnia-japanese fonts-kanjistrokeorders python3-kanjidraw
    desktop-file-utils appstream dpkg-dev file
    clang-format
)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
