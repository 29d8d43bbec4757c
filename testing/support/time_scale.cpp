#include "time_scale.h"

#include <cstdlib>

namespace testing_support {

unsigned TimeScale() {
  static const unsigned scale = [] {
    char text[16] = {};
    const DWORD length = GetEnvironmentVariableA("TEST_TIME_SCALE", text, sizeof text);
    if (length == 0 || length >= sizeof text) return 1u;
    const unsigned long value = std::strtoul(text, nullptr, 10);
    return value >= 2 && value <= 10 ? static_cast<unsigned>(value) : 1u;
  }();
  return scale;
}

}  // namespace testing_support
