#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>
#include <thread>
#include <vector>

#include "liveview/decode/bmp_image.h"
#include "liveview/render/pixel_copy.h"
#include "liveview/render/video_renderer.h"
#include "testing/container/message_pump.h"
#include "testing/container/window_capture.h"

namespace liveview {
namespace {

using test_container::Image;

constexpr COLORREF kBlue = RGB(0, 0, 255), kWhite = RGB(255, 255, 255),
                   kBlack = RGB(0, 0, 0), kGrey = RGB(128, 128, 128),
                   kMagenta = RGB(255, 0, 255), kTitleGreen = RGB(0, 255, 0),
                   kRecRed = RGB(255, 0, 0);

// Blue, white over black, grey: far from the overlay's green and red, and any flip shows.
COLORREF Quadrant(int x, int y, int width, int height) {
  const bool right = x >= width / 2, bottom = y >= height / 2;
  if (!bottom) return right ? kWhite : kBlue;
  return right ? kGrey : kBlack;
}

// Rows as the decoder leaves them: 24-bit, padded to 4 bytes, bottom-up.
std::vector<uint8_t> DecodedRows(int width, int height,
                                 const std::function<COLORREF(int, int)>& colour) {
  const int rowBytes = bmp::PaddedRowBytes(width, 24);
  std::vector<uint8_t> rows(static_cast<size_t>(rowBytes) * height, 0);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const COLORREF c = colour(x, y);
      uint8_t* p = &rows[(height - 1 - y) * rowBytes + x * 3];
      p[0] = GetBValue(c);
      p[1] = GetGValue(c);
      p[2] = GetRValue(c);
    }
  }
  return rows;
}

std::vector<uint8_t> QuadrantRows(int width, int height) {
  return DecodedRows(width, height,
                     [=](int x, int y) { return Quadrant(x, y, width, height); });
}

// The four quadrants of a window-sized capture, each well inside its edges.
bool ShowsQuadrants(const Image& image) {
  const int w = image.width, h = image.height;
  const int mx = w / 16 + 2, my = h / 16 + 2;
  const RECT topLeft{mx, my, w / 2 - mx, h / 2 - my};
  const RECT topRight{w / 2 + mx, my, w - mx, h / 2 - my};
  const RECT bottomLeft{mx, h / 2 + my, w / 2 - mx, h - my};
  const RECT bottomRight{w / 2 + mx, h / 2 + my, w - mx, h - my};
  return image.ShareOf(kBlue, topLeft) > 0.999 && image.ShareOf(kWhite, topRight) > 0.999 &&
         image.ShareOf(kBlack, bottomLeft) > 0.999 && image.ShareOf(kGrey, bottomRight) > 0.999;
}

LRESULT CALLBACK QuietWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  // Paints nothing of its own, so a capture shows only what the renderer drew.
  if (message == WM_PAINT) {
    ValidateRect(window, nullptr);
    return 0;
  }
  if (message == WM_ERASEBKGND) return 1;
  return DefWindowProcA(window, message, wParam, lParam);
}

// A top-most frame on the test display with one child, the camera window, at (30, 20).
class TestWindows {
 public:
  TestWindows(int width, int height) {
    static const ATOM atom = [] {
      WNDCLASSA wc{};
      wc.lpfnWndProc = QuietWindowProc;
      wc.hInstance = GetModuleHandleA(nullptr);
      wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
      wc.lpszClassName = "RendererTestWindow";
      return RegisterClassA(&wc);
    }();
    (void)atom;
    // Spread over the display, so that parallel test programs rarely overlap.
    const int x = 300 + static_cast<int>(GetCurrentProcessId() % 7) * 40;
    const int y = 200 + static_cast<int>(GetCurrentProcessId() % 5) * 40;
    frame_ = CreateWindowExA(WS_EX_TOPMOST, "RendererTestWindow", "renderer test",
                             WS_POPUP | WS_CLIPCHILDREN, x, y, width + 60,
                             height + 40, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    camera_ = CreateWindowExA(0, "RendererTestWindow", "CliWatchWnd", WS_CHILD | WS_VISIBLE, 30,
                              20, width, height, frame_, nullptr, GetModuleHandleA(nullptr),
                              nullptr);
    // Shown without activation: Wine leaves such a window to itself instead of to a window
    // manager, and destroying it needs no wait for one (there is none on the test display).
    SetWindowPos(frame_, HWND_TOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    test_container::PumpFor(50);
  }
  TestWindows(const TestWindows&) = delete;
  TestWindows& operator=(const TestWindows&) = delete;
  ~TestWindows() {
    if (frame_) DestroyWindow(frame_);
  }
  HWND camera() const { return camera_; }
  HWND frame() const { return frame_; }

 private:
  HWND frame_ = nullptr;
  HWND camera_ = nullptr;
};

// Draws and captures until `shows` holds, for a generous while: another test's window may
// cover this one for a moment. Returns the last capture.
Image DrawUntil(const std::function<void()>& draw, HWND window,
                const std::function<bool(const Image&)>& shows) {
  Image last;
  const DWORD start = GetTickCount();
  do {
    SetWindowPos(GetAncestor(window, GA_ROOT), HWND_TOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    draw();
    test_container::PumpPending();
    if (auto image = test_container::CaptureWindow(window)) {
      last = std::move(*image);
      if (shows(last)) break;
    }
    Sleep(100);
  } while (GetTickCount() - start < 20000);
  return last;
}

// Green and red text pixels (tolerant: the text is anti-aliased and stretched).
double Share(const Image& image, COLORREF colour, const RECT& area) {
  return image.ShareOf(colour, area, 60);
}

TEST(VideoRenderer, DirectDrawShowsTheStretchedUprightPicture) {
  TestWindows windows(640, 480);
  CVideoRenderer renderer;
  ASSERT_EQ(renderer.CreateSurfaces(windows.camera(), 320, 240), S_OK);
  ASSERT_TRUE(renderer.HasDirectDraw());
  const int depth = renderer.SurfaceBitCount();
  EXPECT_TRUE(depth == 16 || depth == 24 || depth == 32) << depth;
  std::printf("DirectDraw off-screen surface: %d bits per pixel\n", depth);

  POINT origin{0, 0};
  ClientToScreen(windows.camera(), &origin);
  const RECT screen = renderer.ScreenRect();
  EXPECT_EQ(screen.left, origin.x);
  EXPECT_EQ(screen.top, origin.y);
  EXPECT_EQ(screen.right - screen.left, 640);
  EXPECT_EQ(screen.bottom - screen.top, 480);

  const std::vector<uint8_t> rows = QuadrantRows(320, 240);
  renderer.SetBitCount(24);
  int drawn = -1;
  const Image image = DrawUntil([&] { drawn = renderer.DrawFrame(rows.data(), 320, 240, 1); },
                                windows.camera(), ShowsQuadrants);
  EXPECT_EQ(drawn, 1);
  EXPECT_TRUE(ShowsQuadrants(image));
  EXPECT_TRUE(renderer.HasDirectDraw());
}

TEST(VideoRenderer, TitleAndRecOnlyWithShowTitle) {
  TestWindows windows(640, 480);
  CVideoRenderer renderer;
  ASSERT_EQ(renderer.CreateSurfaces(windows.camera(), 320, 240), S_OK);
  // All blue, so any green or red on screen is overlay.
  const std::vector<uint8_t> rows = DecodedRows(320, 240, [](int, int) { return kBlue; });
  renderer.SetBitCount(24);
  renderer.SetTitle("lobby");
  renderer.SetRecording(1);

  // On screen the title starts 20 pixels from the left and its band 10 from the top; the
  // 40-pixel bands are 80 on screen. "REC" sits in the surface's last 40 pixels (80 here).
  const RECT titleBand{20, 10, 300, 90};
  const RECT recBand{560, 10, 640, 90};
  const RECT leftMargin{0, 0, 18, 480};
  const RECT belowBands{0, 92, 640, 480};
  const RECT whole{0, 0, 640, 480};

  renderer.SetShowTitle(0);
  Image image = DrawUntil([&] { renderer.DrawFrame(rows.data(), 320, 240, 1); },
                          windows.camera(),
                          [](const Image& i) { return i.ShareOf(kBlue, {0, 0, 640, 480}) > 0.999; });
  EXPECT_EQ(Share(image, kTitleGreen, whole), 0.0);
  EXPECT_EQ(Share(image, kRecRed, whole), 0.0);

  renderer.SetShowTitle(1);
  image = DrawUntil([&] { renderer.DrawFrame(rows.data(), 320, 240, 1); }, windows.camera(),
                    [&](const Image& i) {
                      return Share(i, kTitleGreen, titleBand) > 0.01 &&
                             Share(i, kRecRed, recBand) > 0.01;
                    });
  EXPECT_GT(Share(image, kTitleGreen, titleBand), 0.01);
  EXPECT_GT(Share(image, kRecRed, recBand), 0.01);
  EXPECT_EQ(Share(image, kTitleGreen, leftMargin), 0.0);
  EXPECT_EQ(Share(image, kTitleGreen, belowBands), 0.0);
  EXPECT_EQ(Share(image, kRecRed, belowBands), 0.0);
  EXPECT_EQ(Share(image, kRecRed, RECT{0, 0, 550, 480}), 0.0);

  // Recording stops: the mark goes with the next frame, the title stays.
  renderer.SetRecording(0);
  image = DrawUntil([&] { renderer.DrawFrame(rows.data(), 320, 240, 1); }, windows.camera(),
                    [&](const Image& i) {
                      return Share(i, kTitleGreen, titleBand) > 0.01 &&
                             Share(i, kRecRed, whole) == 0.0;
                    });
  EXPECT_GT(Share(image, kTitleGreen, titleBand), 0.01);
  EXPECT_EQ(Share(image, kRecRed, whole), 0.0);
}

// Widths whose rows carry padding (161 x 3 = 483, stored in 484 bytes) must not shear,
// whichever path draws them.
TEST(VideoRenderer, PaddedRowsDrawUprightOnEveryPath) {
  for (const bool directDraw : {true, false}) {
    SCOPED_TRACE(directDraw ? "DirectDraw" : "GDI");
    TestWindows windows(322, 240);
    CVideoRenderer renderer;
    if (directDraw)
      ASSERT_EQ(renderer.CreateSurfaces(windows.camera(), 161, 120), S_OK);
    else
      renderer.UseGdiOnly(windows.camera());
    EXPECT_EQ(renderer.HasDirectDraw(), directDraw);
    // Quadrant boundaries on even pixels of the window: 80 of 161 columns, 60 of 120 rows.
    const std::vector<uint8_t> rows = QuadrantRows(161, 120);
    renderer.SetBitCount(24);
    int drawn = -1;
    const Image image =
        DrawUntil([&] { drawn = renderer.DrawFrame(rows.data(), 161, 120, 1); },
                  windows.camera(), ShowsQuadrants);
    EXPECT_EQ(drawn, 1);
    EXPECT_TRUE(ShowsQuadrants(image));
  }
}

TEST(VideoRenderer, GdiPathStretchesTheUprightPictureWithoutOverlays) {
  TestWindows windows(480, 360);
  CVideoRenderer renderer;
  renderer.UseGdiOnly(windows.camera());
  const std::vector<uint8_t> rows = QuadrantRows(160, 120);
  renderer.SetBitCount(24);
  renderer.SetShowTitle(1);
  renderer.SetTitle("lobby");
  renderer.SetRecording(1);
  const Image image = DrawUntil([&] { EXPECT_EQ(renderer.DrawFrame(rows.data(), 160, 120, 1), 1); },
                                windows.camera(), ShowsQuadrants);
  EXPECT_TRUE(ShowsQuadrants(image));
  EXPECT_EQ(Share(image, kTitleGreen, {0, 0, 480, 360}), 0.0);
  EXPECT_EQ(Share(image, kRecRed, {0, 0, 480, 360}), 0.0);

  // A later, larger picture grows the scratch copy; a top-down one stays upright too.
  const std::vector<uint8_t> large = QuadrantRows(640, 480);
  std::vector<uint8_t> topDown(large.size());
  const int rowBytes = bmp::PaddedRowBytes(640, 24);
  for (int y = 0; y < 480; ++y)
    std::copy_n(&large[(479 - y) * rowBytes], rowBytes, &topDown[y * rowBytes]);
  for (const int bottomUp : {1, 0}) {
    const std::vector<uint8_t>* picture = bottomUp ? &large : &topDown;
    SCOPED_TRACE(bottomUp);
    const Image shown =
        DrawUntil([&] { EXPECT_EQ(renderer.DrawFrame(picture->data(), 640, 480, bottomUp), 1); },
                  windows.camera(), ShowsQuadrants);
    EXPECT_TRUE(ShowsQuadrants(shown));
  }
}

TEST(VideoRenderer, AWindowOfZeroSizeIsSkippedUntilLaidOut) {
  TestWindows windows(320, 240);
  for (const bool directDraw : {true, false}) {
    SCOPED_TRACE(directDraw ? "DirectDraw" : "GDI");
    SetWindowPos(windows.camera(), nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOZORDER);
    CVideoRenderer renderer;
    if (directDraw)
      ASSERT_EQ(renderer.CreateSurfaces(windows.camera(), 320, 240), S_OK);
    else
      renderer.UseGdiOnly(windows.camera());
    const std::vector<uint8_t> rows = QuadrantRows(320, 240);
    renderer.SetBitCount(24);
    renderer.SetShowTitle(1);
    renderer.SetTitle("lobby");
    renderer.SetRecording(1);
    EXPECT_EQ(renderer.DrawFrame(rows.data(), 320, 240, 1), 1);
    if (directDraw) {
      EXPECT_EQ(renderer.Present(), S_FALSE);
    }

    // Laid out: the same renderer now shows the picture (title off, to see it whole).
    renderer.SetShowTitle(0);
    SetWindowPos(windows.camera(), nullptr, 0, 0, 320, 240, SWP_NOMOVE | SWP_NOZORDER);
    renderer.UpdateScreenRect();
    const Image image = DrawUntil([&] { renderer.DrawFrame(rows.data(), 320, 240, 1); },
                                  windows.camera(), ShowsQuadrants);
    EXPECT_TRUE(ShowsQuadrants(image));
  }
}

TEST(VideoRenderer, WithoutSurfacesOrWindow) {
  CVideoRenderer renderer;
  const std::vector<uint8_t> rows = QuadrantRows(16, 8);
  renderer.SetBitCount(24);
  EXPECT_EQ(renderer.DrawFrame(rows.data(), 16, 8, 1), 1);  // nothing to draw on
  EXPECT_EQ(renderer.DrawFrame(nullptr, 16, 8, 1), 0);
  EXPECT_EQ(renderer.DrawFrame(rows.data(), 0, 8, 1), 0);
  EXPECT_EQ(renderer.Present(), E_POINTER);
  EXPECT_FALSE(renderer.HasDirectDraw());
  renderer.ReleaseSurfaces();  // harmless when there is nothing
  renderer.SetBitCount(8);     // a source depth it cannot copy
  TestWindows windows(64, 32);
  renderer.UseGdiOnly(windows.camera());
  EXPECT_EQ(renderer.DrawFrame(rows.data(), 16, 8, 1), 0);
}

TEST(VideoRenderer, ReleasedSurfacesFallBackToGdiInTheSameWindow) {
  TestWindows windows(320, 240);
  CVideoRenderer renderer;
  ASSERT_EQ(renderer.CreateSurfaces(windows.camera(), 320, 240), S_OK);
  renderer.ReleaseSurfaces();
  EXPECT_FALSE(renderer.HasDirectDraw());
  EXPECT_EQ(renderer.Present(), E_POINTER);
  const std::vector<uint8_t> rows = QuadrantRows(320, 240);
  renderer.SetBitCount(24);
  const Image image = DrawUntil([&] { renderer.DrawFrame(rows.data(), 320, 240, 1); },
                                windows.camera(), ShowsQuadrants);
  EXPECT_TRUE(ShowsQuadrants(image));
}

// As in the control: the stream worker sets up and draws while the window's own thread
// only pumps messages.
TEST(VideoRenderer, DrawsFromAWorkerThread) {
  TestWindows windows(320, 240);
  CVideoRenderer renderer;
  const std::vector<uint8_t> rows = QuadrantRows(320, 240);
  std::atomic<bool> stop{false}, finished{false};
  std::atomic<HRESULT> created{E_PENDING};
  std::atomic<int> drawn{-1};
  std::thread worker([&] {
    created = renderer.CreateSurfaces(windows.camera(), 320, 240);
    renderer.SetBitCount(24);
    while (!stop) {
      drawn = renderer.DrawFrame(rows.data(), 320, 240, 1);
      Sleep(20);
    }
    finished = true;
  });
  const Image image = DrawUntil([] {}, windows.camera(), ShowsQuadrants);
  stop = true;
  EXPECT_TRUE(test_container::PumpUntil([&] { return finished.load(); }, 20000));
  worker.join();
  EXPECT_EQ(created.load(), S_OK);
  EXPECT_EQ(drawn.load(), 1);
  EXPECT_TRUE(ShowsQuadrants(image));
}

// As in the control: a grid of camera windows, each with its own DirectDraw object and
// primary surface, each picture clipped to its own window.
TEST(VideoRenderer, GridOfWindowsEachWithItsOwnRenderer) {
  TestWindows frame(400, 300);
  constexpr COLORREF kColours[4] = {kBlue, kWhite, kGrey, kMagenta};
  HWND cells[4];
  CVideoRenderer renderers[4];
  std::vector<uint8_t> pictures[4];
  for (int i = 0; i < 4; ++i) {
    cells[i] = CreateWindowExA(0, "RendererTestWindow", "CliWatchWnd", WS_CHILD | WS_VISIBLE,
                               (i % 2) * 200, (i / 2) * 150, 200, 150, frame.camera(), nullptr,
                               GetModuleHandleA(nullptr), nullptr);
    ASSERT_EQ(renderers[i].CreateSurfaces(cells[i], 160, 120), S_OK) << i;
    renderers[i].SetBitCount(24);
    pictures[i] = DecodedRows(160, 120, [&](int, int) { return kColours[i]; });
  }
  auto shows = [&](const Image& image) {
    for (int i = 0; i < 4; ++i) {
      const RECT cell{(i % 2) * 200 + 2, (i / 2) * 150 + 2, (i % 2) * 200 + 198,
                      (i / 2) * 150 + 148};
      if (image.ShareOf(kColours[i], cell) < 0.999) return false;
    }
    return true;
  };
  const Image image = DrawUntil(
      [&] {
        for (int i = 0; i < 4; ++i) renderers[i].DrawFrame(pictures[i].data(), 160, 120, 1);
      },
      frame.camera(), shows);
  EXPECT_TRUE(shows(image));
}

}  // namespace
}  // namespace liveview
