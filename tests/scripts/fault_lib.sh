# Helpers shared by the fault-injection scripts; sourced, never run. Each script gets the
# devmgr binary as $1 and the pause shim as $2, works in a fresh directory that is
# removed at exit, and fails with a message naming the broken case.
set -euo pipefail
DEVMGR="$(readlink -f "$1")"
NOPAUSE="$(readlink -f "$2")"
WORK="$(mktemp -d /tmp/devmgr-fault-XXXXXX)"
trap 'chmod -R u+rwx "$WORK" 2>/dev/null; rm -rf "$WORK"' EXIT
CASES=0

# devmgr runs without its pause (the shim, allowed before ASan's runtime); the scripts'
# own sleep must keep its time, so the shim is preloaded into devmgr alone.
export ASAN_OPTIONS="verify_asan_link_order=0${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
devmgr() { LD_PRELOAD="$NOPAUSE" "$DEVMGR"; }

# Prints UTF-8 text as GBK, so expectations can be written readable.
gbk() { printf '%s' "$1" | iconv -f UTF-8 -t GBK; }

fail() {
  echo "FAILED: $*" >&2
  exit 1
}

# Counts a passed case; the total is printed at the end.
pass() {
  CASES=$((CASES + 1))
  echo "ok: $*"
}

# True when file holds the GBK form of the UTF-8 text.
holds() { grep -qF -- "$(gbk "$2")" "$1"; }

# No temporary file of an atomic write is left in a directory.
no_temporaries() { ! ls -A "$1" | grep '\.tmp-' >/dev/null; }

# Writes an import file of n records with distinct codes to path.
make_records() {
  awk -v n="$2" 'BEGIN { for (i = 1; i <= n; i++)
    printf "D%07d dev%d holder%d dept%d %d 2042.%d.%d %d\n", i, i % 97, i % 13, i % 7,
      i % 5000, i % 12 + 1, i % 28 + 1, i * 7 % 99991 }' >"$1"
}

# What dev.out must hold for an import file of whole lines of seven fields.
expected_record_file() { awk '{ print NR " " $0 }' "$1"; }

# The data set of the kill and signal tests, in the current directory: big.txt of 200,000
# records, the two states dev.out may hold (full.expected, less.expected), an empty run/
# to work in, and in $input a session that saves again and again: import, delete the first
# record (which renumbers every line), undo back and forth.
prepare_saving_session() {
  make_records big.txt 200000
  expected_record_file big.txt >full.expected
  tail -n +2 big.txt | awk '{ print NR " " $0 }' >less.expected
  input='1 1 ../big.txt 4 1 1 7 7 7 7 7 7 0'
  mkdir run
}
