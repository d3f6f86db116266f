# Third-party dependencies, all from Debian's archive. Nothing is vendored:
# the LZMA SDK sources are copied from lzma-dev into the build tree, Crypto++
# for mingw comes from the cache that scripts/setup.sh builds.

# zlib, linked statically into the stub (find_package picks the DLL import
# library on mingw unless told otherwise).
if(KRV_WINDOWS)
  set(ZLIB_USE_STATIC_LIBS ON)
endif()
find_package(ZLIB REQUIRED)

# LZMA SDK 9.22. /usr/include/lzma also holds xz's headers (version.h,
# filter.h ...), which would shadow others, so only the SDK files are copied.
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
