#include "liveview/stream/thread_manager.h"

#include <winsock2.h>

#include <string>
#include <utility>

#include "base/scoped_lock.h"
#include "base/winsock_session.h"
#include "liveview/cameras/basic_credentials.h"
#include "liveview/cameras/camera_table.h"
#include "liveview/cameras/camera_text.h"
#include "liveview/notify/control_registry.h"
#include "liveview/stream/stream_worker.h"
#include "liveview/window/watch_wnd.h"

namespace liveview {
namespace {

CThreadManager* g_manager = nullptr;

// Back to free after a start that could not go on; the slot lock is held.
void ReleaseClaim(StreamSlot& slot) {
  slot.window = nullptr;
  slot.windowIndex = -1;
  slot.cameraIndex = -1;
  slot.running.store(0);
  slot.stopRequest.store(1);
  slot.host.clear();
}

// A worker that freed its slot may still be retrying its last state for a full queue, and it
// goes on using the slot for that. Before another camera takes the slot, it is told to give
// up, as a stop tells it (this thread, which drains the queue, waits), and waited for:
// otherwise nothing would wait for it, not even the manager's release that deletes the slot.
void AwaitFreedWorker(StreamSlot& slot) {
  HANDLE thread = nullptr;
  {
    base::CScopedLock hold(slot.lock);
    if (!slot.host.empty() || !slot.thread) return;
    slot.hostWaiting.store(1);
    thread = slot.thread;
  }
  // Outside the lock, as in StopStream. Only this thread claims slots: it stays free.
  WaitForSingleObject(thread, INFINITE);
}

}  // namespace

CThreadManager* CThreadManager::Instance() {
  if (!g_manager) g_manager = new CThreadManager();
  return g_manager;
}

void CThreadManager::Release() {
  delete g_manager;
  g_manager = nullptr;
}

CThreadManager::CThreadManager() {
  for (auto& slot : slots_) slot = std::make_unique<StreamSlot>();
}

CThreadManager::~CThreadManager() {
  StopAllStreams();
  // A recording started on a slot that has no worker has no one else to finish it.
  for (auto& slot : slots_) StopSlotRecording(*slot);
  for (auto& slot : slots_) slot.reset();
}

int CThreadManager::StartStream(CWatchWnd* window, std::string_view cameraText) {
  if (!window || cameraText.empty() || !winsock_.Started()) return 0;
  CCameraTable* table = CCameraTable::Instance();
  const CCameraTable::HostAndPort target = table->SplitCameraText(cameraText);

  for (auto& slot : slots_) {
    base::CScopedLock hold(slot->lock);
    if (!slot->host.empty() && slot->port == target.port &&
        EqualsIgnoreCase(slot->host, target.host)) {
      return 1;
    }
  }

  const int camera = table->FindByCameraText(cameraText);
  if (!CCameraTable::IsValidIndex(camera)) return 0;
  const CameraRecord* record = table->RecordAt(camera);
  // Too long to send whole: refused, so a slot's earlier credentials can never go out to
  // this camera.
  std::string credentials;
  if (!MakeBasicCredentials(record->user, record->password, &credentials)) return 0;

  for (auto& owned : slots_) {
    StreamSlot& slot = *owned;
    AwaitFreedWorker(slot);
    base::CScopedLock hold(slot.lock);
    if (!slot.host.empty()) continue;
    // The handle of a worker that ended on its own.
    if (slot.thread) {
      CloseHandle(slot.thread);
      slot.thread = nullptr;
    }
    slot.host = target.host;
    slot.port = static_cast<uint16_t>(target.port);
    slot.window = window;
    slot.windowIndex = window->Number();
    slot.cameraIndex = camera;
    slot.reconnect = table->Settings().reconnect;
    slot.reconnectInterval = table->Settings().interval;
    slot.credentials = std::move(credentials);
    slot.recording.width = record->recordWidth;
    slot.recording.height = record->recordHeight;
    // Set here, never by the worker, so a stop that follows at once is not lost.
    slot.running.store(1);
    slot.stopRequest.store(0);
    slot.hostWaiting.store(0);
    slot.thread = CreateThread(nullptr, 0, StreamThreadProc, &slot, 0, nullptr);
    if (!slot.thread) {
      ReleaseClaim(slot);
      return 0;
    }
    return 1;
  }
  return 0;
}

int CThreadManager::StopStream(int index) {
  StreamSlot* slot = SlotAt(index);
  if (!slot) return 0;
  if (!slot->thread) return 1;
  {
    base::CScopedLock hold(slot->lock);
    slot->running.store(0);
    slot->hostWaiting.store(1);
    WakeWorker(*slot);
  }
  // Outside the lock: the worker takes it for its final reset.
  WaitForSingleObject(slot->thread, INFINITE);
  base::CScopedLock hold(slot->lock);
  CloseHandle(slot->thread);
  slot->thread = nullptr;
  return 1;
}

void CThreadManager::StopAllStreams() {
  for (int i = 0; i < kSlotCount; ++i) StopStream(i);
}

int CThreadManager::RequestStop(std::string_view cameraText) {
  const CCameraTable::HostAndPort target = CCameraTable::Instance()->SplitCameraText(cameraText);
  for (auto& slot : slots_) {
    base::CScopedLock hold(slot->lock);
    if (!slot->host.empty() && slot->host == target.host && slot->port == target.port) {
      slot->stopRequest.store(1);
      // The shut-down socket ends the worker's select where the camera answers it or keeps
      // sending; otherwise the worker sees the flag when its select runs out.
      WakeWorker(*slot);
      return 1;
    }
  }
  return 0;
}

int CThreadManager::MoveStream(std::string_view cameraText, CWatchWnd* window) {
  if (!window) return 0;
  CCameraTable* table = CCameraTable::Instance();
  const CCameraTable::HostAndPort target = table->SplitCameraText(cameraText);
  const int camera = table->FindByCameraText(cameraText);
  if (!CCameraTable::IsValidIndex(camera)) return 0;
  for (auto& slot : slots_) {
    base::CScopedLock post(slot->postLock);
    base::CScopedLock hold(slot->lock);
    if (slot->host.empty() || slot->host != target.host || slot->port != target.port) continue;
    slot->window = window;
    slot->windowIndex = window->Number();
    slot->cameraIndex = camera;
    return 1;
  }
  return 0;
}

void CThreadManager::SwapSlots(int a, int b) {
  if (!SlotAt(a) || !SlotAt(b) || a == b) return;
  StreamSlot& first = *slots_[a];
  StreamSlot& second = *slots_[b];
  base::CScopedLock postFirst(first.postLock);
  base::CScopedLock postSecond(second.postLock);
  base::CScopedLock holdFirst(first.lock);
  base::CScopedLock holdSecond(second.lock);
  std::swap(first.cameraIndex, second.cameraIndex);
  std::swap(first.windowIndex, second.windowIndex);
  std::swap(slots_[a], slots_[b]);
}

// Slot by slot, each post lock before its lock, as a worker takes them; a worker takes no
// other slot's, so holding one slot's while waiting for the next cannot close a cycle.
CThreadManager::IndexHold::IndexHold(CThreadManager& manager) : manager_(manager) {
  for (auto& slot : manager_.slots_) {
    EnterCriticalSection(&slot->postLock.native());
    EnterCriticalSection(&slot->lock.native());
  }
}

CThreadManager::IndexHold::~IndexHold() {
  for (int i = kSlotCount - 1; i >= 0; --i) {
    LeaveCriticalSection(&manager_.slots_[i]->lock.native());
    LeaveCriticalSection(&manager_.slots_[i]->postLock.native());
  }
}

void CThreadManager::ExchangeOwedStates(int a, int b) {
  for (auto& slot : slots_) {
    base::CScopedLock post(slot->postLock);
    for (int& camera : slot->owedLastStates) {
      if (camera == a) {
        camera = b;
      } else if (camera == b) {
        camera = a;
      }
    }
  }
}

void CThreadManager::DropOwedStates(int index) {
  for (auto& slot : slots_) {
    base::CScopedLock post(slot->postLock);
    for (int& camera : slot->owedLastStates) {
      if (camera == index) camera = -1;
    }
  }
}

int CThreadManager::SlotIndexByWindow(int windowIndex) {
  for (int i = 0; i < kSlotCount; ++i) {
    base::CScopedLock hold(slots_[i]->lock);
    if (!slots_[i]->host.empty() && slots_[i]->windowIndex == windowIndex) return i;
  }
  return -1;
}

StreamSlot* CThreadManager::SlotByWindow(int windowIndex) {
  return SlotAt(SlotIndexByWindow(windowIndex));
}

StreamSlot* CThreadManager::SlotAt(int index) {
  if (index < 0 || index >= kSlotCount) return nullptr;
  return slots_[index].get();
}

}  // namespace liveview
