#include "common/log_writer.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "base/scoped_lock.h"

namespace common {
namespace {

// A fixed stamp, not __DATE__/__TIME__: every build writes the same prefix.
constexpr char kBuildDate[] = "Sep 12 2006";
constexpr char kBuildTime[] = "14:06:03";

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Formats the line into out (kLogLineMax + 1 bytes) and returns its length.
size_t FormatLine(char* out, std::string_view message, std::string_view sourceFile, int line) {
  constexpr size_t kBodyMax = kLogLineMax - 1;  // room kept for the newline
  const char* source = sourceFile.empty() ? "" : sourceFile.data();
  const int prefix = std::snprintf(out, kBodyMax + 1, "%s %s %.*s %d \t", kBuildDate, kBuildTime,
                                   static_cast<int>(sourceFile.size()), source, line);
  size_t length = prefix < 0 ? 0 : static_cast<size_t>(prefix);
  if (length > kBodyMax) length = kBodyMax;
  const size_t take = message.size() < kBodyMax - length ? message.size() : kBodyMax - length;
  if (take > 0) std::memcpy(out + length, message.data(), take);
  length += take;
  out[length++] = '\n';
  out[length] = '\0';
  return length;
}

// Never destroyed: lines still come from static destructors that run after this one would,
// and from threads that go on while the process exits.
union ModuleLog {
  constexpr ModuleLog() : writer() {}
  ~ModuleLog() {}
  LogWriter writer;
};
ModuleLog g_moduleLog;

}  // namespace

LogWriter::~LogWriter() {
  if (lockMade_) DeleteCriticalSection(&lock_);
}

BOOL CALLBACK LogWriter::MakeLock(PINIT_ONCE, PVOID self, PVOID*) {
  auto* writer = static_cast<LogWriter*>(self);
  // No debug information: the module-wide lock is never deleted, and then holds nothing the
  // system would have to take back.
  InitializeCriticalSectionEx(&writer->lock_, 0, CRITICAL_SECTION_NO_DEBUG_INFO);
  writer->lockMade_ = true;
  return TRUE;
}

CRITICAL_SECTION* LogWriter::Lock() {
  if (!InitOnceExecuteOnce(&lockOnce_, &LogWriter::MakeLock, this, nullptr)) return nullptr;
  return &lock_;
}

void LogWriter::Write(const char* fileName, int level, std::string_view message,
                      std::string_view sourceFile, int line) noexcept {
  if ((level & LevelMask()) == 0 || fileName == nullptr) return;
  CRITICAL_SECTION* lock = Lock();
  if (lock == nullptr) return;
  base::CScopedLock hold(*lock);

  const size_t length = FormatLine(line_.data(), message, sourceFile, line);
  long position = 0;
  {
    // Text mode, as the log has always been written: the newline reaches the file as CR LF.
    File file(std::fopen(fileName, "a+"));
    if (!file) return;
    std::fwrite(line_.data(), 1, length, file.get());
    // On an append stream ftell may count from where the stream was opened, not from the
    // file's end; only the end says how large the file has grown.
    if (std::fseek(file.get(), 0, SEEK_END) == 0) position = std::ftell(file.get());
  }
  if (position > kLogFileLimit) {
    // Emptied rather than rotated: the line just written goes with the rest.
    File emptied(std::fopen(fileName, "w"));
  }
}

void SetLogLevelMask(int mask) { g_moduleLog.writer.SetLevelMask(mask); }

int LogLevelMask() { return g_moduleLog.writer.LevelMask(); }

void WriteLog(const char* fileName, int level, std::string_view message,
              std::string_view sourceFile, int line) noexcept {
  g_moduleLog.writer.Write(fileName, level, message, sourceFile, line);
}

}  // namespace common
