#!/usr/bin/env bash
# Runs a Windows program under Wine, headless, for the Windows build's tests:
#   wine-run.sh PROGRAM.exe [ARGS...]
# Standard input, output and error are passed through as bytes; the exit status is the
# program's. The Wine prefix is build-tree local: $DEVMGR_WINEPREFIX when set, else
# "wineprefix" in the first directory above the program that holds CMakeCache.txt (the
# build tree), else beside the program. The first run creates the prefix once, quietly,
# under a lock, since ctest starts several tests at a time. $WINE names the Wine loader
# (default: wine64 on PATH, else Debian's /usr/lib/wine/wine64).
set -euo pipefail

if [ $# -lt 1 ]; then
  echo "usage: $0 PROGRAM.exe [ARGS...]" >&2
  exit 2
fi

wine="${WINE:-}"
if [ -z "$wine" ]; then
  wine="$(command -v wine64 || true)"
  [ -n "$wine" ] || wine=/usr/lib/wine/wine64
fi
if [ ! -x "$wine" ] && ! command -v "$wine" >/dev/null 2>&1; then
  echo "wine-run.sh: no Wine loader ($wine); install the wine64 package" >&2
  exit 127
fi

prefix="${DEVMGR_WINEPREFIX:-}"
if [ -z "$prefix" ]; then
  dir="$(cd "$(dirname "$1")" && pwd)"
  prefix="$dir/wineprefix"
  while [ "$dir" != / ]; do
    if [ -f "$dir/CMakeCache.txt" ]; then
      prefix="$dir/wineprefix"
      break
    fi
    dir="$(dirname "$dir")"
  done
fi

export WINEPREFIX="$prefix"
export WINEDEBUG=-all
# No prompts to install Mono or Gecko: devmgr needs neither.
export WINEDLLOVERRIDES="mscoree,mshtml="
# No X display: Wine must not try to open windows.
unset DISPLAY WAYLAND_DISPLAY

if [ ! -f "$prefix/.devmgr-ready" ]; then
  mkdir -p "$(dirname "$prefix")"
  exec 9>"$prefix.lock"
  flock 9
  if [ ! -f "$prefix/.devmgr-ready" ]; then
    "$wine" wineboot -i </dev/null >/dev/null 2>&1 || true
    "$(dirname "$wine")/wineserver" -w >/dev/null 2>&1 || true
    touch "$prefix/.devmgr-ready"
  fi
  flock -u 9
  exec 9>&-
fi

exec "$wine" "$@"
