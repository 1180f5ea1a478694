#!/usr/bin/env bash
# scripts/commands.txt against what the scripts of make test call, and against the
# installer and the skip checks that read it:
# - every command that the test scripts, the scripts they call and the Makefile's recipes
#   call (command_words.awk finds them) has a row, or is a shell builtin or keyword, a
#   function of those scripts, a file of the project, or a command of Debian's base system
#   (a package of priority required, which every Debian has); a missing row fails, naming
#   the command and where it is called; the same scan over the table less a row fails too;
# - the rows are well formed;
# - on a machine whose convert is not ImageMagick's, scripts/ensure-deps.sh installs
#   imagemagick and need_tools skips the console window test, and both agree once it is
#   installed; each step asks for its own rows only.
# Usage: commands_table_test.sh [anything]: the arguments are not used.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root" || exit 1
table=scripts/commands.txt
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
bad=0
fail() {
  echo "FAILED: $*"
  bad=1
}

# The rows' form: four fields, a known step and check, a file row a path.
while read -r name package step check extra; do
  [[ -z $name || $name == \#* ]] && continue
  row="$name $package $step $check"
  [ -z "$extra" ] && [ -n "$check" ] || fail "row '$row $extra': not four fields"
  [[ $step =~ ^(build|windows|test)$ ]] || fail "row '$row': step '$step'"
  [[ $check =~ ^(command|command\+package|package|file)$ ]] || fail "row '$row': check '$check'"
  [[ $check != file || $name == /* ]] || fail "row '$row': a file row names no path"
done <"$table"

# The words called as commands ("call" or "external" FILE LINE WORD), and the functions
# defined ("function" FILE LINE NAME).
{
  for file in tests/scripts/*.sh scripts/*.sh tests/fuzz/run.sh bench/jobs.sh bench/plot.sh .ci/run; do
    awk -f tests/scripts/command_words.awk "$file"
  done
  awk -v MAKE=1 -f tests/scripts/command_words.awk Makefile
} >"$work/words"
grep -c -v '^function ' "$work/words" | awk '$1 < 500 { exit 1 }' ||
  fail "the scan found fewer than 500 calls: command_words.awk reads the scripts wrongly"
# A function's name is no command, unless it is also called where no function can be.
awk '$1 == "external" { called[$4] = 1 } $1 == "function" { defined[$4] = 1 }
     END { for (f in defined) if (!(f in called)) print f }' "$work/words" >"$work/functions"

# The commands of Debian's base system among the words, found through the package that
# owns each. The files a command may be: a merged /usr lists some in /bin, and a link of
# update-alternatives (awk) stands for each of its alternatives.
candidates() {
  local path p
  path=$(command -v "$1") && [[ $path == /* ]] || return 0
  for p in "$path" "$(readlink -f "$path")"; do echo "$p" "${p/#\/usr\//\/}"; done
  [[ $(readlink "$path") != /etc/alternatives/* ]] ||
    update-alternatives --list "$1" 2>/dev/null
}
awk '$1 != "function" && $4 !~ /\// { print $4 }' "$work/words" | sort -u >"$work/called"
while read -r word; do candidates "$word"; done <"$work/called" | tr ' ' '\n' | sort -u >"$work/paths"
xargs dpkg-query -S <"$work/paths" 2>/dev/null | sed 's/: /\t/' >"$work/owners"
cut -f1 "$work/owners" | tr -d ' ' | tr ',' '\n' | sort -u |
  xargs dpkg-query -W -f='${Package} ${Priority} ${Essential}\n' 2>/dev/null |
  awk '$2 == "required" || $3 == "yes" { print $1 }' >"$work/base_packages"
awk -F'\t' 'NR == FNR { base[$1] = 1; next }
            { n = split($1, p, ", *"); for (i = 1; i <= n; i++) if (p[i] in base) print $2 }' \
  "$work/base_packages" "$work/owners" >"$work/base_paths"

# Prints each called word that table $1 lacks and nothing else allows, with where it is called.
missing_rows() {
  local word
  while read -r word; do
    awk -v w="$word" '!/^#/ && $1 == w { found = 1 } END { exit !found }' "$1" && continue
    grep -qxF -- "$word" "$work/functions" && continue
    [[ $(type -t "$word") =~ ^(builtin|keyword)$ ]] && continue
    grep -qxFf <(candidates "$word" | tr ' ' '\n') "$work/base_paths" && continue
    echo "$word (called in $(awk -v w="$word" '$1 != "function" && $4 == w {
      print $2 ":" $3; exit }' "$work/words"))"
  done <"$work/called"
}
missing_rows "$table" >"$work/missing"
while read -r line; do fail "$line has no row in $table"; done <"$work/missing"
grep -v '^import ' "$table" >"$work/less.txt"
missing_rows "$work/less.txt" >"$work/missing"
[ "$(cut -d' ' -f1 "$work/missing")" = import ] ||
  fail "the table without import's row: the scan finds '$(cat "$work/missing")'"

# A machine of our own making: PATH holds only fake/, dpkg-query answers from $installed.
mkdir "$work/fake"
cat >"$work/fake/dpkg-query" <<'EOF'
#!/bin/bash
for package in $INSTALLED; do
  [ "$package" = "${!#}" ] && printf 'install ok installed' && exit 0
done
exit 1
EOF
printf '#!/bin/sh\n# Stands in for convert: not ImageMagick.\n' >"$work/fake/stand-in"
chmod +x "$work/fake/dpkg-query" "$work/fake/stand-in"
# Runs bash with PATH=fake/, where the commands $1 are the stand-in, packages $2 installed.
on_machine() {
  local tool
  rm -f "$work/fake/convert" "$work/fake/import"
  for tool in $1; do ln -s stand-in "$work/fake/$tool"; done
  INSTALLED=$2 PATH="$work/fake" /bin/bash "${@:3}"
}
wants() { on_machine "$1" "$2" scripts/ensure-deps.sh "$3" --print; }
skip_status() {
  on_machine "$1" "$2" -c 'source scripts/deps_lib.sh; need_tools convert import' >/dev/null
  echo $?
}

# on PATH | installed | ensure-deps.sh test installs imagemagick | need_tools convert import
cases=(
  "convert||yes|77"                   # a stand-in convert, no import, nothing installed
  "convert import||yes|77"            # both named, from another package
  "convert import|imagemagick|no|0"   # ImageMagick's own
  "|imagemagick|yes|77"               # installed, its commands gone from the PATH
)
for row in "${cases[@]}"; do
  IFS='|' read -r tools installed want skip <<<"$row"
  got=no
  wants "$tools" "$installed" test >"$work/wants"
  grep -qx imagemagick "$work/wants" && got=yes
  [ "$got" = "$want" ] || fail "on '$tools' with '$installed': imagemagick wanted: $got"
  [ "$(skip_status "$tools" "$installed")" = "$skip" ] ||
    fail "on '$tools' with '$installed': need_tools status $(skip_status "$tools" "$installed")"
done

# Each step asks for its own rows, each package once; an empty machine wants them all.
# step | packages it asks for | packages it must not ask for
steps=(
  "build|cmake g++ make libacl1-dev|wine64 clang imagemagick"
  "windows|cmake g++-mingw-w64-x86-64-posix wine64|clang xvfb imagemagick"
  "test|cmake wine64 clang xvfb imagemagick gettext libreoffice-calc-nogui|"
)
for row in "${steps[@]}"; do
  IFS='|' read -r step asks shuns <<<"$row"
  wants "" "" "$step" >"$work/wants" || fail "$step: ensure-deps.sh --print failed"
  for package in $asks; do grep -qx "$package" "$work/wants" || fail "$step: no $package"; done
  for package in $shuns; do ! grep -qx "$package" "$work/wants" || fail "$step: asks $package"; done
  [ -z "$(sort "$work/wants" | uniq -d)" ] || fail "$step: a package asked twice"
done

[ "$bad" -eq 0 ] || exit 1
echo "PASS: $(wc -l <"$work/called") commands called, each with its row or from the base system"
