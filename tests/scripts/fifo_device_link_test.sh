#!/usr/bin/env bash
# Saves to files that are not plain files, met by the real binary: a symbolic link, a FIFO
# or a file another user planted in a shared sticky directory is not used (one of the
# directory's owner is), a FIFO and a character device are written in place and stay what
# they are, a FIFO that no process reads is refused at once.
source "$(dirname "$0")/fault_lib.sh"
cd "$WORK"
make_records first.txt 3
# Runs devmgr in dir ($1) with input ($2); output to out, errors to err.
run_in() { (cd "$1" && printf '%s' "$2" | LD_PRELOAD="$NOPAUSE" "$DEVMGR" >out 2>err); }
# A reader of the FIFO $1 on fd 4 from now on, without waiting for a writer (fd 3, held
# until read_all); read_all then prints what was written to it meanwhile (a pipe's buffer).
open_reader() { exec 3<>"$1" 4<"$1"; }
read_all() { exec 3>&- && cat <&4 && exec 4<&-; }

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

  chmod 755 "$WORK"
  mkdir -m 1777 owned && chown nobody owned && cp first.txt owned/
  ln -s ../victim/keys owned/dev.out && chown -h nobody owned/dev.out
  run_in owned '1 1 first.txt 0'
  expected_record_file first.txt | cmp -s - victim/keys && [ -L owned/dev.out ] ||
    fail "sticky directory's owner: the link was not followed: $(cat owned/err)"
  pass "a link owned by the sticky directory's owner is followed"

  # Files planted by nobody as every file devmgr writes: each refused, kept, nothing made.
  mkdir -m 1777 planted && cp first.txt planted/
  for name in dev.out query.out filter.out stat.out; do
    printf 'planted\n' >"planted/$name" && chmod 666 "planted/$name" && chown nobody "planted/$name"
  done
  run_in planted '1 1 first.txt 3 1 dev1 2 6 1 0 9 2 8 2 0'
  [ "$(grep -c -F "$(gbk '写入文件打开失败！')" planted/out)" -eq 4 ] &&
    [ "$(grep -c 'a file of another user in a shared sticky directory; not written' \
      planted/err)" -eq 4 ] || fail "planted files: not four refusals: $(cat planted/err)"
  for name in dev.out query.out filter.out stat.out; do
    [ "$(stat -c '%U %a' "planted/$name")" = 'nobody 666' ] &&
      [ "$(cat "planted/$name")" = planted ] || fail "planted $name was changed"
  done
  [ "$(ls -A planted | tr '\n' ' ')" = "dev.out err filter.out first.txt out query.out stat.out " ] ||
    fail "planted files: something was created: $(ls -A planted)"
  pass "regular files planted by another user in a sticky directory are refused, kept"

  mkdir -m 1777 plantedfifo && cp first.txt plantedfifo/
  runuser -u nobody -- mkfifo -m 666 plantedfifo/dev.out
  open_reader plantedfifo/dev.out
  run_in plantedfifo '1 1 first.txt 0'
  read_all >planted.got
  holds plantedfifo/out '写入文件打开失败！' && [ ! -s planted.got ] &&
    grep -q 'dev.out: a file of another user' plantedfifo/err ||
    fail "planted FIFO: not refused, or the reader got $(cat planted.got)"
  [ -p plantedfifo/dev.out ] && [ "$(ls -A plantedfifo | tr '\n' ' ')" = "dev.out err first.txt out " ] ||
    fail "planted FIFO: $(ls -lA plantedfifo)"
  pass "a FIFO planted by another user in a sticky directory gets no record"

  # The same in a sticky directory that only its group may write (1770).
  mkdir -m 1770 groupfifo && cp first.txt groupfifo/
  runuser -u nobody -- mkfifo -m 666 /tmp/devmgr-fifo-$$ && mv /tmp/devmgr-fifo-$$ groupfifo/dev.out
  open_reader groupfifo/dev.out
  run_in groupfifo '1 1 first.txt 0'
  read_all >group.got
  holds groupfifo/out '写入文件打开失败！' && [ ! -s group.got ] &&
    grep -q 'dev.out: a file of another user' groupfifo/err ||
    fail "FIFO in a 1770 directory: not refused, or the reader got $(cat group.got)"
  pass "a FIFO planted by another user in a group-writable sticky directory gets no record"
else
  echo "skipped: a link of another user needs root to plant"
fi

mkdir fifo && mkfifo fifo/dev.out && cp first.txt fifo/
open_reader fifo/dev.out
run_in fifo '1 1 first.txt 0'
read_all >fifo.got
expected_record_file first.txt | cmp -s - fifo.got || fail "FIFO: the reader got $(cat fifo.got)"
[ -p fifo/dev.out ] && [ ! -e fifo/dev.out~ ] && no_temporaries fifo ||
  fail "FIFO: replaced, backed up or a temporary left"
pass "a FIFO dev.out gets the records and stays a FIFO"

# More than a pipe holds (64 KiB), to a reader that starts reading only later: the writes
# wait for it, none fails half-way.
mkdir late && mkfifo late/dev.out && make_records late/many.txt 3000
[ "$(expected_record_file late/many.txt | wc -c)" -gt 65536 ] || fail "late reader: too few bytes"
open_reader late/dev.out
(cd late && printf '1 1 many.txt 0' | LD_PRELOAD="$NOPAUSE" "$DEVMGR" >out 2>err) &
writer=$!
for _ in $(seq 1 200); do holds late/out '读取完成' 2>/dev/null && break; sleep 0.05; done
sleep 0.5
read_all >late.got
wait "$writer"
expected_record_file late/many.txt | cmp -s - late.got && [ ! -s late/err ] ||
  fail "late reader: got $(wc -c <late.got) bytes: $(cat late/err)"
pass "a save of more than 64 KiB to a FIFO waits for a reader that starts late"

mkdir lonely && mkfifo lonely/dev.out && cp first.txt lonely/
status=0
(cd lonely && printf '1 1 first.txt 0' |
  timeout 60 env LD_PRELOAD="$NOPAUSE" "$DEVMGR" >out 2>err) || status=$?
[ "$status" -eq 0 ] || fail "FIFO without a reader: status $status (124: it waited)"
holds lonely/out '写入文件打开失败！' && grep -qx 'devmgr: dev.out: a FIFO that no process reads; not written' \
  lonely/err || fail "FIFO without a reader: not refused: $(cat lonely/err)"
[ -p lonely/dev.out ] && [ "$(ls -A lonely | tr '\n' ' ')" = "dev.out err first.txt out " ] ||
  fail "FIFO without a reader: $(ls -lA lonely)"
pass "a FIFO dev.out that no process reads is refused at once"

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
