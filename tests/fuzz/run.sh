#!/usr/bin/env bash
# Runs each fuzz target for SECONDS (default 600) over a scratch copy of its committed
# corpus and reports executions and coverage. Builds nothing: build the fuzz preset
# first (make fuzz does). New inputs go to build/fuzz/work/<target>/corpus; a crashing,
# leaking or hanging input is written to build/fuzz/work/<target>/ and fails the run.
# The summary is also kept in build/fuzz/work/summary.txt.
set -uo pipefail
seconds="${1:-600}"
root="$(cd "$(dirname "$0")/../.." && pwd)"
bin="$root/build/fuzz/tests/fuzz"
work="$root/build/fuzz/work"
mkdir -p "$work"
summary="$work/summary.txt"
: >"$summary"
failed=0

# The last value of a libFuzzer "name: value" statistic in a log.
stat_of() { grep -o "$2: *[0-9]*" "$1" | tail -n 1 | grep -o '[0-9]*$'; }

run_target() {
  local target="$1"
  shift
  local dir="$work/$target"
  if [ ! -x "$bin/$target" ]; then
    echo "$target: not built (run: cmake --preset fuzz && cmake --build --preset fuzz)" >&2
    return 1
  fi
  rm -rf "$dir"
  mkdir -p "$dir/corpus"
  cp "$root/tests/fuzz/corpus/${target%_fuzz}/"* "$dir/corpus/"
  echo "== $target: $seconds s over $(ls "$dir/corpus" | wc -l) seed inputs"
  # Paths are absolute: session_fuzz changes into its own working directory.
  "$bin/$target" -max_total_time="$seconds" -print_final_stats=1 -timeout=10 \
    -rss_limit_mb=2048 -artifact_prefix="$dir/" "$@" "$dir/corpus" >"$dir/log" 2>&1
  local status=$?
  local start_cov end_cov execs
  start_cov="$(grep -m1 'INITED' "$dir/log" | grep -o 'cov: [0-9]*' | grep -o '[0-9]*')"
  end_cov="$(grep -E '(DONE|pulse|NEW|REDUCE)' "$dir/log" | tail -n 1 | grep -o 'cov: [0-9]*' |
    grep -o '[0-9]*')"
  execs="$(stat_of "$dir/log" 'stat::number_of_executed_units')"
  local line="$target: ${execs:-?} executions in $seconds s, coverage ${start_cov:-?} -> \
${end_cov:-?} edges, features $(stat_of "$dir/log" 'ft'), corpus $(ls "$dir/corpus" | wc -l) \
inputs, peak RSS $(stat_of "$dir/log" 'stat::peak_rss_mb') MB"
  if [ "$status" -ne 0 ]; then
    line="$line: FAILED (status $status), see $dir/log"
    grep -E '^(==[0-9]+==ERROR|SUMMARY|[a-z]+_fuzz|artifact_prefix)' "$dir/log" >&2
    ls "$dir" | grep -E '^(crash|leak|timeout|oom|slow-unit)-' | sed "s|^|  input: $dir/|" >&2
  fi
  echo "$line" | tee -a "$summary"
  return "$status"
}

run_target session_fuzz -max_len=8192 -dict="$root/tests/fuzz/session.dict" || failed=1
run_target orders_fuzz -max_len=256 || failed=1
# The parser's usage messages would flood the log; libFuzzer keeps its own reports.
run_target options_fuzz -max_len=128 -close_fd_mask=2 || failed=1
run_target records_fuzz -max_len=4096 || failed=1
run_target charset_fuzz -max_len=1024 || failed=1
run_target backup_names_fuzz -max_len=512 || failed=1
exit "$failed"
