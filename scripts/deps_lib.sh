# shellcheck shell=bash
# Reads scripts/commands.txt, the table of what building and testing call and the Debian
# package of each: scripts/ensure-deps.sh installs from it and the test scripts skip by
# it (need_tools), so both decide alike whether a tool is there. Sourced, never run; uses
# only bash and dpkg-query.
DEVMGR_COMMANDS="$(cd "${BASH_SOURCE[0]%/*}" && pwd)/commands.txt"

# Prints the table's rows (name, package, step, check), without comments and blank lines.
dep_rows() {
  local name package step check
  while read -r name package step check; do
    [[ -z $name || $name == \#* ]] || echo "$name $package $step $check"
  done <"$DEVMGR_COMMANDS"
}

# True when the Debian package is installed.
dep_installed() {
  [ "$(dpkg-query -W -f='${Status}' "$1" 2>/dev/null)" = "install ok installed" ]
}

# True when the row (name, package, check) is met on this machine.
dep_present() {
  case $3 in
    command) command -v "$1" >/dev/null 2>&1 ;;
    command+package) command -v "$1" >/dev/null 2>&1 && dep_installed "$2" ;;
    package) dep_installed "$2" ;;
    file) [ -e "$1" ] ;;
    *) return 1 ;;
  esac
}

# True when a row of the step $1 belongs to what the step $2 needs: build < windows < test.
dep_in_step() {
  case $2 in
    build) [ "$1" = build ] ;;
    windows) [ "$1" != test ] ;;
    *) true ;;
  esac
}

# need_tools [--fail] NAME...: the test scripts' check that the tools they call are there.
# Exits 77 (skipped), or 1 with --fail, naming the first that is missing and its package;
# a name the table lacks fails, since nothing would install it.
need_tools() {
  local status=77 want name package step check found
  if [ "${1:-}" = --fail ]; then status=1 && shift; fi
  for want in "$@"; do
    found=
    while read -r name package step check; do
      [ "$name" = "$want" ] && found=$package && break
    done < <(dep_rows)
    if [ -z "$found" ]; then
      echo "FAILED: $want has no row in $DEVMGR_COMMANDS"
      exit 1
    fi
    if ! dep_present "$name" "$package" "$check"; then
      echo "$([ "$status" = 77 ] && echo SKIPPED || echo FAILED): no $want (package $package;" \
        "scripts/ensure-deps.sh $step installs it)"
      exit "$status"
    fi
  done
}
