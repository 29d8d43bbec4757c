// Snapshots, recordings and the last picture: what the host takes from a camera's stream
// slot and window. The slot lock keeps the worker's frame hand-off out while they are used,
// and everything is checked again under it: between the lookup of the slot and its lock the
// stream may end, or the slot may be claimed for another window.
#include <cstring>

#include "base/scoped_lock.h"
#include "liveview/cameras/camera_table.h"
#include "liveview/control/tessaly_ctrl.h"
#include "liveview/notify/control_messages.h"
#include "liveview/stream/thread_manager.h"

namespace liveview {
namespace {

CCameraTable& Table() { return *CCameraTable::Instance(); }
CThreadManager& Streams() { return *CThreadManager::Instance(); }

}  // namespace

bool CTessalyCtrl::UnderBoundSlot(int index,
                                  const std::function<void(StreamSlot&, CWatchWnd&)>& use) {
  CWatchWnd* window = WindowAt(index);
  if (!window) return false;
  const int number = window->Number();
  StreamSlot* slot = Streams().SlotByWindow(number);
  if (!slot) return false;
  base::CScopedLock hold(slot->lock);
  if (slot->host.empty() || slot->windowIndex != number || slot->window != window) return false;
  use(*slot, *window);
  return true;
}

bool CTessalyCtrl::CopyLastPicture(const std::string& namedCameraText, fw::CallerBuffer out,
                                   long* length) {
  const int index = Table().FindByDomainName(namedCameraText);
  if (index < 0 || Table().GetState(index) != kCamStateFrame) return false;
  bool copied = false;
  UnderBoundSlot(index, [&](StreamSlot&, CWatchWnd& window) {
    int size = 0;
    const uint8_t* picture = window.GetLastBmp(&size);
    if (!picture || size <= 0 || size > *length) return;
    std::memcpy(out.Bytes(), picture, static_cast<size_t>(size));
    *length = size;
    copied = true;
  });
  return copied;
}

}  // namespace liveview
