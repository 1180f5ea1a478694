#!/usr/bin/env bash
# The disk fills during a save, played by a file size limit (RLIMIT_FSIZE; devmgr ignores
# SIGXFSZ, so the write fails instead of killing it). The save is reported, dev.out keeps
# its previous bytes, no temporary file stays, the data set in memory is whole, and once
# there is room again the next change writes the whole data set.
source "$(dirname "$0")/fault_lib.sh"
cd "$WORK"
command -v prlimit >/dev/null || { echo "SKIPPED: no prlimit to set a file size limit"; exit 0; }
make_records small.txt 2
make_records big.txt 200
: >empty.txt
limit=4096
[ "$(wc -c <big.txt)" -gt "$limit" ] || fail "big.txt must not fit under the limit"

# A live session: commands go in through a FIFO, so the (soft) limit can be lifted midway.
# The output goes through a pipe too: the limit would cut a file on standard output short.
mkfifo in shown
cat shown >out &
LD_PRELOAD="$NOPAUSE" prlimit --fsize="$limit":unlimited -- "$DEVMGR" <in >shown &
pid=$!
exec 3>in
title="$(gbk '*  设备管理系统     *')"
menus=1

# Sends one line and waits until the operation has returned to the main menu.
step() {
  printf '%s\n' "$1" >&3
  menus=$((menus + 1))
  for _ in $(seq 1 400); do
    [ "$(grep -c -F -- "$title" out)" -ge "$menus" ] && return 0
    sleep 0.05
  done
  fail "no main menu after: $1"
}
# Counts the reports of a failed write so far.
write_failures() { grep -c -F -- "$(gbk '写入文件失败！')" out || true; }

step '1 1 small.txt'
expected_record_file small.txt | cmp -s - dev.out || fail "the first save is wrong"
cp dev.out before.out
step '1 1 big.txt'
[ "$(write_failures)" -eq 1 ] || fail "a save past the limit was not reported"
cmp -s dev.out before.out || fail "a failed save changed dev.out"
no_temporaries . || fail "a failed save left its temporary file"
pass "disk full while saving dev.out: reported, dev.out intact, no temporary left"

step '6 1 0 99999 2'
[ "$(write_failures)" -eq 2 ] && [ ! -e filter.out ] && no_temporaries . ||
  fail "a failed save of filter.out was not reported or left a file"
pass "disk full while saving filter.out: reported, nothing left"

step '2'
grep -q "D0000200.*dev6" out || fail "the records of the failed save are not in memory"
prlimit --pid "$pid" --fsize=unlimited
step '1 1 empty.txt'
cat small.txt big.txt | expected_record_file /dev/stdin | cmp -s - dev.out ||
  fail "the next change after the disk emptied did not write the whole data set"
printf '0\n' >&3
exec 3>&-
wait "$pid" || fail "devmgr ended with status $?"
wait
pass "room again: the next change writes all $(wc -l <dev.out) records"
echo "cases: $CASES"
