#!/usr/bin/env bash
# Makes the win64 Wine prefix template once (Arial mapped to DejaVu Sans,
# Mono and Gecko skipped). Test runs and the demo copy it (scripts/wine-prefix.sh).
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

tmpl="$KRV_DEPS_DIR/wine-template"
if [ -f "$tmpl/.krv-ready" ]; then
  say "Wine prefix template present in $tmpl"
  exit 0
fi
rm -rf "$tmpl"
export WINEPREFIX="$tmpl" WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
/usr/lib/wine/wine64 wineboot -i </dev/null >/dev/null 2>&1
# Wine has no Arial; GDI+ font families by that name must resolve.
/usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Arial /t REG_SZ /d 'DejaVu Sans' /f </dev/null >/dev/null 2>&1
wineserver -w
touch "$tmpl/.krv-ready"
say "made $tmpl"
