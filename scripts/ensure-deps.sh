#!/usr/bin/env bash
# Installs, from Debian's packages and only when missing, what a step needs; the commands
# and packages are the rows of scripts/commands.txt:
#   ensure-deps.sh build   cmake, a C++20 compiler and make (make run, make build)
#   ensure-deps.sh windows the above, MinGW-w64, Wine and GoogleTest's sources (make windows)
#   ensure-deps.sh test    all of the above and the test tools (make test, make fuzz)
# With --print after the step it prints the missing packages, one a line, and installs
# nothing. Without apt-get it names the missing packages and fails.
set -euo pipefail
source "${0%/*}/deps_lib.sh"

what="${1:-test}"
case "$what" in
  build | windows | test) ;;
  *)
    echo "usage: $0 build|windows|test [--print]" >&2
    exit 2
    ;;
esac

need=()
while read -r name package step check; do
  dep_in_step "$step" "$what" || continue
  dep_present "$name" "$package" "$check" && continue
  [[ " ${need[*]} " == *" $package "* ]] || need+=("$package")
done < <(dep_rows)

if [ "${2:-}" = --print ]; then
  [ ${#need[@]} -eq 0 ] || printf '%s\n' "${need[@]}"
  exit 0
fi
if [ ${#need[@]} -eq 0 ]; then
  exit 0
fi
if ! command -v apt-get >/dev/null 2>&1; then
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
