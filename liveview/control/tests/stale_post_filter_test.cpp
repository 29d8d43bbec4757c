// Posts queued before the camera at their index changed, on a real window's queue.
#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "liveview/control/stale_post_filter.h"
#include "liveview/notify/control_messages.h"
#include "testing/container/message_pump.h"

namespace liveview {
namespace {

// A message-only window that hands each camera state to the filter, as the control does.
class FilteredWindow {
 public:
  FilteredWindow() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = &Proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "StalePostFilterTest";
    RegisterClassA(&wc);
    window_ = CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              wc.hInstance, nullptr);
    SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  ~FilteredWindow() { DestroyWindow(window_); }

  HWND hwnd() const { return window_; }
  CStalePostFilter filter;
  // (index the post concerns now, state) in the order handled.
  std::vector<std::pair<int, int>> handled;
  // For each: the index its camera went from, or -1.
  std::vector<int> goneAt;

 private:
  static LRESULT CALLBACK Proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<FilteredWindow*>(GetWindowLongPtrA(w, GWLP_USERDATA));
    if (self && m == CStalePostFilter::kFenceMessage) {
      self->filter.OnFence();
      return 0;
    }
    if (self && m == WM_CAM_STATE) {
      int goneAt = -1;
      self->handled.emplace_back(self->filter.Resolve(static_cast<int>(wp), &goneAt),
                                 static_cast<int>(lp));
      self->goneAt.push_back(goneAt);
      return 1;
    }
    return DefWindowProcA(w, m, wp, lp);
  }
  HWND window_ = nullptr;
};

TEST(StalePostFilter, AQueuedRefusalFollowsItsCameraThroughAnExchange) {
  FilteredWindow w;
  // Camera 2 refused the password; the post waits while cameras 2 and 5 change places.
  PostMessageA(w.hwnd(), WM_CAM_STATE, 2, kCamStateNotAuthorised);
  ASSERT_TRUE(w.filter.NoteExchange(w.hwnd(), 2, 5));
  // Posted after the exchange: already about the camera at its index.
  PostMessageA(w.hwnd(), WM_CAM_STATE, 2, kCamStateFrame);
  test_container::PumpPending();
  ASSERT_EQ(w.handled.size(), 2u);
  EXPECT_EQ(w.handled[0], std::make_pair(5, static_cast<int>(kCamStateNotAuthorised)));
  EXPECT_EQ(w.handled[1], std::make_pair(2, static_cast<int>(kCamStateFrame)));
  EXPECT_EQ(w.filter.Pending(), 0u);
}

TEST(StalePostFilter, ChangesApplyInOrderAndAGoneCameraTakesNoPost) {
  struct Case {
    const char* name;
    std::vector<std::pair<int, int>> changes;  // (a, b); b = -1: the camera at a is gone
    int posted;
    int expected;
    int goneAt;  // where the camera went from; -1 when not gone
  };
  const Case cases[] = {
      {"no change", {}, 3, 3, -1},
      {"exchange, other index", {{1, 2}}, 3, 3, -1},
      {"exchange, second index", {{1, 2}}, 2, 1, -1},
      {"two exchanges in a row", {{1, 2}, {2, 7}}, 1, 7, -1},
      {"exchanged back", {{1, 2}, {1, 2}}, 1, 1, -1},
      {"gone", {{4, -1}}, 4, -1, 4},
      {"moved, then its new index gone", {{4, 6}, {6, -1}}, 4, -1, 6},
      {"gone, then moved away from again", {{4, -1}, {4, 6}, {6, -1}}, 4, -1, 4},
      {"gone, then another camera moved in", {{4, -1}, {4, 9}}, 9, 4, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FilteredWindow w;
    PostMessageA(w.hwnd(), WM_CAM_STATE, static_cast<WPARAM>(c.posted), kCamStateStopped);
    for (const auto& change : c.changes) {
      if (change.second < 0) {
        ASSERT_TRUE(w.filter.NoteGone(w.hwnd(), change.first));
      } else {
        ASSERT_TRUE(w.filter.NoteExchange(w.hwnd(), change.first, change.second));
      }
    }
    test_container::PumpPending();
    ASSERT_EQ(w.handled.size(), 1u);
    EXPECT_EQ(w.handled[0].first, c.expected);
    EXPECT_EQ(w.goneAt[0], c.goneAt);
  }
}

TEST(StalePostFilter, NothingIsNotedWithoutAWindow) {
  CStalePostFilter filter;
  EXPECT_FALSE(filter.NoteExchange(nullptr, 1, 2));
  EXPECT_EQ(filter.Resolve(1), 1);
}

}  // namespace
}  // namespace liveview
