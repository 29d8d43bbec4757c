#include "liveview/control/stale_post_filter.h"

#include <utility>

namespace liveview {

bool CStalePostFilter::NoteExchange(HWND control, int a, int b) {
  if (a == b) return true;
  return Note(control, Change{a, b, {}});
}

bool CStalePostFilter::NoteGone(HWND control, int index, std::string camera) {
  return Note(control, Change{index, -1, std::move(camera)});
}

bool CStalePostFilter::Note(HWND control, Change change) {
  if (!control || !PostMessageA(control, kFenceMessage, 0, 0)) return false;
  pending_.push_back(std::move(change));
  return true;
}

void CStalePostFilter::OnFence() {
  if (!pending_.empty()) pending_.pop_front();
}

int CStalePostFilter::Resolve(int index, int* goneAt, std::string* goneCamera) const {
  for (const Change& c : pending_) {
    if (index < 0) return -1;
    if (c.b < 0) {
      if (index == c.a) {
        if (goneAt) *goneAt = index;
        if (goneCamera) *goneCamera = c.gone;
        return -1;
      }
    } else if (index == c.a) {
      index = c.b;
    } else if (index == c.b) {
      index = c.a;
    }
  }
  return index;
}

}  // namespace liveview
