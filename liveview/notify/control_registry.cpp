#include "liveview/notify/control_registry.h"

#include <atomic>

namespace liveview {
namespace {
// Written on the user-interface thread, read by workers.
std::atomic<HWND> g_controlWindow{nullptr};
}  // namespace

void SetControlWindow(HWND window) { g_controlWindow.store(window); }

HWND GetControlWindow() { return g_controlWindow.load(); }

}  // namespace liveview
