#!/usr/bin/env bash
# Benchmarks whole devmgr sessions against standard tools that write the same files, and
# writes bench/RESULTS.md. Started by `make bench`, after the release build.
#
# Settings, from the environment:
#   BENCH_SIZES        record counts timed for devmgr and every peer ("100000 1000000")
#   BENCH_RUNS         timed runs of every command, after one warm-up (5)
#   BENCH_LARGE=1      also 10^7 records, devmgr alone, BENCH_LARGE_RUNS timed runs (3)
#
# `run.sh memory` measures only the memory over a session (see bench_memory) and prints its
# section of the report, for pasting into bench/RESULTS.md.
#
# Every devmgr session runs with the pause shim preloaded, so the one-second pause after
# each operation returns at once and only the work is timed. Raw figures go to
# bench/work/results.tsv, drawn as bench/results.svg; the generated files stay in bench/data/.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
source "$here/jobs.sh"
source "$here/timing.sh"
export LC_ALL=C PEERS=$here/peers

sizes=${BENCH_SIZES:-100000 1000000}
runs=${BENCH_RUNS:-5}
large_runs=${BENCH_LARGE_RUNS:-3}
release=$root/build/release
devmgr=$release/devmgr
shim=$release/libnopause.so
gen=$release/bench/gen_import
results=$here/work/results.tsv
memory=$here/work/memory.tsv
mismatches=0
memory_missed=0

# Installs, from Debian's packages and only when missing, the tools that the peers use.
ensure_tools() {
  local need=()
  command -v mawk >/dev/null || need+=(mawk)
  command -v gawk >/dev/null || need+=(gawk)
  command -v sqlite3 >/dev/null || need+=(sqlite3)
  command -v gnuplot >/dev/null || need+=(gnuplot-nox)
  command -v iconv >/dev/null || need+=(libc-bin)
  [ -x /usr/bin/time ] || need+=(time)
  sort --parallel=2 -S 1M </dev/null 2>/dev/null || need+=(coreutils)
  [ ${#need[@]} -eq 0 ] && return
  echo "Installing missing packages: ${need[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo=sudo
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${need[@]}"
}

ensure_build() {
  if [ ! -x "$devmgr" ] || [ ! -f "$shim" ] || [ ! -x "$gen" ]; then
    (cd "$root" && cmake --preset release >/dev/null && cmake --build --preset release)
  fi
}

# The import file of $1 records, made again when the generator is newer.
data_file() {
  local file=$here/data/import_$1.txt
  mkdir -p "$here/data"
  if [ ! -s "$file" ] || [ "$gen" -nt "$file" ]; then
    echo "Generating $1 records into ${file#"$root"/}" >&2
    "$gen" "$1" > "$file.tmp" && mv "$file.tmp" "$file"
  fi
  echo "$file"
}

# Appends one row of figures to results.tsv and says it on the console.
record_row() {
  local n=$1 job=$2 tool=$3 figures=$4 check=$5
  printf '%s\t%s\t%s\t%s\t%s\n' "$n" "$job" "$tool" "${figures// /$'\t'}" "$check" >> "$results"
  printf '  %-8s %-3s %-12s %s s (min %s, max %s), %s MiB  %s\n' \
    "$n" "$job" "$tool" $figures "$check" >&2
}

# Times devmgr's sessions for every job round-robin, one run of each job in turn after a
# warm-up round, so that a slow spell of the shared machine hits every job alike and the
# differences to the import-only session stay fair. Keeps each job's last output file as
# the bytes that the peers must match.
time_devmgr_jobs() {
  local n=$1 count=$2 job i once
  local -A times=() failed=()
  for job in $BENCH_JOBS; do job_answers "$job" > "session_$job.in"; done
  for ((i = 0; i <= count; i++)); do
    for job in $BENCH_JOBS; do
      [ -z "${failed[$job]:-}" ] || continue
      if ! once=$(time_once 'rm -f dev.out filter.out query.out stat.out ./*.csv' \
          "LD_PRELOAD='$shim' '$devmgr' < session_$job.in > /dev/null"); then
        failed[$job]=1
        continue
      fi
      ((i > 0)) && times[$job]+="$once"$'\n'
      ((i < count)) || cp "$(job_output "$job")" "expect_$job.out" 2>/dev/null ||
        : > "expect_$job.out"
    done
  done
  for job in $BENCH_JOBS; do
    if [ -n "${failed[$job]:-}" ]; then
      record_row "$n" "$job" devmgr "- - - -" FAILED
    else
      record_row "$n" "$job" devmgr "$(printf '%s' "${times[$job]}" | summarize)" "-"
    fi
  done
}

# Times one peer of a job and compares its output with devmgr's.
time_peer() {
  local n=$1 job=$2 peer=$3 figures check=same
  local setup=". '$here/jobs.sh'; peer_setup $job"
  if ! figures=$(measure "$runs" "$setup" "$(peer_command "$job" "$peer")"); then
    record_row "$n" "$job" "$peer" "- - - -" FAILED
    return
  fi
  if ! cmp -s "expect_$job.out" "$(job_output "$job")"; then
    check=MISMATCH
    mismatches=$((mismatches + 1))
    echo "*** MISMATCH: job $job at $n records: $peer's $(job_output "$job")" \
      "differs from devmgr's" >&2
  fi
  record_row "$n" "$job" "$peer" "$figures" "$check"
}

# Every job at one size: devmgr, then (when $3 is 1) every peer and the I/O floor.
bench_size() {
  local n=$1 count=$2 with_peers=$3 job peer floor
  local dir=$here/work/$n
  mkdir -p "$dir"
  ln -sf "$(data_file "$n")" "$dir/import.txt"
  cd "$dir"
  NAME=$(awk 'NR == 1 { print $2; exit }' import.txt)
  export NAME
  echo "$n records:" >&2
  time_devmgr_jobs "$n" "$count"
  if [ "$with_peers" = 1 ]; then
    for job in $BENCH_JOBS; do
      for peer in $(job_peers "$job"); do time_peer "$n" "$job" "$peer"; done
    done
    for floor in $BENCH_FLOORS; do
      record_row "$n" floor "$floor" "$(measure "$runs" 'rm -f copy.txt' \
        "$(floor_command "$floor")")" "-"
    done
  fi
  rm -f ./*.out ./*.csv copy.txt dev.prev .time.txt
  cd "$root"
}

# The peak resident memory in KiB of a devmgr session with the answers in file $1: the
# largest of $2 runs, read with /usr/bin/time -f %M.
peak_kib() {
  local i peak=0 kib
  for ((i = 0; i < $2; i++)); do
    rm -f dev.out dev.out~ dev.csv .peak.txt
    LD_PRELOAD=$shim /usr/bin/time -f %M -o .peak.txt "$devmgr" < "$1" > /dev/null || return 1
    kib=$(tail -1 .peak.txt)
    ((kib > peak)) && peak=$kib
  done
  echo "$peak"
}

# Memory follows the data: eight cycles of importing the 10^6-record file and undoing it
# against one cycle, five imports of a file of blanks against one. Writes memory.tsv.
bench_memory() {
  local dir=$here/work/memory kind times peak
  mkdir -p "$dir"
  ln -sf "$(data_file 1000000)" "$dir/import.txt"
  cd "$dir"
  [ -s blanks.txt ] || head -c $((50 << 20)) /dev/zero | tr '\0' ' ' > blanks.txt
  printf 'kind\tsessions\tpeak_kib\n' > "$memory"
  echo "memory:" >&2
  for kind in cycle blank; do
    for times in 1 $([ "$kind" = cycle ] && echo 8 || echo 5); do
      memory_answers "$kind" "$times" > session.in
      peak=$(peak_kib session.in "$runs") || peak=-
      printf '%s\t%s\t%s\n' "$kind" "$times" "$peak" >> "$memory"
      printf '  %-6s x%s  peak %s KiB\n' "$kind" "$times" "$peak" >&2
    done
  done
  rm -f dev.out dev.out~ dev.csv .peak.txt
  cd "$root"
  # The bounds: eight cycles below 2.5 x one, five blank imports within 1.1 x one.
  memory_missed=$(awk -F'\t' 'NR == 1 { next }
    $2 == 1 { once[$1] = $3; next }
    $3 == "-" || ($1 == "cycle" ? $3 >= 2.5 * once[$1] : $3 > 1.1 * once[$1]) { missed++ }
    END { print missed + 0 }' "$memory")
}

main() {
  ensure_tools
  ensure_build
  mkdir -p "$here/work"
  printf 'records\tjob\ttool\tmedian_s\tmin_s\tmax_s\tpeak_mib\tcheck\n' > "$results"
  local start=$SECONDS n load_start
  load_start=$(cut -d' ' -f1-3 /proc/loadavg)
  for n in $sizes; do bench_size "$n" "$runs" 1; done
  if [ "${BENCH_LARGE:-0}" = 1 ]; then bench_size 10000000 "$large_runs" 0; fi
  bench_memory
  BENCH_SECONDS=$((SECONDS - start)) BENCH_RUNS=$runs BENCH_LARGE_RUNS=$large_runs \
    BENCH_LOAD="$load_start at the start, $(cut -d' ' -f1-3 /proc/loadavg) at the end" \
    "$here/report.sh" "$results" > "$here/RESULTS.md"
  "$here/plot.sh" "$results" "$here/results.svg"
  echo "Wrote bench/RESULTS.md and bench/results.svg in $((SECONDS - start)) s" >&2
  if [ "$memory_missed" -gt 0 ]; then
    echo "*** memory over a session: $memory_missed bound(s) missed; see bench/RESULTS.md" >&2
    exit 1
  fi
  if [ "$mismatches" -gt 0 ]; then
    echo "*** $mismatches peer output(s) differ from devmgr's; see bench/RESULTS.md" >&2
    exit 1
  fi
}

if [ "${1:-}" = memory ]; then
  ensure_tools
  ensure_build
  bench_memory
  BENCH_RUNS=$runs "$here/report.sh" --memory "$memory"
  [ "$memory_missed" -eq 0 ]
else
  main "$@"
fi
