#!/bin/bash
# Build and extraction benchmark: sfxtool build against 7zz a, and sfxtool
# extract against 7zz x and tar -xJf, on the same files.
#
# Makes 40 files of 4-8 MiB (text with numbers, interleaved with random
# blocks: partly compressible, like update files) and 8 part- files of
# 16 MiB of random bytes, 366 MiB in all. Packs them with sfxtool build (LZMA,
# a worker per processor) and with 7zz a (LZMA with the packer's 4 MiB
# dictionary, two threads), and prints wall time, peak memory and cpu time of
# each. Then extracts the package with sfxtool (the part- entries are
# written as stored: about 256 MiB written), a .7z of the extracted files
# with 7zz and a .tar.xz of them with tar, and prints the same. Wall times
# count only on an otherwise idle machine; the cpu column shows the work
# itself.
#
# usage: bench/extract_bench.sh [BUILD_DIR] [WORK_DIR]
#   BUILD_DIR  the native build holding tools/sfxtool (default build/native)
#   WORK_DIR   scratch space, about 2 GB (default a fresh folder in /tmp,
#              removed at the end). Files made there before are used again,
#              and so are the .7z and .tar.xz of the extracted files.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/bench/bench_lib.sh"
build=${1:-$root/build/native}
sfxtool=$build/tools/sfxtool
[ -x "$sfxtool" ] || { echo "no $sfxtool: build the sfxtool target first" >&2; exit 2; }
bench_require 7zz tar xz python3 /usr/bin/time
bench_work_dir "${2:-}" krv-extract-bench

if [ -d "$work/files" ]; then
  echo "using the files made before in $work/files"
else
  echo "making the files in $work/files ..."
  python3 - "$work/files" <<'PY'
import os, random, sys
folder = sys.argv[1]
os.makedirs(folder, exist_ok=True)
rng = random.Random(20261210)
words = [b"update", b"signature", b"engine", b"definition", b"virus", b"scan", b"module", b"version",
         b"kernel", b"driver", b"config", b"server", b"record", b"section", b"value", b"checksum"]
def content(size):
    out = bytearray()
    while len(out) < size:
        if rng.random() < 0.5:
            lines = b"".join(b" ".join(rng.choice(words) for _ in range(6)) + b" %d 0x%08x\n" % (rng.randrange(10**6), rng.getrandbits(32))
                             for _ in range(80))
            out += lines
        else:
            out += rng.randbytes(4096)
    return bytes(out[:size])
for i in range(40):
    with open(os.path.join(folder, "vps_%02d.vpx" % i), "wb") as f:
        f.write(content(rng.randrange(4 << 20, (8 << 20) + 1)))
for i in range(8):
    with open(os.path.join(folder, "part-%02d.vpx" % i), "wb") as f:
        f.write(rng.randbytes(16 << 20))
with open(os.path.join(folder, "..", "stub.bin"), "wb") as f:
    f.write(b"MZ" + bytes(4094))
PY
fi

# Wall seconds, peak resident KiB and CPU seconds (user + system) of one
# command, as "SECONDS KIB CPU".
measure() {
  /usr/bin/time -f "%e %M %U %S" -o "$work/time.txt" "$@" >/dev/null 2>"$work/err.txt" || {
    cat "$work/err.txt" >&2
    exit 1
  }
  awk '{ printf "%s %s %.2f\n", $1, $2, $3 + $4 }' "$work/time.txt"
}

echo "building the package with sfxtool (LZMA, development keys) and a .7z of the same files with 7zz ..."
rm -f "$work/pkg.exe" "$work/files.7z"
read -r build_s build_kb build_cpu < <(measure "$sfxtool" build --stub "$work/stub.bin" --out "$work/pkg.exe" --name pkg \
  --time 1700000000 --packer lzma "$work"/files/vps_*.vpx "$work"/files/part-*.vpx)
read -r pack_s pack_kb pack_cpu < <(measure 7zz a -bd -m0=lzma -md=4m -mmt=2 "$work/files.7z" \
  "$work"/files/vps_*.vpx "$work"/files/part-*.vpx)
# Once more on one worker (under the same package name): the bytes must
# not change.
read -r one_s one_kb one_cpu < <(measure "$sfxtool" build --stub "$work/stub.bin" --out "$work/pkg-1job.exe" --name pkg \
  --time 1700000000 --packer lzma --jobs 1 "$work"/files/vps_*.vpx "$work"/files/part-*.vpx)
cmp -s "$work/pkg.exe" "$work/pkg-1job.exe" || { echo "the package built with --jobs 1 differs" >&2; exit 1; }
rm -f "$work/pkg-1job.exe"
inputs=$(du -cb "$work"/files/* | tail -n 1 | cut -f1)

echo "extracting with sfxtool ..."
rm -rf "$work/out-sfx"
read -r sfx_s sfx_kb sfx_cpu < <(measure "$sfxtool" extract "$work/pkg.exe" "$work/out-sfx")
written=$(du -sb "$work/out-sfx" | cut -f1)

if [ ! -f "$work/ref.7z" ] || [ ! -f "$work/ref.tar.xz" ]; then
  echo "making the .7z and the .tar.xz of the extracted files ..."
  rm -f "$work/ref.7z" "$work/ref.tar.xz"
  (cd "$work/out-sfx" && 7zz a -bd -m0=lzma -md=4m -mmt=2 "$work/ref.7z" . >/dev/null)
  (cd "$work/out-sfx" && tar -cf - . | xz -6 -T2 >"$work/ref.tar.xz")
fi

echo "extracting with 7zz and tar ..."
rm -rf "$work/out-7z" "$work/out-tar"
mkdir -p "$work/out-tar"
read -r sz_s sz_kb sz_cpu < <(measure 7zz x -bd -y -o"$work/out-7z" "$work/ref.7z")
read -r tar_s tar_kb tar_cpu < <(measure tar -xJf "$work/ref.tar.xz" -C "$work/out-tar")

stored=$(python3 -c "import os; print(sum(os.path.getsize(os.path.join('$work/out-sfx', n)) for n in os.listdir('$work/out-sfx') if 'part-' in n))")
package=$(stat -c %s "$work/pkg.exe")
archive=$(stat -c %s "$work/files.7z")
python3 - "$inputs" "$archive" "$build_s" "$build_kb" "$build_cpu" "$pack_s" "$pack_kb" "$pack_cpu" "$one_s" "$one_kb" "$one_cpu" \
  "$written" "$stored" "$package" "$sfx_s" "$sfx_kb" "$sfx_cpu" "$sz_s" "$sz_kb" "$sz_cpu" "$tar_s" "$tar_kb" "$tar_cpu" <<'PY'
import sys
inputs, archive = int(sys.argv[1]), int(sys.argv[2])
build_s, build_kb, build_cpu, pack_s, pack_kb, pack_cpu, one_s, one_kb, one_cpu = map(float, sys.argv[3:12])
written, stored, package = int(sys.argv[12]), int(sys.argv[13]), int(sys.argv[14])
sfx_s, sfx_kb, sfx_cpu, sz_s, sz_kb, sz_cpu, tar_s, tar_kb, tar_cpu = map(float, sys.argv[15:])
mib = 1 << 20
print()
print("packed: %.1f MiB of files" % (inputs / mib))
print("%-16s %9s %11s %9s %11s" % ("", "wall s", "peak MiB", "cpu s", "out MiB"))
for name, s, kb, cpu, size in (("sfxtool build", build_s, build_kb, build_cpu, package),
                               ("  --jobs 1", one_s, one_kb, one_cpu, package),
                               ("7zz a", pack_s, pack_kb, pack_cpu, archive)):
    print("%-16s %9.2f %11.1f %9.2f %11.1f" % (name, s, kb / 1024, cpu, size / mib))
print()
print("sfxtool build / 7zz a:  %.2fx wall time (goal: at most 0.80x), %.2fx cpu time, %.3fx size"
      % (build_s / pack_s, build_cpu / pack_cpu, package / archive))
print("the package built with --jobs 1: the same bytes")
print()
print("written: %.1f MiB (%.1f MiB unpacked, %.1f MiB as stored)" % (written / mib, (written - stored) / mib, stored / mib))
print("%-16s %9s %11s %9s" % ("", "wall s", "peak MiB", "cpu s"))
for name, s, kb, cpu in (("sfxtool extract", sfx_s, sfx_kb, sfx_cpu), ("7zz x", sz_s, sz_kb, sz_cpu),
                         ("tar -xJf", tar_s, tar_kb, tar_cpu)):
    print("%-16s %9.2f %11.1f %9.2f" % (name, s, kb / 1024, cpu))
print()
print("sfxtool / 7zz:  %.2fx wall time (goal: at most 0.35x), %.2fx peak memory, %.2fx cpu time"
      % (sfx_s / sz_s, sfx_kb / sz_kb, sfx_cpu / sz_cpu))
print("sfxtool / tar:  %.2fx wall time, %.2fx peak memory" % (sfx_s / tar_s, sfx_kb / tar_kb))
print("sfxtool extract peak: %.1f MiB (goal: at most 128 MiB: %s)"
      % (sfx_kb / 1024, "met" if sfx_kb / 1024 <= 128 else "NOT met"))
PY
