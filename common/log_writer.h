// Level-masked diagnostic log: one line appended per enabled call, the file opened and closed
// each time, and emptied once it has grown past kLogFileLimit bytes.
//
// Line: "<build date> <build time> <source file> <line> \t<message>\n". The message is written
// as it stands (a "%" in it is plain text). A line is at most kLogLineMax characters with its
// newline; a longer one is cut and still ends with the newline.
#pragma once

#include <windows.h>

#include <array>
#include <atomic>
#include <cstddef>
#include <string_view>

namespace common {

constexpr long kLogFileLimit = 0x100000;
constexpr size_t kLogLineMax = 1023;

// The writer of one module. Most code uses the module-wide one through the free functions
// below; tests make their own so that the first call is really the first.
class LogWriter {
 public:
  constexpr LogWriter() = default;
  ~LogWriter();
  LogWriter(const LogWriter&) = delete;
  LogWriter& operator=(const LogWriter&) = delete;

  void SetLevelMask(int mask) { mask_.store(mask); }
  int LevelMask() const { return mask_.load(); }

  // Appends the line when `level` shares a bit with the mask. A null file name, or a file
  // that cannot be opened, writes nothing and reports nothing. Safe from any thread.
  void Write(const char* fileName, int level, std::string_view message,
             std::string_view sourceFile, int line) noexcept;

 private:
  static BOOL CALLBACK MakeLock(PINIT_ONCE once, PVOID self, PVOID* context);
  // The lock comes into being on the first enabled call, and two threads may make that call
  // at once: INIT_ONCE lets exactly one of them initialise it.
  CRITICAL_SECTION* Lock();

  std::atomic<int> mask_{0};
  INIT_ONCE lockOnce_ = INIT_ONCE_STATIC_INIT;
  CRITICAL_SECTION lock_{};
  bool lockMade_ = false;
  std::array<char, kLogLineMax + 1> line_{};  // used only under lock_
};

// The module-wide writer: its mask is 0 until the module's control sets it. It is never
// destroyed, so it may be called from static destructors and while the process exits.
void SetLogLevelMask(int mask);
int LogLevelMask();
void WriteLog(const char* fileName, int level, std::string_view message,
              std::string_view sourceFile, int line) noexcept;

}  // namespace common
