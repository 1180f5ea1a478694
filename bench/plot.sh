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

# One gnuplot data block per series that has points ("n seconds" lines, blocks apart by
# two blank lines), and per block a line "colour kind title" on standard output: devmgr
# per job (kind 1), the fastest matching peer per job (kind 2), the floor (colour 0).
series() {
  awk -F'\t' -v jobs="$BENCH_JOBS" '
    NR == 1 || $4 == "-" { next }
    $3 == "devmgr" { dev[$2, $1] = $4; sizes[$1] }
    $8 == "same" && (!(($2, $1) in best) || $4 < best[$2, $1]) {
      best[$2, $1] = $4
      if (!(($2, $3) in named)) { named[$2, $3]; who[$2] = who[$2] (who[$2] == "" ? "" : "/") $3 }
    }
    $2 == "floor" && $3 == "cp+sync" { floor["floor", $1] = $4; sizes[$1] }
    END {
      count = asorted(sizes, order)
      split(jobs, job, " ")
      for (j = 1; j in job; j++) {
        block(dev, job[j], "devmgr " job[j], j " 1")
        block(best, job[j], who[job[j]] " " job[j], j " 2")
      }
      block(floor, "floor", "cp+sync floor", "0 3")
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
    function block(table, j, title, style,   i, points) {
      for (i = 1; i <= count; i++)
        if ((j, order[i]) in table) { print order[i], table[j, order[i]] > data; points++ }
      if (!points) return
      print "\n" > data
      print style, title > titles
    }' data="$data" titles=/dev/stdout "$results"
}

# Solid filled points for devmgr, dashed open ones for its peer, dotted black the floor.
plots=()
index=0
while read -r colour kind title; do
  case $kind in
    1) style="lc $colour pt 7 dt 1" ;;
    2) style="lc $colour pt 6 dt 2" ;;
    *) style="lc rgb 'black' pt 1 dt 3" ;;
  esac
  plots+=("'$data' index $index using 1:2 with linespoints $style title '$title'")
  index=$((index + 1))
done < <(series)
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
