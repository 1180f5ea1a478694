# Running a program on a terminal for the scripts: a tmux server of its own for each run.
# Sourced, never run.
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/deps_lib.sh"
need_tools --fail tmux

# Waits up to $3 tenths of a second until the screen of tmux server $1 shows the text $2.
wait_for_screen() {
  for _ in $(seq "$3"); do
    tmux -L "$1" capture-pane -p -J -t 0 | grep -F -- "$2" >/dev/null && return 0
    sleep 0.1
  done
}

# Runs the shell command $3 on a terminal of tmux server $1 in directory $2, answers 0 at
# its first menu (waiting up to $4 tenths of a second for it: a first Wine start is slow),
# waits for it to end and leaves the whole screen in $screen.
leave_at_first_menu() {
  tmux -u -L "$1" -f /dev/null new-session -d -x 200 -y 50 -c "$2" \
    "$3; echo '[ended]'; sleep 600"
  wait_for_screen "$1" '->' "${4:-100}"
  tmux -L "$1" send-keys -t 0 0 Enter
  wait_for_screen "$1" '[ended]' 300
  screen=$(tmux -L "$1" capture-pane -p -J -S - -t 0)
  tmux -L "$1" kill-server 2>/dev/null || true
}
