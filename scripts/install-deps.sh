#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian packages that Varnel needs to build, run and test,
# skipping those already installed. Works as root or through sudo.
set -euo pipefail

packages=(
  cmake g++ ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev libqt6svg6 qt6-image-formats-plugins
  qt6-multimedia-dev gstreamer1.0-plugins-base gstreamer1.0-plugins-good
  qt6-tools-dev qt6-l10n-tools qt6-translations-l10n
  libgtest-dev libbenchmark-dev
  shared-mime-info xdg-utils fonts-dejavu-core
  librsvg2-bin desktop-file-utils appstream dpkg-dev file man-db
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
  sudo=()
else
  sudo=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
