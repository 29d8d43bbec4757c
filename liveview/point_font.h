// A font of a size in tenths of a point for a device context, as the camera windows' texts
// are sized: the character height follows the device's pixels per inch.
#pragma once

#include <windows.h>

#include <string>

#include "framework/scoped_gdi.h"

namespace liveview {

// `dc` null: the screen's resolution.
fw::ScopedFont CreatePointFont(int tenths, const std::string& face, HDC dc);

}  // namespace liveview
