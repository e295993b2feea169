#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package of Varnel: build/package/packages/varnel_VERSION_ARCH.deb.
# Install it with: sudo apt install ./build/package/packages/varnel_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
# Debian's hardening: stack protector, fortified functions, full RELRO with
# immediate binding, and position-independent executables (gcc's default on
# Debian, asked for here all the same).
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxxflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
ldflags=$(dpkg-buildflags --get LDFLAGS)
cmake -S . -B build/package -G Ninja -DCMAKE_BUILD_TYPE=Release -DVARNEL_BUILD_TESTS=OFF -DCMAKE_INSTALL_PREFIX=/usr \
  -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" -DCMAKE_MODULE_LINKER_FLAGS="$ldflags" \
  -DCMAKE_SHARED_LINKER_FLAGS="$ldflags" -DCMAKE_POSITION_INDEPENDENT_CODE=ON
cmake --build build/package --target package
# The package of this version (project() in CMakeLists.txt), not an older one left beside it.
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/package/CMakeCache.txt)
ls "build/package/packages/varnel_${version}"-[0-9]*"_$(dpkg --print-architecture).deb"
