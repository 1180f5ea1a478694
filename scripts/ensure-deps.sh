#!/usr/bin/env bash
# Installs, from Debian's packages and only when missing, what building and testing need.
set -euo pipefail

need=()
have_cmd() { command -v "$1" >/dev/null 2>&1; }
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep 'install ok installed' >/dev/null; }

have_cmd cmake || need+=(cmake)
have_cmd g++ || need+=(g++)
have_cmd make || need+=(make)
have_cmd clang++ || need+=(clang)
have_pkg libgtest-dev || need+=(libgtest-dev)
have_pkg libgmock-dev || need+=(libgmock-dev)
have_pkg libclang-rt-14-dev || need+=(libclang-rt-14-dev)
have_cmd tmux || need+=(tmux)
# The benchmark check in the test suite compares devmgr's files with these tools' output.
have_cmd mawk || need+=(mawk)
have_cmd gawk || need+=(gawk)
have_cmd sqlite3 || need+=(sqlite3)
# Packaging and documentation checks (package test: lintian, mandoc) and the benchmark's
# figure (gnuplot, without X).
# --- packaging and docs: lintian, mandoc, gnuplot-nox ---
have_cmd lintian || need+=(lintian)
have_cmd mandoc || need+=(mandoc)
have_cmd gnuplot || need+=(gnuplot-nox)
# --- end of packaging and docs ---
# luit 2 shows devmgr's GBK in a UTF-8 terminal (make run). It replaces the old luit of
# x11-utils < 7.7+6 by removing that package, so there it is left to the user.
if ! have_pkg luit; then
  x11=$(dpkg-query -W -f='${Version}' x11-utils 2>/dev/null || true)
  if [ -n "$x11" ] && have_pkg x11-utils && dpkg --compare-versions "$x11" lt 7.7+6; then
    echo "note: to read devmgr in a UTF-8 terminal, run: sudo apt-get install luit" >&2
  else
    need+=(luit)
  fi
fi

if [ ${#need[@]} -eq 0 ]; then
  exit 0
fi
echo "Installing missing packages: ${need[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${need[@]}"
