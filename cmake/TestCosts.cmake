# How long test programs take in the emulated test machine, in seconds, as CTest's COST of
# their entries: with -j, CTest starts the costliest first (before its own timings of earlier
# runs, which mix this machine's with the emulated one's). Rough figures of a loaded machine
# are enough: only the order counts. A program not named here keeps CTest's own estimate.

# wine_test_chain(<program> <seconds> ...): the programs that one lock keeps one after the
# other, in the order they should run. Each costs what is left of the chain from it on, so
# the chain starts at once and goes on without a gap; programs that time their own steps
# tightly go last, away from the run's busy start.
function(wine_test_chain)
  set(left 0)
  set(args ${ARGN})
  list(LENGTH args n)
  math(EXPR last "${n} - 1")
  foreach(i RANGE ${last} 0 -2)
    math(EXPR p "${i} - 1")
    list(GET args ${p} program)
    list(GET args ${i} seconds)
    math(EXPR left "${left} + ${seconds}")
    set(WINE_TEST_COST_${program} ${left} PARENT_SCOPE)
  endforeach()
endfunction()

# The fixed discovery ports, first lane and second lane.
wine_test_chain(lumidex_control_tests 65 lumidex_module_tests 58 discovery_finder_tests 11
                setuptool_dialog_tests_cn 120 setuptool_dialog_tests 70 tool_capture_tests 84)
wine_test_chain(setuptool_set_dialogs_tests_cn 300 setuptool_set_dialogs_tests 150
                setuptool_program_tests 33)
# Tessaly registered: its host members and settings dialogs in the second lane, the rest in
# the first.
wine_test_chain(tessaly_host_members_tests 180 tessaly_dialog_tests 180)
wine_test_chain(tessaly_control_tests 200 demo_host_tests 100)
# The install language and the record browser control's catalogue (two shards).
wine_test_chain(vantrel_control_tests 270 vantrel_startup_tests 75)

# Long programs that take no lock (per shard).
set(WINE_TEST_COST_vantrel_thumbnail_tests 150)
set(WINE_TEST_COST_framework_control_tests 140)
set(WINE_TEST_COST_mediagraph_tests 85)
