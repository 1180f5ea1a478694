#!/usr/bin/env bash
# The folders of src/ are layers: a file includes headers of its own folder and of the
# folders below it only (docs/hacking.md). model includes nothing of ours; locale only
# model; files locale and model; store those and files; console and main.cpp any. Every
# include of the sources is checked, and each one against the order is named with its file.
# Usage: layers_test.sh [anything]: the arguments are not used.
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root/src" || exit 1

# The folders a file in each folder may include from.
declare -A allowed=(
  [model]="model"
  [locale]="locale model"
  [files]="files locale model"
  [store]="store files locale model"
  [console]="console store files locale model"
  [.]="console store files locale model"
)

bad=0
while IFS= read -r -d '' file; do
  dir=$(dirname "$file")
  dir=${dir#./}
  if [ -z "${allowed[$dir]+x}" ]; then
    echo "FAIL: $file lies in src/$dir, which is no layer"
    bad=1
    continue
  fi
  while IFS= read -r line; do
    target=${line#*\"}
    target=${target%%\"*}
    folder=${target%%/*}
    [ "$folder" = "$target" ] && folder=.
    case " ${allowed[$dir]} " in
      *" $folder "*) ;;
      *)
        echo "FAIL: src/${file#./} includes \"$target\": src/$dir may include only ${allowed[$dir]}"
        bad=1
        ;;
    esac
  done < <(grep -E '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file")
done < <(find . -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.def' -o -name '*.c' \) -print0)

if [ "$bad" -ne 0 ]; then exit 1; fi
echo "PASS: every include of src/ keeps the order model, locale, files, store, console, main"
