#!/usr/bin/env bash
# Checks that a fresh Debian 12 machine gets everything a build used from
# scripts/install-deps.sh: every header, library, CMake file and tool the
# given build folders actually read must come from a package that
# install-deps.sh lists, or that a listed package pulls in through Depends
# (install-deps.sh installs without Recommends), or that every Debian system
# has (Priority: required, as debootstrap's minbase). A file no package owns
# (installed by hand, e.g. under /usr/local) fails too.
#
# Usage: scripts/check-deps.sh [BUILD_DIR...]   (default: build)
# The folders must have been built with CMake's Makefile generator (the
# presets' default): the compiler's dependency files (*.o.d), link.txt and
# build.make are where the used files are named.
#
# KELPRIS_DEPS_PACKAGES="a b c" replaces the list from install-deps.sh (for
# the check's own test).
set -euo pipefail
export LC_ALL=C

root="$(cd "$(dirname "$0")/.." && pwd)"
if [ $# -eq 0 ]; then
  set -- "$root/build"
fi

# --- the files the builds used ----------------------------------------------

# Absolute paths named in the build system files of one build folder, one a
# line: headers from the dependency files, libraries and tools from the link
# and build rules, the CMake files read while configuring.
named_paths() {
  local dir=$1 cxx
  # The compiler's dependency lists; continuation backslashes become spaces.
  find "$dir" -path '*/CMakeFiles/*' -name '*.o.d' -exec cat {} + | tr ' \\' '\n\n'
  find "$dir" -path '*/CMakeFiles/*' \( -name link.txt -o -name build.make \) -exec cat {} + |
    grep -o '/[^][ "'\'';:()=<>$]*' || true
  grep -ho '"/[^"]*"' "$dir/CMakeFiles/Makefile.cmake" | tr -d '"' || true
  find "$dir" -name AutogenInfo.json -exec grep -ho '"/[^"]*"' {} + | tr -d '"' || true
  # -lNAME on a link line: the file the linker takes for it.
  cxx=$(sed -n 's/^CMAKE_CXX_COMPILER:[A-Z]*=//p' "$dir/CMakeCache.txt")
  find "$dir" -path '*/CMakeFiles/*' -name link.txt -exec grep -ho -- ' -l[^ ]*' {} + |
    sort -u | while read -r flag; do
      local name=${flag#-l} found
      for file in "lib$name.so" "lib$name.a"; do
        found=$("$cxx" -print-file-name="$file")
        if [ "$found" != "$file" ]; then
          echo "$found"
          break
        fi
      done
    done
}

# The system files among them: existing regular files (or links to them)
# outside the source tree and the build folders, with ".." resolved. A
# compiler launcher such as ccache speeds a build up; no build needs it.
system_files() {
  local skip=("$root") dir launcher
  for dir in "$@"; do
    skip+=("$(cd "$dir" && pwd)")
    launcher=$(sed -n 's/^CMAKE_CXX_COMPILER_LAUNCHER:[A-Z]*=//p' "$dir/CMakeCache.txt")
    if [ -n "$launcher" ] && launcher=$(command -v "$launcher"); then
      skip+=("$launcher" "$(realpath "$launcher")")
    fi
  done
  # realpath and stat fail for names that are not there; those are dropped.
  for dir in "$@"; do
    named_paths "$dir"
  done | sort -u | { xargs -r -d '\n' realpath -s -q -e -- || true; } |
    { xargs -r -d '\n' stat -L -c '%F	%n' -- 2>/dev/null || true; } |
    sed -n 's/^regular \(empty \)\?file\t//p' |
    awk -v skip="$(printf '%s\n' "${skip[@]}")" '
      BEGIN { n = split(skip, skipped, "\n") }
      {
        for (i = 1; i <= n; i++)
          if ($0 == skipped[i] || index($0, skipped[i] "/") == 1) next
        print
      }' | sort -u
}

# --- which package has each file --------------------------------------------

# "package<TAB>path" for every path listed in file $1 that dpkg knows. A
# path on a merged /usr is also tried under its other name (/lib and
# /usr/lib are the same folder, but dpkg knows only one of the names). Only a
# path that no package has, such as /usr/bin/c++ (a link of the alternatives
# system), goes by where its links lead: a -dev package's libz.so is a link to
# the run-time package's file, and the link is what the build needs.
owners() {
  local found unowned
  found=$(owners_of_names <"$1")
  unowned=$(sort -u "$1" | comm -23 - <(cut -f2 <<<"$found" | sort -u))
  if [ -n "$found" ]; then
    printf '%s\n' "$found"
  fi
  if [ -n "$unowned" ]; then
    paste <(printf '%s\n' "$unowned") <(printf '%s\n' "$unowned" | xargs -d '\n' realpath --) |
      owners_of_names
  fi
}

# Reads "path" or "path<TAB>name to ask dpkg about" lines.
owners_of_names() {
  local names
  names=$(mktemp)
  awk -F'\t' '
    {
      name = NF > 1 ? $2 : $1
      print $1 "\t" name
      if (name ~ /^\/usr\/(lib|bin|sbin)\//) print $1 "\t" substr(name, 5)
      else if (name ~ /^\/(lib|lib64|bin|sbin)\//) print $1 "\t/usr" name
    }' | sort -u >"$names"
  # dpkg-query -S prints "package[:arch][, package...]: path".
  { cut -f2 "$names" | sort -u | xargs -r dpkg-query -S 2>/dev/null || true; } | sed "/^diversion by/d" |
    awk -F'\t' '
      NR == FNR { asked[$2] = asked[$2] " " $1; next }
      {
        colon = index($0, ": ")
        n = split(substr($0, 1, colon - 1), packages, ", ")
        m = split(asked[substr($0, colon + 2)], used, " ")
        for (i = 1; i <= n; i++) {
          sub(/:.*/, "", packages[i])
          for (j = 1; j <= m; j++) print packages[i] "\t" used[j]
        }
      }' "$names" - | sort -u
  rm -f "$names"
}

# --- what a fresh machine gets ----------------------------------------------

listed_packages() {
  if [ -n "${KELPRIS_DEPS_PACKAGES:-}" ]; then
    printf '%s\n' $KELPRIS_DEPS_PACKAGES
  else
    "$root/scripts/install-deps.sh" --list
  fi
}

# The installed packages a fresh machine would have: the listed ones, the
# required ones and apt, and everything they depend on, following the first
# alternative of each "a | b" that is installed here (or a package installed
# here that provides it). Recommends are not followed.
pulled_in() {
  dpkg-query -W -f='${db:Status-Abbrev}\t${Package}\t${Priority}\t${Provides}\t${Pre-Depends}, ${Depends}\n' |
    awk -F'\t' -v roots="$(listed_packages | tr '\n' ' ')" '
      function bare(name) {
        sub(/^ +/, "", name); sub(/[ (].*/, "", name); sub(/:.*/, "", name)
        return name
      }
      function choose(group,    alts, n, i, name) {
        n = split(group, alts, "|")
        for (i = 1; i <= n; i++) {
          name = bare(alts[i])
          if (name in installed) return name
          if (name in provider) return provider[name]
        }
        return ""
      }
      $1 ~ /^ii/ {
        installed[$2] = 1
        deps[$2] = $5
        if ($3 == "required" || $2 == "apt") queue[++tail] = $2
        n = split($4, provided, ",")
        for (i = 1; i <= n; i++) if (!(bare(provided[i]) in provider)) provider[bare(provided[i])] = $2
      }
      END {
        n = split(roots, listed, " ")
        for (i = 1; i <= n; i++) {
          if (!(listed[i] in installed)) {
            print "not-installed\t" listed[i]
            continue
          }
          queue[++tail] = listed[i]
        }
        for (head = 1; head <= tail; head++) {
          package = queue[head]
          if (package in seen) continue
          seen[package] = 1
          print "pulled\t" package
          n = split(deps[package], groups, ",")
          for (i = 1; i <= n; i++) {
            chosen = choose(groups[i])
            if (chosen != "" && !(chosen in seen)) queue[++tail] = chosen
          }
        }
      }'
}

# --- the verdict --------------------------------------------------------------

for dir in "$@"; do
  if [ ! -f "$dir/CMakeCache.txt" ] || ! find "$dir" -path '*/CMakeFiles/*' -name '*.o.d' -print -quit | grep -q .; then
    echo "check-deps: $dir holds no built CMake tree (build it with the Makefile generator first)" >&2
    exit 2
  fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
system_files "$@" >"$work/files"
owners "$work/files" >"$work/owners"
pulled_in >"$work/pulled"

if grep -q '^not-installed' "$work/pulled"; then
  echo "check-deps: listed in install-deps.sh but not installed (run scripts/install-deps.sh):" >&2
  sed -n 's/^not-installed\t/  /p' "$work/pulled" >&2
  exit 1
fi

# A file is covered when any of its owners is pulled in; a file with no
# owner at all came from outside Debian.
awk -F'\t' '
  FILENAME == ARGV[1] { if ($1 == "pulled") ok[$2] = 1; next }
  FILENAME == ARGV[2] { owned[$2] = owned[$2] " " $1; if ($1 in ok) covered[$2] = 1; next }
  {
    if ($0 in covered) next
    if (!($0 in owned)) { print "none\t" $0; next }
    n = split(owned[$0], list, " ")
    for (i = 1; i <= n; i++) print list[i] "\t" $0
  }' "$work/pulled" "$work/owners" "$work/files" | sort >"$work/missing"

files=$(wc -l <"$work/files")
if [ ! -s "$work/missing" ]; then
  echo "check-deps: all $files system files the build used come from packages install-deps.sh installs"
  exit 0
fi
echo "check-deps: the build used files a fresh machine would not have:" >&2
awk -F'\t' '
  $1 == "none" { print "  " $2 ": in no Debian package (installed by hand?)"; next }
  $1 != last { if (last != "") print "  " last ": " count " file(s), e.g. " example; last = $1; count = 0; example = $2 }
  $1 != "none" { count++ }
  END { if (last != "") print "  " last ": " count " file(s), e.g. " example }' "$work/missing" >&2
echo "Add the package to scripts/install-deps.sh (or to a package listed there)." >&2
exit 1
