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

# No backup at all (no links, the copy of dev.out fails at its fsync, the save's second):
# the save is refused with the reason, and the dev.out~ moved to a number for it goes back,
# so every file is as it was. A session that meets the same refusal saves again later:
# that save keeps both, the older under its number with its mode, the found one a copy.
mkdir badcopy && printf 'old\n' >badcopy/dev.out && printf 'older\n' >badcopy/dev.out~
chmod 640 badcopy/dev.out~
(cd badcopy && printf '1 1 ../small.txt 0' | DEVMGR_FAIL_LINK=1 DEVMGR_FAIL_FSYNC=2 \
  LD_PRELOAD="$NOPAUSE $SHIM" "$DEVMGR" >out 2>err)
holds badcopy/out '写入文件失败！' &&
  grep -qx 'devmgr: dev.out~: cannot write the backup: Input/output error' badcopy/err ||
  fail "no backup possible: not reported: $(cat badcopy/err)"
[ "$(cat badcopy/dev.out~)" = older ] && [ "$(cat badcopy/dev.out)" = old ] &&
  [ "$(stat -c %a badcopy/dev.out~)" = 640 ] &&
  [ "$(ls -A badcopy | tr '\n' ' ')" = "dev.out dev.out~ err out " ] ||
  fail "no backup possible: $(ls -A badcopy), backup $(cat badcopy/dev.out~)"
pass "when no backup can be made the save is refused with its reason, every file kept"
(cd badcopy && printf '1 1 ../small.txt 1 1 ../more.txt 0' | DEVMGR_FAIL_LINK=1 \
  DEVMGR_FAIL_FSYNC=2 LD_PRELOAD="$NOPAUSE $SHIM" "$DEVMGR" >out 2>err)
[ "$(grep -c -F -- "$(gbk '写入文件失败！')" badcopy/out)" -eq 1 ] &&
  [ "$(grep -c -F -- "$(gbk '已保存更改')" badcopy/out)" -eq 1 ] &&
  [ "$(cat badcopy/dev.out~)" = old ] && [ "$(cat badcopy/dev.out.~1~)" = older ] &&
  [ "$(stat -c '%a %h' badcopy/dev.out.~1~)" = "640 1" ] ||
  fail "retry: $(ls -A badcopy), $(cat badcopy/err)"
{ cat small.txt more.txt; } | expected_record_file /dev/stdin | cmp -s - badcopy/dev.out ||
  fail "retry: dev.out is not the data set"
pass "the next save of the session retries: dev.out~ the found file, the older one numbered"

# Waits until the process $1 is stopped (by the shim's SIGSTOP); false when it never is.
wait_stopped() {
  for _ in $(seq 1 600); do
    [ "$(cut -d' ' -f3 "/proc/$1/stat" 2>/dev/null)" = T ] && return 0
    sleep 0.05
  done
  return 1
}
# Starts a session in dir $1 with input $2 and the faults in the remaining arguments, in
# the background, and waits until the shim stops it; its pid is in $held.
start_held() {
  local dir="$1" input="$2"
  shift 2
  printf '%s' "$input" >"$dir/input"
  (cd "$dir" && exec env "$@" LD_PRELOAD="$NOPAUSE $SHIM" "$DEVMGR" <input >out 2>err) &
  held=$!
  wait_stopped "$held" || fail "$dir: the session was never held"
}
# The names of backups in dir $1 whose bytes are none of the files given after it.
strangers() {
  local dir="$1" name known
  shift
  for name in "$dir"/dev.out~ "$dir"/dev.out.~*~; do
    [ -e "$name" ] || continue
    known=no
    for whole in "$@"; do cmp -s "$name" "$whole" && known=yes; done
    [ "$known" = yes ] || echo "$(basename "$name")"
  done
}
make_records found.txt 20000
printf 'older\n' >older.txt

# A kill during a backup copy (no links: the found dev.out is copied, and held at that
# copy's fsync): the copy being written stands under no backup name, and the next save
# sweeps it away.
mkdir killed && cp found.txt killed/dev.out && cp older.txt killed/dev.out~
start_held killed '1 1 ../small.txt 0' DEVMGR_FAIL_LINK=1 DEVMGR_STOP_FSYNC=2
during="$(strangers killed found.txt older.txt)"
during="$during$(readlink "/proc/$held"/fd/* | grep -E '/dev\.out(~|\.~[^/]*~)$' || true)"
kill -KILL "$held"
{ wait "$held"; } 2>/dev/null || true
[ -z "$during" ] || fail "kill during a copy: backup names hold a partial copy: $during"
faulty killed DEVMGR_FAIL_LINK=1 '1 1 ../more.txt 0'
[ -z "$(strangers killed found.txt older.txt)" ] && cmp -s killed/dev.out~ found.txt &&
  cmp -s killed/dev.out.~1~ older.txt && no_temporaries killed ||
  fail "kill during a copy: after the next save $(ls -A killed)"
pass "a kill during a backup copy leaves no partial file under a backup name"

# Two sessions at once, with copies: B is held at the copy of the dev.out it found while
# A runs a whole session. The found dev.out and the older dev.out~ both end in backups.
mkdir race && cp found.txt race/dev.out && cp older.txt race/dev.out~
start_held race '1 1 ../small.txt 0' DEVMGR_FAIL_LINK=1 DEVMGR_STOP_FSYNC=2
(cd race && printf '1 1 ../more.txt 0' | DEVMGR_FAIL_LINK=1 LD_PRELOAD="$NOPAUSE $SHIM" \
  "$DEVMGR" >out.a 2>err.a) || fail "race: session A failed"
kill -CONT "$held" && wait "$held"
kept_found=no kept_older=no
for name in race/dev.out~ race/dev.out.~*~; do
  cmp -s "$name" found.txt && kept_found=yes
  cmp -s "$name" older.txt && kept_older=yes
done
[ "$kept_found$kept_older" = yesyes ] && no_temporaries race ||
  fail "race: the found dev.out ($kept_found) or the older ($kept_older) is lost: $(ls -A race)"
expected_record_file small.txt | cmp -s - race/dev.out || fail "race: dev.out is not B's"
pass "two sessions saving at once keep both the found dev.out and the older backup"

# Ten refused saves (the found dev.out cannot be copied: a file size limit below its size)
# leave dev.out and dev.out~ as they were and no numbered copy, however often retried.
if command -v prlimit >/dev/null; then
  mkdir retried && cp found.txt retried/dev.out && cp older.txt retried/dev.out~
  input=""
  for i in 1 2 3 4 5 6 7 8 9 10; do input="$input 1 2 T$i camera lin pr 2 2042.5.20 4399"; done
  (cd retried && printf '%s 0' "$input" | env DEVMGR_FAIL_LINK=1 LD_PRELOAD="$NOPAUSE $SHIM" \
    prlimit --fsize=65536 -- "$DEVMGR" 2>&1 | cat >out)
  [ "$(grep -c -F -- "$(gbk '写入文件失败！')" retried/out)" -eq 10 ] ||
    fail "ten refused saves: not ten refusals"
  [ "$(ls -A retried | tr '\n' ' ')" = "dev.out dev.out~ out " ] &&
    cmp -s retried/dev.out found.txt && cmp -s retried/dev.out~ older.txt ||
    fail "ten refused saves left $(ls -A retried | tr '\n' ' ')"
  pass "ten refused saves leave no copy behind, dev.out and dev.out~ as they were"
else
  echo "skipped: no prlimit for the refused saves"
fi

# The temporary of a 0600 dev.out is created no more open than 0600, whatever the umask:
# seen at the first fchmod, before the old mode is given to it.
mkdir created && printf 'old\n' >created/dev.out && chmod 600 created/dev.out
(umask 000 && start_held created '1 1 ../small.txt 0' DEVMGR_STOP_FCHMOD=1 &&
  stat -c '%a' created/.dev.out.tmp-* >created.mode && kill -CONT "$held" && wait "$held")
[ "$(cat created.mode)" = 600 ] && [ "$(stat -c %a created/dev.out)" = 600 ] ||
  fail "creation mode: the temporary was created $(cat created.mode)"
pass "the temporary of a 0600 dev.out is created 0600, before its mode is set"

echo "cases: $CASES"
