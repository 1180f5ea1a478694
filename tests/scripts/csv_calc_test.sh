#!/usr/bin/env bash
# A real spreadsheet reads the CSV twin: LibreOffice Calc, without a display, opens a dev.csv
# that holds the awkward cells (leading zeros, formulas, a thousands separator, a 16-digit
# code, dates, percentages, a comma, a quote) as a double-click would, in a Chinese and in an
# English locale with special numbers detected, saves it as .xlsx, and that file as CSV
# again. Every cell must read as dev.out holds it (a text that would be a formula with the
# guarding "'" before it): no formula was evaluated, no number or date was made of a text.
source "$(dirname "$0")/fault_lib.sh"
command -v soffice >/dev/null || { echo "SKIPPED: no soffice (libreoffice-calc-nogui)"; exit 77; }
cd "$WORK"
export LC_ALL=C
{
  gbk '007 笔记本电脑 =1+1 研发部 2 2021.3.15 6499'; echo
  echo '-x 4,200 @a -5 +3 2020.11.2 1234567890123456'
  echo '1e5 say"hi" true 50% 04 12:30 1.10'
  gbk '3/15 Mar-15 2021-3-15 0.25 -0 2021年3月15日 12345678901'; echo
} >in.txt
printf '1 1 in.txt 0' | devmgr >out 2>err || fail "the session failed: $(cat err)"
[ -s dev.csv ] || fail "no dev.csv"

# The cells of a CSV file, one a line, rows ending in an empty line (RFC 4180, one line a row).
cells() {
  sed '1s/^\xEF\xBB\xBF//; s/\r$//' "$1" | awk '{
    cell = ""; quoted = 0
    for (i = 1; i <= length($0); i++) {
      c = substr($0, i, 1)
      if (quoted && c == "\"" && substr($0, i + 1, 1) == "\"") { cell = cell c; i++ }
      else if (c == "\"") quoted = !quoted
      else if (c == "," && !quoted) { print cell; cell = "" }
      else cell = cell c
    }
    print cell; print ""
  }'
}

# dev.out as the cells a spreadsheet must show: the labels, then serial and fields, a text
# that would be a formula with its guarding apostrophe.
{
  printf '%s\n' 序列号 设备编号 设备名称 领用人 所属部门 数量 购买时间 价格 ''
  iconv -f GB18030 -t UTF-8 dev.out | awk '{
    for (i = 1; i <= NF; i++) {
      guarded = $i ~ /^[=+@-]/ && $i !~ /^[+-]?[0-9]+(\.[0-9]+)?$/
      print (guarded ? "'\''" : "") $i
    }
    print ""
  }'
} >expected.txt

for language in 2052 1033; do
  profile="file://$WORK/profile-$language"
  rm -rf "xlsx-$language" "back-$language"
  timeout 180 soffice -env:UserInstallation="$profile" --headless \
    --infilter="CSV:44,34,76,1,,$language,false,true,,,,,true" \
    --convert-to xlsx --outdir "xlsx-$language" dev.csv >/dev/null 2>&1 ||
    fail "$language: Calc did not convert dev.csv to .xlsx"
  timeout 180 soffice -env:UserInstallation="$profile" --headless \
    --convert-to 'csv:Text - txt - csv (StarCalc):44,34,76,1' \
    --outdir "back-$language" "xlsx-$language/dev.xlsx" >/dev/null 2>&1 ||
    fail "$language: Calc did not convert dev.xlsx back to CSV"
  cells "back-$language/dev.csv" >"read-$language.txt"
  diff expected.txt "read-$language.txt" >"diff-$language.txt" ||
    fail "$language: cells changed in Calc (expected, read):
$(cat "diff-$language.txt")"
  pass "Calc in locale $language keeps every cell of dev.csv as dev.out holds it"
done
echo "cases: $CASES"
