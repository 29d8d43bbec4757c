// The renderer's DirectDraw set-up and recovery, played by a DirectDraw double: Wine's
// DirectDraw never loses a system-memory surface, never reports a busy blitter and has no
// other program holding the primary surface.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "liveview/render/pixel_copy.h"
#include "liveview/render/tests/fake_direct_draw.h"
#include "liveview/render/video_renderer.h"

namespace liveview {
namespace {

using testing_support::DirectDrawScript;
using Calls = std::vector<std::string>;

class ScriptedRenderer : public CVideoRenderer {
 public:
  explicit ScriptedRenderer(DirectDrawScript* script) : script_(script) {}
  HRESULT createResult = DD_OK;

 protected:
  HRESULT CreateDirectDraw(IDirectDraw2** directDraw) override {
    *directDraw = nullptr;
    if (FAILED(createResult)) return createResult;
    *directDraw = testing_support::MakeFakeDirectDraw(script_);
    return DD_OK;
  }

 private:
  DirectDrawScript* script_;
};

// A hidden 640 x 480 window: a client rectangle and a device context for the GDI path.
class HiddenWindow {
 public:
  HiddenWindow() {
    window_ = CreateWindowExA(0, "STATIC", "", WS_POPUP, 100, 50, 640, 480, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
  }
  ~HiddenWindow() { DestroyWindow(window_); }
  HWND get() const { return window_; }

 private:
  HWND window_;
};

constexpr char kPrimary[] = "CreateSurface 0x0200";
constexpr char kVideoMemory[] = "CreateSurface 0x4040";
constexpr char kSystemMemory[] = "CreateSurface 0x0840";

class RendererRecovery : public ::testing::Test {
 protected:
  void TearDown() override {
    renderer_.reset();
    EXPECT_EQ(script_.liveObjects, 0);  // every interface released
    EXPECT_EQ(script_.locked, 0);
  }
  // Set up and forget the set-up's calls.
  void Ready() {
    ASSERT_EQ(renderer_->CreateSurfaces(window_.get(), 4, 2), S_OK);
    script_.calls.clear();
  }
  int Draw() {
    renderer_->SetBitCount(24);  // as the camera window does before every draw
    return renderer_->DrawFrame(rows_.data(), 4, 2, 1);
  }

  DirectDrawScript script_;
  HiddenWindow window_;
  std::unique_ptr<ScriptedRenderer> renderer_ = std::make_unique<ScriptedRenderer>(&script_);
  // 4 x 2, bottom-up: the top row (stored second) is pixel values 0x10.., the bottom 0x20...
  std::vector<uint8_t> rows_ = {0x20, 0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x27, 0x28, 0x29,
                                0x2A, 0x2B, 0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17,
                                0x18, 0x19, 0x1A, 0x1B};
};

TEST_F(RendererRecovery, SurfacesInVideoMemoryElseSystemMemory) {
  script_.createOffscreen = {DDERR_OUTOFVIDEOMEMORY};
  EXPECT_EQ(renderer_->CreateSurfaces(window_.get(), 320, 240), S_OK);
  EXPECT_EQ(script_.calls, (Calls{kPrimary, kVideoMemory, kSystemMemory}));
  EXPECT_TRUE(renderer_->HasDirectDraw());

  // Neither: the second error comes back and nothing is kept.
  script_.calls.clear();
  script_.createOffscreen = {DDERR_OUTOFVIDEOMEMORY, DDERR_OUTOFMEMORY};
  EXPECT_EQ(renderer_->CreateSurfaces(window_.get(), 320, 240), DDERR_OUTOFMEMORY);
  EXPECT_EQ(script_.calls, (Calls{kPrimary, kVideoMemory, kSystemMemory}));
  EXPECT_FALSE(renderer_->HasDirectDraw());
  EXPECT_EQ(script_.liveObjects, 0);
}

TEST_F(RendererRecovery, APrimarySurfaceHeldElsewhereIsAskedForOnceMore) {
  struct Case {
    std::deque<HRESULT> answers;
    HRESULT result;
    int primaryRequests;
  };
  for (const Case& c :
       {Case{{DDERR_PRIMARYSURFACEALREADYEXISTS}, S_OK, 2},
        Case{{DDERR_PRIMARYSURFACEALREADYEXISTS, DDERR_PRIMARYSURFACEALREADYEXISTS}, E_FAIL, 2},
        Case{{DDERR_NOEXCLUSIVEMODE}, E_FAIL, 1}}) {
    script_.calls.clear();
    script_.createPrimary = c.answers;
    EXPECT_EQ(renderer_->CreateSurfaces(window_.get(), 320, 240), c.result);
    EXPECT_EQ(std::count(script_.calls.begin(), script_.calls.end(), kPrimary),
              c.primaryRequests);
    EXPECT_EQ(renderer_->HasDirectDraw(), c.result == S_OK);
  }
}

TEST_F(RendererRecovery, AFailedSetUpKeepsTheWindowForGdi) {
  struct Case {
    const char* what;
    HRESULT create, cooperative, clipper, result;
  };
  for (const Case& c : {Case{"no DirectDraw", DDERR_NODIRECTDRAWHW, DD_OK, DD_OK, E_FAIL},
                        Case{"no cooperative level", DD_OK, DDERR_INVALIDPARAMS, DD_OK, E_FAIL},
                        Case{"no clipper", DD_OK, DD_OK, DDERR_OUTOFMEMORY, DDERR_OUTOFMEMORY}}) {
    SCOPED_TRACE(c.what);
    renderer_->createResult = c.create;
    script_.cooperativeLevel = {c.cooperative};
    script_.createClipper = {c.clipper};
    EXPECT_EQ(renderer_->CreateSurfaces(window_.get(), 4, 2), c.result);
    EXPECT_FALSE(renderer_->HasDirectDraw());
    EXPECT_EQ(script_.liveObjects, 0);
    script_.calls.clear();
    EXPECT_EQ(Draw(), 1);  // through GDI
    EXPECT_TRUE(script_.calls.empty());
  }
}

TEST_F(RendererRecovery, AFrameIsCopiedUprightAndBlittedToTheWindow) {
  Ready();
  EXPECT_EQ(Draw(), 1);
  EXPECT_EQ(script_.calls, (Calls{"offscreen.IsLost", "offscreen.Lock", "offscreen.Unlock",
                                  "primary.IsLost", "primary.Blt"}));
  // Surface row 0 is the picture's top row, at the surface's own pitch.
  const uint8_t* top = script_.offscreenPixels.data();
  EXPECT_EQ(top[0], 0x10);
  EXPECT_EQ(top[3], 0);  // 32-bit: blue, green, red, 0
  EXPECT_EQ(top[4], 0x13);
  const uint8_t* second = top + script_.offscreenPitch;
  EXPECT_EQ(second[0], 0x20);
  EXPECT_EQ(second[14], 0x2B);
  EXPECT_EQ(second[16], 0xCD);  // past the picture: untouched

  POINT origin{0, 0};
  ClientToScreen(window_.get(), &origin);
  EXPECT_EQ(script_.lastBltDestination.left, origin.x);
  EXPECT_EQ(script_.lastBltDestination.top, origin.y);
  EXPECT_EQ(script_.lastBltDestination.right, origin.x + 640);
  EXPECT_EQ(script_.lastBltDestination.bottom, origin.y + 480);
  EXPECT_EQ(script_.lastBltFlags, static_cast<DWORD>(DDBLT_WAIT));
}

TEST_F(RendererRecovery, PresentRestoresLostSurfacesAndWaitsOutABusyBlitter) {
  struct Case {
    const char* what;
    std::deque<HRESULT> primaryIsLost, blt, primaryRestore;
    HRESULT result;
    Calls calls;
  };
  const Case cases[] = {
      {"primary lost before the blit", {DDERR_SURFACELOST}, {}, {}, DD_OK,
       {"primary.IsLost", "primary.Restore", "primary.Blt"}},
      {"blit finds a lost surface", {}, {DDERR_SURFACELOST}, {}, DD_OK,
       {"primary.IsLost", "primary.Blt", "offscreen.Restore", "primary.Restore"}},
      {"primary cannot be restored", {}, {DDERR_SURFACELOST}, {DDERR_WRONGMODE}, E_FAIL,
       {"primary.IsLost", "primary.Blt", "offscreen.Restore", "primary.Restore"}},
      {"blitter busy twice", {}, {DDERR_WASSTILLDRAWING, DDERR_WASSTILLDRAWING}, {}, DD_OK,
       {"primary.IsLost", "primary.Blt", "primary.IsLost", "primary.Blt", "primary.IsLost",
        "primary.Blt"}},
      {"other blit error", {}, {DDERR_INVALIDRECT}, {}, DDERR_INVALIDRECT,
       {"primary.IsLost", "primary.Blt"}},
  };
  Ready();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    script_.calls.clear();
    script_.primaryIsLost = c.primaryIsLost;
    script_.blt = c.blt;
    script_.primaryRestore = c.primaryRestore;
    EXPECT_EQ(renderer_->Present(), c.result);
    EXPECT_EQ(script_.calls, c.calls);
  }
}

TEST_F(RendererRecovery, ALostOffscreenSurfaceIsRestoredOrRebuilt) {
  Ready();
  // Restored: the frame is drawn.
  script_.offscreenIsLost = {DDERR_SURFACELOST};
  EXPECT_EQ(Draw(), 1);
  EXPECT_EQ(script_.calls[1], "offscreen.Restore");
  EXPECT_EQ(script_.calls[2], "offscreen.Lock");

  // A display mode change: rebuilt at the same size, and this frame is not shown.
  script_.calls.clear();
  script_.offscreenIsLost = {DDERR_SURFACELOST};
  script_.offscreenRestore = {DDERR_WRONGMODE};
  EXPECT_EQ(Draw(), 0);
  EXPECT_EQ(script_.directDrawsMade, 2);
  EXPECT_EQ(script_.calls, (Calls{"offscreen.IsLost", "offscreen.Restore", kPrimary,
                                  kVideoMemory}));
  EXPECT_TRUE(renderer_->HasDirectDraw());
  script_.calls.clear();
  EXPECT_EQ(Draw(), 1);
  EXPECT_EQ(script_.calls.back(), "primary.Blt");

  // Rebuilding fails: GDI from then on.
  script_.offscreenIsLost = {DDERR_SURFACELOST};
  script_.offscreenRestore = {DDERR_WRONGMODE};
  script_.cooperativeLevel = {DDERR_EXCLUSIVEMODEALREADYSET};
  EXPECT_EQ(Draw(), 0);
  EXPECT_FALSE(renderer_->HasDirectDraw());
  script_.calls.clear();
  EXPECT_EQ(Draw(), 1);
  EXPECT_TRUE(script_.calls.empty());
}

TEST_F(RendererRecovery, ALockThatFailsDropsTheFrame) {
  Ready();
  script_.lock = {DDERR_SURFACEBUSY};
  EXPECT_EQ(Draw(), 0);
  EXPECT_EQ(script_.calls, (Calls{"offscreen.IsLost", "offscreen.Lock"}));
  EXPECT_TRUE(renderer_->HasDirectDraw());
}

TEST_F(RendererRecovery, AFaultWhileDrawingLeavesDirectDrawForGdi) {
  Ready();
  script_.throwOnLock = true;
  EXPECT_EQ(Draw(), 1);  // drawn through GDI instead
  EXPECT_FALSE(renderer_->HasDirectDraw());
  EXPECT_EQ(script_.liveObjects, 0);
  script_.calls.clear();
  EXPECT_EQ(Draw(), 1);
  EXPECT_TRUE(script_.calls.empty());
}

}  // namespace
}  // namespace liveview
