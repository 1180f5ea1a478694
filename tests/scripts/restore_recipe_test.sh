#!/usr/bin/env bash
# The way the README gives for bringing a data set back after a restart: a record file
# (dev.out, or a backup of it) imported through the menu gives its records back. A data
# set built by import, typing, deletion and sorting must come back byte for byte, also
# from a copy an editor saved with CR LF line ends and a trailing empty line. Also checks
# that the shipped GBK example is the readable UTF-8 one, converted.
# Usage: restore_recipe_test.sh <devmgr> <pause shim>.
set -euo pipefail

bin=$(realpath "$1")
nopause=$(realpath "$2")
root=$(cd "$(dirname "$0")/../.." && pwd)

fail() {
  echo "FAIL: $*"
  exit 1
}

iconv -f UTF-8 -t GBK "$root/examples/devices.utf8.txt" | cmp -s - "$root/examples/devices.txt" ||
  fail "examples/devices.txt is not examples/devices.utf8.txt converted to GBK"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
cp "$root/examples/devices.txt" .

run() { LD_PRELOAD="$nopause" "$bin" >session.log; }

# Import twelve records, type one more, delete the third, sort by price descending.
{
  printf '1 1 devices.txt\n'
  printf '1 2 D013 数码相机 林晓 宣传部 3 2024.5.20 4399\n' | iconv -f UTF-8 -t GBK
  printf '4 1 3\n5 8 n\n0\n'
} | run
[ "$(wc -l <dev.out)" -eq 12 ] || fail "expected 12 records in dev.out, got $(wc -l <dev.out)"
cp dev.out before.out

# A new session starts empty; importing dev.out brings the records back.
printf '1 1 dev.out\n0\n' | run
cmp before.out dev.out || fail "restored dev.out differs from the one before the restart"

sed 's/$/\r/' before.out >edited.txt
printf '\r\n' >>edited.txt
printf '1 1 edited.txt\n0\n' | run
cmp before.out dev.out || fail "a record file with CR LF and an empty line did not come back"
echo "PASS"
