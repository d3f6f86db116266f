#!/usr/bin/env bash
# A real update from start to end: makes a signed package from the shipped
# stub, registers the product in a fresh Wine prefix with the updater
# stand-in as its pkgrun.exe, runs the package and shows what happened, and
# ends with one line that says what the user should do.
#   scripts/demo.sh                  the shipped PE32 stub where this host runs
#                                    32-bit code natively, else its x86_64 twin
#   KRV_DEMO_PE32=1 scripts/demo.sh  the shipped PE32 stub anyway; under
#                                    qemu-i386 this is slow and the run dies
#                                    during extraction (qemu-user and Wine's
#                                    threads; see README)
#   KRV_DEMO_PE32=0 scripts/demo.sh  the x86_64 twin
#   KRV_DEMO_OUTCOME=... scripts/demo.sh   another outcome than "updated":
#       product-missing  nothing registered
#       too-old          the updater's build is 1995
#       damaged          one byte of the package changed after signing
#       updater-fails    the updater ends with code 5
#     (run with /silent, since nobody is there to close the message box)
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
source "$KRV_ROOT/scripts/wine-session.sh"
cd "$KRV_ROOT"

outcome="${KRV_DEMO_OUTCOME:-updated}"
case "$outcome" in
  updated|product-missing|too-old|damaged|updater-fails) ;;
  *) echo "KRV_DEMO_OUTCOME must be updated, product-missing, too-old, damaged or updater-fails" >&2; exit 2 ;;
esac

demo="$KRV_BUILD/demo"
prefix="$demo/prefix"
product_key='HKLM\SOFTWARE\ORVANE Software\Orvane'
program_folder='C:\Program Files\Orvane'
setup_host="$prefix/drive_c/Program Files/Orvane/setup"
log_host="$prefix/drive_c/ProgramData/ORVANE Software/Persistent Data/Orvane/Logs/Update.log"
log_windows='C:\ProgramData\ORVANE Software\Persistent Data\Orvane\Logs\Update.log'
if [ "${KRV_DEMO_PE32:-}" = 1 ]; then
  stub="$KRV_BUILD/windows/stub/sfxstub.exe"
  stub_why="the shipped PE32 stub, as KRV_DEMO_PE32=1 asks"
elif [ "${KRV_DEMO_PE32:-}" = 0 ]; then
  stub="$KRV_BUILD/windows64/stub/sfxstub.exe"
  stub_why="the x86_64 twin of the stub, as KRV_DEMO_PE32=0 asks"
elif scripts/can-run-i386.sh --natively; then
  stub="$KRV_BUILD/windows/stub/sfxstub.exe"
  stub_why="the shipped PE32 stub: this host runs 32-bit code natively"
else
  stub="$KRV_BUILD/windows64/stub/sfxstub.exe"
  stub_why="the x86_64 twin of the stub: this host runs 32-bit code only under qemu-i386, where the PE32 stub's extraction threads die (see README)"
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

# One byte of the first entry changes: the signature no longer checks out.
damage_package() {
  local at=$(( $(stat -c %s "$stub") + 1000 ))
  printf 'Z' | dd of="$demo/update.exe" bs=1 seek="$at" conv=notrunc status=none
}

install_product() {
  local reg="scripts/wine-run reg"
  local version=2031 exit_code=0
  [ "$outcome" = too-old ] && version=1995
  [ "$outcome" = updater-fails ] && exit_code=5
  $reg add "$product_key" /v ProgramFolder /t REG_SZ /d "$program_folder" /f /reg:32 >/dev/null
  $reg add "$product_key" /v DataFolder /t REG_SZ /d "$program_folder\\data" /f /reg:32 >/dev/null
  $reg add "$product_key" /v SetupVersion /t REG_DWORD /d "$version" /f /reg:32 >/dev/null
  mkdir -p "$setup_host" "$prefix/drive_c/Program Files/Orvane/data"
  cp build/windows64/tests/doubles/pkgrun.exe "$setup_host/"
  # The stand-in shows its window after a second, signals that it is up,
  # stays two seconds and ends with its exit code.
  printf 'exit_code=%s\nshow_window=yes\nsignal=yes\ndelay_ms=1000\nlinger_ms=2000\n' "$exit_code" \
    > "$setup_host/pkgrun-behaviour.txt"
}

# Runs the package; the stub's full exit code lands in $demo/exit-code.
run_package() {
  local winpath="Z:${demo//\//\\}\\update.exe"
  local args=()
  [ "$outcome" = updated ] || args=(/silent)
  scripts/wine-run build/windows64/tests/winebed/runexit.exe "$winpath" "${args[@]}" | tee "$demo/run.txt"
  sed -n 's/^exit code: 0x\([0-9a-fA-F]*\).*/\1/p' "$demo/run.txt" | tr -d '\r' > "$demo/exit-code"
  [ -s "$demo/exit-code" ]
}

show_results() {
  if [ -f "$log_host" ]; then cp "$log_host" "$demo/Update.log"; fi
  if [ -f "$setup_host/pkgrun-record.txt" ]; then
    cp "$setup_host/pkgrun-record.txt" "$demo/pkgrun-record.txt"
    say "the updater stand-in was given:"
    sed 's/^/      /' "$demo/pkgrun-record.txt"
    local ws
    ws=$(sed -n 's/^workspace: //p' "$demo/pkgrun-record.txt" | tr -d '\r')
    local ws_host="$prefix/drive_c/${ws#C:\\}"
    ws_host="${ws_host//\\//}"
    if [ -n "$ws" ] && [ -e "$ws_host" ]; then echo "workspace $ws still exists" >&2; return 1; fi
    [ -z "$ws" ] || say "the workspace $ws is gone again"
  else
    say "the updater did not run"
  fi
  say "progress published: $(scripts/wine-run reg query 'HKCR\OrvanePersistentStorage' /v KaldorProgress 2>/dev/null | grep KaldorProgress | tr -s ' ')"
  say "the log (build/demo/Update.log):"
  sed 's/^/      /' "$demo/Update.log"
}

# The line a user can act on, from the stub's exit code and its log lines.
outcome_line() {
  local hex code log
  hex=$(cat "$demo/exit-code")
  code=$((16#$hex))
  log="$demo/Update.log"
  if [ "$code" = 0 ]; then
    echo "updated: the new virus definitions are installed; nothing to do"
  elif grep -q 'is not installed. Stub cannot continue.' "$log"; then
    echo "product missing (exit code 0x$hex): install Orvane Antivirus, then run the update package again"
  elif grep -q "setup '.*' was not found. Stub cannot continue." "$log"; then
    echo "updater too old or missing (exit code 0x$hex): update or repair Orvane Antivirus (updater build 1996 or later), then run the update package again"
  elif grep -q 'Cannot open SFX archive' "$log"; then
    echo "package damaged (exit code 0x$hex): download the update package again; this copy does not match its signature"
  elif grep -q 'Cannot extract VPX files' "$log"; then
    echo "cannot unpack (exit code 0x$hex): free space in the temporary folder (TEMP), then run the update package again"
  elif grep -q 'Cannot run installer/updater executable' "$log"; then
    echo "updater cannot be started (exit code 0x$hex): repair Orvane Antivirus, then run the update package again"
  else
    echo "updater failed with code $code (0x$hex): the update did not complete; see the product's logs in ${log_windows%\\*} and run the update package again"
  fi
}

# Succeeds when the run ended as the chosen outcome should.
check_outcome() {
  local hex expected
  hex=$(cat "$demo/exit-code")
  case "$outcome" in
    updated) expected=00000000 ;;
    product-missing|too-old) expected=0000a003 ;;
    damaged) expected=000003ee ;;
    updater-fails) expected=00000005 ;;
  esac
  [ "$hex" = "$expected" ] || { echo "expected exit code 0x$expected for '$outcome', got 0x$hex" >&2; return 1; }
}

step "set up the machine (packages, dependency cache, Wine template)" scripts/setup.sh
step "build sfxtool (native)" build_targets native sfxtool
step "build the updater stand-in, launcher and stub twin (windows64)" build_targets windows64 pkgrun runexit wintool sfxstub
step "build the shipped stub (windows, PE32)" build_targets windows sfxstub
step "make a fresh Wine prefix ($prefix)" scripts/wine-prefix.sh "$prefix"
step "start the display (Xvfb) and Wine" bash -c "source scripts/wine-session.sh; krv_start_display && krv_start_wine '$prefix'"
export DISPLAY="${KRV_DISPLAY:-:99}" WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
trap krv_stop_wine EXIT
say "the demo runs $stub_why"
step "make the payload: definition packages and side files" make_payload
step "build and sign the package build/demo/update.exe from $(basename "$(dirname "$(dirname "$stub")")")/stub/sfxstub.exe" make_package
step "verify the package's signature" build/native/tools/sfxtool verify "$demo/update.exe"
step "list the package" build/native/tools/sfxtool list "$demo/update.exe"
if [ "$outcome" = damaged ]; then step "damage the package (one byte of an entry)" damage_package; fi
if [ "$outcome" != product-missing ]; then
  step "register the product and install the updater stand-in as pkgrun.exe" install_product
fi
step "run the package (progress window, extraction, updater, clean-up)" run_package
step "show what happened" show_results
step "check the outcome is '$outcome'" check_outcome
echo "demo finished with $stub_why"
echo "outcome: $(outcome_line)"
