#!/usr/bin/env bash
# Starts devmgr in the current directory: run-devmgr.sh <devmgr> [more words of the command].
#
# devmgr speaks GBK. In a UTF-8 terminal its menus would be unreadable, so there it runs
# under luit (Debian package `luit`, version 2), which shows the GBK output as UTF-8 and
# turns what the user types into GBK. In a GBK terminal, or when input or output is not a
# terminal (pipes, files, scripts), devmgr runs directly and its bytes pass unchanged.
# LUIT names the luit program to use (default: luit on the PATH).
set -euo pipefail

if [ $# -eq 0 ]; then
  echo "usage: $0 <devmgr> [arguments]" >&2
  exit 2
fi

luit_cmd=${LUIT:-luit}

# True when luit_cmd is luit 2 or later; luit 1.x (from old x11-utils) crashes on GBK.
luit_works() {
  local version
  version=$("$luit_cmd" -V 2>&1 | sed -n 's/^luit - \([0-9][0-9]*\)\..*/\1/p' | head -n 1)
  [ -n "$version" ] && [ "$version" -ge 2 ]
}

charset=$(locale charmap 2>/dev/null || true)
if [ -t 0 ] && [ -t 1 ] && { [ "$charset" = UTF-8 ] || [ "$charset" = utf8 ]; }; then
  if command -v "$luit_cmd" >/dev/null 2>&1 && luit_works; then
    exec "$luit_cmd" -encoding GBK -- "$@"
  fi
  found=$("$luit_cmd" -V 2>&1 | head -n 1 || true)
  {
    echo "devmgr prints GBK, and this terminal is UTF-8: the menus will not read as Chinese."
    echo "To read them, install luit 2 and start again:  sudo apt-get install luit"
    if command -v "$luit_cmd" >/dev/null 2>&1; then
      echo "(the luit found here, '${found}', is the old one from x11-utils, which"
      echo " cannot show GBK; the luit package replaces it.)"
    fi
    echo "Or switch the terminal to GBK. Starting devmgr directly now."
  } >&2
fi
exec "$@"
