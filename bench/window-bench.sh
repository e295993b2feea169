#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Window benchmark: the main window on archives of 100,000 and 1,000,000
# entries, offscreen: opening (from the window's start to the list's rows
# painted), each sort command and the filter box (a name's text, a shell
# pattern). Every row runs RUNS times, each in a process of its own, so that
# the peak memory it reports is that row's own; the table gives the median
# time, the spread (fastest to slowest) and the largest peak.
#
# Usage: bench/window-bench.sh [-k RUNS] [--no-build] [--only REGEX]
#   -k RUNS       processes per row (default 5)
#   --no-build    use the program already built in build/bench
#   --only REGEX  only the rows whose benchmark name matches (grep -E)
set -euo pipefail
export LC_ALL=C

RUNS=5
BUILD=1
ONLY=""
while (($#)); do
  case "$1" in
  -k) RUNS="${2:?-k needs a number}"; shift 2 ;;
  --no-build) BUILD=0; shift ;;
  --only) ONLY="${2:?--only needs a pattern}"; shift 2 ;;
  -h | --help) sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//'; exit 0 ;;
  *) echo "window-bench: unknown argument: $1 (try --help)" >&2; exit 2 ;;
  esac
done

SOURCE="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="$SOURCE/build/bench"
BIN="${WINDOW_BENCH_BIN:-$BUILD_DIR/bench/varnel_entry_list_bench}"
if ((BUILD)); then
  cmake -S "$SOURCE" -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVARNEL_BUILD_BENCH=ON \
    -DVARNEL_BUILD_TESTS=OFF -DVARNEL_WERROR=ON >&2
  cmake --build "$BUILD_DIR" --target varnel_entry_list_bench >&2
fi
export QT_QPA_PLATFORM=offscreen

# Benchmark name prefix, what it does, target in ms.
ROWS=(
  "OpenWindow/100000/|open, list shown|150"
  "OpenWindow/1000000/|open, list shown|1000"
  "SortCommand/0/1000000/|sort by name|100"
  "SortCommand/1/1000000/|sort by path|100"
  "SortCommand/2/1000000/|sort by type|100"
  "SortCommand/3/1000000/|sort by size|100"
  "SortCommand/4/1000000/|sort by offset|100"
  "FilterList/0/1000000/|filter: text|100"
  "FilterList/1/1000000/|filter: pattern|100"
  "SortCommand/0/100000/|sort by name|-"
  "FilterList/1/100000/|filter: pattern|-"
)

printf '| Work | Entries | Median ms | Spread ms | Peak MiB | Peak MiB, check run | Target ms |\n|---|---|---|---|---|---|---|\n'
for row in "${ROWS[@]}"; do
  IFS='|' read -r name work target <<<"$row"
  if [[ -n "$ONLY" ]] && ! grep -Eq -- "$ONLY" <<<"$name"; then
    continue
  fi
  entries="$(cut -d/ -f2- <<<"$name" | grep -Eo '[0-9]{6,}')"
  times=()
  peak=0
  checked=0
  for ((run = 1; run <= RUNS; ++run)); do
    printf 'window-bench: %s run %d\n' "$name" "$run" >&2
    output="$("$BIN" --benchmark_filter="^${name}" --benchmark_format=csv 2>/dev/null)"
    # name,iterations,real_time,...,error_message[,"checked_peak_MiB"],"peak_MiB"
    read -r time_ms run_peak run_checked < <(awk -F, -v name="\"${name}" '
      /^name,/ { for (i = 1; i <= NF; ++i) column[$i] = i }
      index($0, name) == 1 {
        c = column["\"checked_peak_MiB\""]
        print $3, $column["\"peak_MiB\""], (c ? $c : "-")
      }' <<<"$output")
    [[ -n "$time_ms" ]] || { echo "window-bench: $name gave no result" >&2; exit 1; }
    times+=("$time_ms")
    peak="$(awk -v a="$peak" -v b="$run_peak" 'BEGIN {print (b > a) ? b : a}')"
    [[ "$run_checked" == "-" ]] || checked="$(awk -v a="$checked" -v b="$run_checked" 'BEGIN {print (b > a) ? b : a}')"
  done
  sorted="$(printf '%s\n' "${times[@]}" | sort -g)"
  median="$(awk '{v[NR] = $1} END {m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2; printf "%.0f", m}' <<<"$sorted")"
  spread="$(awk 'NR == 1 {lo = $1} {hi = $1} END {printf "%.0f-%.0f", lo, hi}' <<<"$sorted")"
  [[ "$checked" == 0 ]] && checked="-" || checked="$(printf '%.0f' "$checked")"
  printf '| %s | %s | %s | %s | %.0f | %s | %s |\n' "$work" "$entries" "$median" "$spread" "$peak" "$checked" "$target"
done
