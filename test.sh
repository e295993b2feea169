#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds Varnel with AddressSanitizer and
# UndefinedBehaviorSanitizer and runs every test (engine and windows, headless).
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
build=build/test
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVARNEL_SANITIZE=ON -DVARNEL_WERROR=ON
fi
cmake --build "$build"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
