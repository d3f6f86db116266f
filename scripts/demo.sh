#!/usr/bin/env bash
# A real update from start to end: makes a signed package from the shipped
# stub, registers the product in a fresh Wine prefix with the updater
# stand-in as its pkgrun.exe, runs the package and shows what happened.
#   scripts/demo.sh                  the x86_64 twin of the stub (seconds)
#   KRV_DEMO_PE32=1 scripts/demo.sh  the shipped PE32 stub; where 32-bit code
#                                    runs under qemu-i386 this is slow and the
#                                    run currently dies during extraction
#                                    (qemu-user and Wine's threads; see README)
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
source "$KRV_ROOT/scripts/wine-session.sh"
cd "$KRV_ROOT"

demo="$KRV_BUILD/demo"
prefix="$demo/prefix"
product_key='HKLM\SOFTWARE\ORVANE Software\Orvane'
program_folder='C:\Program Files\Orvane'
setup_host="$prefix/drive_c/Program Files/Orvane/setup"
log_host="$prefix/drive_c/ProgramData/ORVANE Software/Persistent Data/Orvane/Logs/Update.log"
if [ "${KRV_DEMO_PE32:-0}" = 1 ]; then
  stub="$KRV_BUILD/windows/stub/sfxstub.exe"
else
  stub="$KRV_BUILD/windows64/stub/sfxstub.exe"
fi

build_targets() {
  local preset="$1"; shift
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j2 --target "$@"
}

make_payload() {
  rm -rf "$demo/payload" && mkdir -p "$demo/payload"
  # Stand-ins for virus-definition packages and the updater's side files.
  head -c 400000 /dev/urandom | base64 > "$demo/payload/vps_win32-2612a.vpx"
  head -c 150000 /dev/urandom | base64 > "$demo/payload/part-2612a-01.vpx"
  printf '[servers]\nupdate1=https://update.invalid/\n' > "$demo/payload/servers.def"
  printf '[config]\nchannel=release\n' > "$demo/payload/config.def"
}

make_package() {
  build/native/tools/sfxtool build --stub "$stub" --out "$demo/update.exe" --name update \
    --template '/vps_upd:"%TMPPATH%"' "$demo"/payload/* 2>&1 | grep -v 'development keys' || true
  [ -f "$demo/update.exe" ]
}

install_product() {
  local reg="scripts/wine-run reg"
  $reg add "$product_key" /v ProgramFolder /t REG_SZ /d "$program_folder" /f /reg:32 >/dev/null
  $reg add "$product_key" /v DataFolder /t REG_SZ /d "$program_folder\\data" /f /reg:32 >/dev/null
  $reg add "$product_key" /v SetupVersion /t REG_DWORD /d 2031 /f /reg:32 >/dev/null
  mkdir -p "$setup_host" "$prefix/drive_c/Program Files/Orvane/data"
  cp build/windows64/tests/doubles/pkgrun.exe "$setup_host/"
  # The stand-in shows its window after a second, signals that it is up,
  # stays two seconds and ends with 0.
  printf 'exit_code=0\nshow_window=yes\nsignal=yes\ndelay_ms=1000\nlinger_ms=2000\n' > "$setup_host/pkgrun-behaviour.txt"
}

run_package() {
  local winpath="Z:${demo//\//\\}\\update.exe"
  scripts/wine-run build/windows64/tests/winebed/runexit.exe "$winpath" | tee "$demo/run.txt"
  grep -q '^exit code: 0x00000000' "$demo/run.txt"
}

show_results() {
  cp "$setup_host/pkgrun-record.txt" "$demo/pkgrun-record.txt"
  cp "$log_host" "$demo/Update.log"
  say "the updater stand-in was given:"
  sed 's/^/      /' "$demo/pkgrun-record.txt"
  local ws
  ws=$(sed -n 's/^workspace: //p' "$demo/pkgrun-record.txt" | tr -d '\r')
  local ws_host="$prefix/drive_c/${ws#C:\\}"
  ws_host="${ws_host//\\//}"
  if [ -e "$ws_host" ]; then echo "workspace $ws still exists" >&2; return 1; fi
  say "the workspace $ws is gone again"
  say "progress published: $(scripts/wine-run reg query 'HKCR\OrvanePersistentStorage' /v KaldorProgress | grep KaldorProgress | tr -s ' ')"
  say "the log (build/demo/Update.log):"
  sed 's/^/      /' "$demo/Update.log"
}

step "set up the machine (packages, dependency cache, Wine template)" scripts/setup.sh
step "build sfxtool (native)" build_targets native sfxtool
step "build the updater stand-in, launcher and stub twin (windows64)" build_targets windows64 pkgrun runexit wintool sfxstub
step "build the shipped stub (windows, PE32)" build_targets windows sfxstub
step "make a fresh Wine prefix ($prefix)" scripts/wine-prefix.sh "$prefix"
step "start the display (Xvfb) and Wine" bash -c "source scripts/wine-session.sh; krv_start_display && krv_start_wine '$prefix'"
export DISPLAY="${KRV_DISPLAY:-:99}" WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
trap krv_stop_wine EXIT
step "make the payload: definition packages and side files" make_payload
step "build and sign the package build/demo/update.exe from $(basename "$(dirname "$(dirname "$stub")")")/stub/sfxstub.exe" make_package
step "verify the package's signature" build/native/tools/sfxtool verify "$demo/update.exe"
step "list the package" build/native/tools/sfxtool list "$demo/update.exe"
step "register the product and install the updater stand-in as pkgrun.exe" install_product
step "run the package (progress window, extraction, updater, clean-up)" run_package
step "show what happened" show_results
echo "demo finished: the update ran and returned 0"
