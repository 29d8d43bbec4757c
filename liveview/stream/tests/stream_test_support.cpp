#include "liveview/stream/tests/stream_test_support.h"

#include <algorithm>

#include "base/scoped_lock.h"
#include "liveview/notify/control_messages.h"
#include "liveview/notify/control_registry.h"

namespace liveview {
namespace stream_test {
namespace {

constexpr char kParentClass[] = "StreamTestParent";

void RegisterClassOnce(const char* name, WNDPROC proc) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = proc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = name;
  wc.cbWndExtra = sizeof(void*);
  RegisterClassA(&wc);
}

}  // namespace

StreamFixture::StreamFixture() {
  RegisterClassOnce(kParentClass, DefWindowProcA);
  parent_ = CreateWindowExA(0, kParentClass, "streams", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                            680, 520, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  for (int i = 0; i < 16; ++i) {
    windows_[i] = std::make_unique<CWatchWnd>();
    windows_[i]->Create(256 + i, parent_, i);
    MoveWindow(windows_[i]->GetSafeHwnd(), (i % 4) * 160, (i / 4) * 120, 160, 120, FALSE);
  }
  control_ = std::make_unique<ControlRecorder>();
  CThreadManager::Instance();  // starts Winsock too
  SetReconnect(0, 1);
}

StreamFixture::~StreamFixture() {
  CThreadManager::Release();
  CCameraTable::Release();
  control_.reset();
  for (auto& camera : cameras_) camera.reset();
  for (auto& window : windows_) window.reset();
  DestroyWindow(parent_);
}

camsim::HttpCamera& StreamFixture::AddCamera(int index, camsim::CameraConfig config) {
  if (config.name == "Camera") config.name = "Camera " + std::to_string(index);
  cameras_[index] = std::make_unique<camsim::HttpCamera>(config);
  cameras_[index]->Start();
  Table().Add(index, "127.0.0.1", cameras_[index]->Port(), config.user, config.password,
              config.name);
  return *cameras_[index];
}

bool StreamFixture::SlotFree(int slotIndex) {
  StreamSlot* slot = Manager().SlotAt(slotIndex);
  base::CScopedLock hold(slot->lock);
  return slot->host.empty();
}

bool StreamFixture::WaitForFrames(int camera, int count, DWORD timeoutMs) {
  return PumpUntil([&] { return Control().CountState(camera, kCamStateFrame) >= count; },
                   timeoutMs);
}

}  // namespace stream_test
}  // namespace liveview
