#!/usr/bin/env bash
# An import file larger than the memory devmgr may use is refused like an unreadable one:
# the data set already in memory stays whole and the session goes on. A token typed larger
# than memory, quoted or not, ends the session as the end of input does.
source "$(dirname "$0")/fault_lib.sh"
cd "$WORK"
command -v prlimit >/dev/null || { echo "SKIPPED: no prlimit to limit memory"; exit 77; }
# (grep -q in a pipe could end ldd early, and pipefail would then hide the match.)
if [[ "$(ldd "$DEVMGR")" == *libasan* ]]; then
  echo "SKIPPED: the sanitizers reserve more address space than the limit allows"
  exit 77
fi
make_records small.txt 3
# 160 MiB of one repeated record, under a 128 MiB address-space limit.
head -c $((160 << 20)) < <(yes 'D1 n h d 1 2042.1.1 9') >huge.txt

printf '1\n1\nsmall.txt\n1\n1\nhuge.txt\n2\n0\n' |
  LD_PRELOAD="$NOPAUSE" prlimit --as=$((128 << 20)) -- "$DEVMGR" >out || fail "exit status $?"
holds out '读取文件打开失败' || fail "the oversized import was not refused"
[ "$(grep -c -F "$(gbk '操作完成')" out)" -eq 3 ] || fail "the session did not go on"
grep -q -a $'^3\t D0000003' out || fail "the data set lost its records"
[ "$(wc -l <dev.out)" -eq 3 ] || fail "dev.out no longer holds the three records"
pass "an import larger than memory leaves the data set whole"

# A FIFO fed without end ends in "memory full", the session going on as above.
mkfifo endless
(yes 'D1 n h d 1 2042.1.1 9' >endless 2>/dev/null &)
printf '1\n1\nsmall.txt\n1\n1\nendless\n2\n0\n' |
  LD_PRELOAD="$NOPAUSE" prlimit --as=$((128 << 20)) -- "$DEVMGR" >out 2>err || fail "status $?"
holds out '读取文件打开失败' && grep -qx 'devmgr: endless: memory full; nothing imported' err ||
  fail "the endless FIFO was not refused as memory full: $(cat err)"
[ "$(wc -l <dev.out)" -eq 3 ] || fail "dev.out no longer holds the three records"
pass "an import from a FIFO fed forever ends in memory full, the data set whole"

# Feeds prefix and then 300 MiB without a blank, under the same limit: the session must end
# as at the end of input, right after prompt, with dev.out whole. what names the case.
huge_input_ends_session() {
  local what=$1 prefix=$2 prompt=$3 status
  set +e +o pipefail
  { printf '%s' "$prefix"; head -c $((300 << 20)) /dev/zero | tr '\0' x; } |
    LD_PRELOAD="$NOPAUSE" prlimit --as=$((128 << 20)) -- "$DEVMGR" >out 2>err
  status=$?
  set -e -o pipefail
  [ "$status" -eq 0 ] || fail "$what: exit status $status"
  grep -qx 'devmgr: standard input: memory full; the session ends as at the end of input' err ||
    fail "$what: not memory full: $(cat err)"
  { gbk "$prompt"; printf '\n'; } >want
  tail -c "$(wc -c <want)" out | cmp -s - want && [ "$(wc -l <dev.out)" -eq 3 ] ||
    fail "$what: the session did not end as at the end of input"
}

huge_input_ends_session "huge token" $'1\n1\nsmall.txt\n' '->请选择操作:'
pass "a token larger than memory ends the session as the end of input, dev.out kept"
# The same behind an opening double quote: a quoted file name larger than memory.
huge_input_ends_session "huge quoted name" '1 1 small.txt 1 1 "' '请输入文件名:'
pass "a quoted name larger than memory ends the session as the end of input, dev.out kept"
echo "cases: $CASES"
