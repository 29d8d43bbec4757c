# Test executables run under Wine through the launcher; CTest sees every GoogleTest case.
include(GoogleTest)

# add_wine_test(<name> SOURCES ... [LIBS ...] [RESOURCE_LOCK <lock>...] [TIMEOUT <s>] [NO_MAIN])
# RESOURCE_LOCK serialises binaries that share a fixed resource (a well-known UDP port, say).
function(add_wine_test name)
  cmake_parse_arguments(T "NO_MAIN" "TIMEOUT" "SOURCES;LIBS;RESOURCE_LOCK" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} gmock)
  if(NOT T_NO_MAIN)
    target_link_libraries(${name} PRIVATE gtest_main)
  endif()
  set(props TIMEOUT ${T_TIMEOUT})
  if(T_RESOURCE_LOCK)
    list(APPEND props RESOURCE_LOCK "${T_RESOURCE_LOCK}")
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES ${props})
endfunction()

# add_bench(<name> SOURCES ... [LIBS ...]): a program that prints its figures; never part of ctest.
function(add_bench name)
  cmake_parse_arguments(B "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${B_SOURCES})
  target_link_libraries(${name} PRIVATE ${B_LIBS})
  set_property(GLOBAL APPEND PROPERTY BENCH_TARGETS ${name})
endfunction()
