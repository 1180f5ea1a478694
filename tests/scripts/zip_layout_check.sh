#!/usr/bin/env bash
# The Windows zip, packed by cpack from the build tree it is given: everything lies in one
# folder named as the archive (devmgr-VERSION-windows-x86_64/), with devmgr.exe, the
# read-me, the licence and the examples in it, so that a double-click on devmgr.exe after
# unzipping finds its files beside it.
# Usage: zip_layout_check.sh <windows build tree>.
set -euo pipefail
tree=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
  echo "FAIL: $*"
  exit 1
}
cpack --config "$tree/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 ||
  fail "cpack: $(cat "$work/cpack.log")"
zip=$(ls "$work"/devmgr-*-windows-x86_64.zip)
folder=$(basename "$zip" .zip)
(cd "$work" && cmake -E tar tf "$zip") >"$work/list"
outside=$(grep -v "^$folder/" "$work/list" || true)
[ -z "$outside" ] || fail "entries outside $folder/: $outside"
for file in devmgr.exe README.txt LICENSE examples/devices.txt examples/devices.utf8.txt; do
  grep -qx "$folder/$file" "$work/list" || fail "$folder/$file is not in the zip"
done
echo "PASS: $(basename "$zip") holds one folder, $folder"
