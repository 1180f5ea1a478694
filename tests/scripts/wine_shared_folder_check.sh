#!/usr/bin/env bash
# The second-devmgr warning on Windows, under Wine: a second devmgr in the same prefix (two
# sessions of one PC) and one in a prefix of its own (another PC on the same network folder:
# each prefix has its own wineserver, which knows nothing of the other's open files) are told;
# once the first has ended, the lock file is gone and nobody is told.
#   wine_shared_folder_check.sh WINE_RUN DEVMGR.EXE OTHER_PREFIX
set -euo pipefail
run=$1 exe=$2 other=$3
warning="another devmgr works in this directory"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
failed=0

# The other prefix's first start creates it; its services keep no stream of this script.
DEVMGR_WINEPREFIX=$other "$run" "$exe" --version </dev/null >/dev/null 2>&1

# A second devmgr that ends at once; what it said on standard error is in $1.err.
second() {
  local name=$1
  shift
  printf '0\n' | env "$@" "$run" "$exe" >"$name.out" 2>"$name.err"
}

# Says whether the file $2 holds the warning as $3 (yes or no) wants, for the case $1.
expect() {
  local got=no
  grep -q "$warning" "$2" && got=yes
  if [ "$got" != "$3" ]; then
    echo "FAIL: $1: warning $got, expected $3; standard error:" >&2
    cat "$2" >&2
    failed=1
  fi
}

mkfifo in
"$run" "$exe" <in >first.out 2>first.err &
first=$!
exec 3>in  # the first devmgr waits at its menu while this stays open
for _ in $(seq 600); do [ -e .devmgr.lock ] && break; sleep 0.1; done
[ -e .devmgr.lock ] || { echo "FAIL: the first devmgr made no lock file" >&2; exit 1; }

second same
expect "same prefix" same.err yes
second other DEVMGR_WINEPREFIX="$other"
expect "other prefix" other.err yes
[ -e .devmgr.lock ] || { echo "FAIL: the second devmgr took the lock file away" >&2; failed=1; }

printf '0\n' >&3
exec 3>&-
wait "$first"
expect "the first itself" first.err no
[ ! -e .devmgr.lock ] || { echo "FAIL: the lock file outlived its devmgr" >&2; failed=1; }
second after DEVMGR_WINEPREFIX="$other"
expect "after the first ended" after.err no
exit "$failed"
