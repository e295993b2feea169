#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Game folder benchmark: `varnel-cli overview` of a Quake directory (two
# stock archives in id1, a mod of 20,000 files: nine numbered archives of
# 2,000 entries and 2,000 loose files) timed against reading the same
# directories: `varnel-cli list` of each of the eleven archives in turn, and
# `find` of the mod's loose files. Both write every name to /dev/null. Job
# and floor run in turn, in alternating order, K times, data on tmpfs with
# the page cache warm; the table shows the medians and their ratio (target
# at most 1.5).
#
# Usage: bench/game-folder-bench.sh [-k RUNS] [--root DIR] [--no-build]
#   -k RUNS      runs of the job and of the floor (default 15)
#   --root DIR   where the data folder is made (default /dev/shm)
#   --no-build   use the varnel-cli already built in build/bench
set -euo pipefail
export LC_ALL=C

RUNS=15
ROOT=/dev/shm
BUILD=1
while (($#)); do
  case "$1" in
  -k | --runs)
    RUNS="${2:?-k needs a number}"
    shift 2
    ;;
  --root)
    ROOT="${2:?--root needs a folder}"
    shift 2
    ;;
  --no-build)
    BUILD=0
    shift
    ;;
  -h | --help)
    sed -n '3,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//'
    exit 0
    ;;
  *)
    echo "game-folder-bench: unknown argument: $1 (try --help)" >&2
    exit 2
    ;;
  esac
done
[[ "$RUNS" =~ ^[1-9][0-9]*$ ]] || {
  echo "game-folder-bench: -k needs a positive whole number" >&2
  exit 2
}

SOURCE="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="$SOURCE/build/bench"
CLI="$BUILD_DIR/cli/varnel-cli"
say() { printf '%s\n' "$*" >&2; }

# Warnings are not errors here: GCC 12 at -O3 reports a false -Wrestrict in
# the standard library's string copies (cli/CliHelp.cpp).
if ((BUILD)); then
  if [[ ! -f "$BUILD_DIR/build.ninja" ]]; then
    cmake -S "$SOURCE" -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVARNEL_BUILD_BENCH=ON \
      -DVARNEL_BUILD_TESTS=OFF >&2
  fi
  cmake --build "$BUILD_DIR" --target varnel-cli >&2
fi
[[ -x "$CLI" ]] || {
  say "game-folder-bench: $CLI is missing: build it or drop --no-build"
  exit 1
}

W="$(mktemp -d "$ROOT/varnel-game-folder-bench.XXXXXX")"
trap 'rm -rf "$W"' EXIT
trap 'exit 130' INT TERM
Q="$W/quake"

# --- the data: deterministic, entries of 0..2,047 bytes
say "== making $Q"
python3 - "$Q" <<'EOF'
import os, random, struct, sys
quake = sys.argv[1]
rng = random.Random(33)
def pak(path, names):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    data, records, offset = bytearray(), bytearray(), 12
    for name in names:
        body = bytes(rng.getrandbits(8) for _ in range(rng.randrange(0, 64))) * rng.randrange(1, 32)
        records += name.encode().ljust(56, b"\0") + struct.pack("<ii", offset, len(body))
        data += body
        offset += len(body)
    with open(path, "wb") as out:
        out.write(b"PACK" + struct.pack("<ii", 12 + len(data), len(records)) + data + records)
folders = ["maps", "progs", "sound/weapons", "sound/misc", "gfx", "textures/wall", "textures/floor"]
pak(f"{quake}/id1/pak0.pak", [f"{folders[i % 7]}/stock{i}.dat" for i in range(339)])
pak(f"{quake}/id1/pak1.pak", [f"maps/e{i // 8 + 1}m{i % 8 + 1}.bsp" for i in range(85)])
# The mod replaces some stock files and many of its own from archive to archive.
for number in range(9):
    names = [f"{folders[i % 7]}/mod{(number * 1500 + i) % 16000}.dat" for i in range(1980)]
    names += [f"{folders[i % 7]}/stock{i}.dat" for i in range(number, 339, 17)][:20]
    pak(f"{quake}/mymod/pak{number}.pak", names)
for i in range(2000):
    path = f"{quake}/mymod/{folders[i % 7]}/loose{i}.dat"
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as out:
        out.write(b"x" * (i % 2048))
EOF
ARCHIVES=("$Q"/id1/pak0.pak "$Q"/id1/pak1.pak "$Q"/mymod/pak{0..8}.pak)
cli() { TMPDIR="$W" XDG_CONFIG_HOME="$W/config" "$CLI" -q "$@"; }
job() { cli overview "$Q" --game mymod >/dev/null 2>&1; }
floor() {
  for archive in "${ARCHIVES[@]}"; do cli list "$archive" >/dev/null; done
  find "$Q/mymod" -type f ! -name '*.pak' >/dev/null
}
# The overview must list every file once: 20,000 of the mod's, the rest of id1's.
listed="$(cli overview "$Q" --game mymod | wc -l)"
say "   overview lists $listed files"

us() { echo $(($(date +%s%N) / 1000)); }
JOB=()
FLOOR=()
for ((round = 1; round <= RUNS; round++)); do
  for which in $( ((round % 2)) && echo "job floor" || echo "floor job"); do
    start=$(us)
    "$which"
    took=$(($(us) - start))
    if [[ $which == job ]]; then JOB+=("$took"); else FLOOR+=("$took"); fi
  done
  say "   round $round: overview ${JOB[-1]} us, list and find ${FLOOR[-1]} us"
done
median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
ms() { awk -v us="$1" 'BEGIN { printf "%.1f", us / 1000 }'; }
J=$(median "${JOB[@]}")
F=$(median "${FLOOR[@]}")
RATIO=$(awk -v a="$J" -v b="$F" 'BEGIN { printf "%.2f", a / b }')
VERDICT=$(awk -v r="$RATIO" 'BEGIN { print (r <= 1.5) ? "PASS" : "FAIL" }')
printf '| Work | Ours (ms) | Floor (ms) | Ratio | Target | Result |\n|---|---|---|---|---|---|\n'
printf '| varnel-cli overview QUAKEDIR --game mymod (%s files) | %s | %s | %s | <= 1.5 | %s |\n' \
  "$listed" "$(ms "$J")" "$(ms "$F")" "$RATIO" "$VERDICT"
