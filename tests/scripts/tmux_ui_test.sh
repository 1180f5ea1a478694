#!/usr/bin/env bash
# What a person sees: devmgr itself, started the way `make run` starts it, on a terminal
# (tmux) whose locale is UTF-8 (LANG=C.UTF-8, nothing else), answered key by key. devmgr
# converts its own dialogue: the screen must read as Chinese (the main menu, an imported
# data set, a record typed with Chinese fields, the query by that name, the statistics),
# what was typed must reach dev.out as GBK, a file named in Chinese must import, and the
# session must end on a fresh line.
# Usage: tmux_ui_test.sh <devmgr> <pause shim>. tmux comes with the test tools
# (scripts/ensure-deps.sh test); without it the test fails.
set -euo pipefail

bin=$(realpath "$1")
nopause=$(realpath "$2")
root=$(cd "$(dirname "$0")/../.." && pwd)

command -v tmux >/dev/null 2>&1 || {
  echo "FAIL: tmux is not installed (scripts/ensure-deps.sh test installs it)"
  exit 1
}
unset LC_ALL LC_CTYPE DEVMGR_ENCODING
export LANG=C.UTF-8

work=$(mktemp -d)
socket="devmgr-ui-$$"
cleanup() {
  tmux -L "$socket" kill-server 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
cp "$root/examples/devices.txt" "$work/"
cp "$root/examples/devices.utf8.txt" "$work/设备清单.txt"

tmux -u -L "$socket" -f /dev/null new-session -d -x 150 -y 50 -c "$work" \
  "env LD_PRELOAD='$nopause' ASAN_OPTIONS='${ASAN_OPTIONS:-}' \
  '$bin'; echo \"[devmgr ended: \$?]\"; sleep 600"

# The whole pane, scrollback included, wrapped lines joined.
screen() { tmux -L "$socket" capture-pane -p -J -S - -t 0; }
# Where the next step's output begins: the last line printed so far (the prompt).
mark=1
set_mark() { mark=$(screen | grep -n . | tail -n 1 | cut -d: -f1); }
since_mark() { screen | tail -n +"$mark"; }

fail() {
  echo "FAIL: $*"
  echo "----- screen -----"
  screen
  exit 1
}

# Waits (up to ten seconds) until the output since the mark matches the extended regex.
wait_for() {
  for _ in $(seq 100); do
    if since_mark | grep -E -- "$1" >/dev/null; then return 0; fi
    sleep 0.1
  done
  fail "the screen never showed: $1"
}

# Types one answer and Enter, after moving the mark to where its output starts.
answer() {
  set_mark
  tmux -L "$socket" send-keys -t 0 -l "$1"
  tmux -L "$socket" send-keys -t 0 Enter
}

# The main menu, readable.
wait_for '^->请选择操作:'
for line in '\*  设备管理系统     \*' '\*  0-退出系统       \*' '\*  1-信息录入       \*' \
  '\*  3-信息查询       \*' '\*  8-数量统计       \*'; do
  since_mark | grep -E -- "^$line\$" >/dev/null || fail "main menu line missing: $line"
done

# Import the example file.
answer 1
wait_for '\*   1-从文件导入   \*'
answer 1
wait_for '^请输入文件名:'
answer devices.txt
wait_for '^读取完成, 耗时 [0-9]+ 毫秒$'
wait_for '^dev.out 内目前有 12 条记录$'

# One record typed in, with a Chinese name, holder and department.
answer 1
wait_for '\*   2-添加单个信息 \*'
answer 2
labels=(设备编号 设备名称 '领用人  ' 所属部门 数量 购买时间 价格)
values=(D013 数码相机 林晓 宣传部 3 2024.5.20 4399)
for i in "${!labels[@]}"; do
  wait_for "^请输入${labels[$i]}:\$"
  answer "${values[$i]}"
done
wait_for '^dev.out 内目前有 13 条记录$'

# Browse: the imported records and the typed one, in columns.
answer 2
wait_for '^已存储信息如下:$'
wait_for '^序列号 +设备编号 +设备名称 +领用人 +所属部门 +数量 +购买时间 +价格'
wait_for '^1 +D001 +笔记本电脑 +王芳 +研发部 +2 +2021\.3\.15 +6499'
wait_for '^13 +D013 +数码相机 +林晓 +宣传部 +3 +2024\.5\.20 +4399'

# Query by the typed name, printed to the screen.
answer 3
wait_for '\*  1-按设备名称查找 \*'
answer 1
wait_for '^请输入设备名称:'
answer 数码相机
wait_for '^查询到 1 条记录, 耗时 [0-9]+ 毫秒$'
answer 1
wait_for '^13 +D013 +数码相机 +林晓 +宣传部 +3 +2024\.5\.20 +4399'

# Statistics: the three notebook records add up to 6, the camera stands alone.
answer 8
wait_for '^统计完成, 耗时 [0-9]+ 毫秒$'
answer 1
wait_for '^设备名称 +设备数量$'
wait_for '^笔记本电脑 +6$'
wait_for '^数码相机 +3$'

# A file whose name and content are UTF-8: opened by the name as typed, read as UTF-8.
answer 1
wait_for '\*   1-从文件导入   \*'
answer 1
wait_for '^请输入文件名:'
answer 设备清单.txt
wait_for '^dev.out 内目前有 25 条记录$'

# Typed ahead, 0 ends the session after the prompt; the shell's next line starts afresh.
answer '2 0'
wait_for '^\[devmgr ended: 0\]$'

# What was typed in UTF-8 reached the program, and its file, as GBK.
expected=$(printf '13 D013 数码相机 林晓 宣传部 3 2024.5.20 4399' | iconv -f UTF-8 -t GBK)
[ "$(sed -n 13p "$work/dev.out")" = "$expected" ] ||
  fail "line 13 of dev.out is not the typed record in GBK: $(sed -n 13p "$work/dev.out" | od -c)"
# The UTF-8 file's records are stored as GBK, the same as those of its GBK twin.
[ "$(sed -n '14,25p' "$work/dev.out" | cut -d' ' -f2-)" = \
  "$(sed -n '1,12p' "$work/dev.out" | cut -d' ' -f2-)" ] ||
  fail "the UTF-8 file's records differ from those of its GBK twin in dev.out"
echo "PASS"
