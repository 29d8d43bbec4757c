#include "liveview/record/record_post.h"

#include <deque>
#include <utility>

#include "base/critical_section.h"
#include "base/scoped_lock.h"
#include "liveview/notify/control_messages.h"
#include "liveview/notify/post_to_control.h"

namespace liveview {
namespace {

// The camera indexes the control hears; a post under any other is not kept.
constexpr WPARAM kCameraIndexes = 16;

struct PostedFiles {
  // Taken around each post together with its file, so the files stand in the order of the
  // queue whichever threads post.
  base::CriticalSection lock;
  std::deque<std::string> files[kCameraIndexes];
};

PostedFiles& Posted() {
  static PostedFiles posted;
  return posted;
}

}  // namespace

void PostRecordState(int cameraIndex, bool started, const std::string& file) {
  PostedFiles& posted = Posted();
  base::CScopedLock hold(posted.lock);
  // Once, never waiting for a full queue: recordings start and stop under the slot lock.
  if (!PostToControl(WM_CAM_RECORD, static_cast<WPARAM>(cameraIndex), started ? 1 : 0)) return;
  const WPARAM index = static_cast<WPARAM>(cameraIndex);
  if (index < kCameraIndexes) posted.files[index].push_back(file);
}

std::optional<std::string> TakeRecordStateFile(WPARAM cameraIndex) {
  if (cameraIndex >= kCameraIndexes) return std::nullopt;
  PostedFiles& posted = Posted();
  base::CScopedLock hold(posted.lock);
  std::deque<std::string>& files = posted.files[cameraIndex];
  if (files.empty()) return std::nullopt;
  std::string file = std::move(files.front());
  files.pop_front();
  return file;
}

void ForgetRecordStateFiles() {
  PostedFiles& posted = Posted();
  base::CScopedLock hold(posted.lock);
  for (auto& files : posted.files) files.clear();
}

}  // namespace liveview
