#!/usr/bin/env bash
# The start note of devmgr.exe under Wine, on a console: Wine gives a program started on a
# terminal (tmux here) a console for standard input. In a folder inside the user's
# temporary folder (%TEMP%, where Explorer runs a program opened inside a zip) the note
# warns that Windows deletes the files written there, with or without records; elsewhere
# it only tells of the records dev.out holds, naming the folder by its Windows path.
# Usage: wine_start_note_check.sh <devmgr.exe> <wine-run.sh>. tmux comes with the test tools.
set -euo pipefail
exe=$(realpath "$1")
wine_run=$(realpath "$2")
source "$(dirname "$0")/tmux_lib.sh"
fail() {
  echo "FAIL: $*"
  exit 1
}
# The Wine prefix wine-run.sh takes: the build tree's, the one holding CMakeCache.txt.
tree=$(dirname "$exe")
while [ "$tree" != / ] && [ ! -f "$tree/CMakeCache.txt" ]; do tree=$(dirname "$tree"); done
prefix=${DEVMGR_WINEPREFIX:-$tree/wineprefix}
temp="$prefix/drive_c/users/$(id -un)/Temp"
mkdir -p "$temp"
inside=$(mktemp -d "$temp/devmgr-note-XXXXXX")
outside=$(mktemp -d "$tree/devmgr-note-XXXXXX")
trap 'rm -rf "$inside" "$outside"' EXIT
printf '1 A PC Li IT 1 2024.1.1 9\r\n2 B PC Wu IT 1 2024.1.1 9\r\n' >"$outside/dev.out"

# Runs devmgr.exe on a terminal in directory $1, leaves at the first menu; its standard
# error (GBK bytes, English here) is left in $1/err.txt.
on_console() {
  leave_at_first_menu "devmgr-wine-note-$$" "$1" \
    "env LC_ALL=C LANG=C '$wine_run' '$exe' 2>err.txt" 600
  [ -f "$1/err.txt" ] || fail "devmgr.exe did not run in $1"
}
temporary='is a temporary folder: Windows deletes the files written there, dev.out among them.'
unzip='Unzip devmgr into a folder of your own first and start it there.'

on_console "$inside"
grep -F "$temporary" "$inside/err.txt" >/dev/null && grep -F "$unzip" "$inside/err.txt" >/dev/null ||
  fail "no note of the temporary folder: $(cat "$inside/err.txt")"
grep -F 'holds' "$inside/err.txt" >/dev/null && fail "records told of without dev.out"
cp "$outside/dev.out" "$inside/" && rm "$inside/err.txt"
on_console "$inside"
grep -F "$temporary" "$inside/err.txt" >/dev/null &&
  grep -E 'devmgr: dev\.out in C:\\users\\[^ ]+\\Temp\\devmgr-note-[^ ]+ holds 2 record\(s\)' \
    "$inside/err.txt" >/dev/null || fail "no notes of the folder and its records: $(cat "$inside/err.txt")"

on_console "$outside"
grep -E '^devmgr: dev\.out in Z:\\.+ holds 2 record\(s\) of an earlier session\.' \
  "$outside/err.txt" >/dev/null || fail "no note of the records: $(cat "$outside/err.txt")"
grep -F "$temporary" "$outside/err.txt" >/dev/null && fail "a folder outside %TEMP% taken for one"
echo "PASS"
