#!/usr/bin/env bash
# Pipes keep devmgr's GBK bytes whatever the locale; DEVMGR_ENCODING=UTF-8 converts them
# both ways; import files in UTF-8 are converted with a note on standard error naming the
# encoding (UTF-16's conversion is the unit table's), GBK that is also valid UTF-8 is not,
# and a word count that is not a multiple of seven is warned about there, the console
# unchanged.
# Usage: encoding_pipe_test.sh <devmgr> <pause shim>
source "$(dirname "$0")/fault_lib.sh"
root=$(cd "$(dirname "$0")/../.." && pwd)
unset LC_ALL LC_CTYPE LANG DEVMGR_ENCODING

# Runs devmgr in a fresh directory named by $1 with the environment in the rest of the
# arguments, the keystrokes on standard input; leaves out, err and dev.out there.
run_in() {
  local dir="$WORK/$1"
  shift
  mkdir -p "$dir"
  cp "$root/examples/devices.txt" "$root/examples/devices.utf8.txt" "$dir/"
  (cd "$dir" && env "$@" LD_PRELOAD="$NOPAUSE" "$DEVMGR" >out 2>err)
}
# The output with every elapsed time made 0, readable as UTF-8.
shown() { iconv -f GB18030 -t UTF-8 <"$WORK/$1/out" | sed -E 's/[0-9]+ 毫秒/0 毫秒/g'; }

# Import, a record typed with Chinese fields, a query for its name, browse, end.
keys_gbk=$(gbk $'1\n1\ndevices.txt\n1\n2\nD013 数码相机 林晓 宣传部 3 2024.5.20 4399\n3\n1\n数码相机\n1\n2\n0\n')
keys_utf8=$'1\n1\ndevices.txt\n1\n2\nD013 数码相机 林晓 宣传部 3 2024.5.20 4399\n3\n1\n数码相机\n1\n2\n0\n'

printf '%s' "$keys_gbk" | run_in c LC_ALL=C
printf '%s' "$keys_gbk" | run_in utf8 LANG=C.UTF-8
printf '%s' "$keys_gbk" | run_in zh LANG=zh_CN.UTF-8 LC_CTYPE=zh_CN.UTF-8
cmp -s <(shown c) <(shown utf8) || fail "a pipe under LANG=C.UTF-8 changed the output"
cmp -s <(shown c) <(shown zh) || fail "a pipe under zh_CN.UTF-8 changed the output"
cmp -s "$WORK/c/dev.out" "$WORK/utf8/dev.out" || fail "a pipe under LANG=C.UTF-8 changed dev.out"
holds "$WORK/c/dev.out" '13 D013 数码相机 林晓 宣传部 3 2024.5.20 4399' || fail "typed record"
[ "$(shown c | grep -c '数码相机')" -ge 2 ] || fail "the query did not show the typed record"
[ "$(tail -c 1 "$WORK/c/out" | od -An -c | tr -d ' ')" = ":" ] || fail "pipe got a last line feed"
pass "pipes keep their GBK bytes under C, C.UTF-8 and zh_CN.UTF-8"

printf '%s' "$keys_utf8" | run_in forced DEVMGR_ENCODING=utf8 LC_ALL=C
cmp -s <(shown c) <(sed -E 's/[0-9]+ 毫秒/0 毫秒/g' "$WORK/forced/out") ||
  fail "DEVMGR_ENCODING=utf8 did not show the dialogue as UTF-8"
cmp -s "$WORK/c/dev.out" "$WORK/forced/dev.out" || fail "forced UTF-8 input did not store GBK"
pass "DEVMGR_ENCODING=utf8 converts a pipe both ways"

printf '%s' "$keys_gbk" | run_in bogus DEVMGR_ENCODING=latin1 LANG=C.UTF-8
cmp -s <(shown c) <(shown bogus) || fail "an unknown DEVMGR_ENCODING changed the output"
[ "$(grep -c '^devmgr: DEVMGR_ENCODING=latin1 ' "$WORK/bogus/err")" = 1 ] ||
  fail "an unknown DEVMGR_ENCODING was not warned about once: $(cat "$WORK/bogus/err")"
pass "an unknown DEVMGR_ENCODING warns once and changes nothing"

# The UTF-8 twin of the example file, with and without a byte-order mark: the same
# dev.out as the GBK file, and one note each naming the encoding.
{ printf '\xEF\xBB\xBF'; cat "$root/examples/devices.utf8.txt"; } >"$WORK/bom.txt"
printf '1\n1\ndevices.txt\n0\n' | run_in gbk
for twin in devices.utf8.txt:UTF-8 ../bom.txt:UTF-8; do
  printf '1\n1\n%s\n0\n' "${twin%:*}" | run_in twin
  cmp -s "$WORK/twin/dev.out" "$WORK/gbk/dev.out" || fail "${twin%:*} gave other records"
  [ "$(cat "$WORK/twin/err")" = "devmgr: ${twin%:*}: ${twin#*:} text, converted to GB18030" ] ||
    fail "note for ${twin%:*}: $(cat "$WORK/twin/err")"
done
[ ! -s "$WORK/gbk/err" ] || fail "the GBK file was noted: $(cat "$WORK/gbk/err")"
pass "a UTF-8 import file is converted, with a note naming its encoding"

# GBK that happens to be valid UTF-8 (目录 卢平 are, as Latin-1 letters) stays GBK, both
# imported and loaded with --load, without a note.
gbk_line=$'A1 \xc4\xbf\xc2\xbc \xc2\xac\xc6\xbd IT 3 2020.1.1 100'
printf '%s\n' "$gbk_line" >"$WORK/g.txt"
printf '1\n1\n../g.txt\n0\n' | run_in lookalike
[ "$(cat "$WORK/lookalike/dev.out")" = "1 $gbk_line" ] || fail "GBK 目录 卢平 was converted"
[ ! -s "$WORK/lookalike/err" ] || fail "GBK 目录 卢平 was noted: $(cat "$WORK/lookalike/err")"
mkdir "$WORK/load" && printf '1 %s\n' "$gbk_line" >"$WORK/load/dev.out"
printf '2\n0\n' | (cd "$WORK/load" && LD_PRELOAD="$NOPAUSE" "$DEVMGR" --load dev.out >out 2>err)
tab=$'\t'
grep -qF "1$tab ${gbk_line// /$tab }$tab" "$WORK/load/out" || fail "--load converted 目录 卢平"
[ ! -s "$WORK/load/err" ] || fail "--load noted GBK: $(cat "$WORK/load/err")"
pass "GBK text that is also valid UTF-8 is imported and loaded byte for byte"

# A dev.out that devmgr wrote holding 濮存保 (whose GBK bytes read as two rare hanzi in
# UTF-8) loads as 濮存保; a Korean UTF-8 file (valid GB18030 too) is converted on import.
printf '%s' "$(gbk $'1\n2\nD1 濮存保 林晓 宣传部 3 2024.5.20 4399\n0\n')" | run_in pu
holds "$WORK/pu/dev.out" '1 D1 濮存保 林晓 宣传部 3 2024.5.20 4399' || fail "typed 濮存保"
cp "$WORK/pu/dev.out" "$WORK/pu/written.out"
printf '2\n0\n' | (cd "$WORK/pu" && LD_PRELOAD="$NOPAUSE" "$DEVMGR" --load dev.out >out 2>err)
holds "$WORK/pu/out" "1${tab} D1${tab} 濮存保${tab} 林晓${tab}" || fail "--load did not show 濮存保"
[ ! -s "$WORK/pu/err" ] || fail "--load of 濮存保 noted: $(cat "$WORK/pu/err")"
cmp -s "$WORK/pu/dev.out" "$WORK/pu/written.out" || fail "--load of 濮存保 changed dev.out"
printf 'A1 전화 이준 총무 3 2020.1.1 100\n' >"$WORK/ko.txt"
printf '1\n1\n../ko.txt\n0\n' | run_in ko
korean=$(printf '1 A1 전화 이준 총무 3 2020.1.1 100' | iconv -f UTF-8 -t GB18030)
[ "$(cat "$WORK/ko/dev.out")" = "$korean" ] ||
  fail "the Korean file was not converted: $(od -c "$WORK/ko/dev.out" | head -3)"
[ "$(cat "$WORK/ko/err")" = "devmgr: ../ko.txt: UTF-8 text, converted to GB18030" ] ||
  fail "note for the Korean file: $(cat "$WORK/ko/err")"
pass "GBK 濮存保 loads as it is, Korean UTF-8 is converted"

# 23 words: the same console bytes and dev.out as the 21 words before them, and a warning.
head -n 3 "$root/examples/devices.txt" >"$WORK/21.txt"
{ cat "$WORK/21.txt"; echo "D099 extra"; } >"$WORK/23.txt"
printf '1\n1\n../21.txt\n0\n' | run_in whole
printf '1\n1\n../23.txt\n0\n' | run_in partial
cmp -s <(shown whole | sed 's/21\.txt/N.txt/') <(shown partial | sed 's/23\.txt/N.txt/') ||
  fail "the dropped words changed the console"
cmp -s "$WORK/whole/dev.out" "$WORK/partial/dev.out" || fail "the dropped words reached dev.out"
[ ! -s "$WORK/whole/err" ] || fail "21 words were warned about"
expected='devmgr: ../23.txt: 23 words, not a multiple of seven; '
expected+='the last incomplete record (2 words) was dropped'
[ "$(cat "$WORK/partial/err")" = "$expected" ] || fail "warning: $(cat "$WORK/partial/err")"
pass "an incomplete last record is dropped with a warning on standard error"
echo "$CASES passed, 0 failed"
