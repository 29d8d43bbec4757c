// Tells the control window that a camera's recording started or stopped (WM_CAM_RECORD).
#pragma once

namespace liveview {

// Posted, never sent: the caller holds a slot lock that the control's thread may want.
void PostRecordState(int cameraIndex, bool started);

}  // namespace liveview
