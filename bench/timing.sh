# shellcheck shell=bash
# Timing of whole processes, sourced by bench/run.sh.

# time_once SETUP COMMAND: runs SETUP and `sync` (not timed, so that no file written
# before is still being flushed during the run), then COMMAND under /usr/bin/time -v, both
# through `sh -c` in the current directory. Prints "microseconds peak_KiB": wall-clock time
# from bash's EPOCHREALTIME around the run, and the peak resident set size (for a
# pipeline, its largest process, not the sum). Returns 1, the command's standard error
# shown, when the command fails.
time_once() {
  local start end
  sh -c "$1" && sync || return 1
  start=${EPOCHREALTIME/[.,]/}
  if ! /usr/bin/time -v -o .time.txt sh -c "$2"; then
    echo "failed: $2" >&2
    return 1
  fi
  end=${EPOCHREALTIME/[.,]/}
  echo "$((end - start)) $(awk '/Maximum resident set size/ { print $NF }' .time.txt)"
}

# Reads "microseconds peak_KiB" lines; prints "median_s min_s max_s peak_MiB", the peak
# being the largest of all.
summarize() {
  sort -n | awk '
    { t[NR] = $1 / 1e6; if ($2 > peak) peak = $2 }
    END { m = NR % 2 ? t[(NR + 1) / 2] : (t[NR / 2] + t[NR / 2 + 1]) / 2
          printf "%.4f %.4f %.4f %.1f\n", m, t[1], t[NR], peak / 1024 }'
}

# measure RUNS SETUP COMMAND: one warm-up run, then RUNS timed runs; prints the summary.
measure() {
  local i figures=""
  for ((i = 0; i <= $1; i++)); do
    local once
    once=$(time_once "$2" "$3") || return 1
    ((i > 0)) && figures+="$once"$'\n'
  done
  printf '%s' "$figures" | summarize
}
