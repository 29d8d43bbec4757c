// The one way worker threads and recordings reach the control window: a posted message.
#pragma once

#include <windows.h>

#include <atomic>

namespace liveview {

// Posts once to the registered control window. False when nothing is registered, the window
// is gone or its queue is full: a caller holding a lock the window's thread may need, or one
// whose message only matters while it is fresh (a frame), must not wait for the queue.
bool PostToControl(UINT message, WPARAM wParam, LPARAM lParam);

// Posts, retrying every 10 ms while the queue is full, the window still exists and `giveUp`
// stays 0. A thread the host's own thread may be waiting for sets `giveUp` first: the queue
// drains only on that thread, so waiting for it there could never end.
bool PostToControlRetrying(UINT message, WPARAM wParam, LPARAM lParam,
                           const std::atomic<int>& giveUp);

// For a poster that makes each attempt itself (its wParam may change between attempts): after
// a failed post, whether another is worth making, having waited the 10 ms when it is.
bool WaitToRetryPost(const std::atomic<int>& giveUp);

// How posts are made: PostMessageA unless a test puts its own here (to see each message as
// it leaves, or to play a full queue). nullptr restores PostMessageA. Returns the previous.
using PostFunction = BOOL (*)(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
PostFunction SetPostFunction(PostFunction post);

}  // namespace liveview
