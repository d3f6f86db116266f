#!/bin/bash
# Stub size report: what each library and each object contributes to the
# shipped sfxstub.exe, read from the link map the build writes beside it
# (stub/sfxstub.map), largest first, beside the whole file's size and its
# sections.
#
# Counted are the input sections that take room in the file: code, read-only
# and initialised data, unwind tables, resources (the animation and icon),
# import and export tables. Not counted: zero-filled data (.bss) and debug
# sections (the shipped file is stripped). The relocation table is made by
# the linker for the whole image and shows only in the section list.
#
# usage: bench/stub_size.sh [BUILD_DIR] [OBJECTS]
#   BUILD_DIR  the i686 build (default build/windows)
#   OBJECTS    how many of the largest objects to list (default 40)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/windows}
objects=${2:-40}
exe=$build/stub/sfxstub.exe
map=$build/stub/sfxstub.map
for f in "$exe" "$map"; do
  [ -f "$f" ] || { echo "no $f: build the sfxstub target of the windows preset first" >&2; exit 2; }
done
command -v i686-w64-mingw32-objdump >/dev/null || { echo "missing i686-w64-mingw32-objdump" >&2; exit 2; }

echo "sfxstub.exe: $(stat -c %s "$exe") bytes"
echo
echo "sections of the file (bytes in the file):"
i686-w64-mingw32-objdump -h "$exe" | while read -r index name size _; do
  if [[ $index =~ ^[0-9]+$ ]]; then printf "  %-10s %9d\n" "$name" "$((16#$size))"; fi
done
echo
python3 - "$map" "$objects" <<'PY'
import collections, os, re, sys

map_path, top = sys.argv[1], int(sys.argv[2])
counted = re.compile(r"^\.(text|rdata|data|eh_frame|rsrc|idata|edata|tls|ctors|dtors|CRT|gcc_except_table)")
by_object = collections.Counter()
by_section = collections.Counter()
pending = None  # a section name whose address, size and file follow on the next line
in_memory_map = False
with open(map_path, errors="replace") as f:
    for line in f:
        if not in_memory_map:
            in_memory_map = line.startswith("Linker script and memory map")
            continue
        if not line.startswith(" ") or line.startswith("  "):
            # An output section's own line, or the continuation of a long
            # input-section name.
            if pending and line.startswith("                0x"):
                parts = line.split(None, 2)
                if len(parts) == 3 and parts[1].startswith("0x"):
                    size = int(parts[1], 16)
                    if size:
                        by_object[parts[2].strip()] += size
                        by_section[pending] += size
            pending = None
            continue
        parts = line.split(None, 3)
        name = parts[0]
        if not counted.match(name) or name.startswith(".debug"):
            pending = None
            continue
        if len(parts) == 1:
            pending = counted.match(name).group(0)
            continue
        pending = None
        if len(parts) < 4 or not parts[1].startswith("0x") or not parts[2].startswith("0x"):
            continue
        size = int(parts[2], 16)
        if size:
            by_object[parts[3].strip()] += size
            by_section[counted.match(name).group(0)] += size

def library_of(path):
    m = re.match(r"(.*?)\((.*)\)$", path)
    if m:
        return os.path.basename(m.group(1))
    # Objects linked directly: the program's own, the C runtime's start files.
    parent = os.path.basename(os.path.dirname(path))
    return "(objects of %s)" % parent if parent.endswith(".dir") else os.path.basename(path)

def object_of(path):
    m = re.match(r"(.*?)\((.*)\)$", path)
    return "%s(%s)" % (os.path.basename(m.group(1)), m.group(2)) if m else os.path.basename(path)

by_library = collections.Counter()
for path, size in by_object.items():
    by_library[library_of(path)] += size
total = sum(by_object.values())
print("counted input sections: %d bytes (%s)" % (total, ", ".join("%s %d" % kv for kv in by_section.most_common())))
print()
print("%-48s %10s %6s" % ("library", "bytes", "share"))
for name, size in by_library.most_common():
    print("%-48s %10d %5.1f%%" % (name, size, 100.0 * size / total))
print()
print("%-72s %10s" % ("object (the %d largest)" % top, "bytes"))
for path, size in by_object.most_common(top):
    print("%-72s %10d" % (object_of(path)[:72], size))
PY
