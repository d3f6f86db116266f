#!/usr/bin/env bash
# Builds both targets and runs every test: native unit tests, the replay of
# the fuzz targets' corpora, the Windows unit tests under Wine, the
# end-to-end tests that drive real packages under Wine, and the smoke run of
# the shipped 32-bit stub.
#   scripts/test.sh            everything; where this host runs 32-bit code
#                              natively, also the Windows unit tests built
#                              for i686 (what ships) under Wine's 32-bit loader
#   KRV_SKIP_PE32=1 scripts/test.sh   leave out the slow 32-bit stub runs
#   KRV_TEST_I686=0 scripts/test.sh   leave out the i686 unit tests
#   KRV_TEST_I686=1 scripts/test.sh   run them even under qemu-i386 (hours)
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
source "$KRV_ROOT/scripts/wine-session.sh"
cd "$KRV_ROOT"

# configure_and_build <preset> [cmake cache options...]
configure_and_build() {
  local preset="$1"; shift
  cmake --preset "$preset" "$@" >/dev/null
  cmake --build --preset "$preset" -j2
}

ctest_run() {
  local dir="$1"; shift
  ctest --test-dir "$dir" --output-on-failure --no-tests=error "$@"
}

# Wine now and then fails to start a test process (no output at all; about
# once in a few thousand starts here), so under Wine a failed test runs
# once more. The first failure and its output stay in the log, and the tests
# that failed once are named after the run, so that an intermittent fault of
# our own still shows.
wine_ctest_run() {
  local dir="$1"; shift
  local log="$dir/Testing/wine-run.log"
  mkdir -p "$dir/Testing"
  local status=0
  ctest_run "$dir" --repeat until-pass:2 "$@" | tee "$log" || status=$?
  local once
  once=$(sed -nE 's/.*Test +#[0-9]+: ([^ ]+) \.*\*\*\*(Failed|Exception|Timeout).*/\1/p' "$log" | sort -u)
  if [ -n "$once" ]; then
    echo "    these tests failed once (output above) and were run again:"
    echo "$once" | sed 's/^/      /'
  fi
  return "$status"
}

step "set up the machine (packages, dependency cache, Wine template)" "$KRV_ROOT/scripts/setup.sh"
# The Windows unit tests of the i686 build test what ships; they run where
# the processor runs 32-bit code itself (under qemu-i386 they take hours).
if [ -z "${KRV_TEST_I686:-}" ]; then
  if scripts/can-run-i386.sh --natively; then
    KRV_TEST_I686=1
  else
    KRV_TEST_I686=0
    echo "    this host runs 32-bit code only under qemu-i386: the i686 Windows unit tests are skipped"
    echo "    (KRV_TEST_I686=1 runs them anyway, for hours)"
  fi
elif [ "$KRV_TEST_I686" = 0 ]; then
  echo "    KRV_TEST_I686=0: the i686 Windows unit tests are skipped"
fi
step "build native (core, sfxtool, native tests)" configure_and_build native
step "build windows64 (Windows tests and the x86_64 twin of the stub)" configure_and_build windows64
if [ "${KRV_TEST_I686:-0}" = 1 ]; then
  step "build windows (the shipped PE32 stub, sfxtool.exe and the i686 unit tests)" configure_and_build windows -DKRV_BUILD_TESTS=ON
else
  step "build windows (the shipped PE32 stub and sfxtool.exe)" configure_and_build windows
fi
step "build the fuzz targets (clang, libFuzzer)" configure_and_build fuzz
step "fuzz targets replay their committed corpora" ctest_run build/fuzz -L fuzz
step "make a fresh Wine prefix for this run (build/wine/prefix)" scripts/wine-prefix.sh "$KRV_BUILD/wine/prefix"
step "start the display (Xvfb) and warm Wine" bash -c "source scripts/wine-session.sh; krv_start_display && krv_start_wine '$KRV_BUILD/wine/prefix'"
export DISPLAY="${KRV_DISPLAY:-:99}" WINEPREFIX="$KRV_BUILD/wine/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
trap krv_stop_wine EXIT
step "native unit tests" ctest_run build/native -LE 'e2e|pe32|large' -j2
step "Windows unit tests under Wine" wine_ctest_run build/windows64 -j2
step "end-to-end tests under Wine" wine_ctest_run build/native -L e2e
if [ "${KRV_SKIP_PE32:-0}" != 1 ]; then
  step "shipped PE32 stub under Wine's 32-bit loader (slow under qemu)" wine_ctest_run build/native -L pe32
fi
if [ "${KRV_TEST_I686:-0}" = 1 ]; then
  # Wine's 32-bit client loses its server connection ("recvmsg: Connection
  # reset by peer") in about one of a hundred process starts here.
  step "Windows unit tests of the i686 build under Wine's 32-bit loader" wine_ctest_run build/windows -j2
fi
echo "all tests passed"
