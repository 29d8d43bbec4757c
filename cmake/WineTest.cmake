# Test executables run under Wine through the launcher; CTest sees every GoogleTest case.
include(GoogleTest)

# The locale of the Chinese runs, given as LC_ALL (over any LANG): Wine takes the ANSI code
# page (936) and the user's language (Chinese) from it. One variable, since a list-valued
# ENVIRONMENT does not survive test discovery. scripts/setup makes it where the system lacks it.
set(WINE_CHINESE_LOCALE "zh_CN.UTF-8" CACHE STRING "Unix locale of the tests' Chinese runs")

# add_wine_test(<name> SOURCES ... [LIBS ...] [RESOURCE_LOCK <lock>...] [TIMEOUT <s>] [NO_MAIN]
#               [ALSO_CHINESE])
# RESOURCE_LOCK serialises binaries that share a fixed resource (a well-known UDP port, say).
# ALSO_CHINESE registers the program a second time, in the Chinese locale (names ending in
# "_zh"); suites whose names end in "InChineseLocale" run only in that second registration.
function(add_wine_test name)
  cmake_parse_arguments(T "NO_MAIN;ALSO_CHINESE" "TIMEOUT" "SOURCES;LIBS;RESOURCE_LOCK" ${ARGN})
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
  set(chinese_only)
  if(T_ALSO_CHINESE)
    set(chinese_only TEST_FILTER "-*InChineseLocale.*")
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    ${chinese_only}
    PROPERTIES ${props})
  if(T_ALSO_CHINESE)
    gtest_discover_tests(${name}
      DISCOVERY_MODE PRE_TEST
      DISCOVERY_TIMEOUT 60
      TEST_SUFFIX _zh
      PROPERTIES ${props} ENVIRONMENT "LC_ALL=${WINE_CHINESE_LOCALE}")
  endif()
endfunction()

# add_bench(<name> SOURCES ... [LIBS ...]): a program that prints its figures; never part of ctest.
function(add_bench name)
  cmake_parse_arguments(B "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${B_SOURCES})
  target_link_libraries(${name} PRIVATE ${B_LIBS})
  set_property(GLOBAL APPEND PROPERTY BENCH_TARGETS ${name})
endfunction()
