// The dialog test program (framework/tests/program) started as a child process, as a user
// starts a program: its application object runs its dialog, which a script drives, and
// WinMain's result is the process's exit code.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "program_ids.h"
#include "testing/container/child_process.h"

namespace {

constexpr DWORD kProgramTimeoutMs = 90000;

std::optional<DWORD> RunProgram(const std::string& program, const std::string& arguments) {
  const std::string path = test_container::ExecutableFolder() + program;
  return test_container::RunProcess("\"" + path + "\" " + arguments, kProgramTimeoutMs);
}

TEST(DialogProgram, ExitCodeIsTheMainDialogsResultOrWhatExitInstanceMakesOfIt) {
  const struct {
    const char* arguments;
    DWORD exitCode;
  } cases[] = {
      {"end", IDC_END},          // EndDialog(1005)
      {"exit-instance", 102},    // Exit (IDCANCEL, 2), plus 100 in ExitInstance
      {"ole", 11},               // EnableOle: the thread's apartment is already there
      {"no-ole", 10},
      {"throw", static_cast<DWORD>(-1)},  // thrown after the dialog ended with 1005
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments);
    const std::optional<DWORD> code = RunProgram("fw_dialog_program.exe", c.arguments);
    ASSERT_TRUE(code.has_value()) << "did not start, or did not end in time";
    EXPECT_EQ(*code, c.exitCode);
  }
}

std::string DescribeTexts(DWORD code) {
  if (!(code & EXIT_TEXTS_CHECKED)) {
    return "the texts were not checked (exit code " + std::to_string(code) + ")";
  }
  std::string out;
  if (code & EXIT_BAD_CAPTION) out += " caption";
  if (code & EXIT_BAD_LABEL) out += " label";
  if (code & EXIT_BAD_STRING) out += " string";
  if (code & EXIT_BAD_RANGE_MESSAGE) out += " range-message";
  return out.empty() ? "all as expected" : "differing:" + out;
}

// Read back as UTF-16 from the windows: what the dialog template, the string table and the
// framework's range message gave, in a code page that has no Chinese at all.
TEST(DialogProgram, BuiltForChineseShowsChineseWhateverTheUserLanguage) {
  const bool chineseUser = PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_CHINESE;
  const struct {
    const char* program;
    const char* language;
  } cases[] = {
      {"fw_dialog_program_zh.exe", "zh"},
      {"fw_dialog_program.exe", chineseUser ? "zh" : "en"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.program);
    const std::optional<DWORD> code = RunProgram(c.program, std::string("texts ") + c.language);
    ASSERT_TRUE(code.has_value()) << "did not start, or did not end in time";
    EXPECT_EQ(*code, static_cast<DWORD>(EXIT_TEXTS_CHECKED)) << DescribeTexts(*code);
  }
}

}  // namespace
