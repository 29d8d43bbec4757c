// How many times slower than a normal machine this one runs the tests. scripts/test sets
// TEST_TIME_SCALE in the emulated test machine, where every step takes a few times longer.
// Only a wait that guards against a hang, or a time the machine's own speed sets, stretches
// with it; a time the product promises does not.
#pragma once

#include <windows.h>

namespace testing_support {

// 1 unless TEST_TIME_SCALE holds a whole number from 2 to 10.
unsigned TimeScale();

// `ms` stretched by TimeScale().
inline DWORD Scaled(DWORD ms) { return ms * TimeScale(); }

}  // namespace testing_support
