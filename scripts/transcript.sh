#!/usr/bin/env bash
# Prints a devmgr session in UTF-8 as a terminal would show it: the program's own GBK
# output converted with iconv, each answer shown after its prompt, the main menu in full
# the first time and as one line after. Runs in a fresh directory laid out like the
# repository root for what a user types (examples/devices.txt), so the typed path is the
# one a user standing there has. Used for the README's transcript.
# Usage: transcript.sh <devmgr> <pause shim> <answer>... (answers in UTF-8, one per line)
set -euo pipefail

bin=$(realpath "$1")
nopause=$(realpath "$2")
shift 2
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/examples"
cp "$root/examples/devices.txt" "$work/examples/"
cd "$work"

: >screen
# devmgr flushes before every read, so a short wait lets each prompt land before its
# answer is echoed beside it.
for answer in "$@"; do
  sleep 0.3
  gbk=$(printf '%s' "$answer" | iconv -f UTF-8 -t GBK)
  printf '%s\n' "$gbk" >>screen
  printf '%s\n' "$gbk"
done | LD_PRELOAD="$nopause" "$bin" >>screen
# The main menu is the block framed by the longest line of stars; it comes back after
# every operation.
iconv -f GBK -t UTF-8 screen | awk '
  /^\*+$/ && length($0) > 20 {
    if (!inside) { inside = 1; shown++; if (shown > 1) print "(main menu)"; }
    else inside = 0;
    if (shown == 1) print;
    next
  }
  !(inside && shown > 1) { print }'
