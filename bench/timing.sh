# shellcheck shell=bash
# Timing of whole processes, sourced by bench/run.sh.
#
# measure RUNS SETUP COMMAND: runs SETUP (not timed), then COMMAND under /usr/bin/time -v,
# once as a warm-up and then RUNS times, both through `sh -c` in the current directory.
# Prints "median min max peak_MiB": wall-clock seconds read from bash's EPOCHREALTIME
# around each run, and the largest peak resident set size of all timed runs. For a
# pipeline, /usr/bin/time reports the largest single process, not the sum. Returns 1,
# with the command's standard error shown, when a run fails.
measure() {
  local runs=$1 setup=$2 command=$3 i start end rss peak=0 times=()
  for ((i = 0; i <= runs; i++)); do
    sh -c "$setup" || return 1
    start=${EPOCHREALTIME/[.,]/}
    if ! /usr/bin/time -v -o .time.txt sh -c "$command"; then
      echo "failed: $command" >&2
      return 1
    fi
    end=${EPOCHREALTIME/[.,]/}
    ((i == 0)) && continue
    times+=($((end - start)))
    rss=$(awk '/Maximum resident set size/ { print $NF }' .time.txt)
    ((rss > peak)) && peak=$rss
  done
  printf '%s\n' "${times[@]}" | sort -n | awk -v peak="$peak" '
    { t[NR] = $1 / 1e6 }
    END { m = NR % 2 ? t[(NR + 1) / 2] : (t[NR / 2] + t[NR / 2 + 1]) / 2
          printf "%.4f %.4f %.4f %.1f\n", m, t[1], t[NR], peak / 1024 }'
}
