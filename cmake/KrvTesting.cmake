include(GoogleTest)

# krv_add_test(<name> SOURCES <src...> [LIBS <lib...>] [LABELS <label...>] [TIMEOUT <s>] [RUN_SERIAL])
# One GoogleTest program, its cases discovered when CTest runs (discovery at
# build time would start Wine while building). Windows programs run through
# the cross-compiling emulator (scripts/wine-run). RUN_SERIAL: no other test
# runs at the same time, also under ctest -j.
function(krv_add_test name)
  cmake_parse_arguments(T "RUN_SERIAL" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE krv_options GTest::gtest GTest::gmock GTest::gtest_main ${T_LIBS})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  set(labels ${T_LABELS})
  if(KRV_WINDOWS)
    list(APPEND labels wine)
  else()
    list(APPEND labels native)
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES LABELS "${labels}" TIMEOUT ${T_TIMEOUT} RUN_SERIAL ${T_RUN_SERIAL})
endfunction()
