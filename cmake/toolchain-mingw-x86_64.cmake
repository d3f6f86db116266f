# Cross build for 64-bit Windows (the test twin of the stub, see README) with mingw-w64.
set(KRV_MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake)
