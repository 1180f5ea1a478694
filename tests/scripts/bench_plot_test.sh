#!/usr/bin/env bash
# The benchmark's figure from a small table of figures: every job's devmgr series and its
# fastest peer whose output matched are drawn, a faster peer whose output differed is not,
# sizes out of order and the 10^7 rows without peers are taken, and the SVG is whole.
# Skipped (77) without gnuplot (make deps installs it).
# Usage: bench_plot_test.sh <devmgr> <pause shim>.
set -euo pipefail
source "$(dirname "$0")/../../scripts/deps_lib.sh"
need_tools gnuplot
plot=$(cd "$(dirname "$0")/../../bench" && pwd)/plot.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
  echo "FAIL: $*"
  exit 1
}

{
  printf 'records\tjob\ttool\tmedian_s\tmin_s\tmax_s\tpeak_mib\tcheck\n'
  for n in 100000 20000; do
    for job in a b c d e f g; do printf '%s\t%s\tdevmgr\t0.5\t0.4\t0.6\t9\t-\n' "$n" "$job"; done
    printf '%s\ta\tmawk\t0.9\t0.8\t1.0\t2\tsame\n' "$n"
    printf '%s\ta\tgawk\t1.9\t1.8\t2.0\t2\tsame\n' "$n"
    printf '%s\ta\tbroken\t0.1\t0.1\t0.1\t2\tMISMATCH\n' "$n"
    printf '%s\tb\tgnusort\t1.5\t1.4\t1.6\t9\tsame\n' "$n"
    printf '%s\tfloor\tcp+sync\t0.05\t0.05\t0.05\t2\t-\n' "$n"
  done
  printf '10000000\ta\tdevmgr\t9.5\t9.4\t9.6\t900\t-\n'
} >"$work/results.tsv"
"$plot" "$work/results.tsv" "$work/out.svg" 2>"$work/log" || fail "plot.sh: $(cat "$work/log")"

drawn=("devmgr a" "mawk a" "devmgr b" "gnusort b" "devmgr g" "cp+sync floor")
for title in "${drawn[@]}"; do
  grep -F ">$title<" "$work/out.svg" >/dev/null || fail "no series '$title'"
done
for title in "broken a" "gawk a" "mawk/gawk a"; do
  grep -F "$title" "$work/out.svg" >/dev/null && fail "series '$title' drawn"
done
[ "$(grep -v '^$' "$work/out.svg" | tail -n 1)" = "</svg>" ] || fail "the SVG is cut short"
grep -E 'warning|error' "$work/log" && fail "gnuplot complained"
echo "PASS"
