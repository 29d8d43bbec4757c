// What the demo's programs share around their own work: their exit codes for a wrong command
// line and for a failure of their own, whole numbers read from options, and a main that
// reports either.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <optional>
#include <string>

namespace demo_program {

// 1 is each program's own: what it waited for did not come.
constexpr int kExitUsage = 2;
constexpr int kExitHostFailed = 3;

// `text` as a whole number from `low` to `high`, all of it digits.
inline std::optional<int> Number(const std::string& text, long low, long high) {
  char* end = nullptr;
  const long value = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || value < low || value > high) return std::nullopt;
  return static_cast<int>(value);
}

// The options from `parse(argc, argv, error)`, or the error and `usage` on stderr; then the
// status of `run(options)`. What `run` throws is said on stdout after `say`.
template <class Parse, class Run>
int Main(int argc, char** argv, const char* program, const char* say, const char* usage,
         Parse parse, Run run) {
  // Read through a pipe by scripts and tests: no buffering, so nothing waits in it.
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  std::string error;
  const auto options = parse(argc, argv, error);
  if (!options) {
    std::fprintf(stderr, "%s: %s\n%s", program, error.c_str(), usage);
    return kExitUsage;
  }
  try {
    return run(*options);
  } catch (const std::exception& e) {
    std::printf("%s: %s\n", say, e.what());
  }
  return kExitHostFailed;
}

}  // namespace demo_program
