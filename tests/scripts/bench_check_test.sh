#!/usr/bin/env bash
# Checks the benchmark on a small file: the generator is deterministic and well formed, and
# for every job devmgr's output file equals every peer's, byte for byte. The peers are
# independent implementations, so this also cross-checks devmgr's import, sorts, filter,
# query, statistics and undo. A second file, the same records laid out irregularly (records
# across lines, several on a line, tabs, an incomplete last record), checks the regrouping
# into records of seven tokens against the peers that read any layout.
#
# Usage: bench_check_test.sh DEVMGR NOPAUSE_LIB   (gen_import is found beside devmgr)
set -uo pipefail

devmgr=$(realpath "$1")
shim=$(realpath "$2")
gen=$(dirname "$devmgr")/bench/gen_import
bench=$(realpath "$(dirname "$0")/../../bench")
source "$bench/jobs.sh"
export LC_ALL=C PEERS=$bench/peers
# The peers' tools (sort, grep, iconv and cmp are the base system's).
source "$bench/../scripts/deps_lib.sh"
need_tools --fail mawk gawk sqlite3

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
passed=0
failed=0
pass() { passed=$((passed + 1)); }
fail() { failed=$((failed + 1)); echo "FAIL: $*"; }

check_generator() {
  "$gen" 2000 7 > "$tmp/a.txt" && "$gen" 2000 7 > "$tmp/b.txt" && "$gen" 2000 8 > "$tmp/c.txt"
  cmp -s "$tmp/a.txt" "$tmp/b.txt" && pass || fail "gen_import: same seed, other bytes"
  cmp -s "$tmp/a.txt" "$tmp/c.txt" && fail "gen_import: other seed, same bytes" || pass
  local bad
  bad=$(awk 'NF != 7 || $1 != sprintf("D%07d", NR) || $5 < 1 || $5 > 5000 ||
             $6 !~ /^20[0-7][0-9]\.([1-9]|1[0-2])\.([1-9]|[12][0-9]|3[01])$/ ||
             $7 < 10 || $7 > 99999' "$tmp/a.txt" | head -1)
  [ -z "$bad" ] && [ "$(wc -l < "$tmp/a.txt")" -eq 2000 ] && pass ||
    fail "gen_import: malformed record: $bad"
}

# Runs job $1 in devmgr and in the peers given as $3.., on import file $2; compares files.
check_job() {
  local job=$1 file=$2 out want
  shift 2
  out=$(job_output "$job")
  want=$tmp/run/devmgr_$job
  mkdir -p "$want" && ln -sf "$file" "$want/import.txt"
  job_answers "$job" > "$want/session.in"
  if ! (cd "$want" && LD_PRELOAD=$shim "$devmgr" < session.in > console.txt); then
    fail "job $job: devmgr did not end with status 0"
  elif [ ! -s "$want/$out" ]; then
    fail "job $job: devmgr wrote no $out"
  fi
  for peer in "$@"; do
    local dir=$tmp/run/${job}_$peer
    mkdir -p "$dir" && ln -sf "$file" "$dir/import.txt"
    (cd "$dir" && peer_setup "$job" && sh -c "$(peer_command "$job" "$peer")")
    cmp "$want/$out" "$dir/$out" && pass || fail "job $job: devmgr and $peer differ"
  done
  rm -rf "$tmp/run"
}

# Every job against every peer, on the generated file.
check_all_peers() {
  local job
  for job in $BENCH_JOBS; do
    # shellcheck disable=SC2046
    check_job "$job" "$1" $(job_peers "$job")
  done
}

# The same tokens regrouped: 1 to 10 per line, blanks or tabs, and three tokens over.
irregular_layout() {
  awk 'BEGIN { srand(3); want = 1 + int(rand() * 10) }
       { for (i = 1; i <= NF; i++) {
           printf "%s%s", (have ? (rand() < 0.5 ? "\t" : "  ") : " "), $i
           if (++have == want) { printf "\n"; have = 0; want = 1 + int(rand() * 10) } } }
       END { print " D9 tail tokens" }' "$1"
}

check_generator
NAME=$(awk 'NR == 1 { print $2 }' "$tmp/a.txt")
export NAME
check_all_peers "$tmp/a.txt"

# A name whose GBK bytes hold 0x5C (a backslash byte), which must reach the peers unchanged.
NAME=$(printf '運輸車' | iconv -f UTF-8 -t GBK)
grep -qF -- " $NAME " "$tmp/a.txt" && pass || fail "the sample holds no record of the 0x5C name"
check_job e "$tmp/a.txt" grep+mawk mawk gawk

irregular_layout "$tmp/a.txt" > "$tmp/irregular.txt"
check_job a "$tmp/irregular.txt" mawk gawk
check_job b "$tmp/irregular.txt" gnusort
check_job d "$tmp/irregular.txt" mawk gawk
check_job e "$tmp/irregular.txt" mawk gawk
check_job f "$tmp/irregular.txt" mawk+sort gawk+sort

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
