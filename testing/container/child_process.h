// Runs another program (regsvr32, cscript) from a test and waits for it, never for ever.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace test_container {

// The exit code, or nothing when the program could not start or did not end within
// `timeoutMs` (it is then terminated).
std::optional<DWORD> RunProcess(const std::string& commandLine, DWORD timeoutMs);

struct ProcessOutput {
  DWORD exitCode = 0;
  std::string output;  // standard output and standard error, interleaved as written
};

// The same, reading what the program writes (so a chatty one never blocks on a full pipe).
std::optional<ProcessOutput> RunProcessWithOutput(const std::string& commandLine,
                                                  DWORD timeoutMs);

// The folder of this test program, with a trailing backslash.
std::string ExecutableFolder();

}  // namespace test_container
