#include "liveview/record/avifile_library.h"

#include <windows.h>

#include <vfw.h>

#include <mutex>

namespace liveview {
namespace {

void RealInit() { AVIFileInit(); }
void RealExit() { AVIFileExit(); }

struct LibraryState {
  std::mutex mutex;
  bool held = false;
  DWORD thread = 0;
  AviFileLibraryCall init = &RealInit;
  AviFileLibraryCall exit = &RealExit;
};

LibraryState& State() {
  static LibraryState state;
  return state;
}

}  // namespace

void EnsureAviFileLibrary() {
  LibraryState& state = State();
  std::lock_guard<std::mutex> hold(state.mutex);
  if (state.held) return;
  state.init();
  state.held = true;
  state.thread = GetCurrentThreadId();
}

bool EndAviFileLibrary() {
  LibraryState& state = State();
  std::lock_guard<std::mutex> hold(state.mutex);
  if (!state.held || state.thread != GetCurrentThreadId()) return false;
  state.exit();
  state.held = false;
  state.thread = 0;
  return true;
}

bool AviFileLibraryHeld() {
  LibraryState& state = State();
  std::lock_guard<std::mutex> hold(state.mutex);
  return state.held;
}

void SetAviFileLibraryCalls(AviFileLibraryCall init, AviFileLibraryCall exit) {
  LibraryState& state = State();
  std::lock_guard<std::mutex> hold(state.mutex);
  state.init = init ? init : &RealInit;
  state.exit = exit ? exit : &RealExit;
}

}  // namespace liveview
