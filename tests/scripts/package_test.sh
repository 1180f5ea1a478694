#!/usr/bin/env bash
# Builds the Debian package from the build tree of the devmgr it is given (cpack, into a
# scratch directory) and checks it: the files Debian policy asks for are where they belong,
# the compressed ones are gzip -9n of their sources, the changelog, the manual page and
# --version name one version, the manual page is clean for mandoc -Tlint, and lintian
# reports no error or warning. Skipped (77) in a sanitizer build, whose binary is not
# shipped, and, after the other checks, when lintian is not installed (make deps
# installs it).
# Usage: package_test.sh <devmgr> <pause shim>.
set -euo pipefail
export LC_ALL=C.UTF-8
bin=$(realpath "$1")
tree=$(dirname "$bin")
root=$(cd "$(dirname "$0")/../.." && pwd)
source "$root/scripts/deps_lib.sh"
fail() {
  echo "FAIL: $*"
  exit 1
}

if grep -q '^DEVMGR_SANITIZE:BOOL=ON' "$tree/CMakeCache.txt"; then
  echo "SKIP: a sanitizer build is not packaged"
  exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cpack --config "$tree/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 ||
  fail "cpack: $(cat "$work/cpack.log")"
deb=$(ls "$work"/devmgr_*.deb)
dpkg-deb -x "$deb" "$work/root"
doc=$work/root/usr/share/doc/devmgr

# Installed file | source it must equal ("-" none) | how: gz (gzip -9n of it) or same
files=(
  "usr/bin/devmgr|-|-"
  "usr/share/man/man1/devmgr.1.gz|man/devmgr.1|gz"
  "usr/share/doc/devmgr/changelog.gz|packaging/changelog|gz"
  "usr/share/doc/devmgr/copyright|packaging/copyright|same"
  "usr/share/doc/devmgr/README.md|README.md|same"
  "usr/share/doc/devmgr/docs/reliability.md|docs/reliability.md|same"
  "usr/share/doc/devmgr/bench/results.svg|bench/results.svg|same"
  "usr/share/doc/devmgr/examples/devices.txt|examples/devices.txt|same"
  "usr/share/doc/devmgr/examples/devices.utf8.txt|examples/devices.utf8.txt|same"
  "usr/share/lintian/overrides/devmgr|packaging/lintian_overrides|same"
)
for row in "${files[@]}"; do
  IFS='|' read -r path source how <<<"$row"
  [ -f "$work/root/$path" ] || fail "$path is not in the package"
  case $how in
    gz) gzip -9n -c "$root/$source" | cmp -s - "$work/root/$path" ||
      fail "$path is not gzip -9n of $source" ;;
    same) cmp -s "$root/$source" "$work/root/$path" || fail "$path differs from $source" ;;
  esac
done

# One version everywhere: the binary's, the changelog's latest entry, the manual page's.
version=$("$bin" --version | sed -n 's/^devmgr //p')
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "package version is not $version"
zcat "$doc/changelog.gz" | head -n 1 | grep -F "devmgr ($version) " >/dev/null ||
  fail "the changelog's latest entry is not $version"
grep -E "^\.TH DEVMGR 1 \"[0-9]{4}-[0-9]{2}-[0-9]{2}\" \"devmgr $version\"" \
  "$root/man/devmgr.1" >/dev/null || fail ".TH of the manual page lacks a date or $version"
dpkg-deb -f "$deb" Description Recommends | grep -i luit >/dev/null &&
  fail "the package still mentions luit"

if command -v mandoc >/dev/null; then
  mandoc -Tlint -Wwarning "$root/man/devmgr.1" >"$work/mandoc.log" 2>&1 ||
    fail "mandoc -Tlint: $(cat "$work/mandoc.log")"
fi
need_tools lintian
# Status 1: a tag at the levels named; 2: lintian itself failed. Either fails the test.
lintian --fail-on error,warning "$deb" >"$work/lintian.log" 2>&1 ||
  fail "lintian: $(grep -v 'root privileges' "$work/lintian.log")"
if grep -E '^(E|W):' "$work/lintian.log"; then
  fail "lintian reports errors or warnings"
fi
echo "PASS: package $(basename "$deb")"
