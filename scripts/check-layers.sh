#!/usr/bin/env bash
# Checks the layering of src/: Qt only in render/qt, view/qt and app; each
# library includes only its own headers and those of the libraries it links
# (directly or through another), as the CMake files say; every member
# defined in a library belongs to a class declared in it.
set -euo pipefail
cd "$(dirname "$0")/../src"

# The layer table is the link graph of the CMake files, read here rather than
# written out a second time: the folder of each project target, and the
# project targets each one links.
declare -A folderOf=() links=()
while IFS= read -r cmake; do
  dir=$(dirname "$cmake")
  for target in $(sed -nE 's/^[[:space:]]*add_(library|executable)\(([A-Za-z0-9_-]+).*/\2/p' "$cmake"); do
    folderOf[$target]=$dir
  done
done < <(find . -name CMakeLists.txt | sed 's|^\./||' | sort)
while IFS= read -r cmake; do
  dir=$(dirname "$cmake")
  while read -r -a words; do
    for word in "${words[@]:1}"; do
      if [ -n "${folderOf[$word]+x}" ]; then
        links[$dir]="${links[$dir]:-} ${folderOf[$word]}"
      fi
    done
  done < <(tr '\n' ' ' < "$cmake" | grep -oE 'target_link_libraries\([^)]*\)' |
           sed -E 's/target_link_libraries\(//; s/\)$//; s/\b(PUBLIC|PRIVATE|INTERFACE)\b//g')
done < <(find . -name CMakeLists.txt | sed 's|^\./||' | sort)

# library -> the libraries its files may include: itself and all it links.
declare -A allowed=()
for lib in $(printf '%s\n' "${folderOf[@]}" | sort -u); do
  reach=" $lib "
  todo="${links[$lib]:-}"
  while [ -n "${todo// /}" ]; do
    read -r next rest <<< "$todo"
    todo="$rest"
    if [[ "$reach" != *" $next "* ]]; then
      reach+="$next "
      todo+=" ${links[$next]:-}"
    fi
  done
  allowed[$lib]=$reach
done

if [ "${1:-}" = --table ]; then  # the table the check uses, for the docs
  for lib in $(printf '%s\n' "${!allowed[@]}" | sort); do
    echo "$lib:${allowed[$lib]}"
  done
  exit 0
fi

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
