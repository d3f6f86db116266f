# Cross build for 32-bit Windows (the shipped stub) with mingw-w64.
set(KRV_MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake)
