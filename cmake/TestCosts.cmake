# How long test programs take in the emulated test machine, in seconds, as CTest's COST of
# their entries: with -j, CTest starts the costliest first (before its own timings of earlier
# runs, which mix this machine's with the emulated one's). Every program of a lock's chain
# carries the whole chain's time, so the chain starts at once and goes on without a gap; then
# come the long programs that take no lock. Rough figures of a loaded machine are enough: only
# the order counts. A program not named here keeps CTest's own estimate.

# The fixed discovery ports, second lane: the set-address dialogs and the programs.
foreach(program setuptool_set_dialogs_tests setuptool_set_dialogs_tests_cn setuptool_program_tests)
  set(WINE_TEST_COST_${program} 450)
endforeach()
# The fixed discovery ports, first lane.
foreach(program lumidex_control_tests lumidex_module_tests discovery_finder_tests tool_capture_tests
                setuptool_dialog_tests setuptool_dialog_tests_cn)
  set(WINE_TEST_COST_${program} 410)
endforeach()
# Tessaly registered, second lane.
foreach(program tessaly_host_members_tests tessaly_dialog_tests)
  set(WINE_TEST_COST_${program} 360)
endforeach()
# The install language and the record browser control's catalogue.
foreach(program vantrel_control_tests vantrel_startup_tests)
  set(WINE_TEST_COST_${program} 330)
endforeach()
# Tessaly registered, first lane.
foreach(program tessaly_control_tests demo_host_tests)
  set(WINE_TEST_COST_${program} 230)
endforeach()

set(WINE_TEST_COST_vantrel_thumbnail_tests 250)
set(WINE_TEST_COST_framework_control_tests 140)
set(WINE_TEST_COST_mediagraph_tests 85)
