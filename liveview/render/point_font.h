// A font of a size in tenths of a point for a device context, as the camera windows' texts
// are sized: the character height follows the device's pixels per inch.
#pragma once

#include <windows.h>

#include <string>

#include "base/scoped_gdi.h"

namespace liveview {

// `dc` null: the screen's resolution.
base::ScopedFont CreatePointFont(int tenths, const std::string& face, HDC dc);

}  // namespace liveview
