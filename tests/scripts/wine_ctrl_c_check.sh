#!/usr/bin/env bash
# Ctrl+C at a prompt of devmgr.exe on a console (Wine gives a program started on a
# terminal, tmux here, a console read through ReadConsoleW): the session ends as a Ctrl+C
# ends it, with STATUS_CONTROL_C_EXIT (0xC000013A, 58 in its low byte) every time, never
# as the end of input (status 0), and leaves no file behind.
# Usage: wine_ctrl_c_check.sh <devmgr.exe> <wine-run.sh>. tmux comes with the test tools.
set -euo pipefail
exe=$(realpath "$1")
wine_run=$(realpath "$2")
source "$(dirname "$0")/tmux_lib.sh"
work=$(mktemp -d)
socket="devmgr-ctrl-c-$$"
trap 'tmux -L "$socket" kill-server 2>/dev/null || true; rm -rf "$work"' EXIT
fail() {
  echo "FAIL: $*"
  exit 1
}

# keys typed before the Ctrl+C | the prompt it comes at
cases=("|main menu" "1|entry menu" "1 1|file name" "0x|main menu, after a wrong choice")
for row in "${cases[@]}"; do
  IFS='|' read -r keys prompt <<<"$row"
  dir=$(mktemp -d "$work/run-XXXXXX")
  tmux -u -L "$socket" -f /dev/null new-session -d -x 200 -y 50 -c "$dir" \
    "env LC_ALL=C LANG=C '$wine_run' '$exe' 2>err.txt; echo \"[ended \$?]\"; sleep 600"
  wait_for_screen "$socket" '->' 600
  for key in $keys; do
    tmux -L "$socket" send-keys -t 0 "$key" Enter
    sleep 0.5
  done
  tmux -L "$socket" send-keys -t 0 C-c
  wait_for_screen "$socket" '[ended' 300
  status=$(tmux -L "$socket" capture-pane -p -J -t 0 | sed -n 's/.*\[ended \([0-9]*\)\].*/\1/p')
  tmux -L "$socket" kill-server 2>/dev/null || true
  [ "$status" = 58 ] || fail "Ctrl+C at the $prompt: status '${status:-none}', not 58"
  [ -z "$(ls -A "$dir" | grep -v '^err.txt$' || true)" ] || fail "files left: $(ls -A "$dir")"
  echo "ok: Ctrl+C at the $prompt ends with 58"
done
echo "PASS"
