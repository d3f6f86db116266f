# Compile settings shared by our own targets (third-party code does not get
# them). krv_options carries warnings-as-errors and the platform defines.
add_library(krv_options INTERFACE)
target_compile_options(krv_options INTERFACE
  $<$<COMPILE_LANGUAGE:CXX>:-Wall -Wextra -Werror -Wno-missing-field-initializers>
  $<$<COMPILE_LANGUAGE:C>:-Wall -Wextra -Werror>)
target_include_directories(krv_options INTERFACE ${CMAKE_SOURCE_DIR})

if(KRV_WINDOWS)
  # One Windows version for the libraries and the program; 0x0601 keeps the
  # random pool of Crypto++ on CryptoAPI. C99 printf semantics in both builds,
  # so format strings behave the same on glibc and mingw.
  target_compile_definitions(krv_options INTERFACE
    UNICODE _UNICODE _WIN32_WINNT=0x0601 WINVER=0x0601 NOMINMAX WIN32_LEAN_AND_MEAN
    __USE_MINGW_ANSI_STDIO=1
    # System functions are called through their plain names, not the
    # dllimport slots: the stub's delay-loaded libraries fill only the former
    # (see KrvDelayLoad.cmake).
    DECLSPEC_IMPORT=
    # PSAPI as a real DLL rather than kernel32's K32 aliases.
    PSAPI_VERSION=1)
  # Size: every function and object in a section of its own, so that the
  # linker drops what nothing uses (--gc-sections in the stub's link); code
  # optimised for size except in targets whose property KRV_SPEED is set (the
  # hashing and unpacking paths), which keep the build type's -O2.
  target_compile_options(krv_options INTERFACE -ffunction-sections -fdata-sections
    $<IF:$<BOOL:$<TARGET_PROPERTY:KRV_SPEED>>,-O2,-Os>)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    # 32-bit Windows promises threads only a 4-byte aligned stack; realign
    # where the compiler needs more (SSE spills).
    target_compile_options(krv_options INTERFACE -mstackrealign)
  endif()
endif()

if(KRV_SANITIZE AND NOT KRV_WINDOWS)
  # With the sanitizers g++ 12 warns that std::regex's own std::function
  # members "may be used uninitialized", a false alarm inside the library.
  target_compile_options(krv_options INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer
                         -Wno-maybe-uninitialized)
  target_link_options(krv_options INTERFACE -fsanitize=address,undefined)
endif()
if(KRV_FUZZ AND NOT KRV_WINDOWS)
  # Coverage for libFuzzer in every library the fuzz targets link, with
  # AddressSanitizer and UBSan; an undefined-behaviour report stops the run
  # like a crash, so that it is kept as a finding.
  target_compile_options(krv_options INTERFACE -fsanitize=fuzzer-no-link,address,undefined
                         -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  target_link_options(krv_options INTERFACE -fsanitize=address,undefined)
endif()
if(KRV_TSAN AND NOT KRV_WINDOWS)
  target_compile_options(krv_options INTERFACE -fsanitize=thread)
  target_link_options(krv_options INTERFACE -fsanitize=thread)
endif()

if(NOT KRV_WINDOWS)
  find_package(Threads REQUIRED)
  target_link_libraries(krv_options INTERFACE Threads::Threads)
endif()
