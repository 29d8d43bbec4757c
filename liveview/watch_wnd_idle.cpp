// The camera window's idle view: the background picture (or black) and one title line.
#include <cstdio>

#include "bkgnd_picture.h"
#include "framework/resources.h"
#include "framework/scoped_gdi.h"
#include "point_font.h"
#include "scoped_lock.h"
#include "tessaly_resource.h"
#include "watch_wnd.h"

namespace liveview {
namespace {

constexpr int kIdleFontTenths = 90;
constexpr RECT kTitleMargins{4, 4, 0, 25};  // left, top, -, bottom

}  // namespace

std::string CWatchWnd::IdleTitle() {
  std::string camera;
  {
    common::CScopedLock hold(lock_);
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
  common::CScopedLock hold(lock_);
  const RECT client = ClientRect();
  if (background_) {
    background_->DrawStretched(dc, client, RGB(0, 0, 0));
  } else {
    fw::ScopedBrush black(CreateSolidBrush(RGB(0, 0, 0)));
    FillRect(dc, &client, black.Get());
  }
  const int oldMode = SetBkMode(dc, TRANSPARENT);
  fw::ScopedFont font = CreatePointFont(kIdleFontTenths, fw::LoadResString(IDS_IDLE_FONT), nullptr);
  const COLORREF oldColor = SetTextColor(dc, fontColor_);
  {
    fw::ScopedSelectObject selected(dc, font.Get());
    const std::string title = IdleTitle();
    RECT line{kTitleMargins.left, kTitleMargins.top, client.right, kTitleMargins.bottom};
    DrawTextA(dc, title.c_str(), -1, &line, DT_VCENTER);
  }
  SetTextColor(dc, oldColor);
  SetBkMode(dc, oldMode);
}

}  // namespace liveview
