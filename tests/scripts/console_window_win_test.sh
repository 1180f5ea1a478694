#!/usr/bin/env bash
# The Windows build in a real console window: devmgr.exe in Wine's console (wineconsole)
# on a private Xvfb display, the console font a CJK one, keys typed with xdotool. Each case
# starts a fresh window in a fresh directory; dev.out and query.out are the ground truth,
# and a picture of the window shows what a user sees (kept in the build tree).
# Usage: console_window_win_test.sh <devmgr.exe> <close_console.exe> [CASE...]
source "$(dirname "$0")/fault_lib.sh"
CLOSER="$NOPAUSE"
root=$(cd "$(dirname "$0")/../.." && pwd)
source "$root/scripts/deps_lib.sh"
# The pictures are taken with ImageMagick's import and measured with its convert.
need_tools Xvfb xdotool convert import fc-list wineserver
fc-list | grep -q 'WenQuanYi Zen Hei Mono' || { echo "no CJK console font: skipped" >&2; exit 77; }
wine_loader=$(command -v wine64 || echo /usr/lib/wine/wine64)
program="Z:${DEVMGR//\//\\}"  # the Unix path through Wine's drive Z:

# Everything of this test lives beside the program, in the build tree: its Wine prefix,
# the Chinese locale Wine is started in, and the pictures of the window.
state="$(dirname "$DEVMGR")/console-window"
mkdir -p "$state/pictures"
export WINEPREFIX="$state/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DEVMGR_ENCODING LC_ALL LC_CTYPE LC_MESSAGES
export LANG=C.UTF-8  # the script's own: it types the characters of UTF-8 text one by one

# Wine takes its code page (936) from the locale, which need not be generated on the
# machine: then it is built here once, from the sources of Debian's locales package.
if ! locale -a 2>/dev/null | grep -qi '^zh_CN\.utf-\?8$'; then
  if [ ! -d "$state/locale/zh_CN.UTF-8" ]; then
    mkdir -p "$state/locale"
    localedef -i zh_CN -f UTF-8 "$state/locale/zh_CN.UTF-8" >/dev/null 2>&1 ||
      fail "cannot build the zh_CN.UTF-8 locale"
  fi
  export LOCPATH="$state/locale"
fi
# Wine runs in the Chinese locale, as on a Chinese Windows.
wine() { LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8 "$wine_loader" "$@"; }

# A display of its own: Xvfb picks a free number and writes it to a file.
Xvfb -displayfd 9 -screen 0 1024x768x24 -nolisten tcp 9>"$WORK/display" 2>/dev/null &
xvfb_pid=$!
trap 'kill "$xvfb_pid" 2>/dev/null; "$(dirname "$wine_loader")/wineserver" -k; rm -rf "$WORK"' EXIT
case_name=Xvfb
# Polls a command until it succeeds, for at most $1 seconds; false if it never did.
poll() {
  local seconds=$1
  shift
  for _ in $(seq $((seconds * 10))); do
    "$@" && return 0
    sleep 0.1
  done
  return 1
}
# The same, failing the case when the command never succeeded.
wait_for() { poll "$1" "${@:3}" || fail "$case_name: $2 did not happen within $1 s"; }
wait_for 30 "the display" test -s "$WORK/display"
export DISPLAY=":$(cat "$WORK/display")"

# The prefix, made once: the console's font is the CJK one, as a Chinese Windows has it.
if [ ! -f "$WINEPREFIX/.console-ready" ]; then
  wine wineboot -i </dev/null >/dev/null 2>&1 || true
  wine reg add 'HKCU\Console' /v FaceName /t REG_SZ /d 'WenQuanYi Zen Hei Mono' /f \
    >/dev/null 2>&1 || fail "cannot set the console font"
  "$(dirname "$wine_loader")/wineserver" -w
  touch "$WINEPREFIX/.console-ready"
fi

window_id() { xdotool search --name 'devmgr\.exe' 2>/dev/null | head -1; }
has_window() { [ -n "$(window_id)" ]; }
no_window() { ! has_window; }
ended() { [ -f "$dir/status" ]; }

# The share of the text area's pixels (the window without its scroll bars) that are
# lit glyphs.
lit_share() {
  convert "$1" -gravity NorthWest -crop 95%x90%+0+0 -colorspace Gray -threshold 50% \
    -format '%[fx:mean]' info:
}
# Takes the window's picture as $1.png; true once glyphs are drawn.
picture() {
  timeout 20 import -window "$win" "$state/pictures/$1.png" 2>/dev/null &&
    awk -v s="$(lit_share "$state/pictures/$1.png")" 'BEGIN { exit !(s > 0.005) }'
}

# A failed case keeps the window's last picture beside the others.
fail() {
  [ -z "${win:-}" ] || timeout 20 import -window "$win" "$state/pictures/$case_name-failed.png" 2>/dev/null || true
  echo "FAILED: $*" >&2
  exit 1
}

# xdotool, whose complaints about the display without a window manager are no failure:
# what the keys did is checked in the files and the status.
xdotool() { timeout 20 xdotool "$@" 2>/dev/null || true; }

# Types a token and Return. A Chinese character is typed alone:
# xdotool gives it a key of its own for a moment, which must not change before Wine has
# read the key: the binding lasts the --delay (xdotool takes it back after the delay, and
# a pause after the call came too late: under load a character was lost now and then).
type_token() {
  if LC_ALL=C grep -q '^[ -~]*$' <<<"$1"; then
    xdotool type "${to[@]}" --delay 40 -- "$1"
  else
    local i
    for ((i = 0; i < ${#1}; i++)); do
      xdotool type "${to[@]}" --delay 400 -- "${1:i:1}"
    done
  fi
  xdotool key "${to[@]}" Return
}
keys() { for token in "$@"; do type_token "$token"; done; }

# Starts devmgr.exe in a fresh console window in the fresh directory $dir; its exit
# status lands in $dir/status. The menu must be drawn before the case types.
start_window() {
  dir="$WORK/$case_name"
  mkdir -p "$dir"
  cp "$root/examples/devices.txt" "$dir/"
  wait_for 30 "the last window closing" no_window
  (cd "$dir" && wine wineconsole "$program" </dev/null >/dev/null 2>&1
    echo $? >"$dir/status") &
  wait_for 60 "the console window" has_window
  win=$(window_id)
  # Keys are sent to the window; keys that need Shift are typed into the focused window
  # as on a keyboard (XTEST) instead: to=().
  to=(--window "$win")
  wait_for 30 "the menu drawn" picture "$case_name"
}
status() { poll 60 ended && cat "$dir/status" || echo "none: still running after 60 s"; }

# The cases: each types its keys, then checks the status and the files.
case_menus() {
  keys 0
  [ "$(status)" = 0 ] || fail "menus: status $(status)"
  [ ! -e "$dir/dev.out" ] || fail "menus: choice 0 wrote dev.out"
}
case_query_typed_in_chinese() {
  keys 1 1 devices.txt 3 2 财务部 2 0
  [ "$(status)" = 0 ] || fail "query: status $(status)"
  printf '1 D003 台式电脑 张伟 财务部 4 2019.7.20 4200\r\n2 D010 笔记本电脑 郑浩 财务部 1 2023.8.9 7299\r\n' |
    iconv -f UTF-8 -t GBK | cmp -s - "$dir/query.out" || fail "query.out is not the two GBK records"
}
case_quoted_name_with_a_blank() {
  cp "$dir/devices.txt" "$dir/新建 文本文档.txt"
  xdotool windowfocus "$win"
  to=()
  keys 1 1 '"新建 文本文档.txt"' 0
  [ "$(status)" = 0 ] || fail "quoted name: status $(status)"
  [ "$(grep -c . "$dir/dev.out")" = 12 ] || fail "quoted name: dev.out lacks the 12 records"
}
case_window_closed_during_a_save() {
  make_records "$dir/big.txt" 1000000
  (cd "$dir" && wine "$CLOSER" devmgr.exe '.dev.out.tmp-*' >/dev/null 2>&1 ||
    echo "the temporary never appeared" >"$dir/closer") &
  local closer=$!
  keys 1 1 big.txt
  status >/dev/null
  wait "$closer"
  [ ! -f "$dir/closer" ] || fail "window closed: $(cat "$dir/closer")"
  no_temporaries "$dir" || fail "window closed: a temporary was left: $(ls -A "$dir")"
  [ ! -e "$dir/dev.out" ] || [ "$(wc -l <"$dir/dev.out")" = 1000000 ] ||
    fail "window closed: dev.out is cut short"
}

all_cases=(menus query_typed_in_chinese quoted_name_with_a_blank window_closed_during_a_save)
for case_name in "${@:3}" "${all_cases[@]:$(($# > 2 ? ${#all_cases[@]} : 0))}"; do
  start_window
  "case_$case_name"
  pass "$case_name"
done
echo "$CASES cases passed; the pictures are in $state/pictures"
