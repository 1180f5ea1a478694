#!/usr/bin/env bash
# The command line of the real binary, one table: for each list of arguments the exit
# status, what must be on standard output and on standard error, and whether the session
# read its input. A refused command line and --help/--version read nothing (the input
# file is left whole for the next reader) and write nothing in the working directory.
# Usage: command_line_test.sh <devmgr> <pause shim>.
source "$(dirname "$0")/fault_lib.sh"
export LC_ALL=C
root=$(cd "$(dirname "$0")/../.." && pwd)
version=$(sed -n 's/^project(devmgr VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
[ -n "$version" ] || fail "no project version in CMakeLists.txt"
usage='usage: devmgr [-h] [-V] [-l FILE]'
menu=$(gbk '设备管理系统')

# arguments | status | standard output (extended regex, or "empty") | standard error
#   (extended regex over the whole of it, or "empty") | input: read or kept
cases=(
  "--help|0|^${usage//[][]/.}.*--version.*--load=FILE|empty|kept"
  "-h|0|--help.*-V, --version|empty|kept"
  "--hel|0|--help|empty|kept"
  "--version|0|^devmgr ${version//./\\.}\$|empty|kept"
  "-V|0|^devmgr ${version//./\\.}\$|empty|kept"
  "-hV|0|--help|empty|kept"
  "-x|2|empty|^devmgr: unknown option '-x'devmgr: usage: devmgr|kept"
  "-hx|2|empty|unknown option '-x'|kept"
  "--frobnicate|2|empty|unknown option '--frobnicate'devmgr: usage:|kept"
  "--version=2|2|empty|'--version=2'devmgr: usage:|kept"
  "foo|2|empty|^devmgr: unexpected argument 'foo'devmgr: usage:|kept"
  "--help foo|2|empty|unexpected argument 'foo'|kept"
  "-- -h|2|empty|unexpected argument '-h'|kept"
  "|0|$menu|empty|read"
  "--input-encoding=latin1|2|empty|^devmgr: --input-encoding takes gbk, utf-8 or utf-16, not 'latin1'devmgr: usage:|kept"
  "--input-encoding=UTF-16|0|$menu|empty|read"
)

input=$(gbk '1 1 devices.txt 0')
for row in "${cases[@]}"; do
  # shellcheck disable=SC2034 # out and err are read as ${!stream}
  IFS='|' read -r args status out err consumed <<<"$row"
  dir="$WORK/run"
  rm -rf "$dir" && mkdir "$dir"
  printf '%s\n' "$input" >"$WORK/in"
  # The subshell shares one file offset: whatever devmgr leaves unread, cat still sees.
  # shellcheck disable=SC2086 # the arguments are split on purpose
  (cd "$dir" && s=0 && LD_PRELOAD="$NOPAUSE" "$DEVMGR" $args >"$WORK/out" 2>"$WORK/err" ||
    s=$?; echo "$s" >"$WORK/status"; cat >"$WORK/rest") <"$WORK/in"
  what="devmgr ${args:-(no arguments)}"
  [ "$(cat "$WORK/status")" = "$status" ] || fail "$what: status $(cat "$WORK/status")"
  for stream in out err; do
    want=${!stream}
    if [ "$want" = empty ]; then
      [ ! -s "$WORK/$stream" ] || fail "$what: std$stream not empty: $(head -c 200 "$WORK/$stream")"
    else
      tr -d '\n' <"$WORK/$stream" | grep -E -- "$want" >/dev/null ||
        fail "$what: std$stream does not match $want: $(head -c 200 "$WORK/$stream")"
    fi
  done
  if [ "$consumed" = kept ]; then
    cmp -s "$WORK/in" "$WORK/rest" || fail "$what: the input was read"
    [ -z "$(ls -A "$dir")" ] || fail "$what: wrote $(ls -A "$dir")"
  else
    [ ! -s "$WORK/rest" ] || fail "$what: the session left its input unread"
  fi
  pass "$what"
done
# devmgr's own dev.out whose GBK is valid UTF-8 too (宓翠华 reads as 嵴仪 in UTF-8) is
# loaded back byte for byte, and saved so again.
dir="$WORK/holder"
mkdir "$dir"
typed=$(gbk '1 2 D1 pc 宓翠华 it 1 2021.1.1 9 0')
(cd "$dir" && printf '%s\n' "$typed" | LD_PRELOAD="$NOPAUSE" "$DEVMGR" >/dev/null 2>&1)
{ gbk '1 D1 pc 宓翠华 it 1 2021.1.1 9'; echo; } >"$WORK/want"
cmp -s "$dir/dev.out" "$WORK/want" || fail "the typed record was not saved in GBK"
(cd "$dir" && printf '4 1 1 7 0\n' | LD_PRELOAD="$NOPAUSE" "$DEVMGR" --load dev.out >/dev/null 2>"$WORK/err")
cmp -s "$dir/dev.out" "$WORK/want" ||
  fail "--load dev.out did not keep 宓翠华: $(iconv -f GBK -t UTF-8 "$dir/dev.out")"
[ ! -s "$WORK/err" ] || fail "--load dev.out told of a conversion: $(cat "$WORK/err")"
pass "a GBK dev.out that is valid UTF-8 too loads and saves byte for byte"
echo "PASS: $CASES cases"
