#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds Varnel and starts it: ./run.sh [archive.pak]
set -euo pipefail
# Archives are named from the caller's folder: the files among the
# arguments get absolute paths before the script moves to the source tree.
arguments=()
options_ended=false
for argument in "$@"; do
  if [ -e "$argument" ] && { $options_ended || [[ $argument != -* ]]; }; then
    argument=$(realpath -- "$argument")
  fi
  [ "$argument" = -- ] && options_ended=true
  arguments+=("$argument")
done
cd "$(dirname "$0")"
scripts/install-deps.sh
build=build/release
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVARNEL_BUILD_TESTS=OFF
fi
cmake --build "$build"
exec "$build/app/varnel" "${arguments[@]}"
