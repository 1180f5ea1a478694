#!/usr/bin/env bash
# Installs, from Debian's packages and only when missing, what a step needs:
#   ensure-deps.sh build   cmake, a C++20 compiler and make (make run, make build)
#   ensure-deps.sh windows the above, MinGW-w64, Wine and GoogleTest's sources (make windows)
#   ensure-deps.sh test    all of the above and the test tools (make test, make fuzz)
# Without apt-get it names the missing packages and fails.
set -euo pipefail

what="${1:-test}"
case "$what" in
  build | windows | test) ;;
  *)
    echo "usage: $0 build|windows|test" >&2
    exit 2
    ;;
esac

need=()
have_cmd() { command -v "$1" >/dev/null 2>&1; }
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep 'install ok installed' >/dev/null; }

have_cmd cmake || need+=(cmake)
have_cmd g++ || need+=(g++)
have_cmd make || need+=(make)
# A save keeps ACLs and extended attributes through libacl and libattr.
have_pkg libacl1-dev || need+=(libacl1-dev)
have_pkg libattr1-dev || need+=(libattr1-dev)
if [ "$what" = windows ] || [ "$what" = test ]; then
  # The Windows cross-compiler, Wine to run its tests, GoogleTest built for the target.
  have_cmd x86_64-w64-mingw32-g++-posix || need+=(g++-mingw-w64-x86-64-posix)
  have_pkg wine64 || need+=(wine64)
  have_pkg googletest || need+=(googletest)
fi
if [ "$what" = test ]; then
  have_cmd clang++ || need+=(clang)
  have_pkg libgtest-dev || need+=(libgtest-dev)
  have_pkg libgmock-dev || need+=(libgmock-dev)
  have_pkg libclang-rt-14-dev || need+=(libclang-rt-14-dev)
  # The terminal test runs devmgr on a pseudo-terminal.
  have_cmd tmux || need+=(tmux)
  # The message catalogues are checked with GNU gettext (msgfmt, xgettext, msgcmp).
  have_cmd msgcmp || need+=(gettext)
  # The tests set and read ACLs and extended attributes.
  have_cmd setfacl || need+=(acl)
  have_cmd setfattr || need+=(attr)
  # The benchmark check in the test suite compares devmgr's files with these tools' output.
  have_cmd mawk || need+=(mawk)
  have_cmd gawk || need+=(gawk)
  have_cmd sqlite3 || need+=(sqlite3)
  # The package test (lintian, mandoc) and the benchmark figure's test (gnuplot, no X).
  have_cmd lintian || need+=(lintian)
  have_cmd mandoc || need+=(mandoc)
  have_cmd gnuplot || need+=(gnuplot-nox)
  # The Windows build's console window test: Wine's console on a virtual display, keys
  # typed into it, its picture taken, a CJK console font, the Chinese locale's sources.
  have_cmd Xvfb || need+=(xvfb)
  have_cmd xdotool || need+=(xdotool)
  have_cmd convert || need+=(imagemagick)
  have_pkg fonts-wqy-zenhei || need+=(fonts-wqy-zenhei)
  [ -f /usr/share/i18n/locales/zh_CN ] || need+=(locales)
fi

if [ ${#need[@]} -eq 0 ]; then
  exit 0
fi
if ! have_cmd apt-get; then
  echo "devmgr: missing packages for '$what': ${need[*]}" >&2
  echo "devmgr: this system has no apt-get; install them with its own package manager" >&2
  exit 1
fi
echo "Installing missing packages: ${need[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${need[@]}"
