#!/usr/bin/env bash
# Draws the benchmark's figures as an SVG with gnuplot: seconds (median of the whole
# session or command) against records, both axes logarithmic; per job devmgr's session
# (solid) beside the fastest peer whose output matched (dashed, same colour), and the
# cp + sync floor (black, dotted): copying the import file durably, which no job that
# saves durably can beat.
#
# Usage: plot.sh results.tsv out.svg   (the raw figures bench/run.sh writes)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
source "$here/jobs.sh"
results=$1
out=$2
export LC_ALL=C
command -v gnuplot >/dev/null || { echo "devmgr: plot.sh needs gnuplot" >&2; exit 1; }
data=$(mktemp)
trap 'rm -f "$data"' EXIT

# One gnuplot data block per series ("n seconds" lines, blocks apart by two blank lines),
# and per block its title on standard output: devmgr per job, the fastest peer per job,
# the floor.
series() {
  awk -F'\t' -v jobs="$BENCH_JOBS" '
    NR == 1 || $4 == "-" { next }
    $3 == "devmgr" { dev[$2, $1] = $4; sizes[$1] }
    $8 == "same" && (!(($2, $1) in best) || $4 < best[$2, $1]) {
      best[$2, $1] = $4
      if (!(($2, $3) in named)) { named[$2, $3]; who[$2] = who[$2] (who[$2] == "" ? "" : "/") $3 }
    }
    $2 == "floor" && $3 == "cp+sync" { floor[$1] = $4 }
    END {
      count = asorted(sizes, order)
      split(jobs, job, " ")
      for (j = 1; j in job; j++) {
        block(dev, job[j], order, count, "devmgr " job[j])
        block(best, job[j], order, count, who[job[j]] " " job[j])
      }
      for (i = 1; i <= count; i++) if (order[i] in floor) print order[i], floor[order[i]] > data
      print "cp+sync floor" > titles
    }
    # The sizes in increasing order (a plain insertion sort: mawk has no asort).
    function asorted(set, out,   n, k, i, t) {
      for (k in set) {
        out[++n] = k
        for (i = n; i > 1 && out[i - 1] + 0 > out[i] + 0; i--) {
          t = out[i]; out[i] = out[i - 1]; out[i - 1] = t
        }
      }
      return n
    }
    function block(table, j, order, count, title,   i) {
      for (i = 1; i <= count; i++)
        if ((j, order[i]) in table) print order[i], table[j, order[i]] > data
      print "\n" > data
      print title > titles
    }' data="$data" titles=/dev/stdout "$results"
}

mapfile -t titles < <(series)
plots=()
for i in "${!titles[@]}"; do
  title=${titles[$i]}
  if [ "$title" = "cp+sync floor" ]; then
    style="lc rgb 'black' dt 3 pt 1"
  else
    colour=$((i / 2 + 1))
    style="lc $colour pt $((i % 2 ? 6 : 7)) dt $((i % 2 ? 2 : 1))"
  fi
  plots+=("'$data' index $i using 1:2 with linespoints $style title '$title'")
done
jobs_key=$(for job in $BENCH_JOBS; do printf '%s: %s\\n' "$job" "$(job_title "$job")"; done)

gnuplot <<EOF
set terminal svg size 1040,600 dynamic font "sans,12" background rgb "white"
set output "$out"
set title "devmgr against the fastest standard tools (median seconds, log-log)"
set logscale xy
set format x "10^{%L}"
set xlabel "records in the import file"
set ylabel "seconds, whole session or command"
set grid xtics ytics mytics lc rgb "#dddddd"
set key outside right top spacing 1.1 font ",10"
set label 1 "${jobs_key}" at screen 0.715, screen 0.32 left font ",10"
set rmargin 42
plot $(IFS=,; echo "${plots[*]}")
EOF
echo "Wrote ${out}" >&2
