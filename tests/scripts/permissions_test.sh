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
echo "cases: $CASES"
