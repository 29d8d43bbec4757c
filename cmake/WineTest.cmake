# Test programs run under Wine through the launcher (CMAKE_CROSSCOMPILING_EMULATOR).
#
# A program's cases run in one process, or in SHARDS processes that split its cases between
# them (GoogleTest's GTEST_TOTAL_SHARDS / GTEST_SHARD_INDEX): where every process start costs
# seconds, one start per case would cost more than the cases. A failure's output still names
# its case ("[  FAILED  ] Suite.Case"), and GTEST_FILTER in the environment picks cases. A run
# of no case at all fails unless a filter asked for it (scripts/wine-run).

include(${CMAKE_CURRENT_LIST_DIR}/TestCosts.cmake)

# The locale of the Chinese runs, given as LC_ALL (over any LANG): Wine takes the ANSI code
# page (936) and the user's language (Chinese) from it. scripts/setup makes it where the
# system lacks it.
set(WINE_CHINESE_LOCALE "zh_CN.UTF-8" CACHE STRING "Unix locale of the tests' Chinese runs")

# add_wine_test(<name> SOURCES ... [LIBS ...] [RESOURCE_LOCK <lock>...] [TIMEOUT <s>]
#               [SHARDS <n>] [NO_MAIN] [ALSO_CHINESE] [LOCKED_CASES <lock> <pattern>...]
#               [LANE <n>])
# RESOURCE_LOCK serialises programs that share a fixed resource (a well-known UDP port, say).
# TIMEOUT is per process (per shard), default 300 s.
# ALSO_CHINESE registers the program a second time, in the Chinese locale (names ending in
# "_zh"); suites whose names end in "InChineseLocale" run only there.
# LOCKED_CASES: the cases matching the GoogleTest patterns (Suite.Case, * and ?) need <lock>
# as well, the others do not. They run in an entry of their own, <name>.<lock> (one process,
# after the program's RESOURCE_LOCKs and <lock>), so that the rest of the program never waits
# for that lock nor holds it. A pattern that no longer matches leaves that entry without
# cases, which fails.
# LANE 1 runs the program in the isolated run's second lane (scripts/lib/isolated-run): a
# network namespace, display and Wine prefix of its own, so its locks are that lane's
# (<lock>.lane1) and it runs beside a program of the first lane that takes the same lock.
# The build tree is one for both lanes: programs that share files in it stay in one lane.
function(add_wine_test name)
  cmake_parse_arguments(T "NO_MAIN;ALSO_CHINESE" "TIMEOUT;SHARDS;LANE"
                        "SOURCES;LIBS;RESOURCE_LOCK;LOCKED_CASES" ${ARGN})
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

  set(locks "${T_RESOURCE_LOCK}")
  set(english_environment)
  if(T_LANE)
    list(TRANSFORM locks APPEND .lane${T_LANE})
    set(english_environment TEST_LANE=${T_LANE})
  endif()
  set(chinese_environment ${english_environment} LC_ALL=${WINE_CHINESE_LOCALE})
  # Exclusions of each locale's run, and the cases of the separately locked entry.
  set(english_excluded)
  if(T_ALSO_CHINESE)
    set(english_excluded "*InChineseLocale.*")
  endif()
  set(chinese_excluded)
  set(locked_name)
  set(locked_lock)
  set(locked_cases)
  if(T_LOCKED_CASES)
    list(POP_FRONT T_LOCKED_CASES locked_name)
    if(NOT T_LOCKED_CASES)
      message(FATAL_ERROR "add_wine_test(${name}): LOCKED_CASES ${locked_name} names no case")
    endif()
    set(locked_lock ${locked_name})
    if(T_LANE)
      set(locked_lock ${locked_name}.lane${T_LANE})
    endif()
    list(JOIN T_LOCKED_CASES ":" locked_cases)
    set(english_excluded ${english_excluded} ${T_LOCKED_CASES})
    set(chinese_excluded ${T_LOCKED_CASES})
  endif()
  list(JOIN english_excluded ":" english_excluded)
  list(JOIN chinese_excluded ":" chinese_excluded)

  set(english_args)
  if(english_excluded)
    set(english_args --gtest_filter=-${english_excluded})
  endif()
  _wine_test_register(${name} ${name} ${T_SHARDS} ${T_TIMEOUT} "${locks}"
                      "${english_environment}" ${english_args})
  if(locked_lock)
    set(locked_filter --gtest_filter=${locked_cases})
    if(T_ALSO_CHINESE)
      set(locked_filter --gtest_filter=${locked_cases}-*InChineseLocale.*)
    endif()
    set(locked_locks ${locks} ${locked_lock})
    _wine_test_register(${name}.${locked_name} ${name} 1 ${T_TIMEOUT}
                        "${locked_locks}" "${english_environment}" ${locked_filter})
  endif()
  if(T_ALSO_CHINESE)
    set(chinese_args)
    if(chinese_excluded)
      set(chinese_args --gtest_filter=-${chinese_excluded})
    endif()
    _wine_test_register(${name}_zh ${name} ${T_SHARDS} ${T_TIMEOUT} "${locks}"
                        "${chinese_environment}" ${chinese_args})
    if(locked_lock)
      _wine_test_register(${name}_zh.${locked_name} ${name} 1 ${T_TIMEOUT}
                          "${locked_locks}" "${chinese_environment}"
                          --gtest_filter=${locked_cases})
    endif()
  endif()
endfunction()

# One CTest entry per shard of `program`, named `test` or `test`/<index>; `locks` and
# `environment` are lists, the remaining arguments go to the program.
function(_wine_test_register test program shards timeout locks environment)
  if(shards EQUAL 1)
    set(names ${test})
  else()
    math(EXPR last "${shards} - 1")
    set(names)
    foreach(index RANGE ${last})
      list(APPEND names ${test}/${index})
    endforeach()
  endif()
  set(index 0)
  foreach(entry IN LISTS names)
    add_test(NAME ${entry} COMMAND ${program} ${ARGN})
    set(entry_environment ${environment})
    if(NOT shards EQUAL 1)
      list(APPEND entry_environment GTEST_TOTAL_SHARDS=${shards} GTEST_SHARD_INDEX=${index})
    endif()
    set_tests_properties(${entry} PROPERTIES TIMEOUT ${timeout})
    if(DEFINED WINE_TEST_COST_${program})
      set_tests_properties(${entry} PROPERTIES COST ${WINE_TEST_COST_${program}})
    endif()
    if(locks)
      set_tests_properties(${entry} PROPERTIES RESOURCE_LOCK "${locks}")
    endif()
    if(entry_environment)
      set_tests_properties(${entry} PROPERTIES ENVIRONMENT "${entry_environment}")
    endif()
    math(EXPR index "${index} + 1")
  endforeach()
endfunction()

# add_bench(<name> SOURCES ... [LIBS ...]): a program that prints its figures; never part of ctest.
function(add_bench name)
  cmake_parse_arguments(B "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${B_SOURCES})
  target_link_libraries(${name} PRIVATE ${B_LIBS})
  set_property(GLOBAL APPEND PROPERTY BENCH_TARGETS ${name})
endfunction()
