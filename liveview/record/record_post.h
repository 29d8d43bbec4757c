// Tells the control window that a camera's recording started or stopped (WM_CAM_RECORD), and
// tells the control, for each such message it handles, the file of the recording it is about.
// Hosts rely on the message's packing (wParam the camera index, lParam the status), so the
// file goes beside it: per camera index, the files of the messages posted and not yet taken,
// in the order they were posted. A post the queue refused leaves nothing there, so a lost
// message never puts a later one's file out of step.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace liveview {

// Posted, never sent: the caller holds a slot lock that the control's thread may want.
void PostRecordState(int cameraIndex, bool started, const std::string& file);

// For the handler of WM_CAM_RECORD, with the message's wParam as it came: the file of the
// oldest message posted under it and not yet taken, or nothing when it was not posted here.
// Every message the window handles takes its own, whether or not it is heard.
std::optional<std::string> TakeRecordStateFile(WPARAM cameraIndex);

// The control window's queue is gone or new: what was posted to it is never handled.
void ForgetRecordStateFiles();

}  // namespace liveview
