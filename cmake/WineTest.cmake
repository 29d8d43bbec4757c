# Test programs run under Wine through the launcher (CMAKE_CROSSCOMPILING_EMULATOR).
#
# A program's cases run in one process, or in SHARDS processes that split its cases between
# them (GoogleTest's GTEST_TOTAL_SHARDS / GTEST_SHARD_INDEX): where every process start costs
# seconds, one start per case would cost more than the cases. A failure's output still names
# its case ("[  FAILED  ] Suite.Case"), and GTEST_FILTER in the environment picks cases.

# add_wine_test(<name> SOURCES ... [LIBS ...] [RESOURCE_LOCK <lock>...] [TIMEOUT <s>]
#               [SHARDS <n>] [NO_MAIN])
# RESOURCE_LOCK serialises programs that share a fixed resource (a well-known UDP port, say).
# TIMEOUT is per process (per shard), default 300 s.
function(add_wine_test name)
  cmake_parse_arguments(T "NO_MAIN" "TIMEOUT;SHARDS" "SOURCES;LIBS;RESOURCE_LOCK" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  if(NOT T_SHARDS)
    set(T_SHARDS 1)
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
  # No case at all (a filter that matches nothing, a program that lost its cases) is a fault.
  list(APPEND props FAIL_REGULAR_EXPRESSION "\\[==========\\] 0 tests from")

  if(T_SHARDS EQUAL 1)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES ${props})
    return()
  endif()
  math(EXPR last "${T_SHARDS} - 1")
  foreach(index RANGE ${last})
    set(test "${name}/${index}")
    add_test(NAME ${test} COMMAND ${name})
    set_tests_properties(${test} PROPERTIES ${props}
      ENVIRONMENT "GTEST_TOTAL_SHARDS=${T_SHARDS};GTEST_SHARD_INDEX=${index}")
  endforeach()
endfunction()

# add_bench(<name> SOURCES ... [LIBS ...]): a program that prints its figures; never part of ctest.
function(add_bench name)
  cmake_parse_arguments(B "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${B_SOURCES})
  target_link_libraries(${name} PRIVATE ${B_LIBS})
  set_property(GLOBAL APPEND PROPERTY BENCH_TARGETS ${name})
endfunction()
