#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# What a file manager runs for Varnel's two actions, through varnel-cli:
#   varnel-file-action extract ARCHIVE.pak...   each into a new folder beside
#                                               it, named after the archive
#   varnel-file-action pack FOLDER...           each into FOLDER.pak beside it
# Nothing that exists is overwritten: a name that is taken gets " (2)",
# " (3)", ... before its extension. A failure is shown as a notification, or
# in a message window, or else on standard error; the exit status is then 1.
set -u

# varnel-cli of the same installation (this script is in LIBEXECDIR/varnel),
# else the one on the PATH.
bindir=$(dirname "$0")/../../bin
cli=varnel-cli
[ -x "$bindir/varnel-cli" ] && cli=$bindir/varnel-cli

# The first of BASE SUFFIX, BASE (2)SUFFIX, BASE (3)SUFFIX, ... that does not exist.
free_name() {
  name="$1$2"
  number=2
  while [ -e "$name" ] || [ -L "$name" ]; do
    name="$1 ($number)$2"
    number=$((number + 1))
  done
  printf '%s\n' "$name"
}

# Shows a failure the way the desktop can: a notification, a message window,
# or standard error when neither is there.
report() {
  title=$1
  message=$2
  if command -v notify-send >/dev/null 2>&1 &&
    notify-send --app-name=Varnel --icon=dialog-error "$title" "$message" 2>/dev/null; then
    return
  fi
  if command -v kdialog >/dev/null 2>&1 && kdialog --title "$title" --error "$message" 2>/dev/null; then
    return
  fi
  if command -v zenity >/dev/null 2>&1 && zenity --error --title="$title" --text="$message" 2>/dev/null; then
    return
  fi
  printf '%s: %s\n' "$title" "$message" >&2
}

# Runs varnel-cli with the arguments; on failure reports its messages under
# the title $title and returns 1.
run_cli() {
  if messages=$("$cli" --quiet "$@" 2>&1 >/dev/null); then
    return 0
  fi
  report "$title" "${messages:-varnel-cli $1 failed}"
  return 1
}

if [ $# -lt 2 ] || { [ "$1" != extract ] && [ "$1" != pack ]; }; then
  echo "Usage: varnel-file-action extract ARCHIVE.pak... | pack FOLDER..." >&2
  exit 2
fi
action=$1
shift
status=0
for path in "$@"; do
  # The new file or folder goes beside the one acted on.
  path=${path%/}
  case $path in
    */*) folder=${path%/*} ;;
    *) folder=. ;;
  esac
  base=${path##*/}
  if [ "$action" = extract ]; then
    title="Extracting $base failed"
    stem=${base%.[pP][aA][kK]}
    [ "$stem" = "$base" ] && stem="$base extracted"
    target=$(free_name "$folder/$stem" "")
    if ! mkdir -- "$target"; then
      report "$title" "The folder $target cannot be made."
      status=1
      continue
    fi
    if ! run_cli extract -o "$target" -- "$path"; then
      # An archive that could not be read leaves no empty folder behind.
      rmdir -- "$target" 2>/dev/null
      status=1
    fi
  else
    title="Packing $base failed"
    target=$(free_name "$folder/$base" .pak)
    run_cli create -C "$path" -- "$target" . || status=1
  fi
done
exit $status
