#!/usr/bin/env bash
# Standard input ends while a prompt waits, at every kind of prompt: devmgr prints one
# line feed after the prompt and ends with status 0. A generous time-out guards against
# a session that loops at the end of its input instead of ending.
source "$(dirname "$0")/fault_lib.sh"
cd "$WORK"
printf 'P1 printer alice sales 3 2042.1.1 100\nS2 scanner bob lab 5 2042.2.2 200\n' >in.txt
data='1 1 in.txt'
menu='->请选择操作:'

# expect_end INPUT PROMPT: the session fed INPUT ends right after PROMPT and a line feed.
expect_end() {
  local status=0
  printf '%s' "$1" | timeout 10 env LD_PRELOAD="$NOPAUSE" "$DEVMGR" >out || status=$?
  [ "$status" -ne 124 ] || fail "input '$1': still running 10 s after its input ended"
  [ "$status" -eq 0 ] || fail "input '$1': exit status $status"
  { gbk "$2"; printf '\n'; } >want
  tail -c "$(wc -c <want)" out | cmp -s - want ||
    fail "input '$1': does not end with '$2' and one line feed"
  pass "input ends at '$2' after '$1'"
}

expect_end '' "$menu"
expect_end '9' "输入有误!
$menu"
expect_end '1' "$menu"
expect_end '1 3' "输入有误!
$menu"
expect_end '1 1' '请输入文件名:'
fields=(设备编号 设备名称 '领用人  ' 所属部门 数量 购买时间 价格)
typed='1 2'
for field in "${fields[@]}"; do
  expect_end "$typed" "请输入$field:"
  typed="$typed x"
done
expect_end '2 x' "$menu"
expect_end '4' "$menu"
expect_end "$data 4 1" '请输入待删除数据的序列号:'
expect_end "$data 4 1 7" '非法序列号，请重新输入:'
expect_end '3' "$menu"
expect_end '3 1' '请输入设备名称:'
expect_end '3 2' '请输入所属部门名称:'
expect_end '3 3' '请输入关键字:'
expect_end "$data 3 1 printer" "$menu"
expect_end "$data 3 1 printer abc" "输入有误!
$menu"
expect_end '5' "$menu"
expect_end '5 9' "非法输入!
$menu"
expect_end '5 1' '是否浏览数据?(y/n)
'
expect_end '5 1 Y' '非法输入，请重新输入:'
expect_end '6' "$menu"
expect_end '6 1' '请输入筛选范围(例:666 2333):'
expect_end '6 1 666' '请输入筛选范围(例:666 2333):'
expect_end '6 2 2042.1.1' '请输入筛选范围(例:2042.1.1 2077.12.31):'
expect_end '6 3' '请输入筛选范围(例:6666 23333):'
expect_end "$data 6 1 0 9" "$menu"
expect_end "$data 6 1 0 9 3" "输入有误!
$menu"
expect_end '8' "$menu"
expect_end '8 0' "输入有误!
$menu"
expect_end '7' "$menu"
echo "cases: $CASES"
