#!/usr/bin/env bash
# Makes the seed corpus of every fuzz target from real packages and merges
# it, minimised, with what fuzz/corpus/<target> holds and what runs found.
#   fuzz/make_corpus.sh
# Needs build/native/tools/sfxtool (the native preset) and the fuzz targets
# (the fuzz preset); SFXTOOL and FUZZ_BIN override where they are.
#
# Seeds: packages sfxtool builds with the development keys (both packers,
# forms 5 and 1, with and without entry signatures, parameter block and
# extra data), small files signed in every form, the damaged packages the
# archive tests make (cut signature, changed byte, broken trailer, map offset
# above the trailer, extra-data length below the start, map block of
# 0xFFFFFFFF bytes), the maps and packed blocks taken out of the packages,
# settings files in each encoding, command lines, and DSA checks with the
# development keys and with small composite q.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
sfxtool="${SFXTOOL:-$root/build/native/tools/sfxtool}"
fuzz_bin="${FUZZ_BIN:-$root/build/fuzz/fuzz}"
keys="$root/keys/dev-private.keys"
for f in "$sfxtool" "$fuzz_bin/fuzz_map"; do
  [ -x "$f" ] || { echo "missing $f: build the native and fuzz presets first" >&2; exit 1; }
done

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/in" "$work/pkg" "$work/signed"

# A stand-in stub (an MZ header whose e_lfanew points into it) and small
# entries, so that whole packages stay a few kilobytes.
python3 - "$work/in" <<'PY'
import os, sys
d = sys.argv[1]
stub = bytearray(b"\xcc" * 1024); stub[0:2] = b"MZ"; stub[60:64] = (0x80).to_bytes(4, "little")
open(os.path.join(d, "stub.exe"), "wb").write(stub)
open(os.path.join(d, "vps_win32-215b.vpx"), "wb").write(b"v" * 3000 + bytes(range(256)))
open(os.path.join(d, "part-0001.vpx"), "wb").write(b"stored as it is")
open(os.path.join(d, "Config.def"), "wb").write(b"[config]\r\nserver=update.example\r\n")
open(os.path.join(d, "params.bin"), "wb").write(b"/silent /debug")
open(os.path.join(d, "edat.bin"), "wb").write(b"extra data")
PY

build() {  # build NAME OPTIONS...
  local name="$1"; shift
  "$sfxtool" build --stub "$work/in/stub.exe" --out "$work/pkg/$name.exe" --key "$keys" --time 1700000000 \
    --template '/is_kestil_product /vps_upd:"%TMPPATH%"' "$@" \
    "$work/in/vps_win32-215b.vpx" "$work/in/part-0001.vpx" "Config.def=$work/in/Config.def:config-copy.def" \
    >/dev/null
}
build lzma5 --packer lzma --form 5 --entry-signatures --param "$work/in/params.bin"
build zlib5 --packer zlib --form 5 --edat "$work/in/edat.bin"
build lzma1 --packer lzma --form 1
build zlib1 --packer zlib --form 1 --entry-signatures

for form in 0 1 2 4 5; do
  cp "$work/in/Config.def" "$work/signed/form$form.def"
  key=(--key "$keys")
  [ "$form" = 2 ] && key=()  # the checksum form takes no key
  "$sfxtool" sign "$work/signed/form$form.def" --form "$form" "${key[@]}" >/dev/null
done

python3 - "$work" "$keys" <<'PY'
import hashlib, lzma, os, struct, sys, zlib
work, keys_path = sys.argv[1], sys.argv[2]
out = {t: os.path.join(work, "seeds", t) for t in
       ("fuzz_map", "fuzz_unpack", "fuzz_signature", "fuzz_settings", "fuzz_command_line", "fuzz_package",
        "fuzz_dsa")}
for d in out.values(): os.makedirs(d, exist_ok=True)
def put(target, name, data): open(os.path.join(out[target], name), "wb").write(data)
u32 = lambda b, at: struct.unpack_from("<I", b, at)[0]
ZLIB, LZMA = b"KRVsetupFPkgFile", b"KRVsetupFPkgFil3"

def unpack(block):
    magic, size, packed = block[:16], u32(block, 16), u32(block, 20)
    data = block[24:24 + packed]
    if magic == ZLIB: return zlib.decompress(data)
    props = data[0]; lc, rest = props % 9, props // 9
    f = {"id": lzma.FILTER_LZMA1, "lc": lc, "lp": rest % 5, "pb": rest // 5, "dict_size": u32(data, 1)}
    return lzma.LZMADecompressor(lzma.FORMAT_RAW, filters=[f]).decompress(data[5:], size)

def chunks(body):
    at = 0
    while at + 8 <= len(body):
        tag, n = body[at:at + 4], u32(body, at + 4)
        yield tag, body[at + 8:at + 8 + n]
        at += 8 + n

def unpack_seed(block):  # byte 0 picks the magic, the rest follows it
    return bytes([1 if block[:16] == LZMA else 0]) + block[16:]

pkgs = {}
for name in sorted(os.listdir(os.path.join(work, "pkg"))):
    image = open(os.path.join(work, "pkg", name), "rb").read()
    pkgs[name] = image
    put("fuzz_signature", "pkg-" + name, image)
    if not name.endswith("5.exe"): continue
    put("fuzz_package", "pkg-" + name, image)
    end = len(image) - 72
    if image[end - 4:end] == b"EDAT": end -= u32(image, end - 8) + 8
    trailer = end - 20
    m = u32(image, trailer)
    block = image[m:trailer]
    put("fuzz_unpack", "map-" + name, unpack_seed(block))
    amap = unpack(block)
    put("fuzz_map", "map-" + name, amap)
    for tag, body in chunks(amap):
        if tag == b"CMDL": put("fuzz_command_line", "cmdl-" + name, body.decode("latin-1").encode("utf-16-le"))
        if tag == b"CMDP":
            off, size = struct.unpack("<II", body)
            put("fuzz_unpack", "param-" + name, unpack_seed(image[off:off + size]))
        if tag != b"LIST": continue
        for i, (ftag, fbody) in enumerate(chunks(body)):
            for ptag, pbody in chunks(fbody):
                if ptag == b"PTRL":
                    off, size, _ = struct.unpack("<III", pbody)
                    put("fuzz_unpack", "entry%d-%s" % (i, name), unpack_seed(image[off:off + size]))

for name in sorted(os.listdir(os.path.join(work, "signed"))):
    put("fuzz_signature", "signed-" + name, open(os.path.join(work, "signed", name), "rb").read())

# The damaged packages of the archive tests, from the form 5 LZMA package.
base = pkgs["lzma5.exe"]
end = len(base) - 72
trailer = end - 20
m = u32(base, trailer)
def signed_change(at, data):
    b = bytearray(base); b[at:at + len(data)] = data; return bytes(b)
damaged = {
    "signature-cut": base[:-30],
    "covered-byte-changed": signed_change(100, bytes([base[100] ^ 1])),
    "trailer-magic-broken": signed_change(trailer + 8, b"k"),
    "map-offset-above-trailer": signed_change(trailer, struct.pack("<I", trailer + 1)),
    "map-offset-far-above": signed_change(trailer, struct.pack("<I", 0xFFFFFFF0)),
    "map-offset-equals-trailer": signed_change(trailer, struct.pack("<I", trailer)),
    "map-block-huge": signed_change(m + 16, struct.pack("<I", 0xFFFFFFFF)),
    "map-block-not-packed": signed_change(m + 15, b"X"),
    "edat-below-start": base[:end] + struct.pack("<I", 0xFFFFFFF0) + b"EDAT" + base[end:],
}
for name, image in damaged.items():
    put("fuzz_signature", "damaged-" + name, image)
    put("fuzz_package", "damaged-" + name, image)

# DSA checks (fuzz_dsa's layout: five length bytes, q, p, g, y, digest, r || s):
# the signatures of the small signed files with the keys that made them (form
# 1: key 2, 1024/160 bits, MD5; form 5: key 5, 2048/256 bits, SHA-256; no
# altered copies: they reach the same code, and the merge would keep them in
# place of the valid ones), and keys whose g = y = 1 make v = 1, so that r = 1
# is right whenever s has an inverse: modulo a composite and an even q, with
# and without one.
keys, number = {}, None
for line in open(keys_path):
    line = line.strip()
    if line.startswith("key "): number = int(line[4:]); keys[number] = {}
    elif "=" in line and number: name, value = line.split("="); keys[number][name.strip()] = bytes.fromhex(value.strip())
def dsa_seed(q, p, g, y, digest, sig):
    g_len = 255 if len(g) == len(p) else len(g)
    y_len = 255 if len(y) == len(p) else len(y)
    return bytes([len(q) - 1, len(p) - 1, g_len, y_len, len(digest)]) + q + p + g + y + digest + sig
for form, number, tag, sig_size, hash_name in ((1, 2, b"KRVSignd", 40, "md5"), (5, 5, b"KRVSig2B", 64, "sha256")):
    signed = open(os.path.join(work, "signed", "form%d.def" % form), "rb").read()
    at = signed.rindex(tag) - sig_size
    k = keys[number]
    digest = hashlib.new(hash_name, signed[:at]).digest()
    sig = signed[at:at + sig_size]
    seed = dsa_seed(k["q"], k["p"], k["g"], k["y"], digest, sig)
    put("fuzz_dsa", "key%d-form%d" % (number, form), seed)
    # Kept whole besides the merge: a valid signature reaches no code an
    # invalid one does not, so the merge would drop it, but mutations of it
    # are what reaches near-valid signatures.
    os.makedirs(os.path.join(work, "keep", "fuzz_dsa"), exist_ok=True)
    open(os.path.join(work, "keep", "fuzz_dsa", "seed-key%d-form%d" % (number, form)), "wb").write(seed)
p2048 = keys[5]["p"]
for name, q, s in (("q15-s2", 15, 2), ("q15-s3", 15, 3), ("q16-s3", 16, 3), ("q16-s4", 16, 4)):
    put("fuzz_dsa", "unit-" + name, dsa_seed(bytes([q]), p2048, b"\x01", b"\x01", bytes(32), bytes([1, s])))

settings = {
    "utf8": "[Common]\r\nName=caf\u00e9 \U0001F600\r\nEdition=15\r\n[Urls]\r\nLast=x\r\n",
    "nested": "[products.A.current]\nversion=7\n[products..x]\n[]\nroot=1\n",
    "lines": "before=ignored\n;comment=1\n#hash=2\n[\n[s]\nno equals sign\n=empty key\nempty value=\n[t\na=b=c\n",
    "numbers": "[s]\nn= -2147483648\nm=+9223372036854775807\nx=12abc\ny=99999999999999999999\n",
    "case": "[Common]\nEdition=3\n[COMMON]\nedition=5\n",
}
for name, text in settings.items():
    put("fuzz_settings", name + "-utf8", text.encode("utf-8"))
put("fuzz_settings", "utf8-bom", b"\xef\xbb\xbf" + settings["utf8"].encode("utf-8"))
put("fuzz_settings", "utf16le", b"\xff\xfe" + settings["utf8"].encode("utf-16-le"))
put("fuzz_settings", "utf16be", b"\xfe\xff" + settings["utf8"].encode("utf-16-be"))
put("fuzz_settings", "utf16le-odd-lone-surrogate", b"\xff\xfe" + "[a]\nk=".encode("utf-16-le") + b"\x00\xd8" + b"v")
put("fuzz_settings", "utf8-malformed", b"[a]\nk=\xff" b"b\n")

for i, text in enumerate([
        'C:\\Users\\u\\Downloads\\update.exe /silent /debug',
        '"C:\\Program Files\\x\\update.exe" /SILENT:yes "an argument" /x: tail',
        'update.exe  ""quoted"" "unclosed /debug',
        '\t\r\n/opt:"a b" /opt:c arg\u00e9 \U0001F600 ']):
    put("fuzz_command_line", "cmd%d" % i, text.encode("utf-16-le"))
PY

# Each corpus becomes the smallest set of files that reaches every edge the
# old corpus, the new seeds and earlier runs' finds (build/fuzz/work/TARGET)
# reach; hit counts are left out of the features (-use_counters=0) to keep it
# to a few dozen files. Inputs named finding-* (fixed faults) always stay.
for target in fuzz_map fuzz_unpack fuzz_signature fuzz_settings fuzz_command_line fuzz_package fuzz_dsa; do
  [ -x "$fuzz_bin/$target" ] || { echo "skipped $target: $fuzz_bin/$target not built"; continue; }
  corpus="$root/fuzz/corpus/$target"
  mkdir -p "$corpus" "$work/merged/$target"
  sources=("$corpus" "$work/seeds/$target")
  [ -d "$root/build/fuzz/work/$target" ] && sources+=("$root/build/fuzz/work/$target")
  "$fuzz_bin/$target" -merge=1 -use_counters=0 -rss_limit_mb=2048 -max_len=65536 "$work/merged/$target" \
    "${sources[@]}" >"$work/merge-$target.log" 2>&1 || { tail -20 "$work/merge-$target.log" >&2; exit 1; }
  find "$corpus" -maxdepth 1 -type f ! -name 'finding-*' -delete
  for finding in "$corpus"/finding-*; do  # libFuzzer names its copy by SHA-1
    [ -f "$finding" ] && rm -f "$work/merged/$target/$(sha1sum "$finding" | cut -c1-40)"
  done
  cp "$work/merged/$target"/* "$corpus"/
  [ -d "$work/keep/$target" ] && cp "$work/keep/$target"/* "$corpus"/
  echo "$target: $(ls "$corpus" | wc -l) files, $(du -sk "$corpus" | cut -f1) KiB"
done
