#include "liveview/render/overlay_text.h"

#include "liveview/render/point_font.h"

namespace liveview {

namespace {

constexpr COLORREF kTitleColor = RGB(0, 255, 0);
constexpr COLORREF kRecordingColor = RGB(255, 0, 0);
constexpr UINT kTextFlags = DT_SINGLELINE | DT_VCENTER;

}  // namespace

void DrawOverlayText(HDC dc, const OverlayLayout& layout, const std::string& face,
                     const std::string& title, bool recording) {
  base::ScopedFont font = CreatePointFont(layout.fontTenths, face, dc);
  DrawOverlayText(dc, layout, font.Get(), title, recording);
}

void DrawOverlayText(HDC dc, const OverlayLayout& layout, HFONT font, const std::string& title,
                     bool recording) {
  base::ScopedSelectObject selected(dc, font);
  const int oldMode = SetBkMode(dc, TRANSPARENT);
  const COLORREF oldColor = SetTextColor(dc, kTitleColor);

  const std::string text = title + " ";
  RECT titleRect = layout.title;
  DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &titleRect, kTextFlags);
  if (recording) {
    SetTextColor(dc, kRecordingColor);
    RECT recRect = layout.rec;
    DrawTextA(dc, "REC", 3, &recRect, kTextFlags);
  }

  SetTextColor(dc, oldColor);
  SetBkMode(dc, oldMode);
}

}  // namespace liveview
