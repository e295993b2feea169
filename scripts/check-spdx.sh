#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Every source file of Varnel names its licence on its first line (after a
# "#!" line or an XML declaration, which must come first), in its own
# comment form. Without options, lists the files that lack the line and
# fails if there are any; with --fix, puts the line in.
#   scripts/check-spdx.sh [--fix] [SOURCE_DIR]
set -euo pipefail

fix=false
if [ "${1-}" = --fix ]; then
  fix=true
  shift
fi
cd "${1:-$(dirname "$0")/..}"

licence="SPDX-License-Identifier: GPL-3.0-or-later"

# The licence line in the comment form of a file, or nothing for a file that
# carries none (data, documentation).
licence_line() {
  case $1 in
    *.cpp | *.h | *.h.in) echo "// $licence" ;;
    *.1 | *.1.in) echo ".\\\" $licence" ;;
    *.xml | *.ts | *.qrc | *.svg) echo "<!-- $licence -->" ;;
    *CMakeLists.txt | *.cmake | *.sh | *.sh.in | *.py | *.bash.in | *.desktop | *.supp | *.dict | .ci/run | \
      .gitignore | .clang-format) echo "# $licence" ;;
  esac
}

# The files of the project: those git knows and those it would take, or
# every file outside the build folders when the tree is not a clone.
project_files() {
  if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    git ls-files -z --cached --others --exclude-standard | while IFS= read -r -d '' file; do
      [ -f "$file" ] && printf '%s\n' "$file"
    done
  else
    find . -path './build*' -prune -o -path './.git' -prune -o -type f -print | sed 's|^\./||'
  fi
}

# The line a licence line goes after: 1 for a "#!" line or an XML declaration, else 0.
header_lines() {
  local first
  IFS= read -r first <"$1" || true
  case $first in
    '#!'* | '<?xml'*) echo 1 ;;
    *) echo 0 ;;
  esac
}

missing=0
while IFS= read -r file; do
  line=$(licence_line "$file")
  [ -n "$line" ] || continue
  at=$(header_lines "$file")
  if [ "$(sed -n "$((at + 1))p" "$file")" = "$line" ]; then
    continue
  fi
  if $fix; then
    if [ "$at" -eq 0 ]; then
      { printf '%s\n' "$line"; cat "$file"; } >"$file.spdx"
    else
      { head -n "$at" "$file"; printf '%s\n' "$line"; tail -n "+$((at + 1))" "$file"; } >"$file.spdx"
    fi
    chmod --reference="$file" "$file.spdx"
    mv "$file.spdx" "$file"
    echo "added: $file"
  else
    echo "no licence line: $file (scripts/check-spdx.sh --fix adds it)" >&2
    missing=$((missing + 1))
  fi
done < <(project_files)

[ "$missing" -eq 0 ]
