#!/usr/bin/env bash
# wine-prefix.sh <dir>: a fresh prefix for one test run or demo, copied from
# the template. DLLs are hard-linked (fast); the *.reg files are real copies
# because wineserver rewrites them in place.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
dest="$1"
tmpl="$KRV_DEPS_DIR/wine-template"
[ -f "$tmpl/.krv-ready" ] || { echo "no Wine template in $tmpl: run scripts/setup.sh" >&2; exit 1; }
WINEPREFIX="$dest" wineserver -k 2>/dev/null || true
rm -rf "$dest"
mkdir -p "$(dirname "$dest")"
cp -al "$tmpl" "$dest"
for f in "$tmpl"/*.reg; do cp --remove-destination "$f" "$dest/$(basename "$f")"; done
rm -f "$dest/.krv-ready"
