// The picture a simulated camera shows: scrolling colour bars and a sliding box, so that
// motion is plain to see, under a caption with the camera's name, the frame counter and
// the picture size, so that a screenshot tells which camera and that frames flow.
#pragma once

#include <cstdint>
#include <string>

#include "simulator/rgb_image.h"

namespace camsim {

constexpr int kMaxPictureSide = 4096;

// Width and height are clamped to 1..kMaxPictureSide. `captionTop` rows of bars are left
// above the caption, so a viewer's own title at the top left can stay clear of it.
RgbImage RenderTestPicture(const std::string& cameraName, uint32_t frameNumber, int width,
                           int height, int captionTop = 0);

}  // namespace camsim
