#!/usr/bin/env bash
# Files the user may not touch: a read-only working directory, an unreadable import file,
# another user's dev.out in a directory the user may write (replaced, no more open than a
# new file of the user) and in a sticky one (refused). Each is reported, the session goes
# on with its data set intact, and nothing is written that should not be. Root may write anywhere, so as root the sessions run as the
# user nobody (setpriv); without setpriv the cases are skipped, saying so.
source "$(dirname "$0")/fault_lib.sh"
chmod 755 "$WORK"
if [ "$(id -u)" -eq 0 ]; then
  if ! command -v setpriv >/dev/null || ! setpriv --reuid=65534 --regid=65534 --clear-groups true
  then
    echo "SKIPPED: running as root without setpriv, cannot drop to an ordinary user"
    exit 0
  fi
  as_user() { setpriv --reuid=65534 --regid=65534 --clear-groups "$@"; }
else
  as_user() { "$@"; }
fi
# Copies the user can run, wherever the build lies.
mkdir "$WORK/bin"
SHIM="$(dirname "$NOPAUSE")/libfaultshim.so"
cp "$DEVMGR" "$NOPAUSE" "$SHIM" "$WORK/bin/"
SHIM="$WORK/bin/$(basename "$SHIM")"
DEVMGR="$WORK/bin/$(basename "$DEVMGR")"
NOPAUSE="$WORK/bin/$(basename "$NOPAUSE")"
chmod -R a+rX "$WORK/bin"

records=$'P1 printer alice sales 3 2042.1.1 100\nS2 scanner bob lab 5 2042.2.2 200\n'

# Runs one session in dir as the user, input from the second argument, output to out.
session() { (cd "$1" && printf '%s' "$2" | as_user env LD_PRELOAD="$NOPAUSE" "$DEVMGR" >out 2>err); }

# Read-only working directory: the three saves fail at the open, nothing appears.
ro="$WORK/readonly"
mkdir "$ro"
printf '%s' "$records" >"$ro/in.txt"
touch "$ro/out" "$ro/err" && chmod 666 "$ro/out" "$ro/err" && chmod 555 "$ro"
session "$ro" '1 1 in.txt 2 3 1 printer 2 8 2 0'
[ "$(grep -c -F -- "$(gbk '写入文件打开失败！')" "$ro/out")" -eq 3 ] ||
  fail "read-only directory: not three reports of a failed open"
[ "$(grep -c 'out: cannot create a temporary file beside it: Permission denied' "$ro/err")" -eq 3 ] ||
  fail "read-only directory: not three reasons: $(cat "$ro/err")"
holds "$ro/out" '读取完成' || fail "read-only directory: the import was not read"
grep -q "P1.*printer" "$ro/out" && grep -q "S2.*scanner" "$ro/out" ||
  fail "read-only directory: the data set was lost after the failed save"
[ "$(ls -A "$ro" | sort | tr '\n' ' ')" = "err in.txt out " ] ||
  fail "read-only directory: something was written: $(ls -A "$ro")"
pass "read-only working directory: reported with reasons, data set kept, nothing written"

# Unreadable import file: reported, nothing appended, dev.out as the last save left it.
un="$WORK/unreadable"
mkdir "$un"
printf '%s' "$records" >"$un/ok.txt"
printf 'X1 secret x y 1 2042.1.1 1\n' >"$un/secret.txt"
chmod 600 "$un/secret.txt"
chmod 777 "$un"
session "$un" '1 1 ok.txt 1 1 secret.txt 2 0'
holds "$un/out" '读取文件打开失败' || fail "unreadable import file: not reported"
expected_record_file "$un/ok.txt" | cmp -s - "$un/dev.out" ||
  fail "unreadable import file: dev.out changed"
grep -q "S2.*scanner" "$un/out" && ! grep -q "X1" "$un/out" ||
  fail "unreadable import file: the data set changed"
pass "unreadable import file: reported, data set and dev.out kept"

if [ "$(id -u)" -ne 0 ]; then
  echo "skipped: another user's dev.out needs root to make"
  echo "cases: $CASES"
  exit 0
fi
# Root's dev.out of mode 0666 where the user may write, saved under umask 077 and held at
# the temporary's fsync: the console has shown the import, the temporary is the user's
# own and closed to others, and so is the new dev.out.
other="$WORK/other"
mkdir "$other" && chmod 777 "$other"
printf '%s' "$records" >"$other/in.txt" && printf '1 1 in.txt 0' >"$other/input"
printf 'old\n' >"$other/dev.out" && chmod 666 "$other/dev.out"
(cd "$other" && umask 077 && exec setpriv --reuid=65534 --regid=65534 --clear-groups \
  env LD_PRELOAD="$NOPAUSE $SHIM" DEVMGR_STOP_FSYNC=1 "$DEVMGR" <input >out 2>err) &
pid=$!
for _ in $(seq 1 600); do
  [ "$(cut -d' ' -f3 "/proc/$pid/stat" 2>/dev/null)" = T ] && break
  sleep 0.05
done
temps="$(cd "$other" && stat -c '%n %U %a' .dev.out.tmp-* 2>/dev/null || true)"
shown="$(holds "$other/out" '读取完成' && echo yes || echo no)"
kill -CONT "$pid" && wait "$pid"
[[ "$temps" =~ ^\.dev\.out\.tmp-[0-9]+-0\ nobody\ 600$ ]] ||
  fail "another user's file: the temporary was '$temps'"
[ "$shown" = yes ] || fail "another user's file: the console was not flushed before the save"
[ "$(stat -c '%U %a' "$other/dev.out")" = 'nobody 600' ] && no_temporaries "$other" ||
  fail "another user's file: dev.out is $(stat -c '%U %a' "$other/dev.out")"
pass "another user's 0666 dev.out: the temporary and the new file are the user's, 0600"

# The same file in a sticky directory: the user may not rename over it. Refused with the
# reason before anything is made.
sticky="$WORK/sticky"
mkdir "$sticky" && chmod 1777 "$sticky"
printf '%s' "$records" >"$sticky/in.txt" && printf 'old\n' >"$sticky/dev.out"
chmod 666 "$sticky/dev.out"
(cd "$sticky" && printf '1 1 in.txt 0' | as_user env LD_PRELOAD="$NOPAUSE" "$DEVMGR" >out 2>err)
holds "$sticky/out" '写入文件打开失败！' &&
  grep -q "dev.out: another user's file in a sticky directory; it cannot be replaced" \
    "$sticky/err" || fail "sticky directory: not refused: $(cat "$sticky/err")"
[ "$(cat "$sticky/dev.out")" = old ] && [ "$(ls -A "$sticky" | tr '\n' ' ')" = "dev.out err in.txt out " ] ||
  fail "sticky directory: $(ls -A "$sticky")"
pass "another user's dev.out in a sticky directory is refused, nothing left behind"
# Access never widened when the owner cannot be kept. Root's dev.out 0600 whose ACL lets
# nobody write: nobody's save makes it nobody's, owner's rights only, with one note.
aclfile="$WORK/aclfile"
mkdir "$aclfile" && chmod 777 "$aclfile" && printf '%s' "$records" >"$aclfile/in.txt"
printf 'old\n' >"$aclfile/dev.out" && chmod 600 "$aclfile/dev.out"
setfacl -m u:nobody:rw "$aclfile/dev.out"
(umask 022 && session "$aclfile" '1 1 in.txt 0')
[ "$(stat -c '%U %a' "$aclfile/dev.out")" = 'nobody 600' ] &&
  [ "$(grep -c 'dev.out: belongs to another user; the new file is yours' "$aclfile/err")" -eq 1 ] ||
  fail "ACL of another user's file: dev.out is $(stat -c '%U %a' "$aclfile/dev.out"): $(cat "$aclfile/err")"
pass "another user's 0600 dev.out with an ACL: nobody's own, 0600, one note"

# Without links the backups are copies: root's older 0640 dev.out~ (group nobody's) keeps
# its mode under its number, the copy of root's 0666 dev.out is nobody's, no more open.
copies="$WORK/copies"
mkdir "$copies" && chmod 777 "$copies" && printf '%s' "$records" >"$copies/in.txt"
printf 'found\n' >"$copies/dev.out" && printf 'older\n' >"$copies/dev.out~"
chmod 666 "$copies/dev.out" && chmod 640 "$copies/dev.out~" && chgrp 65534 "$copies/dev.out~"
(cd "$copies" && umask 022 && printf '1 1 in.txt 0' | as_user env DEVMGR_FAIL_LINK=1 \
  LD_PRELOAD="$NOPAUSE $SHIM" "$DEVMGR" >out 2>err) || true
[ "$(stat -c '%a' "$copies/dev.out.~1~")" = 640 ] && [ "$(cat "$copies/dev.out~")" = found ] &&
  [ "$(stat -c '%U %a' "$copies/dev.out~")" = 'nobody 604' ] ||
  fail "copies: dev.out.~1~ $(stat -c '%a' "$copies/dev.out.~1~"), dev.out~ $(stat -c '%a' "$copies/dev.out~")"
pass "backups of another user's files: a 0640 one stays 0640, a copy no more open"

# The user's own dev.out, in a group the user is not in, with an ACL: the group keeps its
# rights by name, the ACL stays, the user's own group gets none.
group="$WORK/group"
mkdir "$group" && chmod 777 "$group" && printf '%s' "$records" >"$group/in.txt"
printf 'old\n' >"$group/dev.out" && chown 65534:4243 "$group/dev.out" && chmod 640 "$group/dev.out"
setfacl -m u:4242:r "$group/dev.out"
session "$group" '1 1 in.txt 0'
acl="$(getfacl -cn "$group/dev.out" 2>/dev/null | tr '\n' ' ')"
[[ "$acl" == *"user:4242:r--"* && "$acl" == *"group::---"* && "$acl" == *"group:4243:r--"* &&
  "$acl" == *"other::---"* ]] && [ ! -s "$group/err" ] ||
  fail "group not the user's: ACL '$acl', $(cat "$group/err")"
pass "the user's own file in another group keeps that group's rights and its ACL"

# A colleague's link in a group-writable folder (2775): uid 4242 links dev.out to nobody's
# notes in a 0700 directory, which 4242 may not write: refused like a planted link. A link
# of 4242 to a file 4242 may write is followed.
home="$WORK/home" team="$WORK/team"
mkdir -m 700 "$home" && printf 'notes\n' >"$home/notes.txt" && chmod 600 "$home/notes.txt"
chown -R 65534:65534 "$home"
mkdir "$team" && chown 0:65534 "$team" && chmod 2775 "$team" && printf '%s' "$records" >"$team/in.txt"
ln -s "$home/notes.txt" "$team/dev.out" && chown -h 4242 "$team/dev.out"
session "$team" '1 1 in.txt 0'
holds "$team/out" '写入文件打开失败！' &&
  grep -q 'dev.out: a symbolic link of another user, to a file that user may not write' \
    "$team/err" || fail "colleague's link: not refused: $(cat "$team/err")"
[ "$(cat "$home/notes.txt")" = notes ] && [ "$(ls -A "$home")" = notes.txt ] ||
  fail "colleague's link: notes.txt got $(cat "$home/notes.txt")"
printf 'shared\n' >"$team/shared.txt" && chown 4242:65534 "$team/shared.txt"
chmod 664 "$team/shared.txt" && rm "$team/dev.out"
ln -s shared.txt "$team/dev.out" && chown -h 4242 "$team/dev.out"
session "$team" '1 1 in.txt 0'
expected_record_file <(printf '%s' "$records") | cmp -s - "$team/shared.txt" && [ -L "$team/dev.out" ] ||
  fail "team link: not followed: $(cat "$team/err")"
pass "a colleague's link is followed only to a file the colleague may write"
echo "cases: $CASES"
