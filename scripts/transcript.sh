#!/usr/bin/env bash
# Prints a devmgr session in UTF-8 as a terminal would show it: the program's own GBK
# output converted with iconv, each answer shown after its prompt. Runs in a fresh
# directory holding examples/devices.txt. Used for the README's transcript.
# Usage: transcript.sh <devmgr> <pause shim> <answer>... (answers in UTF-8, one per line)
set -euo pipefail

bin=$(realpath "$1")
nopause=$(realpath "$2")
shift 2
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$root/examples/devices.txt" "$work/"
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
iconv -f GBK -t UTF-8 screen
