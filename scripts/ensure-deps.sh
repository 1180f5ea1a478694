#!/usr/bin/env bash
# Installs, from Debian's packages and only when missing, what building and testing need.
set -euo pipefail

need=()
have_cmd() { command -v "$1" >/dev/null 2>&1; }
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

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

if [ ${#need[@]} -eq 0 ]; then
  exit 0
fi
echo "Installing missing packages: ${need[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${need[@]}"
