#!/usr/bin/env bash
# Failures only a preloaded shim can cause: an fsync of the temporary file that fails, a
# read(2) of the import file that fails at its first or at its closing read, a file
# system without hard links for the backup, and backups that cannot be made at all. Each is
# reported, dev.out keeps the last good save, no temporary file stays, and the data set in
# memory is what the dialogue says: with the import's records after the failed save (the
# change happened, only its file failed), without them after the failed read.
source "$(dirname "$0")/fault_lib.sh"
cd "$WORK"
SHIM="$(dirname "$NOPAUSE")/libfaultshim.so"
[ -e "$SHIM" ] || { echo "SKIPPED: no fault shim beside $NOPAUSE"; exit 77; }
make_records small.txt 2
make_records more.txt 3
typed='T9 camera lin pr 2 2042.5.20 4399'
echo "$typed" >typed.txt

# Runs a session in a new directory $1 with the fault $2 (VARIABLE=N) and input $3.
faulty() {
  mkdir -p "$1"
  (cd "$1" && printf '%s' "$3" | env "$2" LD_PRELOAD="$NOPAUSE $SHIM" "$DEVMGR" >out 2>err)
}

# The second fsync of a file is the save after importing more.txt.
faulty fsync DEVMGR_FAIL_FSYNC=2 '1 1 ../small.txt 1 1 ../more.txt 2 0'
[ "$(grep -c -F -- "$(gbk '写入文件失败！')" fsync/out)" -eq 1 ] ||
  fail "failed fsync: not reported once"
grep -qx 'devmgr: dev.out: cannot write: Input/output error' fsync/err ||
  fail "failed fsync: no reason: $(cat fsync/err)"
expected_record_file small.txt | cmp -s - fsync/dev.out && no_temporaries fsync ||
  fail "failed fsync: dev.out changed or a temporary stayed"
grep -q "^5.*D0000003" fsync/out || fail "failed fsync: the imported records are not in memory"
pass "a failed fsync is reported with its reason, dev.out keeps the last good save"

for n in 1 2; do
  faulty "read$n" "DEVMGR_FAIL_READ=$n" "1 2 $typed 1 1 ../more.txt 2 0"
  holds "read$n/out" '读取文件打开失败' || fail "failed read $n: not reported"
  expected_record_file typed.txt | cmp -s - "read$n/dev.out" || fail "failed read $n: dev.out"
  grep -q "^1.*T9" "read$n/out" && ! grep -q "D0000001" "read$n/out" ||
    fail "failed read $n: the data set changed"
done
pass "a failed first or closing read of the import is reported, data set and dev.out kept"
# Where hard links are not possible, the backup of the earlier dev.out is a copy.
mkdir nolink && printf 'old\n' >nolink/dev.out && chmod 640 nolink/dev.out
faulty nolink DEVMGR_FAIL_LINK=1 '1 1 ../small.txt 0'
[ "$(cat nolink/dev.out~)" = old ] && [ "$(stat -c '%a %h' nolink/dev.out~)" = "640 1" ] ||
  fail "no links: dev.out~ is not a copy of the old file with its mode"
expected_record_file small.txt | cmp -s - nolink/dev.out || fail "no links: dev.out is wrong"
pass "where links are not possible, dev.out~ is a copy with the old mode"

# No backup at all (no links, the copies of dev.out~ and of dev.out fail at their fsync, the
# save's second and third): the save is refused with the reason and leaves every file as it
# was. A session that meets the same refusal saves again later: that save keeps both, the
# older as a copy.
mkdir badcopy && printf 'old\n' >badcopy/dev.out && printf 'older\n' >badcopy/dev.out~
chmod 640 badcopy/dev.out~
(cd badcopy && printf '1 1 ../small.txt 0' | DEVMGR_FAIL_LINK=1 DEVMGR_FAIL_FSYNC=2-3 \
  LD_PRELOAD="$NOPAUSE $SHIM" "$DEVMGR" >out 2>err)
holds badcopy/out '写入文件失败！' && grep -q 'nor could a numbered backup be made' badcopy/err ||
  fail "no backup possible: not reported: $(cat badcopy/err)"
[ "$(cat badcopy/dev.out~)" = older ] && [ "$(cat badcopy/dev.out)" = old ] &&
  [ "$(ls -A badcopy | tr '\n' ' ')" = "dev.out dev.out~ err out " ] ||
  fail "no backup possible: $(ls -A badcopy), backup $(cat badcopy/dev.out~)"
pass "when no backup can be made the save is refused with its reason, every file kept"
(cd badcopy && printf '1 1 ../small.txt 1 1 ../more.txt 0' | DEVMGR_FAIL_LINK=1 \
  DEVMGR_FAIL_FSYNC=2-3 LD_PRELOAD="$NOPAUSE $SHIM" "$DEVMGR" >out 2>err)
[ "$(grep -c -F -- "$(gbk '写入文件失败！')" badcopy/out)" -eq 1 ] &&
  [ "$(grep -c -F -- "$(gbk '已保存更改')" badcopy/out)" -eq 1 ] &&
  [ "$(cat badcopy/dev.out~)" = old ] && [ "$(cat badcopy/dev.out.~1~)" = older ] &&
  [ "$(stat -c '%a %h' badcopy/dev.out.~1~)" = "640 1" ] ||
  fail "retry: $(ls -A badcopy), $(cat badcopy/err)"
{ cat small.txt more.txt; } | expected_record_file /dev/stdin | cmp -s - badcopy/dev.out ||
  fail "retry: dev.out is not the data set"
pass "the next save of the session retries: dev.out~ the found file, the older one a copy"

echo "cases: $CASES"
