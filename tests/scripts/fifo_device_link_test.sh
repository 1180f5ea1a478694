#!/usr/bin/env bash
# Saves to files that are not plain files, met by the real binary: a symbolic link another
# user planted in a shared sticky directory is not followed, a FIFO and a character device
# are written in place and stay what they are.
source "$(dirname "$0")/fault_lib.sh"
cd "$WORK"
make_records first.txt 3
# Runs devmgr in dir ($1) with input ($2); output to out, errors to err.
run_in() { (cd "$1" && printf '%s' "$2" | LD_PRELOAD="$NOPAUSE" "$DEVMGR" >out 2>err); }

if [ "$(id -u)" -eq 0 ]; then
  mkdir -m 1777 shared victim && printf 'keys\n' >victim/keys && cp first.txt shared/
  ln -s ../victim/keys shared/dev.out && chown -h nobody shared/dev.out
  run_in shared '1 1 first.txt 0'
  holds shared/out '写入文件打开失败！' && grep -q 'dev.out: a symbolic link of another user' \
    shared/err || fail "sticky link: the refusal was not reported: $(cat shared/err)"
  [ "$(cat victim/keys)" = keys ] && [ "$(ls -A victim)" = keys ] &&
    [ "$(ls -A shared | tr '\n' ' ')" = "dev.out err first.txt out " ] ||
    fail "sticky link: something was written: $(ls -A victim shared)"
  pass "a link owned by another user in a sticky shared directory is not followed"
else
  echo "skipped: a link of another user needs root to plant"
fi

mkdir fifo && mkfifo fifo/dev.out && cp first.txt fifo/
cat fifo/dev.out >fifo.got &
run_in fifo '1 1 first.txt 0'
wait
expected_record_file first.txt | cmp -s - fifo.got || fail "FIFO: the reader got $(cat fifo.got)"
[ -p fifo/dev.out ] && [ ! -e fifo/dev.out~ ] && no_temporaries fifo ||
  fail "FIFO: replaced, backed up or a temporary left"
pass "a FIFO dev.out gets the records and stays a FIFO"

mkdir device && cp first.txt device/
if mknod device/null c 1 3 2>/dev/null; then
  ln -s null device/dev.out
  run_in device '1 1 first.txt 4 1 1 0'
  [ -c device/null ] && [ -L device/dev.out ] && [ "$(ls -A device | tr '\n' ' ')" = \
    "dev.out err first.txt null out " ] || fail "device: $(ls -lA device)"
  [ "$(grep -c "$(gbk '已保存更改')" device/out)" -eq 2 ] || fail "device: saves not reported"
  pass "dev.out linked to a character device discards saves, the device stays"
else
  echo "skipped: mknod is not permitted here"
fi
echo "cases: $CASES"
