# Delay-loaded system libraries for the stub: only KERNEL32, ntdll and the C
# runtime are bound at load; the others are bound at first use, after the
# process entry has taken the current folder out of the search path.
#
# krv_delay_load(<target> <lib>...)   e.g. krv_delay_load(sfxstub user32 gdi32)
#
# Our libraries name the system libraries plainly (user32, gdiplus ...). Each
# such name is an imported target here whose link item depends on the
# executable being linked: the delay-import library for one that sets
# KRV_DELAY_LOAD, the ordinary import library for every other program. So the
# delay libraries take the place the plain ones would have on the link line.
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

set(KRV_DELAYABLE_LIBS user32 gdi32 advapi32 shell32 ole32 gdiplus psapi shlwapi)

function(krv_delay_lib_path lib out)
  set(${out} ${CMAKE_BINARY_DIR}/delayload/lib${lib}_delay.a PARENT_SCOPE)
endfunction()

foreach(lib ${KRV_DELAYABLE_LIBS})
  krv_delay_lib_path(${lib} delay_path)
  add_library(${lib} INTERFACE IMPORTED GLOBAL)
  set(delayed "$<BOOL:$<TARGET_PROPERTY:KRV_DELAY_LOAD>>")
  set_target_properties(${lib} PROPERTIES INTERFACE_LINK_LIBRARIES
    "$<${delayed}:${delay_path}>;$<${delayed}:mingwex>;$<$<NOT:${delayed}>:-l${lib}>")
endforeach()

function(krv_delay_load target)
  set_target_properties(${target} PROPERTIES KRV_DELAY_LOAD ON)
  set(libs)
  foreach(lib ${ARGN})
    set(implib /usr/${KRV_MINGW_TRIPLE}/lib/lib${lib}.a)
    krv_delay_lib_path(${lib} out)
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
  # A change of the fix-up script relinks the target, so the fix-up runs again.
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${CMAKE_SOURCE_DIR}/cmake/fix-delay-import-directory.py)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/cmake/fix-delay-import-directory.py $<TARGET_FILE:${target}>
            ${KRV_MINGW_NM}
    COMMENT "Setting the delay-import directory of ${target}")
endfunction()
