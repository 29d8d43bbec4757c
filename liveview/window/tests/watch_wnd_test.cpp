// The camera window's frames: decoding, the size message, renderer changes, the picture and
// JPEG copies, staleness and the idle view.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "base/scoped_gdi.h"
#include "base/scoped_handle.h"
#include "framework/module.h"
#include "framework/resources.h"
#include "liveview/cameras/tests/camera_test_support.h"
#include "liveview/decode/bmp_image.h"
#include "liveview/decode/jpeg_decoder.h"
#include "liveview/decode/tests/jpeg_fixture.h"
#include "liveview/notify/control_messages.h"
#include "liveview/notify/control_registry.h"
#include "liveview/render/bkgnd_picture.h"
#include "liveview/render/tests/fake_direct_draw.h"
#include "liveview/render/video_renderer.h"
#include "liveview/resources/tessaly_resource.h"
#include "liveview/window/tests/watch_test_support.h"
#include "liveview/window/watch_wnd.h"
#include "testing/container/window_capture.h"

namespace liveview {
namespace {

using Bytes = std::vector<uint8_t>;
using testing_support::FakeTick;
using testing_support::ReceivedMessage;
using testing_support::RecordingParent;
using testing_support::SetFakeTick;

constexpr int kNumber = 2;
constexpr DWORD kStart = 1000000;
constexpr int kViewWidth = 320;
constexpr int kViewHeight = 240;

struct FrameResult {
  int width = -1;
  int height = -1;
};

FrameResult Feed(CWatchWnd& window, const Bytes& frame) {
  FrameResult result;
  window.OnFrame(frame.data(), static_cast<int>(frame.size()), 1, &result.width, &result.height);
  return result;
}

// The padded rows an independent decoder makes of `frame`.
Bytes DecodedRows(const Bytes& frame, int width, int height) {
  CJpegDecoder decoder;
  EXPECT_EQ(decoder.Decode(frame.data(), static_cast<int>(frame.size())), 1);
  const uint8_t* bits = decoder.GetBits();
  return Bytes(bits, bits + bmp::RowWidth(width) * height);
}

ReceivedMessage SizePosted(LPARAM size) { return {WM_CAM_VIDEOSIZE, kNumber, size, false}; }

class WatchWndTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(parent_.Handle(), nullptr);
    SetControlWindow(parent_.Handle());
    SetFakeTick(kStart);
    window_.SetTickSource(&FakeTick);
    ASSERT_TRUE(window_.Create(256 + kNumber, parent_.Handle(), kNumber));
    window_.Move(RECT{0, 0, kViewWidth, kViewHeight});
    parent_.Pump();
    parent_.Clear();
  }
  void TearDown() override { SetControlWindow(nullptr); }

  RecordingParent parent_{640, 480};
  CWatchWnd window_;
};

TEST_F(WatchWndTest, WidthChangePostsNewSizeOnceAndRecreatesRenderer) {
  const Bytes small = jpegfixture::SolidJpeg(320, 240, 200, 0, 0);
  const Bytes large = jpegfixture::SolidJpeg(640, 480, 0, 200, 0);

  const FrameResult first = Feed(window_, small);
  Feed(window_, small);
  EXPECT_EQ(first.width, 320);
  EXPECT_EQ(first.height, 240);
  parent_.Pump();
  EXPECT_EQ(parent_.Received(), std::vector<ReceivedMessage>{SizePosted(0x014000F0)});
  EXPECT_EQ(window_.RenderersCreated(), 1);

  parent_.Clear();
  const FrameResult changed = Feed(window_, large);
  Feed(window_, large);
  parent_.Pump();
  EXPECT_EQ(parent_.Received(), std::vector<ReceivedMessage>{SizePosted(0x028001E0)});
  EXPECT_EQ(window_.RenderersCreated(), 2);
  EXPECT_EQ(changed.width, 640);
  EXPECT_EQ(changed.height, 480);
  EXPECT_EQ(window_.GetVideoWidth(), 640);
  EXPECT_EQ(window_.GetVideoHeight(), 480);
}

TEST_F(WatchWndTest, HeightOnlyChangePostsNothingButRecreatesRenderer) {
  Feed(window_, jpegfixture::SolidJpeg(320, 240, 200, 0, 0));
  parent_.Pump();
  parent_.Clear();

  const FrameResult taller = Feed(window_, jpegfixture::SolidJpeg(320, 480, 200, 0, 0));
  parent_.Pump();
  EXPECT_TRUE(parent_.Received().empty());
  EXPECT_EQ(window_.RenderersCreated(), 2);
  EXPECT_EQ(taller.height, 480);
  EXPECT_EQ(window_.GetVideoHeight(), 480);
}

TEST_F(WatchWndTest, SizeIsNotPostedWithoutAControlWindow) {
  SetControlWindow(nullptr);
  Feed(window_, jpegfixture::SolidJpeg(320, 240, 200, 0, 0));
  parent_.Pump();
  EXPECT_TRUE(parent_.Received().empty());
  EXPECT_EQ(window_.GetVideoWidth(), 320);
}

TEST_F(WatchWndTest, UndecodableFrameKeepsPictureAndDoesNotRenewIt) {
  const Bytes good = jpegfixture::SolidJpeg(320, 240, 200, 0, 0);
  Feed(window_, good);
  const Bytes cut(good.begin(), good.begin() + good.size() / 2);

  SetFakeTick(kStart + 5000);
  const FrameResult dropped = Feed(window_, cut);
  EXPECT_EQ(dropped.width, -1);
  EXPECT_EQ(dropped.height, -1);
  int length = 0;
  const uint8_t* jpeg = window_.GetLastJpeg(&length);
  ASSERT_NE(jpeg, nullptr);
  EXPECT_EQ(Bytes(jpeg, jpeg + length), good);

  // Stale 8 s after the last sound frame, not after the dropped one.
  SetFakeTick(kStart + 8001);
  EXPECT_TRUE(window_.IsStale());
  EXPECT_EQ(window_.GetLastJpeg(&length), nullptr);
}

// The copy is the current picture's padded rows: its size, not the larger allocation a
// bigger earlier picture left, and the whole pixel area for widths whose rows need padding.
TEST_F(WatchWndTest, LastBmpIsTheCurrentPictureOfPaddedRows) {
  struct Case {
    int width;
    int height;
  };
  for (const Case c : {Case{640, 480}, Case{162, 10}, Case{320, 240}, Case{77, 33}}) {
    SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
    const Bytes frame = jpegfixture::CameraSceneJpeg(c.width, c.height);
    Feed(window_, frame);
    int size = 0;
    const uint8_t* picture = window_.GetLastBmp(&size);
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(size, bmp::RowWidth(c.width) * c.height);
    EXPECT_EQ(Bytes(picture, picture + size), DecodedRows(frame, c.width, c.height));
  }
}

TEST_F(WatchWndTest, JpegCopyKeepsWholeFramesLargerThanThePicture) {
  jpegfixture::Options padded;
  padded.appMarkerBytes = 60000;  // far past 16 x 16 x 3 bytes
  const Bytes big = jpegfixture::MakeJpeg(
      {16, 16, 3, JCS_RGB, [](int x, int y, uint8_t* p) { p[0] = p[1] = p[2] = (x + y) * 8; }},
      padded);
  padded.appMarkerBytes = 65000;
  const Bytes bigger = jpegfixture::MakeJpeg(
      {16, 16, 3, JCS_RGB, [](int, int, uint8_t* p) { p[0] = p[1] = p[2] = 90; }}, padded);
  const Bytes small = jpegfixture::SolidJpeg(16, 16, 1, 2, 3);
  ASSERT_GT(big.size(), 60000u);

  for (const Bytes* frame : {&big, &bigger, &small}) {
    Feed(window_, *frame);
    int length = 0;
    const uint8_t* jpeg = window_.GetLastJpeg(&length);
    ASSERT_NE(jpeg, nullptr);
    EXPECT_EQ(Bytes(jpeg, jpeg + length), *frame);
  }
}

TEST_F(WatchWndTest, CopiesGoStaleAfterEightSecondsAndWithClearPicture) {
  Feed(window_, jpegfixture::SolidJpeg(160, 120, 0, 0, 200));
  int size = 0, length = 0;
  SetFakeTick(kStart + 8000);
  EXPECT_NE(window_.GetLastBmp(&size), nullptr);
  EXPECT_NE(window_.GetLastJpeg(&length), nullptr);
  EXPECT_EQ(size, 160 * 3 * 120);

  SetFakeTick(kStart + 8001);
  EXPECT_EQ(window_.GetLastBmp(&size), nullptr);
  EXPECT_EQ(window_.GetLastJpeg(&length), nullptr);

  SetFakeTick(kStart + 10);
  EXPECT_NE(window_.GetLastBmp(&size), nullptr);
  window_.ClearPicture();
  EXPECT_EQ(window_.GetLastBmp(&size), nullptr);
  EXPECT_EQ(window_.GetLastJpeg(&length), nullptr);
}

// What the idle view must look like, drawn here on its own: black, and the title in a
// 9-point Arial, yellow, at (4, 4).
test_container::Image ExpectedIdleView(const std::string& title, int width, int height) {
  base::ScopedWindowDc screen(nullptr);
  base::ScopedMemoryDc memory(screen.Get());
  BITMAPINFO info{};
  info.bmiHeader = {sizeof info.bmiHeader, width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  base::ScopedBitmap bitmap(CreateDIBSection(screen.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  {
    base::ScopedSelectObject selectBitmap(memory.Get(), bitmap.Get());
    RECT all{0, 0, width, height};
    FillRect(memory.Get(), &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    base::ScopedFont font(CreateFontA(-MulDiv(GetDeviceCaps(screen.Get(), LOGPIXELSY), 9, 72), 0, 0,
                                    0, 0, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Arial"));
    base::ScopedSelectObject selectFont(memory.Get(), font.Get());
    SetBkMode(memory.Get(), TRANSPARENT);
    SetTextColor(memory.Get(), RGB(255, 255, 0));
    RECT line{4, 4, width, 25};
    DrawTextA(memory.Get(), title.c_str(), -1, &line, 0);
  }
  GdiFlush();
  test_container::Image image;
  image.width = width;
  image.height = height;
  const auto* p = static_cast<const uint32_t*>(bits);
  image.pixels.assign(p, p + width * height);
  for (uint32_t& px : image.pixels) px &= 0x00FFFFFF;
  return image;
}

int DifferingPixels(const test_container::Image& a, const test_container::Image& b) {
  if (a.width != b.width || a.height != b.height) return -1;
  int differing = 0;
  for (size_t i = 0; i < a.pixels.size(); ++i) differing += a.pixels[i] != b.pixels[i];
  return differing;
}

void Repaint(HWND window) {
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

// The rows kept for repaints change hands with the decoder's from frame to frame: a frame
// that fails halfway must leave the last good picture on screen, not the two-frames-old one
// nor its own half.
TEST_F(WatchWndTest, RepaintAfterAFrameThatFailsHalfwayShowsTheLastGoodPicture) {
  Feed(window_, jpegfixture::SolidJpeg(kViewWidth, kViewHeight, 200, 0, 0));
  Feed(window_, jpegfixture::SolidJpeg(kViewWidth, kViewHeight, 0, 200, 0));
  const Bytes blue = jpegfixture::SolidJpeg(kViewWidth, kViewHeight, 0, 0, 200);
  EXPECT_EQ(Feed(window_, Bytes(blue.begin(), blue.begin() + blue.size() / 2)).width, -1);
  {
    base::ScopedWindowDc dc(window_.GetSafeHwnd());
    RECT all{0, 0, kViewWidth, kViewHeight};
    FillRect(dc.Get(), &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  }
  Repaint(window_.GetSafeHwnd());
  const auto image = test_container::CaptureWindow(window_.GetSafeHwnd());
  ASSERT_TRUE(image.has_value());
  EXPECT_GT(image->ShareOf(RGB(0, 200, 0), RECT{0, 0, kViewWidth, kViewHeight}, 24), 0.95);
}

TEST_F(WatchWndTest, StalePictureGivesWayToTheIdleTitle) {
  struct Case {
    bool bound;
    const char* title;
  };
  for (const Case c :
       {Case{true, "Window 3 Camera : lobby"}, Case{false, "Window 3 Camera : N/A"}}) {
    SCOPED_TRACE(c.title);
    if (c.bound) {
      window_.BindCamera("127.0.0.1", 8080, "admin", "admin", "lobby", 1);
    } else {
      window_.UnbindCamera();
    }
    SetFakeTick(kStart);
    Feed(window_, jpegfixture::SolidJpeg(kViewWidth, kViewHeight, 255, 0, 0));
    Repaint(window_.GetSafeHwnd());
    const auto fresh = test_container::CaptureWindow(window_.GetSafeHwnd());
    ASSERT_TRUE(fresh.has_value());
    EXPECT_GT(fresh->ShareOf(RGB(255, 0, 0), RECT{0, 30, kViewWidth, kViewHeight}, 24), 0.95);

    SetFakeTick(kStart + 8001);
    Repaint(window_.GetSafeHwnd());
    const auto idle = test_container::CaptureWindow(window_.GetSafeHwnd());
    ASSERT_TRUE(idle.has_value());
    EXPECT_EQ(window_.IdleTitle(), c.title);
    const test_container::Image expected = ExpectedIdleView(c.title, kViewWidth, kViewHeight);
    EXPECT_GT(expected.ShareOf(RGB(255, 255, 0), RECT{4, 4, kViewWidth, 25}, 0), 0.003);
    EXPECT_EQ(DifferingPixels(*idle, expected), 0);
  }
}

// A solid 24-bit .bmp file of `width` x `height`.
void WriteSolidBmp(const std::string& path, int width, int height, COLORREF color) {
  Bytes file(static_cast<size_t>(bmp::ImageSize(width, height)), 0);
  bmp::WriteHeaders({width, height, 0, 0}, file.data());
  for (int y = 0; y < height; ++y) {
    uint8_t* row = file.data() + bmp::kPixelOffset + bmp::RowWidth(width) * y;
    for (int x = 0; x < width; ++x) {
      row[x * 3] = GetBValue(color);
      row[x * 3 + 1] = GetGValue(color);
      row[x * 3 + 2] = GetRValue(color);
    }
  }
  testing_support::WriteTextFile(path, std::string(file.begin(), file.end()));
}

TEST_F(WatchWndTest, IdleViewDrawsTheBackgroundPictureUnderTheTitle) {
  testing_support::TempFolder folder;
  const std::string path = folder.File("background.bmp");
  WriteSolidBmp(path, 40, 30, RGB(0, 0, 255));
  CBkgndPicture background;
  ASSERT_EQ(background.LoadBmpFile(path.c_str()), 1);
  window_.SetBkgndPicture(&background);
  window_.SetFontColor(RGB(255, 255, 255));

  Repaint(window_.GetSafeHwnd());
  const auto idle = test_container::CaptureWindow(window_.GetSafeHwnd());
  ASSERT_TRUE(idle.has_value());
  EXPECT_GT(idle->ShareOf(RGB(0, 0, 255), RECT{0, 30, kViewWidth, kViewHeight}), 0.95);
  EXPECT_GT(idle->ShareOf(RGB(255, 255, 255), RECT{4, 4, kViewWidth, 25}, 0), 0.003);
  window_.SetBkgndPicture(nullptr);
}

// A clock that stops the frame worker inside OnFrame, with the window lock held, until the
// test lets it go.
HANDLE g_workerInside = nullptr;
HANDLE g_workerRelease = nullptr;
std::atomic<DWORD> g_heldThread{0};
DWORD HoldingTick() {
  if (GetCurrentThreadId() == g_heldThread.load()) {
    SetEvent(g_workerInside);
    WaitForSingleObject(g_workerRelease, INFINITE);
  }
  return FakeTick();
}

// The worker reads the nick and the show-title flag under the window lock; binding and
// unbinding on the user-interface thread wait for a frame in progress.
TEST_F(WatchWndTest, BindingWaitsForTheFrameInProgress) {
  const Bytes frame = jpegfixture::SolidJpeg(32, 24, 10, 20, 30);
  base::ScopedHandle inside(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  base::ScopedHandle release(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  g_workerInside = inside.Get();
  g_workerRelease = release.Get();
  window_.SetTickSource(&HoldingTick);

  for (const bool bind : {true, false}) {
    SCOPED_TRACE(bind ? "bind" : "unbind");
    ResetEvent(inside.Get());
    ResetEvent(release.Get());
    std::thread worker([&] {
      g_heldThread.store(GetCurrentThreadId());
      Feed(window_, frame);
    });
    ASSERT_EQ(WaitForSingleObject(inside.Get(), 20000), WAIT_OBJECT_0);

    std::atomic<bool> done{false};
    std::thread binder([&] {
      if (bind) {
        window_.BindCamera("127.0.0.1", 80, "admin", "admin", "a nick too long to stay inline", 1);
      } else {
        window_.UnbindCamera();
      }
      done.store(true);
    });
    // With the lock it cannot finish while the frame is held; without it, it would by now.
    Sleep(300);
    EXPECT_FALSE(done.load());
    SetEvent(release.Get());
    worker.join();
    binder.join();
    g_heldThread.store(0);
    EXPECT_TRUE(done.load());
  }
  window_.SetTickSource(&FakeTick);
}

// A renderer whose DirectDraw never sets up, as on a display without it.
class NoDirectDrawRenderer : public CVideoRenderer {
 protected:
  HRESULT CreateDirectDraw(IDirectDraw2** directDraw) override {
    *directDraw = nullptr;
    return E_FAIL;
  }
};

std::unique_ptr<CVideoRenderer> MakeNoDirectDrawRenderer() {
  return std::make_unique<NoDirectDrawRenderer>();
}

TEST_F(WatchWndTest, ClearedOrReboundWindowReportsTheNextCamerasSizeAgain) {
  const Bytes frame = jpegfixture::SolidJpeg(320, 240, 200, 0, 0);
  window_.BindCamera("127.0.0.1", 8080, "admin", "admin", "lobby", 1);
  Feed(window_, frame);
  parent_.Pump();
  ASSERT_EQ(parent_.Received(), std::vector<ReceivedMessage>{SizePosted(0x014000F0)});

  // A stream ends (the slot clears the window), then the next camera of the same width.
  window_.ClearPicture();
  parent_.Clear();
  Feed(window_, frame);
  parent_.Pump();
  EXPECT_EQ(parent_.Received(), std::vector<ReceivedMessage>{SizePosted(0x014000F0)})
      << "after ClearPicture";

  window_.BindCamera("127.0.0.2", 8080, "admin", "admin", "hall", 1);
  parent_.Clear();
  Feed(window_, frame);
  parent_.Pump();
  EXPECT_EQ(parent_.Received(), std::vector<ReceivedMessage>{SizePosted(0x014000F0)})
      << "after binding another camera";

  window_.UnbindCamera();
  EXPECT_EQ(window_.GetVideoWidth(), 0);
  EXPECT_EQ(window_.GetVideoHeight(), 0);
}

// The red of "REC" in the picture's top-right corner, where nothing else is red.
double RecShare(HWND window) {
  Repaint(window);
  const auto image = test_container::CaptureWindow(window);
  EXPECT_TRUE(image.has_value());
  return image ? image->ShareOf(RGB(255, 0, 0), RECT{kViewWidth - 70, 0, kViewWidth, 50}, 60)
               : 0.0;
}

TEST_F(WatchWndTest, RecMarkSurvivesANewRendererAndPrecedesTheFirst) {
  window_.BindCamera("127.0.0.1", 8080, "admin", "admin", "lobby", 1);
  window_.SetRecording(1);  // before any renderer exists
  Feed(window_, jpegfixture::SolidJpeg(320, 240, 0, 0, 200));
  EXPECT_GT(RecShare(window_.GetSafeHwnd()), 0.01) << "set before the first renderer";

  Feed(window_, jpegfixture::SolidJpeg(640, 480, 0, 0, 200));  // a size change: new renderer
  ASSERT_EQ(window_.RenderersCreated(), 2);
  EXPECT_GT(RecShare(window_.GetSafeHwnd()), 0.01) << "after the renderer was replaced";

  window_.SetRecording(0);
  EXPECT_EQ(RecShare(window_.GetSafeHwnd()), 0.0);
}

TEST_F(WatchWndTest, OldPictureIsNeverShownAtTheSizeOfAFailedSetUp) {
  Feed(window_, jpegfixture::SolidJpeg(320, 240, 255, 0, 0));
  ASSERT_NE(window_.GetLastBmp(nullptr), nullptr);

  const auto previous = CWatchWnd::SetRendererFactory(&MakeNoDirectDrawRenderer);
  // Dropped: the new renderer could not set up DirectDraw.
  Feed(window_, jpegfixture::SolidJpeg(160, 120, 0, 255, 0));
  CWatchWnd::SetRendererFactory(previous);
  ASSERT_EQ(window_.GetVideoWidth(), 160);

  int size = 0;
  if (window_.GetLastBmp(&size)) {
    EXPECT_EQ(size, bmp::RowWidth(160) * 120) << "rows of the old size handed out as the new";
  }
  Repaint(window_.GetSafeHwnd());
  const auto image = test_container::CaptureWindow(window_.GetSafeHwnd());
  ASSERT_TRUE(image.has_value());
  EXPECT_LT(image->ShareOf(RGB(255, 0, 0), RECT{0, 30, kViewWidth, kViewHeight}, 24), 0.01)
      << "the old red picture painted at the new size";

  // The next frame of the new size draws (through GDI) and becomes the picture.
  Feed(window_, jpegfixture::SolidJpeg(160, 120, 0, 255, 0));
  ASSERT_TRUE(window_.GetLastBmp(&size));
  EXPECT_EQ(size, bmp::RowWidth(160) * 120);
}

// Four quadrants that no channel swap or flip leaves alike.
constexpr COLORREF kQuadrants[2][2] = {{RGB(220, 30, 30), RGB(30, 200, 40)},
                                       {RGB(40, 40, 210), RGB(240, 240, 240)}};

Bytes QuadrantJpeg(int width, int height) {
  jpegfixture::Picture picture;
  picture.width = width;
  picture.height = height;
  picture.pixel = [width, height](int x, int y, uint8_t* p) {
    const COLORREF c = kQuadrants[y * 2 / height][x * 2 / width];
    p[0] = GetRValue(c);
    p[1] = GetGValue(c);
    p[2] = GetBValue(c);
  };
  return jpegfixture::MakeJpeg(picture);
}

// Each quadrant of the window's client area, away from its edges and from the title, shows
// its colour.
void ExpectQuadrantsOnScreen(HWND window, int width, int height) {
  const auto image = test_container::CaptureWindow(window);
  ASSERT_TRUE(image.has_value());
  for (int qy = 0; qy < 2; ++qy) {
    for (int qx = 0; qx < 2; ++qx) {
      const RECT area{qx * width / 2 + width / 8, qy * height / 2 + height / 6,
                      qx * width / 2 + width * 3 / 8, qy * height / 2 + height * 3 / 8};
      EXPECT_GT(image->ShareOf(kQuadrants[qy][qx], area, 24), 0.9)
          << "quadrant " << qx << "," << qy << " of " << width << "x" << height;
    }
  }
}

TEST_F(WatchWndTest, SmallWindowsShowAReducedDecodeAndReportTheFullPicture) {
  const Bytes frame = QuadrantJpeg(640, 480);
  struct Case {
    int windowWidth, windowHeight, shownWidth, shownHeight;
  };
  // The 4 x 4 and 2 x 2 grids of a 640 x 480 control, a window a quarter wide but half high,
  // and one larger than half, which gets the full picture.
  for (const Case& c : {Case{160, 120, 160, 120}, Case{320, 240, 320, 240},
                        Case{160, 240, 320, 240}, Case{400, 300, 640, 480}}) {
    SCOPED_TRACE(::testing::Message() << c.windowWidth << "x" << c.windowHeight);
    window_.Move(RECT{0, 0, c.windowWidth, c.windowHeight});
    window_.BindCamera("127.0.0.1", 8080, "admin", "admin", "lobby", 0);
    const FrameResult result = Feed(window_, frame);
    EXPECT_EQ(result.width, 640);
    EXPECT_EQ(result.height, 480);
    EXPECT_EQ(window_.GetVideoWidth(), 640);
    EXPECT_EQ(window_.GetVideoHeight(), 480);
    EXPECT_EQ(window_.GetShownWidth(), c.shownWidth);
    EXPECT_EQ(window_.GetShownHeight(), c.shownHeight);
    ExpectQuadrantsOnScreen(window_.GetSafeHwnd(), c.windowWidth, c.windowHeight);

    // A repaint draws the kept copy: paint the window black first.
    {
      base::ScopedWindowDc dc(window_.GetSafeHwnd());
      RECT all{0, 0, c.windowWidth, c.windowHeight};
      FillRect(dc.Get(), &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    }
    Repaint(window_.GetSafeHwnd());
    ExpectQuadrantsOnScreen(window_.GetSafeHwnd(), c.windowWidth, c.windowHeight);
  }
  // The size went to the control once: the full picture's.
  parent_.Pump();
  EXPECT_EQ(parent_.Received(), std::vector<ReceivedMessage>{SizePosted(0x028001E0)});
}

TEST_F(WatchWndTest, LastBmpIsTheFullPictureWhileAReducedOneIsShown) {
  window_.Move(RECT{0, 0, 160, 120});
  const Bytes first = jpegfixture::CameraSceneJpeg(640, 480);
  const Bytes second = QuadrantJpeg(640, 480);
  for (const Bytes* frame : {&first, &second}) {
    Feed(window_, *frame);
    ASSERT_EQ(window_.GetShownWidth(), 160);
    for (int ask = 0; ask < 2; ++ask) {  // asked twice for the same frame, the same picture
      int size = 0;
      const uint8_t* bits = window_.GetLastBmp(&size);
      ASSERT_NE(bits, nullptr);
      ASSERT_EQ(size, bmp::RowWidth(640) * 480);
      EXPECT_EQ(Bytes(bits, bits + size), DecodedRows(*frame, 640, 480))
          << (frame == &first ? "first" : "second") << " frame, ask " << ask;
    }
    int length = 0;
    const uint8_t* jpeg = window_.GetLastJpeg(&length);
    ASSERT_NE(jpeg, nullptr);
    EXPECT_EQ(Bytes(jpeg, jpeg + length), *frame);
  }
  SetFakeTick(kStart + 8001);
  EXPECT_EQ(window_.GetLastBmp(nullptr), nullptr);
  SetFakeTick(kStart);
  window_.ClearPicture();
  EXPECT_EQ(window_.GetLastBmp(nullptr), nullptr);
}

// Surfaces of each depth a display may give: every frame, the first one decoded before the
// surface was known included, and every repaint of the kept copy put the upright picture
// into the off-screen surface, whole size or reduced.
testing_support::DirectDrawScript* g_surfaceScript = nullptr;

class FakeSurfaceRenderer : public CVideoRenderer {
 protected:
  HRESULT CreateDirectDraw(IDirectDraw2** directDraw) override {
    *directDraw = testing_support::MakeFakeDirectDraw(g_surfaceScript);
    return DD_OK;
  }
};

std::unique_ptr<CVideoRenderer> MakeFakeSurfaceRenderer() {
  return std::make_unique<FakeSurfaceRenderer>();
}

// The colour at the middle of each quadrant of the off-screen surface, near its own.
void ExpectQuadrantsOnSurface(const testing_support::DirectDrawScript& script, int width,
                              int height) {
  const int bytes = script.surfaceBitCount / 8;
  for (int qy = 0; qy < 2; ++qy) {
    for (int qx = 0; qx < 2; ++qx) {
      const int x = qx * width / 2 + width / 4;
      const int y = qy * height / 2 + height / 4;
      const uint8_t* p = &script.offscreenPixels[static_cast<size_t>(y) * script.offscreenPitch +
                                                 static_cast<size_t>(x) * bytes];
      int r, g, b;
      if (bytes == 2) {
        const int v = p[0] | p[1] << 8;
        r = (v >> 11) << 3;
        g = ((v >> 5) & 0x3F) << 2;
        b = (v & 0x1F) << 3;
      } else {
        b = p[0];
        g = p[1];
        r = p[2];
        if (bytes == 4) {
          EXPECT_EQ(p[3], 0);
        }
      }
      const COLORREF want = kQuadrants[qy][qx];
      EXPECT_NEAR(r, GetRValue(want), 24) << "quadrant " << qx << "," << qy;
      EXPECT_NEAR(g, GetGValue(want), 24) << "quadrant " << qx << "," << qy;
      EXPECT_NEAR(b, GetBValue(want), 24) << "quadrant " << qx << "," << qy;
    }
  }
}

TEST_F(WatchWndTest, EverySurfaceDepthGetsTheFramesAndTheRepaints) {
  struct Case {
    int bits, windowWidth, windowHeight, shownWidth, shownHeight;
  };
  for (const Case& c : {Case{32, 320, 240, 320, 240}, Case{24, 320, 240, 320, 240},
                        Case{16, 320, 240, 320, 240}, Case{24, 160, 120, 160, 120},
                        Case{16, 160, 120, 160, 120}}) {
    SCOPED_TRACE(::testing::Message() << c.bits << " bits, " << c.windowWidth << "x"
                                      << c.windowHeight);
    testing_support::DirectDrawScript script;
    script.surfaceBitCount = c.bits;
    g_surfaceScript = &script;
    const auto previous = CWatchWnd::SetRendererFactory(&MakeFakeSurfaceRenderer);
    window_.Move(RECT{0, 0, c.windowWidth, c.windowHeight});
    // Another camera each time: the window starts again with a renderer of its own.
    window_.BindCamera("127.0.0.1", static_cast<uint16_t>(8000 + c.bits + c.windowWidth),
                       "admin", "admin", "lobby", 0);
    const Bytes frame = QuadrantJpeg(320, 240);
    for (int n = 0; n < 2; ++n) {
      SCOPED_TRACE(n == 0 ? "first frame" : "second frame");
      EXPECT_EQ(Feed(window_, frame).width, 320);
      ASSERT_EQ(window_.GetShownWidth(), c.shownWidth);
      ASSERT_EQ(window_.GetShownHeight(), c.shownHeight);
      ExpectQuadrantsOnSurface(script, c.shownWidth, c.shownHeight);
      std::fill(script.offscreenPixels.begin(), script.offscreenPixels.end(), uint8_t{0xCD});
      Repaint(window_.GetSafeHwnd());
      ExpectQuadrantsOnSurface(script, c.shownWidth, c.shownHeight);
    }
    int size = 0;
    const uint8_t* bits = window_.GetLastBmp(&size);
    ASSERT_NE(bits, nullptr);
    EXPECT_EQ(Bytes(bits, bits + size), DecodedRows(frame, 320, 240));
    window_.ClearPicture();  // the renderer goes with the next camera's first frame
    CWatchWnd::SetRendererFactory(previous);
    g_surfaceScript = nullptr;
  }
}

TEST_F(WatchWndTest, TitleOverAReducedPictureKeepsItsPlaceOnScreen) {
  // "REC" is drawn where it is over the full picture in this window: the full picture's
  // last 60 of 640 pixels, a quarter of that here.
  window_.Move(RECT{0, 0, 160, 120});
  window_.BindCamera("127.0.0.1", 8080, "admin", "admin", "lobby", 1);
  window_.SetRecording(1);
  Feed(window_, jpegfixture::SolidJpeg(640, 480, 0, 0, 200));
  ASSERT_EQ(window_.GetShownWidth(), 160);
  Repaint(window_.GetSafeHwnd());
  const auto image = test_container::CaptureWindow(window_.GetSafeHwnd());
  ASSERT_TRUE(image.has_value());
  EXPECT_GT(image->ShareOf(RGB(255, 0, 0), RECT{145, 0, 160, 40}, 90), 0.005);
  EXPECT_EQ(image->ShareOf(RGB(255, 0, 0), RECT{0, 0, 140, 120}, 90), 0.0);
  window_.SetRecording(0);
}

TEST(WatchWndStrings, IdleTextsInBothLanguages) {
  struct Case {
    UINT id;
    std::wstring english;
    std::wstring chinese;
  };
  const Case cases[] = {
      {IDS_IDLE_FONT, L"Arial", L"\x5b8b\x4f53"},
      {IDS_IDLE_TITLE, L"Window %d Camera : %s",
       L"\x7a97\x53e3\x5e8f\x53f7:%d, \x6444\x50cf\x5934:%s"},
      {IDS_IDLE_NO_CAMERA, L"N/A", L"\x65e0"},
  };
  const HINSTANCE module = fw::Module::Get().ResourceInstance();
  for (const Case& c : cases) {
    EXPECT_EQ(
        fw::LoadResStringForLanguage(module, c.id, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)),
        c.english);
    EXPECT_EQ(fw::LoadResStringForLanguage(module, c.id,
                                           MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED)),
              c.chinese);
  }
}

}  // namespace
}  // namespace liveview
