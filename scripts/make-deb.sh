#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package of Varnel: build/package/packages/varnel_VERSION_ARCH.deb.
# Install it with: sudo apt install ./build/package/packages/varnel_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build/package -G Ninja -DCMAKE_BUILD_TYPE=Release -DVARNEL_BUILD_TESTS=OFF
cmake --build build/package --target package
# The package of this version (project() in CMakeLists.txt), not an older one left beside it.
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/package/CMakeCache.txt)
ls "build/package/packages/varnel_${version}_$(dpkg --print-architecture).deb"
