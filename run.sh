#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds Varnel and starts it: ./run.sh [archive.pak]
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
build=build/release
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVARNEL_BUILD_TESTS=OFF
fi
cmake --build "$build"
exec "$build/app/varnel" "$@"
