#!/usr/bin/env bash
# The note at the start of an interactive session: on a terminal (tmux), a dev.out left
# with records is told of on standard error before the first menu, in English and in
# Chinese, while the dialogue stays as it is and dev.out untouched; nothing is told
# without records, with --load, or when standard input is a pipe.
# Usage: start_note_test.sh <devmgr> <pause shim>. tmux comes with the test tools.
set -euo pipefail

bin=$(realpath "$1")
nopause=$(realpath "$2")
root=$(cd "$(dirname "$0")/../.." && pwd)
command -v tmux >/dev/null 2>&1 || {
  echo "FAIL: tmux is not installed (scripts/ensure-deps.sh test installs it)"
  exit 1
}
unset LC_ALL LC_MESSAGES LC_CTYPE DEVMGR_ENCODING

work=$(mktemp -d)
runs=0
socket="devmgr-note-$$-0"
cleanup() {
  for ((i = 1; i <= runs; i++)); do tmux -L "devmgr-note-$$-$i" kill-server 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
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

# Runs devmgr on a terminal (a tmux server of its own) in directory $1 with the
# environment $2 and options $3, leaves at the first menu and keeps the screen in $screen.
on_terminal() {
  tmux -L "$socket" kill-server 2>/dev/null || true
  runs=$((runs + 1))
  socket="devmgr-note-$$-$runs"
  tmux -u -L "$socket" -f /dev/null new-session -d -x 200 -y 50 -c "$1" \
    "env $2 LD_PRELOAD='$nopause' ASAN_OPTIONS='${ASAN_OPTIONS:-}' '$bin' $3; \
    echo '[ended]'; sleep 600"
  for _ in $(seq 100); do
    tmux -L "$socket" capture-pane -p -J -t 0 | grep -F -- '->' >/dev/null && break
    sleep 0.1
  done
  tmux -L "$socket" send-keys -t 0 0 Enter
  for _ in $(seq 100); do
    tmux -L "$socket" capture-pane -p -J -t 0 | grep -F '[ended]' >/dev/null && break
    sleep 0.1
  done
  screen=$(tmux -L "$socket" capture-pane -p -J -S - -t 0)
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
grep -F 12 <<<"$chinese" >/dev/null || fail "no note with the count under a Chinese locale"
# Once the catalogue translates the note, the Chinese one must be its translation.
if grep -qF 'holds %2$s record(s)' "$root/po/zh_CN.po"; then
  [ "$chinese" != "$english" ] || fail "the note under a Chinese locale is the English one"
fi

for row in "$work/empty|LANG=C.UTF-8|" "$work/records|LANG=C.UTF-8|--load dev.out"; do
  IFS='|' read -r dir env options <<<"$row"
  on_terminal "$dir" "$env" "$options"
  grep -F -- '->' <<<"$screen" >/dev/null || fail "no menu in $dir $options"
  [ -z "$(note_of "$screen")" ] || fail "a note in $dir $options: $(note_of "$screen")"
done
echo "PASS"
