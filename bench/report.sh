#!/usr/bin/env bash
# Writes the benchmark report (markdown, to standard output) from bench/run.sh's raw
# figures: the machine, the method, per size a summary of devmgr against the fastest peer
# and every figure, the growth to 10^7 records when measured, and the exact commands.
#
# Usage: report.sh results.tsv [memory.tsv]
#        report.sh --memory memory.tsv   (the memory section alone)
# (BENCH_RUNS, BENCH_LARGE_RUNS, BENCH_SECONDS and BENCH_LOAD come from run.sh)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
source "$here/jobs.sh"
results=$1
export LC_ALL=C

# The peak memory of the memory sessions against the same session run once.
memory_section() {
  echo "## Memory over a session"
  echo
  echo "Peak resident set size (\`/usr/bin/time -f %M\`, the largest of ${BENCH_RUNS:-5} runs)" \
    "of one devmgr session that does the same thing once or several times in a row; the" \
    "text store gives back a file's bytes once no record of the data set or of the two" \
    "undo snapshots uses them."
  echo
  echo "| session | times | peak MiB | against once | target |"
  echo "|---|---|---|---|---|"
  local kind times peak once=0
  while IFS=$'\t' read -r kind times peak; do
    if [ "$peak" = - ]; then
      echo "| $(memory_title "$kind") | $times | **FAILED** | - | - |"
      continue
    fi
    if [ "$times" = 1 ]; then once=$peak; fi
    awk -v title="$(memory_title "$kind")" -v times="$times" -v peak="$peak" -v once="$once" \
        -v limit="$([ "$kind" = cycle ] && echo 2.5 || echo 1.1)" 'BEGIN {
      ratio = once > 0 ? peak / once : 0
      verdict = times == 1 ? "-" : sprintf("%s %.1f x %s", limit == 2.5 ? "<" : "<=", limit,
        (limit == 2.5 ? ratio < limit : ratio <= limit) ? "met" : "**missed**")
      printf "| %s | %d | %.0f | %.2f x | %s |\n", title, times, peak / 1024, ratio, verdict
    }'
  done < <(tail -n +2 "$1")
  echo
  echo "Sessions: \`LD_PRELOAD=build/release/libnopause.so build/release/devmgr < session.in\`" \
    "in bench/work/memory, whose import.txt is the 10^6-record file and blanks.txt 50 MiB of" \
    "blanks; session.in repeats \`$(memory_answers cycle 1 | head -4 | paste -sd' ')\` or" \
    "\`$(memory_answers blank 1 | head -3 | paste -sd' ')\` the given number of times, then 0."
}

if [ "$results" = --memory ]; then
  memory_section "$2"
  exit 0
fi
memory=${2:-$(dirname "$results")/memory.tsv}

machine() {
  local cpu mem disk
  cpu=$(awk -F': *' '/^model name/ { print $2; exit }' /proc/cpuinfo)
  mem=$(awk '/^MemTotal/ { printf "%.1f GiB", $2 / 1048576 }' /proc/meminfo)
  disk=$(df -hT "$here" | awk 'NR == 2 { print $1 ", " $2 ", " $3 " total, " $5 " free" }')
  echo "- cores (nproc): $(nproc); CPU: $cpu$(lscpu | awk -F': *' \
    '/^Hypervisor vendor/ { printf ", virtual machine (%s)", $2 }')"
  echo "- memory: $mem; disk holding bench/: $disk"
  echo "- load average (1, 5, 15 min): ${BENCH_LOAD:-not recorded}. The machine is shared" \
    "with other work, which shows in the spread of the runs."
  echo "- kernel: $(uname -sr); $(sort --version | head -1); mawk $(mawk -W version 2>&1 |
    head -1 | awk '{ print $2 }'); $(gawk --version | head -1 | cut -d, -f1);" \
    "sqlite3 $(sqlite3 --version | cut -d' ' -f1); $(grep --version | head -1)"
  echo "- devmgr: commit $(git -C "$here" rev-parse --short HEAD)$(git -C "$here" diff \
    --quiet HEAD -- ../src 2>/dev/null || echo ' with uncommitted changes in src/'), release build"
}

# Per size: the summary of devmgr against the fastest peer whose output matched.
summary() {
  awk -F'\t' -v n="$1" -v mib="$2" '
    $1 != n { next }
    $3 == "devmgr" { dev[$2] = $4; peak[$2] = $7; jobs[++count] = $2; next }
    $8 == "same" && (!($2 in best) || $4 < best[$2]) { best[$2] = $4; who[$2] = $3 }
    END {
      print "| job | devmgr session s | devmgr own cost s | devmgr peak MiB | fastest peer |" \
            " peer s | ratio | target |"
      print "|---|---|---|---|---|---|---|---|"
      for (i = 1; i <= count; i++) {
        j = jobs[i]; own = j == "a" ? dev[j] : dev[j] - dev["a"]
        target = j == "a" || j == "e" ? (j == "a" ? 0.5 : 1.0) : j == "g" ? 0 : 0.5
        # A cost below zero is smaller than the spread of the sessions; it counts as 0.
        ratio = (j in best) && best[j] > 0 ? (own > 0 ? own : 0) / best[j] : -1
        verdict = target == 0 || ratio < 0 ? "-" : \
          sprintf("<= %.1f %s", target, ratio <= target ? "met" : "**missed**")
        printf "| %s | %.3f | %.3f | %.0f | %s | %s | %s | %s |\n", j, dev[j], own, peak[j],
          (j in who) ? who[j] : "-", (j in best) ? sprintf("%.3f", best[j]) : "-",
          ratio < 0 ? "-" : sprintf("%.2f%s", ratio, own > 0 ? "" : " (cost below noise)"),
          verdict
        if (peak[j] > top) top = peak[j]
      }
      print "\nThe own cost is a difference of two medians; where it is a few ms or below zero," \
            " it is smaller than the sessions'"'"' run-to-run spread (min and max below)."
      printf "\nImport file %.1f MiB. devmgr peak resident memory, largest over the jobs: " \
             "%.0f MiB = %.1f x the file (target <= 10 x: %s).\n",
             mib, top, top / mib, top <= 10 * mib ? "met" : "**missed**"
    }' "$results"
}

# Per size: every figure.
figures() {
  echo "| job | tool | median s | min s | max s | peak MiB | output vs devmgr |"
  echo "|---|---|---|---|---|---|---|"
  awk -F'\t' -v n="$1" '$1 == n {
    check = $8 == "MISMATCH" || $8 == "FAILED" ? "**" $8 "**" : $8
    printf "| %s | %s | %s | %s | %s | %s | %s |\n", $2, $3, $4, $5, $6, $7, check }' "$results"
}

# The own cost of every job at each size measured for devmgr, when 10^7 was measured.
growth() {
  awk -F'\t' '$3 == "devmgr" && $1 != "records" { t[$1, $2] = $4; sizes[$1] }
    END {
      if (!((10000000, "a") in t)) exit
      print "\n## Growth of devmgr'"'"'s own cost, 10^5 to 10^7 records\n"
      print "Own cost: the session minus the import-only session (job a: the whole session)." \
            " n log n from 10^5 to 10^7 grows by 140 x.\n"
      print "| job | 10^5 s | 10^6 s | 10^7 s | growth 10^5 to 10^7 |"
      print "|---|---|---|---|---|"
      split("a b c d e f g", jobs, " ")
      for (i = 1; i <= 7; i++) {
        j = jobs[i]; line = "| " j
        for (k = 5; k <= 7; k++) {
          n = 10 ^ k; c[k] = j == "a" ? t[n, j] : t[n, j] - t[n, "a"]
          line = line sprintf(" | %.3f", c[k])
        }
        print line (c[5] >= 0.005 ? sprintf(" | %.0f x |", c[7] / c[5]) : \
          " | - (cost at 10^5 below 5 ms, within noise) |")
      }
    }' "$results"
}

commands() {
  local job peer floor
  echo "Each devmgr session: \`LD_PRELOAD=build/release/libnopause.so build/release/devmgr" \
    "< session.in > /dev/null\`, in a directory holding the import file as import.txt." \
    "Its standard input, one answer per line (NAME is the name of the file's first record):"
  echo
  for job in $BENCH_JOBS; do
    echo "- $job, $(job_title "$job"): \`$(NAME=NAME job_answers "$job" | paste -sd' ')\`"
  done
  echo
  echo "Peers, each run as \`sh -c COMMAND\` in the same directory, with LC_ALL=C and" \
    "PEERS=bench/peers (scripts there):"
  echo
  for job in $BENCH_JOBS; do
    for peer in $(job_peers "$job"); do
      echo "- $job, $peer: \`$(peer_command "$job" "$peer")\`"
    done
  done
  for floor in $BENCH_FLOORS; do echo "- floor, $floor: \`$(floor_command "$floor")\`"; done
}

mib_of() { awk -v b="$(stat -c %s "$here/data/import_$1.txt")" 'BEGIN { print b / 1048576 }'; }

seconds=${BENCH_SECONDS:-0}
cat <<EOF
# devmgr benchmark results

Written by \`make bench\` (bench/run.sh) on $(date -u '+%Y-%m-%d %H:%M UTC'), in
$((seconds / 60)) min $((seconds % 60)) s.
Every devmgr session ran with the pause shim build/release/libnopause.so preloaded
(LD_PRELOAD): the one-second pause after each operation returns at once, so the figures
hold the work alone. The figures are wall-clock seconds of whole processes.

## Machine

$(machine)

## Method

- Every command ran once as a warm-up, then ${BENCH_RUNS:-5} timed runs (10^7 records:
  ${BENCH_LARGE_RUNS:-3}); the figure is the median. Time is read with bash's EPOCHREALTIME
  around \`/usr/bin/time -v sh -c COMMAND\`; peak memory is the largest "Maximum resident set
  size" over the timed runs (for a pipeline: its largest process, not the sum). Before each
  run, untimed: the previous output files are removed and \`sync\` flushes what earlier runs
  wrote.
- devmgr's sessions ran round-robin (one run of each job in turn), so that a slow spell of
  this shared machine hits every job alike; the peers ran after them, each in a row.
- Import files come from build/release/bench/gen_import N (seed 20240601), one record per
  line; they are in the page cache when timed (the warm-up reads them).
- A job is a devmgr session that imports the file, runs one operation and saves its output,
  then ends. devmgr's own cost of an operation is that session's median minus the median of
  the import-only session (job a). devmgr saves durably (temporary file, fsync, rename);
  the peers write plainly, without fsync, except the cp + sync floor.
- Every peer's output file was compared byte for byte (cmp) with devmgr's of the same
  session; "same" in the last column says it matched. The ratio is devmgr's own cost (job a:
  the whole session) over the fastest matching peer, whose time covers reading the import
  file.
EOF

for n in $(awk -F'\t' 'NR > 1 { print $1 }' "$results" | uniq); do
  echo
  echo "## $n records ($(awk -v m="$(mib_of "$n")" 'BEGIN { printf "%.1f", m }') MiB import file)"
  echo
  summary "$n" "$(mib_of "$n")"
  echo
  figures "$n"
done
growth
if [ -s "$memory" ]; then
  echo
  memory_section "$memory"
fi
echo
echo "## Commands"
echo
commands
