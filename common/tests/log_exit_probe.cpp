// Writes log lines while the process exits: from a static destructor that runs after every
// other one, and from a thread that goes on writing through the exit. Its report file says
// how often the log's lock was entered after it had been deleted.
//
// log_exit_probe <log file> <report file>
//
// This program's calls to EnterCriticalSection and DeleteCriticalSection go through its own
// import table, which main points at two recorders before the first line.
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <thread>

#include "common/log_writer.h"

using EnterFunction = VOID(WINAPI*)(LPCRITICAL_SECTION);
extern "C" EnterFunction g_importedEnter __asm__("__imp__EnterCriticalSection@4");
extern "C" EnterFunction g_importedDelete __asm__("__imp__DeleteCriticalSection@4");

namespace {

// Plain data only: all of it must outlive every destructor.
EnterFunction g_realEnter;
EnterFunction g_realDelete;
std::atomic<bool> g_capturing{false};
std::atomic<CRITICAL_SECTION*> g_logLock{nullptr};
std::atomic<bool> g_logLockDeleted{false};
std::atomic<int> g_entriesAfterDelete{0};
const char* g_logFile;
const char* g_reportFile;

VOID WINAPI RecordingEnter(LPCRITICAL_SECTION section) {
  // The first lock entered while main writes its first line is the log's own.
  CRITICAL_SECTION* none = nullptr;
  if (g_capturing.load()) g_logLock.compare_exchange_strong(none, section);
  if (section == g_logLock.load() && g_logLockDeleted.load()) ++g_entriesAfterDelete;
  g_realEnter(section);
}

VOID WINAPI RecordingDelete(LPCRITICAL_SECTION section) {
  if (section == g_logLock.load()) g_logLockDeleted.store(true);
  g_realDelete(section);
}

void Patch(EnterFunction& slot, EnterFunction replacement) {
  DWORD old = 0;
  VirtualProtect(&slot, sizeof slot, PAGE_READWRITE, &old);
  slot = replacement;
  VirtualProtect(&slot, sizeof slot, old, &old);
}

void Report(const char* text) {
  const HANDLE file =
      CreateFileA(g_reportFile, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, text, static_cast<DWORD>(lstrlenA(text)), &written, nullptr);
  CloseHandle(file);
}

// Constructed before, so destroyed after, every object of default priority.
struct LastToGo {
  ~LastToGo() {
    if (g_reportFile == nullptr) return;
    common::WriteLog(g_logFile, 1, "from the last destructor", "probe", 2);
    char text[64];
    std::snprintf(text, sizeof text, "lock captured %d, entered after delete %d",
                  g_logLock.load() != nullptr, g_entriesAfterDelete.load());
    Report(text);
  }
};
__attribute__((init_priority(101))) LastToGo g_lastToGo;

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  g_logFile = argv[1];
  g_reportFile = argv[2];
  g_realEnter = g_importedEnter;
  g_realDelete = g_importedDelete;
  Patch(g_importedEnter, &RecordingEnter);
  Patch(g_importedDelete, &RecordingDelete);

  common::SetLogLevelMask(1);
  g_capturing.store(true);
  common::WriteLog(g_logFile, 1, "from main", "probe", 1);
  g_capturing.store(false);

  // Never joined: it is still writing when the process ends.
  std::thread([] {
    for (int line = 3;; ++line) common::WriteLog(g_logFile, 1, "from a thread", "probe", line);
  }).detach();
  Sleep(50);
  return 0;
}
