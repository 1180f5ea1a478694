#!/usr/bin/env bash
# Files the user may not touch: a read-only working directory and an unreadable import
# file. Each is reported, the session goes on with its data set intact, and nothing is
# written that should not be. Root may write anywhere, so as root the sessions run as the
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
cp "$DEVMGR" "$NOPAUSE" "$WORK/bin/"
DEVMGR="$WORK/bin/$(basename "$DEVMGR")"
NOPAUSE="$WORK/bin/$(basename "$NOPAUSE")"
chmod -R a+rX "$WORK/bin"

records=$'P1 printer alice sales 3 2042.1.1 100\nS2 scanner bob lab 5 2042.2.2 200\n'

# Runs one session in dir as the user, input from the second argument, output to out.
session() { (cd "$1" && printf '%s' "$2" | as_user env LD_PRELOAD="$NOPAUSE" "$DEVMGR" >out); }

# Read-only working directory: the three saves fail at the open, nothing appears.
ro="$WORK/readonly"
mkdir "$ro"
printf '%s' "$records" >"$ro/in.txt"
touch "$ro/out" && chmod 666 "$ro/out" && chmod 555 "$ro"
session "$ro" '1 1 in.txt 2 3 1 printer 2 8 2 0'
[ "$(grep -c -F -- "$(gbk '写入文件打开失败！')" "$ro/out")" -eq 3 ] ||
  fail "read-only directory: not three reports of a failed open"
holds "$ro/out" '读取完成' || fail "read-only directory: the import was not read"
grep -q "P1.*printer" "$ro/out" && grep -q "S2.*scanner" "$ro/out" ||
  fail "read-only directory: the data set was lost after the failed save"
[ "$(ls -A "$ro" | sort | tr '\n' ' ')" = "in.txt out " ] ||
  fail "read-only directory: something was written: $(ls -A "$ro")"
pass "read-only working directory: reported, data set kept, nothing written"

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
echo "cases: $CASES"
