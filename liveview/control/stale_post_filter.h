// Tells apart the camera-indexed posts (state, snapshot, recording, picture size) that were
// queued for the control window before the camera at their index changed. Hosts rely on
// the packing of those messages (wParam the camera index), so nothing is added to them;
// instead, each change posts a fence message to the same window behind whatever is queued.
// A post handled while fences are pending was queued before them, so the pending changes,
// oldest first, say which camera it is about now: after an exchange of a and b a post for
// a is about the camera now at b; after a camera was destroyed or replaced it is about none.
#pragma once

#include <windows.h>

#include <deque>
#include <string>

namespace liveview {

class CStalePostFilter {
 public:
  // The fence, private to the control window: wParam unused.
  static constexpr UINT kFenceMessage = WM_USER + 40;

  // False when the fence could not be posted (a full queue or no window): the change then
  // applies to no post.
  bool NoteExchange(HWND control, int a, int b);
  // `camera`: the named camera text the camera had, under which posts about it are still
  // heard where they concern the host's own requests (its recordings' ends).
  bool NoteGone(HWND control, int index, std::string camera = {});
  // The fence of the oldest pending change was handled.
  void OnFence();
  // The index a post handled now refers to, or -1 when its camera is gone; then `goneAt`
  // and `goneCamera`, when given, are the index and the text the camera had when it went.
  int Resolve(int index, int* goneAt = nullptr, std::string* goneCamera = nullptr) const;
  // The window is going or new: its queue, fences included, is gone.
  void Reset() { pending_.clear(); }
  size_t Pending() const { return pending_.size(); }

 private:
  struct Change {
    int a;
    int b;  // -1: the camera at a is gone
    std::string gone;  // the text of the camera that went
  };
  bool Note(HWND control, Change change);

  std::deque<Change> pending_;
};

}  // namespace liveview
