#!/usr/bin/env bash
# Fuzzes one target, or all of them one after the other, for a time each.
#   fuzz/run.sh TARGET|all SECONDS [extra libFuzzer options...]
#   FUZZ_KEEP_GOING=1 fuzz/run.sh ...   fork mode: a crash, leak, timeout or
#                                       out-of-memory is saved and the run goes on
# Starts from the committed corpus (fuzz/corpus/TARGET) plus what earlier runs
# found (build/fuzz/work/TARGET); crash inputs land in build/fuzz/findings/TARGET/.
# Runs at low priority on one core. The last libFuzzer line ("#N ... cov: C
# ft: F") gives executions and coverage.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
fuzz_bin="${FUZZ_BIN:-$root/build/fuzz/fuzz}"
targets=(fuzz_map fuzz_unpack fuzz_signature fuzz_settings fuzz_command_line fuzz_package fuzz_dsa)

if [ $# -lt 2 ]; then
  echo "usage: fuzz/run.sh TARGET|all SECONDS [libFuzzer options...]; targets: ${targets[*]}" >&2
  exit 2
fi
which="$1" seconds="$2"
shift 2
[ "$which" = all ] && selected=("${targets[@]}") || selected=("$which")

# Longest input per target: big enough for a whole small package (whose
# packed blocks may then ask for up to 16384 times their size, 256 MiB);
# the settings files and command lines stay short so that the known
# slowness of deep section paths does not eat the run.
max_len() {
  case "$1" in
    fuzz_signature) echo 65536 ;;
    fuzz_package|fuzz_unpack) echo 16384 ;;
    *) echo 4096 ;;
  esac
}

for target in "${selected[@]}"; do
  binary="$fuzz_bin/$target"
  [ -x "$binary" ] || { echo "missing $binary: cmake --preset fuzz && cmake --build --preset fuzz" >&2; exit 1; }
  work="$root/build/fuzz/work/$target" findings="$root/build/fuzz/findings/$target"
  mkdir -p "$work" "$findings"
  options=(-max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 -max_len="$(max_len "$target")"
           -artifact_prefix="$findings/" -print_final_stats=1)
  [ -f "$root/fuzz/dict/$target.dict" ] && options+=(-dict="$root/fuzz/dict/$target.dict")
  if [ "${FUZZ_KEEP_GOING:-0}" = 1 ]; then
    options+=(-fork=1 -ignore_crashes=1 -ignore_ooms=1 -ignore_timeouts=1)
  fi
  echo "== $target for ${seconds}s"
  nice -n 10 "$binary" "${options[@]}" "$@" "$work" "$root/fuzz/corpus/$target"
done
