#include <windows.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "common/log_writer.h"

namespace common {
namespace {

constexpr char kPrefix[] = "Sep 12 2006 14:06:03 ";

class LogWriterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH];
    ASSERT_NE(GetTempPathA(sizeof temp, temp), 0u);
    folder_ = std::filesystem::path(temp) /
              ("logwriter-" + std::to_string(GetCurrentProcessId()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(folder_);
    ASSERT_TRUE(std::filesystem::create_directories(folder_));
    path_ = (folder_ / "test.log").string();
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }

  // The file's bytes as they are on disk ("" when it does not exist).
  std::string Contents() const {
    std::ifstream in(path_, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
  }
  void Fill(size_t size) const {
    std::ofstream out(path_, std::ios::binary);
    out << std::string(size, 'x');
  }
  uintmax_t Size() const { return std::filesystem::file_size(path_); }

  std::filesystem::path folder_;
  std::string path_;
  LogWriter writer_;
};

TEST_F(LogWriterTest, AppendsOneLinePerCall) {
  writer_.SetLevelMask(1);
  writer_.Write(path_.c_str(), 1, "Destroy Client Error", "TessalyCtl", 862);
  writer_.Write(path_.c_str(), 1, "Error Exit ...", "ThreadManager", 211);
  EXPECT_EQ(Contents(), std::string(kPrefix) + "TessalyCtl 862 \tDestroy Client Error\r\n" +
                            kPrefix + "ThreadManager 211 \tError Exit ...\r\n");
}

TEST_F(LogWriterTest, WritesOnlyLevelsInTheMask) {
  struct Case {
    int mask;
    int level;
    bool written;
  };
  constexpr Case kCases[] = {
      {0, 1, false}, {1, 1, true},  {1, 2, false}, {1, 3, true},
      {4, 1, false}, {4, 2, false}, {4, 4, true},  {6, 2, true},
  };
  for (const auto& c : kCases) {
    std::filesystem::remove(path_);
    writer_.SetLevelMask(c.mask);
    writer_.Write(path_.c_str(), c.level, "message", "orvex", 55);
    EXPECT_EQ(!Contents().empty(), c.written) << "mask " << c.mask << " level " << c.level;
  }
}

TEST_F(LogWriterTest, MessageIsWrittenAsItStands) {
  writer_.SetLevelMask(1);
  writer_.Write(path_.c_str(), 1, "send error:%d 100% %s%s%n", "orvex", 362);
  EXPECT_EQ(Contents(), std::string(kPrefix) + "orvex 362 \tsend error:%d 100% %s%s%n\r\n");
}

TEST_F(LogWriterTest, LongLineIsCutAndKeepsItsNewline) {
  writer_.SetLevelMask(1);
  writer_.Write(path_.c_str(), 1, std::string(5000, 'm'), "orvex", 1);
  const std::string contents = Contents();
  // kLogLineMax characters with the newline; text mode makes the newline CR LF on disk.
  ASSERT_EQ(contents.size(), kLogLineMax + 1);
  EXPECT_EQ(contents.compare(0, sizeof kPrefix - 1, kPrefix), 0);
  EXPECT_EQ(contents.substr(contents.size() - 3), "m\r\n");

  std::filesystem::remove(path_);
  writer_.Write(path_.c_str(), 1, "m", std::string(3000, 's'), 1);
  EXPECT_EQ(Contents().size(), kLogLineMax + 1) << "a long source name is cut too";
}

TEST_F(LogWriterTest, FileIsEmptiedOnceItGrowsPastTheLimit) {
  writer_.SetLevelMask(1);
  writer_.Write(path_.c_str(), 1, "0123456789", "TessalyCtl", 862);
  const uintmax_t lineSize = Size();

  // 1,048,570 bytes and even a short line end above the limit.
  Fill(1048570);
  writer_.Write(path_.c_str(), 1, "0123456789", "TessalyCtl", 862);
  EXPECT_EQ(Size(), 0u);

  // Ending exactly at the limit is not past it.
  Fill(kLogFileLimit - lineSize);
  writer_.Write(path_.c_str(), 1, "0123456789", "TessalyCtl", 862);
  EXPECT_EQ(Size(), static_cast<uintmax_t>(kLogFileLimit));
  writer_.Write(path_.c_str(), 1, "0123456789", "TessalyCtl", 862);
  EXPECT_EQ(Size(), 0u);
}

TEST_F(LogWriterTest, NullOrUnopenableFileWritesNothing) {
  writer_.SetLevelMask(1);
  writer_.Write(nullptr, 1, "message", "orvex", 1);
  const std::string missing = (folder_ / "no-such-folder" / "x.log").string();
  writer_.Write(missing.c_str(), 1, "message", "orvex", 1);
  EXPECT_FALSE(std::filesystem::exists(missing));
  writer_.Write(path_.c_str(), 1, "still works", "orvex", 1);
  EXPECT_FALSE(Contents().empty());
}

TEST_F(LogWriterTest, ThreadsMakingTheirFirstCallsAtOnceWriteWholeLines) {
  constexpr int kThreads = 8;
  constexpr int kLinesEach = 40;
  writer_.SetLevelMask(1);
  // Manual-reset, so every thread is released at the same moment into its first call.
  HANDLE go = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  ASSERT_NE(go, nullptr);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([this, go, t] {
      WaitForSingleObject(go, INFINITE);
      for (int n = 0; n < kLinesEach; ++n)
        writer_.Write(path_.c_str(), 1, "thread " + std::to_string(t) + " line " + std::to_string(n),
                      "ThreadManager", t);
    });
  }
  SetEvent(go);
  for (auto& thread : threads) thread.join();
  CloseHandle(go);

  std::istringstream lines(Contents());
  std::set<std::string> seen;
  std::string line;
  int count = 0;
  while (std::getline(lines, line)) {
    ++count;
    ASSERT_EQ(line.compare(0, sizeof kPrefix - 1, kPrefix), 0) << line;
    ASSERT_EQ(line.back(), '\r') << line;
    seen.insert(line.substr(line.find('\t') + 1));
  }
  EXPECT_EQ(count, kThreads * kLinesEach);
  EXPECT_EQ(seen.size(), static_cast<size_t>(kThreads * kLinesEach)) << "a line was lost or mixed";
}

// A program of its own, for the lines that come after its static destructors: from a later
// destructor and from a thread still writing while the process ends.
TEST_F(LogWriterTest, ModuleWriterOutlivesStaticDestruction) {
  char self[MAX_PATH];
  ASSERT_NE(GetModuleFileNameA(nullptr, self, sizeof self), 0u);
  const std::string probe =
      (std::filesystem::path(self).parent_path() / "log_exit_probe.exe").string();
  const std::string report = (folder_ / "report.txt").string();
  std::string commandLine = "\"" + probe + "\" \"" + path_ + "\" \"" + report + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  ASSERT_TRUE(CreateProcessA(probe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                             nullptr, nullptr, &startup, &process))
      << GetLastError();
  CloseHandle(process.hThread);
  const DWORD waited = WaitForSingleObject(process.hProcess, 60000);
  DWORD exitCode = STILL_ACTIVE;
  GetExitCodeProcess(process.hProcess, &exitCode);
  if (waited != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
  CloseHandle(process.hProcess);
  ASSERT_EQ(waited, WAIT_OBJECT_0);
  EXPECT_EQ(exitCode, 0u);

  std::ifstream in(report);
  std::string verdict;
  std::getline(in, verdict);
  EXPECT_EQ(verdict, "lock captured 1, entered after delete 0");
  EXPECT_NE(Contents().find("probe 2 \tfrom the last destructor\r\n"), std::string::npos)
      << "the line of the last destructor is written";
}

TEST_F(LogWriterTest, ModuleWriterStartsWithEverythingMasked) {
  EXPECT_EQ(LogLevelMask(), 0);
  WriteLog(path_.c_str(), -1, "masked", "TessalyCtl", 1);
  EXPECT_TRUE(Contents().empty());
  SetLogLevelMask(1);
  WriteLog(path_.c_str(), 1, "written", "TessalyCtl", 2);
  SetLogLevelMask(0);
  EXPECT_EQ(Contents(), std::string(kPrefix) + "TessalyCtl 2 \twritten\r\n");
}

}  // namespace
}  // namespace common
