# Shared by the mingw toolchain files, which set KRV_MINGW_ARCH. The posix
# thread-model compilers are used because the win32 variant lacks std::thread
# and std::mutex, which GoogleTest and our POSIX-neutral core need.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${KRV_MINGW_ARCH})

set(CMAKE_C_COMPILER   ${KRV_MINGW_ARCH}-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER ${KRV_MINGW_ARCH}-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER  ${KRV_MINGW_ARCH}-w64-mingw32-windres)
set(CMAKE_DLLTOOL      ${KRV_MINGW_ARCH}-w64-mingw32-dlltool)

set(CMAKE_FIND_ROOT_PATH /usr/${KRV_MINGW_ARCH}-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Everything is linked statically: the stub must import no DLL outside the
# system's own (Wine ships builtin copies of libstdc++/zlib that Windows lacks).
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Windows programs run under Wine on this host.
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run")
