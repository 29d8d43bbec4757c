// CWatchWnd: one of the control's 16 camera windows. It shows the live picture of the camera
// bound to it, or the background picture (or black) with a one-line title when no fresh
// picture exists; keeps the last picture and JPEG for snapshots; starts camera commands; and
// reports clicks, keys and a changed picture size to the control window (its parent).
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "framework/window.h"

namespace liveview {

class CBkgndPicture;

class CWatchWnd : public fw::CWnd {
 public:
  CWatchWnd();
  ~CWatchWnd() override;

  // A child of `parent` named "CliWatchWnd", visible, with an empty rectangle. The control
  // gives ids 256 to 271 and numbers 0 to 15.
  bool Create(UINT childId, HWND parent, int number);
  int Number() const;

  // Binding by the control; unbinding empties the strings, sets port 80 and show-title 0
  // and repaints with erasing.
  void BindCamera(const std::string& host, uint16_t port, const std::string& user,
                  const std::string& password, const std::string& nick, int showTitle);
  void UnbindCamera();

  // Called by a stream worker with its slot lock held; takes the window lock. Writes the
  // picture size to the out-parameters only when the frame decoded.
  void OnFrame(const uint8_t* frame, int length, int kind, int* width, int* height);
  // Takes the window lock; the stream client calls it when a stream ends.
  void ClearPicture();
  // The last picture (padded rows) and its size, or nullptr when there is none or it is stale.
  const uint8_t* GetLastBmp(int* size);
  // The last frame as received and its length, or nullptr under the same conditions.
  const uint8_t* GetLastJpeg(int* length);
  int GetVideoWidth() const;
  int GetVideoHeight() const;

  void SetBkgndPicture(CBkgndPicture* picture);
  void SetRecording(int recording);
  void SetTitle(const std::string& title);
  void SetSelected(int selected);
  void SetFontColor(COLORREF color);

  // Camera commands on a short-lived thread each; 1 when the thread started.
  int SendCommand(int code);
  int ReapOldestCommand();
};

}  // namespace liveview
