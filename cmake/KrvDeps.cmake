# Third-party dependencies, all from Debian's archive. Nothing is vendored:
# the LZMA SDK 9.22 sources are copied from lzma-dev into the build tree; the
# current LZMA SDK's encoder files and Crypto++ for mingw come from the cache
# that scripts/setup.sh fills.

# zlib, linked statically into the stub (find_package picks the DLL import
# library on mingw unless told otherwise).
if(KRV_WINDOWS)
  set(ZLIB_USE_STATIC_LIBS ON)
endif()
find_package(ZLIB REQUIRED)

# LZMA SDK 9.22: the decoder, which the stub carries (its encoder is no
# longer used: sfxtool packs with krv_lzma_enc below). /usr/include/lzma also
# holds xz's headers (version.h, filter.h ...), which would shadow others, so
# only the SDK files are copied. Its allocator is 9.22's ISzAlloc, and its
# Types.h includes <windows.h> on Windows: keep it out of core headers.
set(KRV_LZMA_SDK_SRC /usr/include/lzma)
set(KRV_LZMA_SDK_DIR ${CMAKE_BINARY_DIR}/third_party/lzma_sdk)
foreach(f LzmaDec.c LzmaDec.h Types.h)
  if(NOT EXISTS ${KRV_LZMA_SDK_SRC}/${f})
    message(FATAL_ERROR "LZMA SDK file ${KRV_LZMA_SDK_SRC}/${f} missing: install lzma-dev (scripts/setup.sh)")
  endif()
  configure_file(${KRV_LZMA_SDK_SRC}/${f} ${KRV_LZMA_SDK_DIR}/${f} COPYONLY)
endforeach()
add_library(krv_lzma_sdk STATIC ${KRV_LZMA_SDK_DIR}/LzmaDec.c)
target_include_directories(krv_lzma_sdk PUBLIC ${KRV_LZMA_SDK_DIR})
set_target_properties(krv_lzma_sdk PROPERTIES POSITION_INDEPENDENT_CODE ON)
if(KRV_WINDOWS)
  # Unpacking is a hot path: the decoder is optimised for speed (see
  # KrvOptions), in sections of its own like our code.
  target_compile_options(krv_lzma_sdk PRIVATE -ffunction-sections -fdata-sections -O2)
endif()

# The current LZMA SDK's encoder packs sfxtool's entries (krv_packing): per
# byte it costs less than 9.22's, on random data above all, and its match
# finder (LzFindMt) runs on a thread of its own beside the encoding one. For
# given settings the stream does not depend on the number of threads (7zz
# -mmt=1 and -mmt=2 write the same bytes; sfxtool's packages are the same
# with any --jobs, natively and from sfxtool.exe under Wine). Measured with
# bench/extract_bench.sh's 366 MiB (level 5, 4 MiB dictionary): sfxtool
# build took 237 cpu s with 9.22, 120-134 here, 7zz a -mmt=2 120-130. Of one
# entry's cpu time the match finder's two threads (hashing, binary tree)
# take about 70%, the encoding thread about 30%.
# scripts/setup.sh takes only the encoder's files (LzmaEnc, LzFind, LzFindMt,
# LzFindOpt, Threads, CpuArch and their headers) out of Debian's 7zip source
# package into the cache (src/lzma-enc-VERSION/C); the rest of that tree is
# not unpacked. The stub links none of it. The two versions share header
# names (LzmaEnc.h ...) with other contents: 9.22's few files are copied into
# the build tree, this one's are included from the cache folder, and no
# target has both include folders. Threads.c uses pthreads natively and the
# Windows API under mingw; it compiles there without changes.
file(GLOB KRV_LZMA_ENC_DIRS LIST_DIRECTORIES true ${KRV_DEPS_DIR}/src/lzma-enc-*/C)
list(SORT KRV_LZMA_ENC_DIRS)
list(POP_BACK KRV_LZMA_ENC_DIRS KRV_LZMA_ENC_DIR)
if(NOT KRV_LZMA_ENC_DIR OR NOT EXISTS ${KRV_LZMA_ENC_DIR}/LzFindMt.c)
  message(FATAL_ERROR "LZMA encoder sources not found in ${KRV_DEPS_DIR}/src/lzma-enc-*/C: run scripts/setup.sh")
endif()
add_library(krv_lzma_enc STATIC
  ${KRV_LZMA_ENC_DIR}/LzmaEnc.c ${KRV_LZMA_ENC_DIR}/LzFind.c ${KRV_LZMA_ENC_DIR}/LzFindMt.c
  ${KRV_LZMA_ENC_DIR}/LzFindOpt.c ${KRV_LZMA_ENC_DIR}/Threads.c ${KRV_LZMA_ENC_DIR}/CpuArch.c)
target_include_directories(krv_lzma_enc PUBLIC ${KRV_LZMA_ENC_DIR})
target_compile_options(krv_lzma_enc PRIVATE -O2)
set_target_properties(krv_lzma_enc PROPERTIES POSITION_INDEPENDENT_CODE ON)
if(KRV_WINDOWS)
  target_compile_definitions(krv_lzma_enc PRIVATE _WIN32_WINNT=0x0601 WINVER=0x0601)
else()
  find_package(Threads REQUIRED)
  target_link_libraries(krv_lzma_enc PUBLIC Threads::Threads)
endif()

# Crypto++: big integers for DSA. Natively Debian's whole library; for mingw
# the subset built by scripts/setup.sh.
add_library(krv_cryptopp INTERFACE)
if(KRV_WINDOWS)
  set(KRV_CRYPTOPP_MINGW ${KRV_DEPS_DIR}/cryptopp-mingw-${CMAKE_SYSTEM_PROCESSOR})
  if(NOT EXISTS ${KRV_CRYPTOPP_MINGW}/lib/libcryptopp-integer.a)
    message(FATAL_ERROR "Crypto++ for mingw not found in ${KRV_CRYPTOPP_MINGW}: run scripts/setup.sh")
  endif()
  target_include_directories(krv_cryptopp SYSTEM INTERFACE ${KRV_CRYPTOPP_MINGW}/include)
  # The integer-only instantiation archive comes first, so that verify-only
  # programs do not pull in the signature-scheme code.
  target_link_libraries(krv_cryptopp INTERFACE
    ${KRV_CRYPTOPP_MINGW}/lib/libcryptopp-integer.a ${KRV_CRYPTOPP_MINGW}/lib/libcryptopp-subset.a)
  target_compile_definitions(krv_cryptopp INTERFACE CRYPTOPP_DEFAULT_NO_DLL)
else()
  find_library(KRV_CRYPTOPP_LIB NAMES cryptopp crypto++ REQUIRED)
  find_path(KRV_CRYPTOPP_INCLUDE cryptopp/integer.h REQUIRED)
  target_include_directories(krv_cryptopp SYSTEM INTERFACE ${KRV_CRYPTOPP_INCLUDE})
  target_link_libraries(krv_cryptopp INTERFACE ${KRV_CRYPTOPP_LIB})
endif()

if(KRV_BUILD_TESTS)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/third_party/googletest EXCLUDE_FROM_ALL SYSTEM)
endif()

if(KRV_BUILD_BENCH AND NOT KRV_WINDOWS)
  find_package(benchmark REQUIRED)
endif()
