#include "framework/bitmap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "framework/error.h"
#include "testing/container/child_process.h"
#include "testing/support/temp_folder.h"

namespace {

struct Rgb {
  uint8_t r, g, b;
  bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};

RGBQUAD Quad(Rgb c) { return RGBQUAD{c.b, c.g, c.r, 0}; }

// A depth and the colour every pixel gets, written without the code under test.
struct Depth {
  int bpp;
  bool is565;
  const char* name;
};
const Depth kDepths[] = {{1, false, "1"},   {4, false, "4"},      {8, false, "8"},
                         {16, false, "16"}, {16, true, "16_565"}, {24, false, "24"},
                         {32, false, "32"}};

constexpr int kWidth = 13;  // odd, so every depth pads its rows
constexpr int kHeight = 7;

// The picture: each pixel's colour from a small table by position; for 16 bits only full or
// empty channels, which every reader scales the same way.
Rgb PatternColor(int x, int y, int bpp) {
  static const Rgb kFull[] = {{0, 0, 0},     {255, 0, 0},   {0, 255, 0},   {0, 0, 255},
                              {255, 255, 0}, {0, 255, 255}, {255, 0, 255}, {255, 255, 255}};
  static const Rgb kAny[] = {{12, 34, 56}, {200, 100, 50}, {7, 250, 128}, {255, 1, 99}};
  if (bpp <= 8) {
    const int colors = bpp == 1 ? 2 : 8;
    return kFull[(x + 2 * y) % colors];
  }
  if (bpp == 16) return kFull[(x * 3 + y) % 8];
  return kAny[(x + y) % 4];
}

// Palette depths get a table of their own (not the default), so a reader must apply it.
std::vector<RGBQUAD> PatternTable(int bpp) {
  std::vector<RGBQUAD> table;
  const int colors = bpp == 1 ? 2 : 8;
  for (int i = 0; i < colors; ++i) table.push_back(Quad(PatternColor(i, 0, bpp)));
  // Index i holds PatternColor(i, 0); the rest of the table stays unused.
  std::reverse(table.begin(), table.end());
  return table;
}

int PatternIndex(int x, int y, int bpp) {
  const int colors = bpp == 1 ? 2 : 8;
  return colors - 1 - (x + 2 * y) % colors;
}

void Fill(fw::Bitmap& bmp, int bpp, bool is565) {
  for (int y = 0; y < kHeight; ++y) {
    uint8_t* row = bmp.Row(y);
    for (int x = 0; x < kWidth; ++x) {
      const Rgb c = PatternColor(x, y, bpp);
      switch (bpp) {
        case 1:
          if (PatternIndex(x, y, 1)) row[x / 8] |= 0x80 >> (x % 8);
          break;
        case 4:
          row[x / 2] |= PatternIndex(x, y, 4) << (x % 2 ? 0 : 4);
          break;
        case 8:
          row[x] = static_cast<uint8_t>(PatternIndex(x, y, 8));
          break;
        case 16: {
          const uint16_t v = is565 ? ((c.r >> 3) << 11 | (c.g >> 2) << 5 | c.b >> 3)
                                   : ((c.r >> 3) << 10 | (c.g >> 3) << 5 | c.b >> 3);
          row[2 * x] = static_cast<uint8_t>(v);
          row[2 * x + 1] = static_cast<uint8_t>(v >> 8);
          break;
        }
        default: {
          uint8_t* p = row + x * (bpp / 8);
          p[0] = c.b;
          p[1] = c.g;
          p[2] = c.r;
          if (bpp == 32) p[3] = 0;
        }
      }
    }
  }
}

// A 5-6-5 section as a frame grabber would hand one over.
HBITMAP Section565(int width, int height) {
  struct {
    BITMAPINFOHEADER h;
    DWORD masks[3];
  } info{};
  info.h.biSize = sizeof info.h;
  info.h.biWidth = width;
  info.h.biHeight = height;
  info.h.biPlanes = 1;
  info.h.biBitCount = 16;
  info.h.biCompression = BI_BITFIELDS;
  info.masks[0] = 0xF800;
  info.masks[1] = 0x07E0;
  info.masks[2] = 0x001F;
  void* bits = nullptr;
  return CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits,
                          nullptr, 0);
}

void Make(fw::Bitmap& bmp, const Depth& d) {
  if (d.is565) {
    bmp.SetHandle(Section565(kWidth, kHeight));
  } else {
    bmp.SetBitsPerPixel(d.bpp);
    bmp.SetSize(kWidth, kHeight);
  }
  if (d.bpp <= 8) bmp.SetColorTable(PatternTable(d.bpp));
  Fill(bmp, d.bpp, d.is565);
}

std::vector<uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}
void WriteAll(const std::string& path, const std::vector<uint8_t>& data) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}
uint32_t Get32(const std::vector<uint8_t>& d, size_t at) {
  return d[at] | d[at + 1] << 8 | d[at + 2] << 16 | uint32_t(d[at + 3]) << 24;
}
void Set32(std::vector<uint8_t>& d, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) d[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
void Set16(std::vector<uint8_t>& d, size_t at, uint16_t v) {
  d[at] = static_cast<uint8_t>(v);
  d[at + 1] = static_cast<uint8_t>(v >> 8);
}

// Where the files for the Linux-side reader go (read by check_bitmaps.sh after this program).
std::string ExchangeFolder() {
  const std::string folder = test_container::ExecutableFolder() + "bitmaps\\";
  CreateDirectoryA(folder.c_str(), nullptr);
  return folder;
}

class Bitmaps : public ::testing::Test {
 protected:
  testing_support::TempFolder temp;
  std::string Path(const std::string& name) const { return temp.File(name); }
};

TEST_F(Bitmaps, EveryDepthSavedAndLoadedBackIsEqual) {
  const std::string exchange = ExchangeFolder();
  for (const Depth& d : kDepths) {
    SCOPED_TRACE(d.name);
    fw::Bitmap written;
    Make(written, d);
    ASSERT_EQ(written.BitsPerPixel(), d.bpp);
    ASSERT_EQ(written.Is565(), d.is565);
    const std::string path = Path(std::string("depth_") + d.name + ".bmp");
    written.SaveBmpFile(path);

    const std::vector<uint8_t> file = ReadAll(path);
    const uint32_t tableBytes = d.bpp <= 8 ? (4u << d.bpp) : (d.is565 ? 12u : 0u);
    const uint32_t stride = (kWidth * d.bpp + 31) / 32 * 4;
    ASSERT_EQ(file.size(), 54 + tableBytes + stride * kHeight);
    EXPECT_EQ(Get32(file, 2), file.size());
    EXPECT_EQ(Get32(file, 10), 54 + tableBytes);
    EXPECT_EQ(Get32(file, 14), 40u);
    EXPECT_EQ(Get32(file, 30), d.is565 ? static_cast<uint32_t>(BI_BITFIELDS) : BI_RGB);

    fw::Bitmap read;
    read.LoadBmpFile(path);
    ASSERT_EQ(read.Width(), kWidth);
    ASSERT_EQ(read.Height(), kHeight);
    EXPECT_EQ(read.BitsPerPixel(), d.bpp);
    EXPECT_EQ(read.Is565(), d.is565);
    if (d.bpp <= 8) {
      const auto a = written.ColorTable(), b = read.ColorTable();
      ASSERT_EQ(a.size(), b.size());
      EXPECT_EQ(std::memcmp(a.data(), b.data(), a.size() * sizeof(RGBQUAD)), 0);
    }
    for (int y = 0; y < kHeight; ++y) {
      EXPECT_EQ(std::memcmp(written.Row(y), read.Row(y), stride), 0) << "row " << y;
    }

    // For ImageMagick: the file and its pixels as top-down RGB, from the pattern itself.
    CopyFileA(path.c_str(), (exchange + "depth_" + d.name + ".bmp").c_str(), FALSE);
    std::vector<uint8_t> rgb;
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) {
        const Rgb c = PatternColor(x, y, d.bpp);
        rgb.insert(rgb.end(), {c.r, c.g, c.b});
      }
    }
    WriteAll(exchange + "depth_" + d.name + ".rgb", rgb);
  }
}

// Headers other tools write: 108 and 124 bytes, bit fields, top-down rows.
struct ForeignFile {
  const char* name;
  uint32_t infoSize;
  int bpp;
  bool topDown;
  uint32_t masks[3];  // red, green, blue; all 0 for BI_RGB
};

std::vector<uint8_t> Foreign(const ForeignFile& f, int width, int height,
                             const std::function<uint32_t(int, int)>& pixel) {
  const bool fields = f.masks[0] != 0;
  const uint32_t extra = fields && f.infoSize == 40 ? 12 : 0;
  const uint32_t offset = 14 + f.infoSize + extra;
  const uint32_t stride = (width * f.bpp + 31) / 32 * 4;
  std::vector<uint8_t> d(offset + stride * height, 0);
  d[0] = 'B';
  d[1] = 'M';
  Set32(d, 2, static_cast<uint32_t>(d.size()));
  Set32(d, 10, offset);
  Set32(d, 14, f.infoSize);
  Set32(d, 18, static_cast<uint32_t>(width));
  Set32(d, 22, static_cast<uint32_t>(f.topDown ? -height : height));
  Set16(d, 26, 1);
  Set16(d, 28, static_cast<uint16_t>(f.bpp));
  Set32(d, 30, fields ? BI_BITFIELDS : BI_RGB);
  if (fields) {
    for (int i = 0; i < 3; ++i) Set32(d, 54 + 4 * i, f.masks[i]);
  }
  if (f.infoSize >= 108) Set32(d, 14 + 56, 0x73524742);  // 'sRGB'
  for (int y = 0; y < height; ++y) {
    const int row = f.topDown ? y : height - 1 - y;
    for (int x = 0; x < width; ++x) {
      const uint32_t v = pixel(x, y);
      for (int b = 0; b < f.bpp / 8; ++b)
        d[offset + row * stride + x * (f.bpp / 8) + b] = v >> (8 * b);
    }
  }
  return d;
}

TEST_F(Bitmaps, ReadsTheHeadersAndRowOrdersCommonToolsWrite) {
  const ForeignFile files[] = {
      {"v4 32-bit red-green-blue-alpha masks, top-down", 108, 32, true, {0xFF, 0xFF00, 0xFF0000}},
      {"v5 32-bit standard masks", 124, 32, false, {0xFF0000, 0xFF00, 0xFF}},
      {"v5 16-bit 5-6-5, top-down", 124, 16, true, {0xF800, 0x07E0, 0x001F}},
      {"info 16-bit 5-6-5 masks after the header", 40, 16, false, {0xF800, 0x07E0, 0x001F}},
      {"v4 24-bit plain", 108, 24, false, {0, 0, 0}},
  };
  for (const ForeignFile& f : files) {
    SCOPED_TRACE(f.name);
    const bool rgba = f.masks[0] == 0xFF;
    // Top row red, bottom row blue, in the file's own encoding.
    auto pixel = [&](int, int y) -> uint32_t {
      const bool top = y == 0;
      if (f.bpp == 16) return top ? 0xF800 : 0x001F;
      if (rgba) return top ? 0xFF0000FF : 0xFFFF0000;
      return top ? 0x00FF0000 : 0x000000FF;
    };
    const std::string path = Path("foreign.bmp");
    WriteAll(path, Foreign(f, 3, 2, pixel));
    fw::Bitmap bmp;
    bmp.LoadBmpFile(path);
    ASSERT_EQ(bmp.Width(), 3);
    ASSERT_EQ(bmp.Height(), 2);
    const int bytes = bmp.BitsPerPixel() / 8;
    auto at = [&](int x, int y) {
      uint32_t v = 0;
      for (int b = 0; b < bytes; ++b) v |= uint32_t(bmp.Row(y)[x * bytes + b]) << (8 * b);
      return v;
    };
    if (f.bpp == 16) {
      EXPECT_TRUE(bmp.Is565());
      EXPECT_EQ(at(1, 0), 0xF800u);
      EXPECT_EQ(at(1, 1), 0x001Fu);
    } else {
      EXPECT_EQ(at(1, 0) & 0xFFFFFF, 0xFF0000u) << "top row red";
      EXPECT_EQ(at(1, 1) & 0xFFFFFF, 0x0000FFu) << "bottom row blue";
    }
  }
}

// Found by the fuzzer: a channel mask of 25 to 32 bits wrapped its scaling around 32 bits, so
// a full channel read as 0 or 127 instead of 255.
TEST_F(Bitmaps, MasksOfUpTo32BitsScaleFullChannelsTo255) {
  const ForeignFile f{"32-bit masks of 32, 25 and 1 bits", 40, 32, false,
                      {0xFFFFFFFF, 0x01FFFFFF, 0x80000000}};
  auto pixel = [](int x, int) -> uint32_t { return x == 0 ? 0xFFFFFFFF : 0x80000000; };
  const std::string path = Path("wide_masks.bmp");
  WriteAll(path, Foreign(f, 2, 1, pixel));
  fw::Bitmap bmp;
  bmp.LoadBmpFile(path);
  ASSERT_EQ(bmp.BitsPerPixel(), 32);
  const uint8_t* row = bmp.Row(0);
  // Blue-green-red-unused.
  EXPECT_EQ(row[0], 255);
  EXPECT_EQ(row[1], 255);
  EXPECT_EQ(row[2], 255);
  EXPECT_EQ(row[4], 255) << "blue: the one bit is set";
  EXPECT_EQ(row[5], 0) << "green: none of its bits is set";
  EXPECT_EQ(row[6], 128) << "red: the top bit alone";
}

// The pixel at (x, y) as RGB, by the bitmap's depth.
Rgb PixelOf(const fw::Bitmap& bmp, int x, int y) {
  const uint8_t* row = bmp.Row(y);
  const int bpp = bmp.BitsPerPixel();
  if (bpp <= 8) {
    const int perByte = 8 / bpp;
    const int shift = (perByte - 1 - x % perByte) * bpp;
    const int index = (row[x / perByte] >> shift) & ((1 << bpp) - 1);
    const RGBQUAD q = bmp.ColorTable().at(static_cast<size_t>(index));
    return {q.rgbRed, q.rgbGreen, q.rgbBlue};
  }
  if (bpp == 16) {
    const unsigned v = row[2 * x] | row[2 * x + 1] << 8;
    auto scale = [](unsigned value, unsigned max) {
      return static_cast<uint8_t>((value * 255 + max / 2) / max);
    };
    if (bmp.Is565()) return {scale(v >> 11, 31), scale((v >> 5) & 63, 63), scale(v & 31, 31)};
    return {scale(v >> 10, 31), scale((v >> 5) & 31, 31), scale(v & 31, 31)};
  }
  const uint8_t* p = row + x * (bpp / 8);
  return {p[2], p[1], p[0]};
}

// Files ImageMagick wrote (make_bitmaps.sh, run by CTest before this program) read with the
// pixels ImageMagick itself reads from them.
TEST_F(Bitmaps, ReadsWhatImageMagickWritesWithItsPixels) {
  const std::string folder = test_container::ExecutableFolder() + "magick\\";
  const struct {
    const char* name;
    int bpp;
  } files[] = {{"im_1", 1},   {"im_4", 4},      {"im_8", 8},        {"im_16_565", 16},
               {"im_24", 24}, {"im_24_v5", 24}, {"im_32_alpha", 32}};
  for (const auto& f : files) {
    SCOPED_TRACE(f.name);
    const std::vector<uint8_t> rgb = ReadAll(folder + f.name + ".rgb");
    ASSERT_FALSE(rgb.empty()) << "no " << f.name << ".rgb: run through CTest, which runs "
                              << "make_bitmaps.sh first";
    int width = 0, height = 0;
    std::ifstream(folder + f.name + ".size") >> width >> height;
    fw::Bitmap bmp;
    bmp.LoadBmpFile(folder + f.name + ".bmp");
    ASSERT_EQ(bmp.Width(), width);
    ASSERT_EQ(bmp.Height(), height);
    EXPECT_EQ(bmp.BitsPerPixel(), f.bpp);
    ASSERT_EQ(rgb.size(), static_cast<size_t>(width * height * 3));
    int wrong = 0;
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        const Rgb got = PixelOf(bmp, x, y);
        const uint8_t* want = &rgb[static_cast<size_t>((y * width + x) * 3)];
        // 16-bit channels may be scaled with another rounding.
        const int slack = f.bpp == 16 ? 4 : 0;
        if (std::abs(got.r - want[0]) > slack || std::abs(got.g - want[1]) > slack ||
            std::abs(got.b - want[2]) > slack) {
          if (++wrong <= 3) {
            ADD_FAILURE() << "pixel " << x << "," << y << ": " << int(got.r) << " " << int(got.g)
                          << " " << int(got.b) << " for " << int(want[0]) << " " << int(want[1])
                          << " " << int(want[2]);
          }
        }
      }
    }
    EXPECT_EQ(wrong, 0);
  }
}

TEST_F(Bitmaps, DamagedFilesAreRefusedNamingTheFileAndLeaveTheBitmapAsItWas) {
  // A good 8-bit file of 4 x 2 with a full table: 54 + 1024 + 8 bytes.
  fw::Bitmap good;
  good.SetBitsPerPixel(8);
  good.SetSize(4, 2);
  const std::string goodPath = Path("good.bmp");
  good.SaveBmpFile(goodPath);
  const std::vector<uint8_t> base = ReadAll(goodPath);
  ASSERT_EQ(base.size(), 54u + 1024 + 8);

  struct Damage {
    const char* name;
    std::function<void(std::vector<uint8_t>&)> apply;
  };
  const Damage damages[] = {
      {"pixels cut short", [](auto& d) { d.resize(d.size() - 1); }},
      {"pixel offset past the end", [](auto& d) { Set32(d, 10, 0xFFFFFF00); }},
      {"huge width", [](auto& d) { Set32(d, 18, 0x7FFFFFFF); }},
      {"width whose rows overflow 32 bits",
       [](auto& d) {
         Set32(d, 18, 0x40000001);
         Set16(d, 28, 32);
       }},
      {"huge height", [](auto& d) { Set32(d, 22, 0x7FFFFFFF); }},
      {"height 0", [](auto& d) { Set32(d, 22, 0); }},
      {"width 0", [](auto& d) { Set32(d, 18, 0); }},
      {"negative width", [](auto& d) { Set32(d, 18, static_cast<uint32_t>(-4)); }},
      {"most negative height", [](auto& d) { Set32(d, 22, 0x80000000); }},
      {"palette past the file", [](auto& d) { d.resize(54 + 512); }},
      {"palette past the pixel offset", [](auto& d) { Set32(d, 10, 54 + 1020); }},
      {"more colours than the depth holds", [](auto& d) { Set32(d, 46, 257); }},
      {"huge colour count", [](auto& d) { Set32(d, 46, 0xFFFFFFFF); }},
      {"depth 7", [](auto& d) { Set16(d, 28, 7); }},
      {"two planes", [](auto& d) { Set16(d, 26, 2); }},
      {"run-length compressed", [](auto& d) { Set32(d, 30, BI_RLE8); }},
      {"bit fields on 8 bits", [](auto& d) { Set32(d, 30, BI_BITFIELDS); }},
      {"core header", [](auto& d) { Set32(d, 14, 12); }},
      {"header larger than the file",
       [](auto& d) {
         Set32(d, 14, 124);
         d.resize(100);
       }},
      {"not BM", [](auto& d) { d[0] = 'X'; }},
      {"only a file header", [](auto& d) { d.resize(14); }},
      {"empty", [](auto& d) { d.clear(); }},
  };
  for (const Damage& damage : damages) {
    SCOPED_TRACE(damage.name);
    std::vector<uint8_t> data = base;
    damage.apply(data);
    const std::string path = Path("damaged.bmp");
    WriteAll(path, data);
    fw::Bitmap bmp;
    bmp.SetBitsPerPixel(24);
    bmp.SetSize(5, 5);
    const HBITMAP before = bmp.Handle();
    try {
      bmp.LoadBmpFile(path);
      ADD_FAILURE() << "accepted";
    } catch (const fw::Error& e) {
      EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
      EXPECT_TRUE(FAILED(e.Code()));
    }
    EXPECT_EQ(bmp.Handle(), before);
    EXPECT_EQ(bmp.Width(), 5);
    EXPECT_EQ(bmp.BitsPerPixel(), 24);
  }
  // The untouched file still loads, so the cases above fail for their damage alone.
  fw::Bitmap bmp;
  bmp.LoadBmpFile(goodPath);
  EXPECT_EQ(bmp.Width(), 4);

  try {
    bmp.LoadBmpFile(Path("missing.bmp"));
    ADD_FAILURE() << "a missing file loaded";
  } catch (const fw::Error& e) {
    EXPECT_EQ(e.Code(), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    EXPECT_NE(std::string(e.what()).find("missing.bmp"), std::string::npos);
  }
}

TEST_F(Bitmaps, AWriteThatCannotCompleteIsReported) {
  fw::Bitmap bmp;
  bmp.SetSize(64, 64);
  // Wine's drive Z: is the Unix root; the full device takes no byte.
  const std::string full = "Z:\\dev\\full";
  try {
    bmp.SaveBmpFile(full);
    ADD_FAILURE() << "a write to a full device succeeded";
  } catch (const fw::Error& e) {
    EXPECT_NE(std::string(e.what()).find(full), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("short"), std::string::npos) << e.what();
  }
  try {
    bmp.SaveBmpFile(Path("no such folder\\x.bmp"));
    ADD_FAILURE() << "saved into a missing folder";
  } catch (const fw::Error& e) {
    EXPECT_NE(std::string(e.what()).find("x.bmp"), std::string::npos);
  }
}

TEST_F(Bitmaps, QuadrantsStretchedTo120By90KeepExactColoursAtTheirCentres) {
  const COLORREF quadrant[4] = {RGB(250, 10, 20), RGB(10, 240, 30), RGB(20, 30, 230),
                                RGB(200, 200, 7)};
  for (int bpp : {24, 32}) {
    SCOPED_TRACE(bpp);
    fw::Bitmap frame;
    frame.SetBitsPerPixel(bpp);
    frame.SetSize(640, 480);
    for (int y = 0; y < 480; ++y) {
      uint8_t* row = frame.Row(y);
      for (int x = 0; x < 640; ++x) {
        const COLORREF c = quadrant[(y >= 240) * 2 + (x >= 320)];
        uint8_t* p = row + x * (bpp / 8);
        p[0] = GetBValue(c);
        p[1] = GetGValue(c);
        p[2] = GetRValue(c);
        if (bpp == 32) p[3] = 0x5A;  // the unused byte of an RGB32 frame
      }
    }
    fw::Bitmap thumb;
    thumb.SetBitsPerPixel(bpp);
    thumb.SetSize(120, 90);
    thumb.StretchFrom(frame);
    const POINT centres[4] = {{30, 22}, {90, 22}, {30, 67}, {90, 67}};
    for (int q = 0; q < 4; ++q) {
      const uint8_t* p = thumb.Row(centres[q].y) + centres[q].x * (bpp / 8);
      EXPECT_EQ(RGB(p[2], p[1], p[0]), quadrant[q]) << "quadrant " << q;
    }
    // Whole over whole: the corners are the source's corners.
    const uint8_t* last = thumb.Row(89) + 119 * (bpp / 8);
    EXPECT_EQ(RGB(last[2], last[1], last[0]), quadrant[3]);
  }
}

TEST_F(Bitmaps, AHandedOverSectionIsOwnedAndADeviceBitmapIsCopied) {
  HBITMAP section = Section565(20, 10);
  {
    fw::Bitmap bmp;
    bmp.SetHandle(section);
    EXPECT_EQ(bmp.Handle(), section);
    EXPECT_EQ(bmp.Width(), 20);
    EXPECT_EQ(bmp.BitsPerPixel(), 16);
    EXPECT_TRUE(bmp.Is565());
    bmp.Row(0)[0] = 0x1F;
    EXPECT_NE(GetObjectType(section), 0u);
    bmp.FreeImage();
    EXPECT_TRUE(bmp.Empty());
    EXPECT_EQ(bmp.Width(), 0);
    EXPECT_EQ(bmp.BitsPerPixel(), 16);
  }
  EXPECT_EQ(GetObjectType(section), 0u) << "FreeImage left the section";

  HDC screen = GetDC(nullptr);
  HBITMAP device = CreateCompatibleBitmap(screen, 8, 6);
  HDC dc = CreateCompatibleDC(screen);
  HGDIOBJ old = SelectObject(dc, device);
  RECT all{0, 0, 8, 6};
  HBRUSH brush = CreateSolidBrush(RGB(10, 200, 30));
  FillRect(dc, &all, brush);
  DeleteObject(brush);
  SelectObject(dc, old);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  HBITMAP kept;
  {
    fw::Bitmap bmp;
    bmp.SetHandle(device);
    EXPECT_EQ(GetObjectType(device), 0u) << "the device bitmap was not taken over";
    ASSERT_EQ(bmp.BitsPerPixel(), 32);
    ASSERT_EQ(bmp.Width(), 8);
    const uint8_t* p = bmp.Row(5) + 7 * 4;
    EXPECT_EQ(RGB(p[2], p[1], p[0]), RGB(10, 200, 30));
    kept = bmp.Handle();
  }
  EXPECT_EQ(GetObjectType(kept), 0u);

  fw::Bitmap bmp;
  EXPECT_THROW(bmp.SetBitsPerPixel(12), fw::Error);
  EXPECT_EQ(bmp.BitsPerPixel(), 24);
}

TEST_F(Bitmaps, TheCanvasLockExcludesOtherThreads) {
  fw::Bitmap bmp;
  bmp.SetSize(2, 2);
  std::atomic<bool> entered{false};
  std::thread other;
  {
    fw::CanvasLock lock(bmp);
    fw::CanvasLock nested(bmp);
    other = std::thread([&] {
      fw::CanvasLock l(bmp);
      entered = true;
    });
    Sleep(100);
    EXPECT_FALSE(entered);
  }
  other.join();
  EXPECT_TRUE(entered);
}

}  // namespace
