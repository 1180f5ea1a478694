#!/usr/bin/env bash
# The message catalogues: each is a valid PO file (msgfmt --check), every message the
# sources pass to msg::Tr or msg::Say has a translation in each (the catalogue cannot fall
# behind the code), and the real binary speaks the language the environment names: the
# first of LC_ALL, LC_MESSAGES and LANG that is set, its language part deciding.
# Usage: message_catalogue_test.sh <devmgr> <pause shim>.
source "$(dirname "$0")/fault_lib.sh"
root=$(cd "$(dirname "$0")/../.." && pwd)
source "$root/scripts/deps_lib.sh"
need_tools msgfmt xgettext msgcmp

mapfile -t sources < <(cd "$root" && find src -name '*.cpp' | sort)
(cd "$root" && xgettext -C --from-code=UTF-8 --keyword=Tr --keyword=Say --no-location \
  -o "$WORK/messages.pot" "${sources[@]}")
for po in "$root"/po/*.po; do
  msgfmt --check -o /dev/null "$po" || fail "$po is not a valid catalogue"
  msgcmp "$po" "$WORK/messages.pot" 2>"$WORK/missing" ||
    fail "$po lacks translations: $(head -5 "$WORK/missing")"
  pass "$(basename "$po"): valid, and translates every message of the sources"
done

# environment | expected standard error of `devmgr --load missing.out` (UTF-8 here)
english='devmgr: missing.out: cannot open: No such file or directory'
chinese='devmgr: missing.out: 无法打开: 没有那个文件或目录'
cases=(
  "LANG=zh_CN.UTF-8|$chinese"
  "LANG=zh_TW.Big5|$chinese"
  "LANG=zh|$chinese"
  "LANG=C.UTF-8|$english"
  "LANG=en_US.UTF-8|$english"
  "LANG=de_DE.UTF-8|$english"
  "LC_ALL=C LANG=zh_CN.UTF-8|$english"
  "LC_ALL= LC_MESSAGES=zh_CN.UTF-8 LANG=C|$chinese"
  "LC_MESSAGES=C LANG=zh_CN.UTF-8|$english"
  "|$english"
)
cd "$WORK"
for row in "${cases[@]}"; do
  IFS='|' read -r assignments expected <<<"$row"
  # shellcheck disable=SC2086 # the assignments are words
  status=0
  env -u LC_ALL -u LC_MESSAGES -u LANG $assignments "$DEVMGR" --load missing.out \
    </dev/null >"$WORK/out" 2>"$WORK/err" || status=$?
  [ "$status" -eq 2 ] || fail "$assignments: status $status"
  # A pipe gets the program's GBK bytes, as the dialogue does.
  [ "$(cat "$WORK/err")" = "$(gbk "$expected")" ] ||
    fail "$assignments: standard error was $(iconv -f GBK -t UTF-8 <"$WORK/err")"
  pass "${assignments:-nothing set}: $expected"
done
echo "$CASES cases passed"
