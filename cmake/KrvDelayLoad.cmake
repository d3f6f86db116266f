# Delay-loaded system libraries for the stub: only KERNEL32, ntdll and the C
# runtime are bound at load; the others are bound at first use, after the
# process entry has taken the current folder out of the search path.
#
# krv_delay_load(<target> <lib>...)   e.g. krv_delay_load(sfxstub user32 gdi32)
#
# Two traps of the GNU tools: the headers' __declspec(dllimport) makes calls
# go through an import slot that the delay thunk never fills (binutils bug
# 14339), so our Windows code is compiled with DECLSPEC_IMPORT empty (see
# KrvOptions); and ld leaves data directory 13 empty, which
# fix-delay-import-directory.py sets after linking.
set(KRV_DELAY_DLL_user32 USER32.dll)
set(KRV_DELAY_DLL_gdi32 GDI32.dll)
set(KRV_DELAY_DLL_advapi32 ADVAPI32.dll)
set(KRV_DELAY_DLL_shell32 SHELL32.dll)
set(KRV_DELAY_DLL_ole32 ole32.dll)
set(KRV_DELAY_DLL_gdiplus gdiplus.dll)
set(KRV_DELAY_DLL_psapi PSAPI.DLL)
set(KRV_DELAY_DLL_shlwapi SHLWAPI.dll)

set(KRV_MINGW_TRIPLE ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32)
find_program(KRV_MINGW_NM ${KRV_MINGW_TRIPLE}-nm REQUIRED)
find_program(KRV_MINGW_DLLTOOL ${KRV_MINGW_TRIPLE}-dlltool REQUIRED)
find_package(Python3 REQUIRED COMPONENTS Interpreter)

function(krv_delay_load target)
  set(libs)
  foreach(lib ${ARGN})
    set(implib /usr/${KRV_MINGW_TRIPLE}/lib/lib${lib}.a)
    set(out ${CMAKE_BINARY_DIR}/delayload/lib${lib}_delay.a)
    if(NOT TARGET krv_delaylib_${lib})
      add_custom_command(OUTPUT ${out}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/delayload
        COMMAND ${CMAKE_SOURCE_DIR}/cmake/make-delaylib.sh ${KRV_MINGW_NM} ${KRV_MINGW_DLLTOOL} ${implib}
                ${KRV_DELAY_DLL_${lib}} ${CMAKE_SYSTEM_PROCESSOR} ${out}
        DEPENDS ${CMAKE_SOURCE_DIR}/cmake/make-delaylib.sh
        COMMENT "Delay-import library for ${KRV_DELAY_DLL_${lib}}")
      add_custom_target(krv_delaylib_${lib} DEPENDS ${out})
    endif()
    add_dependencies(${target} krv_delaylib_${lib})
    list(APPEND libs ${out})
  endforeach()
  # The delay libraries come before the default import libraries, so the
  # linker resolves the functions from them; __delayLoadHelper2 is in mingwex.
  target_link_libraries(${target} PRIVATE ${libs} mingwex)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/cmake/fix-delay-import-directory.py $<TARGET_FILE:${target}>
            ${KRV_MINGW_NM}
    COMMENT "Setting the delay-import directory of ${target}")
endfunction()
