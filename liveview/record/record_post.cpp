#include "liveview/record/record_post.h"

#include "liveview/notify/control_messages.h"
#include "liveview/notify/post_to_control.h"

namespace liveview {

void PostRecordState(int cameraIndex, bool started) {
  // Once, never waiting for a full queue: recordings start and stop under the slot lock.
  PostToControl(WM_CAM_RECORD, static_cast<WPARAM>(cameraIndex), started ? 1 : 0);
}

}  // namespace liveview
