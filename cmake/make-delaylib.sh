#!/usr/bin/env bash
# make-delaylib.sh <nm> <dlltool> <import-lib> <DLL name> <i686|x86_64> <out.a>
# Makes a delay-import library for a system DLL from the exported functions of
# mingw's import library: a .def of its symbols, then dlltool --output-delaylib.
set -euo pipefail
nm="$1" dlltool="$2" implib="$3" dll="$4" arch="$5" out="$6"
def="${out%.a}.def"
{
  echo "LIBRARY $dll"
  echo "EXPORTS"
  if [ "$arch" = i686 ]; then
    # i686 stdcall names carry a leading underscore and an @N suffix.
    "$nm" -g --defined-only "$implib" 2>/dev/null | awk '$2 == "T" { sub(/^_/, "", $3); print "  " $3 }'
  else
    "$nm" -g --defined-only "$implib" 2>/dev/null | awk '$2 == "T" { print "  " $3 }'
  fi
} | awk '!seen[$0]++' > "$def"
flags=()
[ "$arch" = i686 ] && flags+=(--kill-at)
"$dlltool" "${flags[@]}" --input-def "$def" --output-delaylib "$out"
