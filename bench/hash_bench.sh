#!/bin/bash
# Hashing benchmark: our SHA-256 and MD5 against openssl dgst over the same
# file, and sfxtool verify of a package (the stub's check: locate, SHA-256
# under the PE rule, DSA) against openssl dgst -sha256 of it; with the
# 32-bit build (sfxtool.exe under Wine) beside them when it is built.
#
# Makes a 512 MiB file of random bytes and a copy of it signed with form 5
# (the development keys), runs each program RUNS times and prints, per row,
# the best wall time, the CPU time (user + system) of that run and the peak
# resident memory, ours beside openssl's, and how fast ours is against
# openssl (openssl's time / ours: 1.00 or more is as fast or faster). On a
# busy machine the wall times wander; the CPU column shows the work itself.
#
# usage: bench/hash_bench.sh [BUILD_DIR] [WIN32_BUILD_DIR] [WORK_DIR]
#   BUILD_DIR        the native build (default build/native): tools/sfxtool
#                    and bench/krv_hash_file
#   WIN32_BUILD_DIR  the PE32 build (default build/windows): tools/sfxtool.exe,
#                    run with wine in $WINEPREFIX (default build/wine/prefix)
#   WORK_DIR         scratch space, about 1.1 GB (default a fresh folder in
#                    /tmp, removed at the end)
# RUNS (default 3) and SIZE_MIB (default 512) may be set in the environment.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/bench/bench_lib.sh"
build=${1:-$root/build/native}
win32=${2:-$root/build/windows}
runs=${RUNS:-3}
size_mib=${SIZE_MIB:-512}
sfxtool=$build/tools/sfxtool
hash_file=$build/bench/krv_hash_file
for program in "$sfxtool" "$hash_file"; do
  [ -x "$program" ] || { echo "no $program: build the native sfxtool and krv_hash_file targets first" >&2; exit 2; }
done
bench_require openssl /usr/bin/time
bench_work_dir "${3:-}" krv-hash-bench

data=$work/data.bin
package=$work/package.bin
if [ ! -f "$data" ] || [ "$(stat -c %s "$data")" -ne $((size_mib * 1048576)) ]; then
  echo "making $size_mib MiB of random bytes in $data ..."
  head -c $((size_mib * 1048576)) /dev/urandom >"$data"
  # Not "MZ": the SHA-256 of a file that is no PE image is the plain one.
  printf '\0' | dd of="$data" bs=1 count=1 conv=notrunc status=none
  cp "$data" "$package"
  "$sfxtool" sign "$package" --form 5 >/dev/null 2>&1
fi

# run NAME COMMAND...: RUNS runs; sets best_wall, best_cpu, best_rss (KiB)
# from the run with the lowest wall time, and out to its standard output.
run() {
  local name=$1
  shift
  best_wall=""
  local i
  for ((i = 0; i < runs; i++)); do
    /usr/bin/time -o "$work/time.txt" -f '%e %U %S %M' "$@" >"$work/out.txt" 2>/dev/null ||
      { echo "$name failed: $*" >&2; exit 1; }
    read -r wall user sys rss <"$work/time.txt"
    if [ -z "$best_wall" ] || awk -v a="$wall" -v b="$best_wall" 'BEGIN { exit !(a < b) }'; then
      best_wall=$wall
      best_cpu=$(awk -v u="$user" -v s="$sys" 'BEGIN { printf "%.2f", u + s }')
      best_rss=$rss
      out=$(cat "$work/out.txt")
    fi
  done
}

rows=()
# row WHAT: one line of the table from the last two runs (ours, then openssl).
row() {
  rows+=("$(awk -v what="$1" -v ow="$2" -v oc="$3" -v orss="$4" -v pw="$5" -v pc="$6" -v prss="$7" 'BEGIN {
    printf "%-44s %7.2f %6.2f %8.1f   %7.2f %6.2f %8.1f   %5.2f %5.2f\n", what, ow, oc, orss / 1024, pw, pc,
      prss / 1024, (ow > 0 ? pw / ow : 0), (oc > 0 ? pc / oc : 0) }')")
}

first_word() { awk '{ print $1 }' <<<"$1"; }
last_word() { awk '{ print $NF }' <<<"$1"; }

for algorithm in sha256 md5; do
  run "krv_hash_file $algorithm" "$hash_file" "$algorithm" "$data"
  ours=$(first_word "$out"); ow=$best_wall; oc=$best_cpu; orss=$best_rss
  run "openssl dgst -$algorithm" openssl dgst -"$algorithm" "$data"
  theirs=$(last_word "$out")
  [ "$ours" = "$theirs" ] || { echo "$algorithm digests differ: $ours against $theirs" >&2; exit 1; }
  row "$algorithm, $size_mib MiB file (digests equal)" "$ow" "$oc" "$orss" "$best_wall" "$best_cpu" "$best_rss"
done

run "sfxtool verify" "$sfxtool" verify "$package"
ow=$best_wall; oc=$best_cpu; orss=$best_rss
run "openssl dgst -sha256" openssl dgst -sha256 "$package"
pw=$best_wall; pc=$best_cpu; prss=$best_rss
row "sfxtool verify, form 5 package" "$ow" "$oc" "$orss" "$pw" "$pc" "$prss"

exe=$win32/tools/sfxtool.exe
if [ -f "$exe" ] && command -v wine >/dev/null; then
  export WINEPREFIX=${WINEPREFIX:-$root/build/wine/prefix} WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  wine "$exe" --help >/dev/null 2>&1 || true  # the first start sets the prefix up
  run "sfxtool.exe verify" wine "$exe" verify "Z:$package"
  row "sfxtool.exe verify (PE32, Wine), form 5" "$best_wall" "$best_cpu" "$best_rss" "$pw" "$pc" "$prss"
else
  rows+=("(no $exe or no wine: the 32-bit row is left out)")
fi

echo
echo "best of $runs runs; wall and cpu in seconds, peak RSS in MiB; x: openssl's time / ours (wall, cpu)"
printf "%-44s %7s %6s %8s   %7s %6s %8s   %5s %5s\n" "what" "wall" "cpu" "RSS" "openssl" "cpu" "RSS" "x" "xcpu"
printf '%s\n' "${rows[@]}"
