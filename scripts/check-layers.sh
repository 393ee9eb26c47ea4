#!/usr/bin/env bash
# Checks the layering of src/: Qt only in render/qt, view/qt and app; each
# library includes only its own headers and those of the libraries below it;
# every member defined in a library belongs to a class declared in it.
set -euo pipefail
cd "$(dirname "$0")/../src"

# library -> the libraries its files may include (itself included)
declare -A allowed=(
  [base]="base"
  [scene]="scene base"
  [geometry]="geometry scene base"
  [render]="render geometry scene base"
  [view]="view render geometry scene base"
  [import]="import scene base"
  [importer]="importer import scene base"
  [render/qt]="render/qt render geometry scene base"
  [view/qt]="view/qt render/qt view render geometry scene base"
  [app]="app view/qt render/qt view render geometry scene base import"
)

libraryOf() {  # the library a path below src/ belongs to
  case "$1" in
    render/qt/*) echo render/qt ;;
    view/qt/*) echo view/qt ;;
    *) echo "${1%%/*}" ;;
  esac
}

status=0
while IFS= read -r file; do
  lib=$(libraryOf "$file")
  [ -n "${allowed[$lib]+x}" ] || { echo "$file: library '$lib' is not in the layer table"; status=1; continue; }
  if [[ " render/qt view/qt app " != *" $lib "* ]] && grep -q '#include <Q' "$file"; then
    echo "$file: Qt include outside the Qt layers"; status=1
  fi
  while IFS= read -r inc; do
    target=$(libraryOf "$inc")
    [ -e "$inc" ] || continue  # generated headers (app/version.h)
    if [[ " ${allowed[$lib]} " != *" $target "* ]]; then
      echo "$file: includes $inc from '$target', above or beside '$lib'"; status=1
    fi
  done < <(sed -n 's/^#include "\([^"]*\)".*/\1/p' "$file")
done < <(find . -name '*.h' -o -name '*.cpp' | sed 's|^\./||' | sort)

# Out-of-class member definitions "Type Class::name(" must be in the library
# whose header declares Class.
while IFS=: read -r file cls; do
  lib=$(libraryOf "$file")
  decl=$(grep -rlE "^(class|struct) (\[\[[a-z]+\]\] )?$cls\b[^;]*$" --include='*.h' . | sed 's|^\./||' | head -1 || true)
  [ -n "$decl" ] || continue
  if [ "$(libraryOf "$decl")" != "$lib" ]; then
    echo "$file: defines members of $cls, which $decl declares"; status=1
  fi
done < <(grep -rhoE --include='*.cpp' -H '^[A-Za-z_][A-Za-z0-9_:<>*& ]* ([A-Z][A-Za-z0-9_]*)::[A-Za-z_~][A-Za-z0-9_]*\(' . \
          | sed -E 's|^\./([^:]*):.* ([A-Z][A-Za-z0-9_]*)::.*|\1:\2|' | sort -u)

[ $status -eq 0 ] && echo "layers: every library includes only itself and the libraries below it"
exit $status
