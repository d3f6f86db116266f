#!/usr/bin/env bash
# Installs what the builds need and is missing: Debian packages, the Crypto++
# source package, the dependency cache outside the repository and the Wine
# prefix template. Each part is skipped when it is already in place.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

missing_packages() {
  local p
  grep -v '^#' "$KRV_ROOT/scripts/packages.txt" | while read -r p; do
    [ -n "$p" ] || continue
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || echo "$p"
  done
}

enable_i386_and_sources() {
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    say "adding the i386 architecture (wine32)"
    as_root dpkg --add-architecture i386
  fi
  local src=/etc/apt/sources.list.d/debian.sources
  if [ -f "$src" ] && grep -q '^Types: deb$' "$src"; then
    say "enabling deb-src in $src (Crypto++ source package)"
    as_root sed -i 's/^Types: deb$/Types: deb deb-src/' "$src"
  elif [ -f /etc/apt/sources.list ] && ! grep -q '^deb-src' /etc/apt/sources.list && grep -q '^deb ' /etc/apt/sources.list; then
    say "enabling deb-src in /etc/apt/sources.list"
    as_root sed -i -e 'p' -e 's/^deb /deb-src /' /etc/apt/sources.list
  fi
}

install_packages() {
  local missing
  missing=$(missing_packages | tr '\n' ' ')
  enable_i386_and_sources
  if [ -z "$missing" ] && [ -n "$(ls /var/lib/apt/lists/*Sources 2>/dev/null)" ]; then
    say "all packages present"
    return 0
  fi
  as_root apt-get update -q
  if [ -n "$missing" ]; then
    say "installing: $missing"
    # shellcheck disable=SC2086
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $missing
  fi
}

fetch_cryptopp_source() {
  local dir="$KRV_DEPS_DIR/src"
  if ls -d "$dir"/libcrypto++-*/ >/dev/null 2>&1; then
    say "Crypto++ source present in $dir"
    return 0
  fi
  mkdir -p "$dir"
  (cd "$dir" && apt-get source -q libcrypto++)
}

# The current LZMA SDK's encoder (with its multithreaded match finder) packs
# sfxtool's entries; it comes from Debian's 7zip source package. Only the
# encoder's C files are taken out of the tarball, into a folder named after
# the package version; the downloaded package files are removed again.
KRV_LZMA_ENC_FILES="7zTypes.h 7zWindows.h Compiler.h Precomp.h CpuArch.c CpuArch.h
  LzFind.c LzFind.h LzFindMt.c LzFindMt.h LzFindOpt.c LzHash.h LzmaEnc.c LzmaEnc.h Threads.c Threads.h"

fetch_lzma_encoder_source() {
  local dir="$KRV_DEPS_DIR/src" tmp orig version f members=()
  if ls -d "$dir"/lzma-enc-*/C/ >/dev/null 2>&1; then
    say "LZMA encoder source present in $(ls -d "$dir"/lzma-enc-*/)"
    return 0
  fi
  mkdir -p "$dir"
  tmp=$(mktemp -d)
  (cd "$tmp" && apt-get source -q --download-only 7zip)
  orig=$(ls "$tmp"/7zip_*.orig.tar.*)
  version=$(basename "$orig" | sed -e 's/^7zip_//' -e 's/\.orig\.tar\..*$//')
  for f in $KRV_LZMA_ENC_FILES; do members+=("*/C/$f"); done
  mkdir -p "$tmp/enc"
  tar -xf "$orig" -C "$tmp/enc" --strip-components=1 --wildcards "${members[@]}"
  for f in $KRV_LZMA_ENC_FILES; do
    [ -f "$tmp/enc/C/$f" ] || { echo "C/$f missing in $orig" >&2; rm -rf "$tmp"; return 1; }
  done
  mv "$tmp/enc" "$dir/lzma-enc-$version"
  rm -rf "$tmp"
}

build_cryptopp_mingw() {
  local arch="$1" srcdir out stamp build
  srcdir=$(ls -d "$KRV_DEPS_DIR"/src/libcrypto++-*/ | head -n 1)
  out="$KRV_DEPS_DIR/cryptopp-mingw-$arch"
  build="$KRV_DEPS_DIR/build-cryptopp-mingw-$arch"
  stamp="$out/.built-from-$(basename "$srcdir")-$(sha256sum "$KRV_ROOT/cmake/deps/cryptopp/CMakeLists.txt" | cut -c1-12)"
  if [ -f "$stamp" ]; then
    say "Crypto++ for mingw already built in $out"
    return 0
  fi
  rm -rf "$out" "$build"
  cmake -S "$KRV_ROOT/cmake/deps/cryptopp" -B "$build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$KRV_ROOT/cmake/toolchain-mingw-$arch.cmake" -DCMAKE_BUILD_TYPE=Release \
    -DCRYPTOPP_SRC="$srcdir" -DCMAKE_INSTALL_PREFIX="$out" >/dev/null
  cmake --build "$build" --target install >/dev/null
  touch "$stamp"
}

# Some kernels run no 32-bit user code at all (IA-32 emulation off); the
# 32-bit Wine loader then runs under qemu-i386, registered with binfmt_misc.
enable_i386_execution() {
  if "$KRV_ROOT/scripts/can-run-i386.sh"; then
    say "this kernel runs 32-bit programs"
    return 0
  fi
  [ -d /proc/sys/fs/binfmt_misc ] || return 1
  [ -e /proc/sys/fs/binfmt_misc/register ] || as_root mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
  if [ ! -e /proc/sys/fs/binfmt_misc/qemu-i386 ]; then
    say "registering qemu-i386 for 32-bit ELF programs"
    printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F' \
      | as_root tee /proc/sys/fs/binfmt_misc/register >/dev/null
  fi
  "$KRV_ROOT/scripts/can-run-i386.sh"
}

make_wine_template() {
  "$KRV_ROOT/scripts/wine-template.sh"
}

step "install missing Debian packages" install_packages
step "fetch the Crypto++ source package" fetch_cryptopp_source
step "fetch the current LZMA SDK encoder (7zip source package)" fetch_lzma_encoder_source
step "build the Crypto++ subset for mingw i686 (cache: $KRV_DEPS_DIR)" build_cryptopp_mingw i686
step "build the Crypto++ subset for mingw x86_64 (cache: $KRV_DEPS_DIR)" build_cryptopp_mingw x86_64
step "make sure 32-bit programs can run (Wine's 32-bit loader)" enable_i386_execution
step "make the Wine prefix template (first time: several minutes when 32-bit code runs under qemu)" make_wine_template
