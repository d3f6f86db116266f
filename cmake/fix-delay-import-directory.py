#!/usr/bin/env python3
"""fix-delay-import-directory.py <image.exe> <nm>

GNU ld writes the delay-import descriptors but leaves data directory 13 of
the PE optional header empty. The descriptors are contiguous: point the
directory at the first one and give it n x 32 bytes. dlltool's descriptors
are not followed by an all-zero one (code follows them), so readers must go
by the directory's size."""
import struct
import subprocess
import sys


def main() -> int:
    image, nm = sys.argv[1], sys.argv[2]
    out = subprocess.run([nm, image], check=True, capture_output=True, text=True).stdout
    addresses = sorted(int(line.split()[0], 16) for line in out.splitlines()
                       if "__DELAY_IMPORT_DESCRIPTOR_" in line and len(line.split()) == 3)
    if not addresses:
        return 0
    with open(image, "r+b") as f:
        data = bytearray(f.read())
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        opt = pe + 24
        magic = struct.unpack_from("<H", data, opt)[0]
        if magic == 0x10B:
            image_base = struct.unpack_from("<I", data, opt + 28)[0]
            directories = opt + 96
        elif magic == 0x20B:
            image_base = struct.unpack_from("<Q", data, opt + 24)[0]
            directories = opt + 112
        else:
            print(f"{image}: not a PE image", file=sys.stderr)
            return 1
        rva = addresses[0] - image_base
        size = len(addresses) * 32
        struct.pack_into("<II", data, directories + 13 * 8, rva, size)
        f.seek(0)
        f.write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main())
