// JPEG frames made from code with libjpeg's compressor, so tests and the benchmark need no
// binary files.
#pragma once

#include <cstdint>
#include <cstdio>  // jpeglib.h needs FILE
#include <functional>
#include <vector>

#include <jpeglib.h>

namespace jpegfixture {

// Writes the pixel at (x, y): `components` bytes in the picture's colour space.
using PixelFunction = std::function<void(int x, int y, uint8_t* pixel)>;

struct Picture {
  int width = 0;
  int height = 0;
  int components = 3;
  J_COLOR_SPACE colorSpace = JCS_RGB;
  PixelFunction pixel;
};

struct Options {
  int quality = 90;
  int densityUnit = 0;  // JFIF: 0 aspect only, 1 dots per inch, 2 dots per cm
  int xDensity = 1;
  int yDensity = 1;
  int appMarkerBytes = 0;  // an APP2 marker of this many bytes (at most 65533)
  bool progressive = false;
};

// The compressed frame; empty if the compressor refused the picture.
std::vector<uint8_t> MakeJpeg(const Picture& picture, const Options& options = {});

std::vector<uint8_t> SolidJpeg(int width, int height, uint8_t red, uint8_t green, uint8_t blue);
// High-entropy pixels: large frames whose entropy data spans many source refills.
std::vector<uint8_t> NoiseJpeg(int width, int height, uint32_t seed);
// Smooth gradients, a few hard-edged shapes and mild sensor noise, like a camera picture.
std::vector<uint8_t> CameraSceneJpeg(int width, int height);

}  // namespace jpegfixture
