// The camera window's idle view: the background picture (or black) and one title line.
#include <cstdio>

#include "base/scoped_gdi.h"
#include "base/scoped_lock.h"
#include "framework/resources.h"
#include "liveview/render/bkgnd_picture.h"
#include "liveview/render/point_font.h"
#include "liveview/resources/tessaly_resource.h"
#include "liveview/window/watch_wnd.h"

namespace liveview {
namespace {

constexpr int kIdleFontTenths = 90;
constexpr RECT kTitleMargins{4, 4, 0, 25};  // left, top, -, bottom

}  // namespace

std::string CWatchWnd::IdleTitle() {
  std::string camera;
  {
    base::CScopedLock hold(lock_);
    camera = host_.empty() ? fw::LoadResString(IDS_IDLE_NO_CAMERA) : nick_;
  }
  const std::string format = fw::LoadResString(IDS_IDLE_TITLE);
  const int needed = std::snprintf(nullptr, 0, format.c_str(), number_ + 1, camera.c_str());
  if (needed <= 0) return {};
  std::string title(static_cast<size_t>(needed) + 1, '\0');
  std::snprintf(title.data(), title.size(), format.c_str(), number_ + 1, camera.c_str());
  title.resize(static_cast<size_t>(needed));
  return title;
}

void CWatchWnd::DrawIdle(HDC dc) {
  base::CScopedLock hold(lock_);
  const RECT client = ClientRect();
  if (background_) {
    background_->DrawStretched(dc, client, RGB(0, 0, 0));
  } else {
    base::ScopedBrush black(CreateSolidBrush(RGB(0, 0, 0)));
    FillRect(dc, &client, black.Get());
  }
  const int oldMode = SetBkMode(dc, TRANSPARENT);
  base::ScopedFont font = CreatePointFont(kIdleFontTenths, fw::LoadResString(IDS_IDLE_FONT), nullptr);
  const COLORREF oldColor = SetTextColor(dc, fontColor_);
  {
    base::ScopedSelectObject selected(dc, font.Get());
    const std::string title = IdleTitle();
    RECT line{kTitleMargins.left, kTitleMargins.top, client.right, kTitleMargins.bottom};
    DrawTextA(dc, title.c_str(), -1, &line, DT_VCENTER);
  }
  SetTextColor(dc, oldColor);
  SetBkMode(dc, oldMode);
}

}  // namespace liveview
