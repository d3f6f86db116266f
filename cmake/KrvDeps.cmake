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

# LZMA SDK 9.22: the decoder, which the stub carries. /usr/include/lzma also
# holds xz's headers (version.h, filter.h ...), which would shadow others, so
# only the SDK files are copied.
set(KRV_LZMA_SDK_SRC /usr/include/lzma)
set(KRV_LZMA_SDK_DIR ${CMAKE_BINARY_DIR}/third_party/lzma_sdk)
foreach(f LzmaDec.c LzmaDec.h LzmaEnc.c LzmaEnc.h LzFind.c LzFind.h LzHash.h Types.h)
  if(NOT EXISTS ${KRV_LZMA_SDK_SRC}/${f})
    message(FATAL_ERROR "LZMA SDK file ${KRV_LZMA_SDK_SRC}/${f} missing: install lzma-dev (scripts/setup.sh)")
  endif()
  configure_file(${KRV_LZMA_SDK_SRC}/${f} ${KRV_LZMA_SDK_DIR}/${f} COPYONLY)
endforeach()
add_library(krv_lzma_sdk STATIC
  ${KRV_LZMA_SDK_DIR}/LzmaDec.c ${KRV_LZMA_SDK_DIR}/LzmaEnc.c ${KRV_LZMA_SDK_DIR}/LzFind.c)
# The multithreaded match finder is not shipped with lzma-dev.
target_compile_definitions(krv_lzma_sdk PUBLIC _7ZIP_ST)
target_include_directories(krv_lzma_sdk PUBLIC ${KRV_LZMA_SDK_DIR})
set_target_properties(krv_lzma_sdk PROPERTIES POSITION_INDEPENDENT_CODE ON)
if(KRV_WINDOWS)
  # The stub only decodes: the encoder it carries (the packer interface has
  # it) is optimised for size, the decoder for speed (see KrvOptions).
  target_compile_options(krv_lzma_sdk PRIVATE -ffunction-sections -fdata-sections -Os)
  set_source_files_properties(${KRV_LZMA_SDK_DIR}/LzmaDec.c PROPERTIES COMPILE_OPTIONS -O2)
endif()

# The current LZMA SDK's encoder packs sfxtool's entries: per byte it costs
# far less than 9.22's (random data above all), and its two-thread match
# finder (LzFindMt) runs beside the encoding thread. Its output for given
# settings does not depend on the thread count. scripts/setup.sh takes only
# the encoder's files out of Debian's 7zip source package into the cache
# (src/lzma-enc-VERSION/C). The stub keeps 9.22 (krv_lzma_sdk above): nothing
# it links uses this library. The two versions share header names (LzmaEnc.h,
# LzFind.h) and function names with other layouts: this one's files live in
# their own include folder, are compiled in their own translation units, and
# every shared function name gets a prefix (krv_lzma_enc_names.h, included
# first into each of its files and into the code that calls it).
file(GLOB KRV_LZMA_ENC_DIRS LIST_DIRECTORIES true ${KRV_DEPS_DIR}/src/lzma-enc-*/C)
list(SORT KRV_LZMA_ENC_DIRS)
list(POP_BACK KRV_LZMA_ENC_DIRS KRV_LZMA_ENC_DIR)
if(NOT KRV_LZMA_ENC_DIR OR NOT EXISTS ${KRV_LZMA_ENC_DIR}/LzFindMt.c)
  message(FATAL_ERROR "LZMA encoder sources not found in ${KRV_DEPS_DIR}/src/lzma-enc-*/C: run scripts/setup.sh")
endif()
add_library(krv_lzma_enc STATIC
  ${KRV_LZMA_ENC_DIR}/LzmaEnc.c ${KRV_LZMA_ENC_DIR}/LzFind.c ${KRV_LZMA_ENC_DIR}/LzFindMt.c
  ${KRV_LZMA_ENC_DIR}/LzFindOpt.c ${KRV_LZMA_ENC_DIR}/Threads.c ${KRV_LZMA_ENC_DIR}/CpuArch.c)
target_include_directories(krv_lzma_enc PUBLIC ${KRV_LZMA_ENC_DIR} ${CMAKE_SOURCE_DIR}/cmake/deps/lzma_enc)
target_compile_options(krv_lzma_enc PRIVATE -O2)
# The prefixes reach the code that calls the encoder too.
target_compile_options(krv_lzma_enc PUBLIC "SHELL:-include krv_lzma_enc_names.h")
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
