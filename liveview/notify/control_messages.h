// Messages that reach the control window from its camera windows, stream workers and
// recorders. Numbers are the control's own and what hosts' subclassing code may rely on.
#pragma once

#include <windows.h>

namespace liveview {

// Sent by a camera window on double click: wParam window number, lParam new state (0 or 1).
constexpr UINT WM_WATCH_FULLWINDOW = WM_USER + 12;
// Select: wParam window number (bit 31 set on the sent forms), lParam x << 16 | (y & 0xFFFF).
constexpr UINT WM_WATCH_SELECT = WM_USER + 13;
// Posted on key release: wParam virtual-key code, lParam window number.
constexpr UINT WM_WATCH_KEY = WM_USER + 14;
// Posted by a stream worker: wParam camera index, lParam connection state (kCamState*).
constexpr UINT WM_CAM_STATE = WM_USER + 15;
// Posted when a snapshot is written: wParam camera index, lParam 0.
constexpr UINT WM_CAM_SNAPPED = WM_USER + 16;
// Posted by the recording operations: wParam camera index, lParam 1 started, 0 stopped.
constexpr UINT WM_CAM_RECORD = WM_USER + 17;
// Posted by a camera window: wParam window number, lParam width << 16 | (height & 0xFFFF).
constexpr UINT WM_CAM_VIDEOSIZE = WM_USER + 18;
// Posted by the Position page after two windows were exchanged.
constexpr UINT WM_WND_SWAPPED = WM_USER + 19;

// Bit 31 of WM_WATCH_SELECT's wParam: the message was sent, not posted.
constexpr WPARAM kSelectSentFlag = 0x80000000u;

// Connection states of a live camera (lParam of WM_CAM_STATE).
enum CamState : int {
  kCamStateStopped = 0,
  kCamStateRequestSent = 1,
  kCamStateFrame = 2,
  kCamStateConnectTimeout = 3,
  kCamStateConnecting = 4,
  kCamStateNotAuthorised = 5,
};

}  // namespace liveview
