// Drawing the camera title (green) and, while recording, "REC" (red) onto a device context
// in the places an OverlayLayout gives; the renderer hands it its off-screen surface's DC.
#pragma once

#include <windows.h>

#include <string>

#include "liveview/render/overlay_layout.h"

namespace liveview {

// `face` names the font; the DC's colour, background mode and font are restored afterwards.
void DrawOverlayText(HDC dc, const OverlayLayout& layout, const std::string& face,
                     const std::string& title, bool recording);
// The same with a font the caller made for `layout` and keeps.
void DrawOverlayText(HDC dc, const OverlayLayout& layout, HFONT font, const std::string& title,
                     bool recording);

}  // namespace liveview
