#!/usr/bin/env bash
# The note at the start of an interactive session: on a terminal (tmux), a dev.out left
# with records is told of on standard error before the first menu, in English and in
# Chinese, while the dialogue stays as it is and dev.out untouched; nothing is told
# without records, with --load, or when standard input is a pipe (whatever standard
# output is); a working directory named in Chinese is shown in Chinese.
# Usage: start_note_test.sh <devmgr> <pause shim>. tmux comes with the test tools.
set -euo pipefail

bin=$(realpath "$1")
nopause=$(realpath "$2")
root=$(cd "$(dirname "$0")/../.." && pwd)
source "$(dirname "$0")/tmux_lib.sh"
unset LC_ALL LC_MESSAGES LC_CTYPE DEVMGR_ENCODING

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
  echo "FAIL: $*"
  exit 1
}
mkdir "$work/records" "$work/empty"
cd "$work/records"
printf '1 1 %s 0\n' "$root/examples/devices.txt" | LD_PRELOAD=$nopause "$bin" >/dev/null
cp dev.out day1.out

# A session on a pipe, with dev.out there: no note, and the same dialogue as ever.
printf '0\n' | LD_PRELOAD=$nopause "$bin" >pipe.log 2>pipe.err
[ ! -s pipe.err ] || fail "a piped session got a note: $(cat pipe.err)"

# Runs devmgr on a terminal in directory $1 with the environment $2 and options $3,
# leaves at the first menu and keeps the screen in $screen.
on_terminal() {
  leave_at_first_menu "devmgr-note-$$" "$1" \
    "env $2 LD_PRELOAD='$nopause' ASAN_OPTIONS='${ASAN_OPTIONS:-}' '$bin' $3"
}
# The lines of standard error before the first menu's frame.
note_of() { sed -n '/^\*\*\*/q;/^devmgr: /p' <<<"$1"; }

on_terminal "$work/records" LANG=C.UTF-8 ''
english=$(note_of "$screen")
expected="devmgr: dev.out in $work/records holds 12 record(s) of an earlier session.
devmgr: This session starts empty. Its first change keeps that file as dev.out~, and an older dev.out~ as dev.out.~N~.
devmgr: To go on from it: choose 1, then 1, and type dev.out; or start devmgr --load dev.out."
[ "$english" = "$expected" ] || fail "the English note is not as expected:
$english"
cmp -s dev.out day1.out || fail "a session left at once changed dev.out"

on_terminal "$work/records" LANG=zh_CN.UTF-8 ''
chinese=$(note_of "$screen")
expected="devmgr: $work/records 中的 dev.out 存有之前会话的 12 条记录。
devmgr: 本次会话从空数据开始。第一次更改会把该文件保留为 dev.out~，把更早的 dev.out~ 保留为 dev.out.~N~。
devmgr: 要接着使用这些记录: 依次选择 1、1，输入 dev.out；或以 devmgr --load dev.out 启动。"
[ "$chinese" = "$expected" ] || fail "the Chinese note is not as expected:
$chinese"

for row in "$work/empty|LANG=C.UTF-8|" "$work/records|LANG=C.UTF-8|--load dev.out"; do
  IFS='|' read -r dir env options <<<"$row"
  on_terminal "$dir" "$env" "$options"
  grep -F -- '->' <<<"$screen" >/dev/null || fail "no menu in $dir $options"
  [ -z "$(note_of "$screen")" ] || fail "a note in $dir $options: $(note_of "$screen")"
done
# A working directory named in Chinese is shown in Chinese, converted as every text is.
mkdir "$work/库房"
cp day1.out "$work/库房/dev.out"
on_terminal "$work/库房" LANG=C.UTF-8 ''
[ "$(note_of "$screen" | head -1)" = "devmgr: dev.out in $work/库房 holds 12 record(s) of an earlier session." ] ||
  fail "the Chinese directory is not shown as it is named: $(note_of "$screen")"

# The note follows standard input, not standard output: a pipe into a terminal's session
# gets none, a terminal's session piped out gets it.
run="env LANG=C.UTF-8 LD_PRELOAD='$nopause' ASAN_OPTIONS='${ASAN_OPTIONS:-}' '$bin'"
leave_at_first_menu "devmgr-note-$$" "$work/records" "printf '0\\n' | $run"
grep -F -- '->' <<<"$screen" >/dev/null || fail "no menu with standard input piped"
[ -z "$(note_of "$screen")" ] || fail "a note with standard input piped: $(note_of "$screen")"
leave_at_first_menu "devmgr-note-$$" "$work/records" "$run | cat"
note_of "$screen" | grep -F "holds 12 record(s)" >/dev/null ||
  fail "no note with standard output piped: $screen"
echo "PASS"
