#include "record_post.h"

#include "control_messages.h"
#include "thread_manager.h"

namespace liveview {

void PostRecordState(int cameraIndex, bool started) {
  CThreadManager::PostToControl(WM_CAM_RECORD, static_cast<WPARAM>(cameraIndex), started ? 1 : 0);
}

}  // namespace liveview
