#!/usr/bin/env bash
# What a save keeps besides the content, met by the real binary: the previous session's
# dev.out as dev.out~ (or as dev.out.~1~ when dev.out~ cannot be replaced), a session
# started from a record file (--load), a symbolic link and where it points, the mode, the
# ACL and user attributes, other hard links, a file the user may not write, and a second
# devmgr in the same directory.
source "$(dirname "$0")/fault_lib.sh"
cd "$WORK"
make_records first.txt 3
make_records more.txt 5
typed='T9 camera lin pr 2 2042.5.20 4399'

# Runs devmgr in dir ($1) with options ($3...) and input ($2); output to out, errors to err.
run_in() {
  local dir="$1" input="$2"
  shift 2
  (cd "$dir" && printf '%s' "$input" | LD_PRELOAD="$NOPAUSE" "$DEVMGR" "$@" >out 2>err)
}
# Lists the names in a directory on one line.
names() { ls -A "$1" | tr '\n' ' '; }

mkdir restart
run_in restart '1 1 ../first.txt 0'
cp restart/dev.out yesterday.out
run_in restart "1 2 $typed 1 1 ../more.txt 0"
cmp -s restart/dev.out~ yesterday.out || fail "restart: dev.out~ is not the earlier session's"
[ "$(stat -c %h restart/dev.out)" -eq 1 ] || fail "restart: dev.out shares its inode"
{ echo "$typed"; cat more.txt; } | expected_record_file /dev/stdin |
  cmp -s - restart/dev.out || fail "restart: dev.out is not the new data set"
pass "a restart keeps the earlier dev.out as dev.out~, later saves leave it"

# A dev.out~ that cannot be replaced (a directory): the first save succeeds and keeps the
# earlier dev.out as dev.out.~1~, saying so once on standard error; later saves add none.
mkdir blocked && cp yesterday.out blocked/dev.out && mkdir blocked/dev.out~
(cd blocked && printf '1 2 %s 1 1 ../more.txt 0' "$typed" | env -u LC_ALL -u LC_MESSAGES \
  -u LANG LD_PRELOAD="$NOPAUSE" "$DEVMGR" >out 2>err)
cmp -s blocked/dev.out.~1~ yesterday.out && [ -d blocked/dev.out~ ] &&
  [ "$(names blocked)" = "dev.csv dev.out dev.out.~1~ dev.out~ err out " ] ||
  fail "dev.out~ a directory: $(names blocked)"
[ "$(grep -c -F -- "$(gbk '已保存更改')" blocked/out)" -eq 2 ] &&
  [ "$(wc -l <blocked/err)" -eq 1 ] && grep -q 'is kept as dev.out.~1~' blocked/err ||
  fail "dev.out~ a directory: saves $(cat blocked/out | wc -l), note $(cat blocked/err)"
pass "a dev.out~ that is a directory: saved, the earlier dev.out in dev.out.~1~, one note"

# --load: browse shows the file's records, a deletion saves them renumbered.
cp restart/dev.out loaded.expected
mkdir load && cp restart/dev.out load/saved.out
run_in load '2 4 1 1 0' -l saved.out
grep -q "^1.*T9.*camera" load/out && grep -q "^6.*D0000005" load/out ||
  fail "--load: browsing did not show the loaded records"
tail -n +2 loaded.expected | cut -d' ' -f2- | expected_record_file /dev/stdin |
  cmp -s - load/dev.out || fail "--load: the deletion did not save the rest renumbered"
pass "--load round-trips a saved dev.out: browse, delete, save renumbered"

# --load makes the loaded records the start: undo before any change keeps them (and writes
# them); a change, undo, undo toggles between them and the change; nothing empties them.
mkdir loadundo && cp restart/dev.out loadundo/saved.out
run_in loadundo '7 4 1 2 7 0' -l saved.out
cmp -s loadundo/dev.out loaded.expected || fail "--load: undo after delete lost records"
run_in loadundo '7 0' -l saved.out
cmp -s loadundo/dev.out loaded.expected || fail "--load: undo before any change changed them"
run_in loadundo '4 1 2 7 7 0' -l saved.out
sed '2d' loaded.expected | cut -d' ' -f2- | expected_record_file /dev/stdin |
  cmp -s - loadundo/dev.out || fail "--load: the second undo did not bring the deletion back"
pass "--load: undo returns to the loaded records, never to an empty data set"
mkdir loaddelete && cp restart/dev.out loaddelete/saved.out
run_in loaddelete '4 1 1 7 0' -l saved.out
cmp -s loaddelete/dev.out loaded.expected || fail "--load, delete, undo: not the loaded file"
pass "--load, delete, undo gives the loaded file back byte for byte"

# --load of a broken file: status 2, the place on standard error, nothing written.
mkdir broken && sed '3s/^3 /x /' loaded.expected >broken/bad.out
before="$(names broken)"
set +e
run_in broken '1 2 a b c d e f g 0' --load=bad.out
status=$?
set -e
[ "$status" -eq 2 ] && [ ! -s broken/out ] || fail "--load bad line: status $status, output"
grep -qx 'devmgr: bad.out:3: the first field is not the serial 3' \
  broken/err || fail "--load bad line: $(cat broken/err)"
[ "$(names broken)" = "$before""err out " ] || fail "--load bad line wrote $(names broken)"
pass "--load refuses a broken line: status 2, file and line on stderr, nothing written"

# A symbolic link (relative, into another directory) stays a link; its target is replaced,
# the target's backup lies beside it.
mkdir -p linked/store && printf 'old\n' >linked/store/real.out
ln -s store/real.out linked/dev.out
run_in linked '1 1 ../first.txt 0'
[ -L linked/dev.out ] && [ "$(readlink linked/dev.out)" = store/real.out ] ||
  fail "symlink: dev.out is no longer the link"
expected_record_file first.txt | cmp -s - linked/store/real.out ||
  fail "symlink: the target did not get the new content"
[ "$(cat linked/store/real.out~)" = old ] && no_temporaries linked/store ||
  fail "symlink: no backup beside the target, or a temporary left"
pass "a symlinked dev.out stays a link, its target gets the new content"

# A save cut short after its backup left dev.out~ as a second name of dev.out: the next
# save keeps the backup and leaves no temporary of its own.
mkdir cut && printf 'old\n' >cut/dev.out && ln cut/dev.out cut/dev.out~
run_in cut '1 1 ../first.txt 0'
expected_record_file first.txt | cmp -s - cut/dev.out && [ "$(cat cut/dev.out~)" = old ] ||
  fail "cut short: dev.out or its backup is wrong"
no_temporaries cut || fail "cut short: left $(ls -A cut | grep '\.tmp-')"
pass "after a save cut short between backup and rename, the next leaves no temporary"

# A kill during the rename of a save left its backup's temporary as a second link of
# dev.out; the next save sweeps it first and then counts the links: saved, not refused.
mkdir crashed && printf 'old\n' >crashed/dev.out
sh -c 'exit 0' &
dead=$!
wait "$dead"
ln crashed/dev.out "crashed/.dev.out~.tmp-$dead-0"
run_in crashed '1 1 ../first.txt 0'
expected_record_file first.txt | cmp -s - crashed/dev.out && [ "$(cat crashed/dev.out~)" = old ] &&
  [ ! -s crashed/err ] && no_temporaries crashed ||
  fail "after a crash in the rename: $(cat crashed/err) $(names crashed)"
pass "after a crash in the rename, the next save sweeps the second link, then saves"

# Numbers no one can use up: another user's dev.out.~999999999~ is passed over (the older
# dev.out~ takes 1); the user's own leaves no number, and the older goes to a name of its
# own with a note. Every save goes on, nothing planted is touched.
if [ "$(id -u)" -eq 0 ]; then
  mkdir planted && printf 'theirs\n' >planted/dev.out.~999999999~
  chown 4242 planted/dev.out.~999999999~
  printf 'found\n' >planted/dev.out && printf 'older\n' >planted/dev.out~
  run_in planted '1 1 ../first.txt 0'
  [ "$(cat planted/dev.out.~1~)" = older ] && [ "$(cat planted/dev.out~)" = found ] &&
    [ "$(cat planted/dev.out.~999999999~)" = theirs ] && [ ! -s planted/err ] ||
    fail "planted number: $(names planted) $(cat planted/err)"
  pass "another user's dev.out.~999999999~ does not stop the numbering"
else
  echo "skipped: another user's numbered backup needs root to plant"
fi
mkdir ownlast && printf 'mine\n' >ownlast/dev.out.~999999999~
printf 'found\n' >ownlast/dev.out && printf 'older\n' >ownlast/dev.out~
run_in ownlast '1 1 ../first.txt 4 1 1 0'
[ "$(grep -c -F -- "$(gbk '已保存更改')" ownlast/out)" -eq 2 ] &&
  [ "$(cat ownlast/dev.out~)" = found ] && [ "$(cat ownlast/dev.out.~kept-*~)" = older ] &&
  [ "$(cat ownlast/dev.out.~999999999~)" = mine ] &&
  grep -q 'dev.out~: no numbered name is free; kept as dev.out.~kept-' ownlast/err ||
  fail "numbers used up: $(names ownlast) $(cat ownlast/err)"
pass "with the numbers used up the save goes on, the older backup under a name of its own"

# The access ACL and a user. attribute stay; the owning group keeps its own rights, which
# the mode's group bits (the ACL's mask) do not show.
mkdir acl && printf 'old\n' >acl/dev.out && chmod 640 acl/dev.out
setfacl -m u:nobody:rw acl/dev.out && setfattr -n user.origin -v ledger acl/dev.out
getfacl -c acl/dev.out >acl.expected
run_in acl '1 1 ../first.txt 0'
expected_record_file first.txt | cmp -s - acl/dev.out || fail "ACL: not saved"
getfacl -c acl/dev.out | cmp -s - acl.expected ||
  fail "ACL: $(getfacl -c acl/dev.out | tr '\n' ' ') instead of $(tr '\n' ' ' <acl.expected)"
[ "$(getfattr --only-values -n user.origin acl/dev.out)" = ledger ] && [ ! -s acl/err ] ||
  fail "ACL: the user attribute is lost, or a note: $(cat acl/err)"
pass "a save keeps the access ACL, the group's own rights and user attributes"

# Modes are kept whatever the umask (077 would take every bit but the owner's); other
# hard links make the save refuse.
for mode in 640 600 604; do
  mkdir "mode$mode" && printf 'old\n' >"mode$mode/dev.out" && chmod "$mode" "mode$mode/dev.out"
  (umask 077 && run_in "mode$mode" '1 1 ../first.txt 0')
  [ "$(stat -c %a "mode$mode/dev.out")" = "$mode" ] || fail "mode $mode became" \
    "$(stat -c %a "mode$mode/dev.out")"
done
(umask 022 && mkdir mode644 && printf 'old\n' >mode644/dev.out && chmod 644 mode644/dev.out &&
  run_in mode644 '1 1 ../first.txt 0')
[ "$(stat -c %a mode644/dev.out)" = 644 ] || fail "mode 644 became $(stat -c %a mode644/dev.out)"
pass "modes 0640, 0600 and 0604 are kept under umask 077, 0644 under 022"
mkdir hard && printf 'old\n' >hard/dev.out && ln hard/dev.out hard/twin
run_in hard '1 1 ../first.txt 0'
holds hard/out '写入文件打开失败！' && grep -q '^devmgr: .*dev.out: has 2 hard links' hard/err ||
  fail "hard links: the refusal was not reported"
[ "$(cat hard/twin)" = old ] && [ "$(cat hard/dev.out)" = old ] || fail "hard links: changed"
pass "a dev.out with another hard link is refused, reported, kept"

# A dev.out of mode 0444 is not the user's to replace (root may; so as root the session
# runs as the user nobody, as in permissions_test.sh).
mkdir ro && printf 'old\n' >ro/dev.out && chmod 444 ro/dev.out && chmod 777 ro
cp first.txt ro/ && chmod 644 ro/first.txt
# Runs the session in ro as an ordinary user; false when there is no way to be one.
as_user_in_ro() {
  if [ "$(id -u)" -ne 0 ]; then
    run_in ro '1 1 first.txt 0'
    return 0
  fi
  setpriv --reuid=65534 --regid=65534 --clear-groups true 2>/dev/null || return 1
  mkdir bin && cp "$DEVMGR" "$NOPAUSE" bin/ && chmod -R a+rX bin && chmod a+x "$WORK"
  (cd ro && printf '1 1 first.txt 0' | setpriv --reuid=65534 --regid=65534 --clear-groups \
    env LD_PRELOAD="$WORK/bin/$(basename "$NOPAUSE")" "$WORK/bin/$(basename "$DEVMGR")" \
    >out 2>err)
}
if as_user_in_ro; then
  holds ro/out '写入文件打开失败！' && grep -q 'dev.out: may not be written: Permission denied' \
    ro/err || fail "0444: the refusal was not reported: $(cat ro/err)"
  [ "$(cat ro/dev.out)" = old ] && [ "$(stat -c %a ro/dev.out)" = 444 ] && no_temporaries ro ||
    fail "0444: dev.out was replaced or a temporary left"
  pass "a dev.out of mode 0444 is refused for an ordinary user, kept as it was"
else
  echo "skipped: as root without setpriv, a 0444 dev.out cannot be tried"
fi

# Two sessions in one directory: the second is warned on stderr, the first is not.
mkdir two && mkfifo two/in
(cd two && LD_PRELOAD="$NOPAUSE" "$DEVMGR" <in >out1 2>err1) &
exec 3>two/in
for _ in $(seq 1 100); do [ -s two/out1 ] && break; sleep 0.05; done
run_in two '0'
printf '0\n' >&3 && exec 3>&-
wait
[ ! -s two/err1 ] && grep -qx 'devmgr: another devmgr works in this directory; the last save wins' \
  two/err || fail "two sessions: warnings $(cat two/err1) / $(cat two/err)"
pass "a second devmgr in the same directory is warned"
echo "cases: $CASES"
