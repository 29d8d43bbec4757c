// TVideoWindow with the record browser's three components in one owner (the grabber linked
// first, the video window invisible and 0 x 0 in a parent window): where the renderer's
// window goes before the run, full screen, the modes and the graph events it hears.
// Before the DirectShow headers: windowsx.h, which they bring in, makes SubclassWindow a macro.
#include "mediagraph/video_window.h"
//
#include <dshow.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <vector>
#include <string>

#include "mediagraph/sample_grabber.h"
#include "mediagraph/tests/graph_test_support.h"
#include "testing/container/message_pump.h"

namespace {

using namespace mediagraph;
using mediagraph_tests::MediaFile;

std::string Caption(HWND window) {
  char text[64] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

class VideoWindowTest : public ::testing::Test {
 protected:
  VideoWindowTest() {
    parent = CreateWindowExA(0, "STATIC", "Panel", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0,
                             320, 240, nullptr, nullptr, nullptr, nullptr);
    graph = new TFilterGraph(&owner);
    graph->SetName("FilterGraph");
    grabber = new TSampleGrabber(&owner);
    grabber->SetName("SampleGrabber");
    video = new TVideoWindow(&owner);
    video->SetName("VideoWindow");
    video->SetVisible(false);
    video->SetBounds(12, 8, 0, 0);
    video->SetParentWindow(parent);
    owner.NotifyLoaded();
    grabber->SetFilterGraph(graph);
    video->SetFilterGraph(graph);
    grabber->OnBuffer = [this](TSampleGrabber*, double, BYTE*, long) { ++buffers; };
  }
  ~VideoWindowTest() override {
    owner.DestroyComponents();
    DestroyWindow(parent);
  }
  void RenderAndRun() {
    graph->SetActive(true);
    graph->EmptyGraph();
    ASSERT_EQ(S_OK, graph->RenderMediaFile(MediaFile("redblue.avi")));
    ASSERT_TRUE(graph->RunGraph());
  }

  HWND parent;
  fw::Component owner;
  TFilterGraph* graph;
  TSampleGrabber* grabber;
  TVideoWindow* video;
  std::atomic<int> buffers{0};
};

TEST_F(VideoWindowTest, BeforeTheRunTheRendererWindowGoesOverTheControl) {
  ASSERT_TRUE(IsWindow(video->Handle()));
  EXPECT_EQ(video->Handle(), video->VideoHandle());  // no renderer yet
  graph->SetActive(true);
  // Nothing rendered: the renderer is unconnected and nothing is applied.
  video->HandleControlCode(ccBeforeRun, 0);
  EXPECT_EQ(nullptr, video->VideoHandle());
  RenderAndRun();
  HWND rendererWindow = video->VideoHandle();
  ASSERT_TRUE(rendererWindow);
  EXPECT_NE(video->Handle(), rendererWindow);
  EXPECT_EQ(parent, GetParent(rendererWindow));
  EXPECT_EQ("VideoWindow", Caption(rendererWindow));
  EXPECT_EQ(WS_CHILD | WS_CLIPSIBLINGS,
            GetWindowLongA(rendererWindow, GWL_STYLE) & (WS_CHILD | WS_CLIPSIBLINGS));
  RECT rect = {};
  GetWindowRect(rendererWindow, &rect);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
  EXPECT_EQ(12, rect.left);
  EXPECT_EQ(8, rect.top);
  EXPECT_EQ(0, rect.right - rect.left);
  EXPECT_EQ(0, rect.bottom - rect.top);
  EXPECT_TRUE(test_container::PumpUntil([&] { return buffers > 0; }, 10000));
  // Re-sizing follows the control.
  video->SetBounds(20, 30, 40, 50);
  GetWindowRect(rendererWindow, &rect);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
  EXPECT_EQ(20, rect.left);
  EXPECT_EQ(30, rect.top);
  EXPECT_EQ(60, rect.right);
  EXPECT_EQ(80, rect.bottom);
  graph->StopGraph();
  graph->EmptyGraph();
  graph->SetActive(false);
}

TEST_F(VideoWindowTest, TheRecordBrowserSequenceOnFiveFreshGraphsBringsRgb32Frames) {
  TMediaType type(MEDIATYPE_Video);
  type.SetSubtype(MEDIASUBTYPE_RGB32);
  grabber->SetMediaType(type);
  std::atomic<long> length{0};
  std::atomic<bool> made{false};
  fw::Bitmap bitmap;
  grabber->OnBuffer = [&](TSampleGrabber* sender, double, BYTE* buffer, long bufferLen) {
    length = bufferLen;
    if (buffers++ == 0) made = sender->FrameToBitmap(&bitmap, buffer, bufferLen);
  };
  for (int run = 0; run < 5; ++run) {
    SCOPED_TRACE(run);
    buffers = 0;
    made = false;
    graph->SetActive(true);
    graph->EmptyGraph();
    ASSERT_EQ(S_OK, graph->RenderMediaFile(MediaFile("redblue.avi")));
    ASSERT_TRUE(graph->RunGraph());
    EXPECT_TRUE(test_container::PumpUntil([&] { return buffers > 0; }, 10000));
    graph->StopGraph();
    graph->EmptyGraph();
    graph->SetActive(false);
    EXPECT_EQ(160 * 4 * 120, length.load());
    EXPECT_TRUE(made.load());
    EXPECT_EQ(160, bitmap.Width());
    EXPECT_EQ(120, bitmap.Height());
    EXPECT_EQ(32, bitmap.BitsPerPixel());
    EXPECT_GT(bitmap.Row(2)[80 * 4 + 2], 200);       // red above
    EXPECT_GT(bitmap.Row(117)[80 * 4 + 0], 200);     // blue below
  }
}

TEST_F(VideoWindowTest, FullScreenStoresUntilConnectedThenChangesOwnerAndStyles) {
  video->SetFullScreen(true);  // unconnected: stored only
  EXPECT_TRUE(video->FullScreen());
  EXPECT_FALSE(video->FullScreenActive());
  video->SetFullScreen(false);
  RenderAndRun();
  HWND rendererWindow = video->VideoHandle();
  ASSERT_TRUE(rendererWindow);
  video->SetFullScreen(true);
  EXPECT_TRUE(video->FullScreenActive());
  EXPECT_NE(parent, GetParent(rendererWindow));
  EXPECT_EQ(0, GetWindowLongA(rendererWindow, GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME));
  RECT rect = {};
  GetWindowRect(rendererWindow, &rect);
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), rect.right - rect.left);
  // In full screen the context menu pops up at the cursor and the mouse reports the cursor.
  int popups = 0;
  POINT mouseAt = {-1, -1};
  video->OnPopup = [&](TVideoWindow* sender, POINT) {
    EXPECT_EQ(video, sender);
    ++popups;
  };
  video->OnMouse = [&](TVideoWindow*, UINT, POINT at) { mouseAt = at; };
  SetCursorPos(33, 44);
  POINT cursor = {};
  GetCursorPos(&cursor);
  SendMessageA(video->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(video->Handle()), -1);
  EXPECT_EQ(1, popups);
  SendMessageA(video->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(1, 2));
  EXPECT_EQ(cursor.x, mouseAt.x);
  EXPECT_EQ(cursor.y, mouseAt.y);
  video->SetFullScreen(false);
  EXPECT_FALSE(video->FullScreenActive());
  SendMessageA(video->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(video->Handle()), -1);
  EXPECT_EQ(1, popups);
  SendMessageA(video->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(1, 2));
  EXPECT_EQ(1, mouseAt.x);
  EXPECT_EQ(2, mouseAt.y);
  EXPECT_EQ(parent, GetParent(rendererWindow));
  EXPECT_EQ(WS_CHILD | WS_CLIPSIBLINGS,
            GetWindowLongA(rendererWindow, GWL_STYLE) & (WS_CHILD | WS_CLIPSIBLINGS));
  graph->StopGraph();
  graph->SetActive(false);
}

TEST_F(VideoWindowTest, GraphEventsRestoreTheCaption) {
  RenderAndRun();
  HWND rendererWindow = video->VideoHandle();
  ASSERT_TRUE(rendererWindow);
  for (long event : {long{EC_PALETTE_CHANGED}, long{EC_VMR_RENDERDEVICE_SET}}) {
    SCOPED_TRACE(event);
    SetWindowTextA(rendererWindow, "other");
    video->HandleGraphEvent(event, 0, 0);
    EXPECT_EQ("VideoWindow", Caption(rendererWindow));
  }
  SetWindowTextA(rendererWindow, "other");
  video->HandleGraphEvent(EC_COMPLETE, 0, 0);  // ignored
  EXPECT_EQ("other", Caption(rendererWindow));
  graph->StopGraph();
  graph->SetActive(false);
}

// Wine's mixer cannot be put in a rendering mode without Direct3D: vmVMR gives vmNormal.
TEST_F(VideoWindowTest, ModeChangedWhileActiveReplacesTheRenderer) {
  graph->SetActive(true);
  base::ComPtr<IBaseFilter> first = video->ProvidedFilter();
  ASSERT_TRUE(first);
  video->SetMode(vmVMR);
  EXPECT_EQ(vmNormal, video->Mode());
  base::ComPtr<IBaseFilter> second = video->ProvidedFilter();
  ASSERT_TRUE(second);
  EXPECT_NE(first.Get(), second.Get());
  CLSID id = GUID_NULL;
  second->GetClassID(&id);
  EXPECT_TRUE(IsEqualGUID(CLSID_VideoRenderer, id));
  auto filterGraph = graph->Query<IFilterGraph>(IID_IFilterGraph);
  auto names = mediagraph_tests::FilterNames(filterGraph.Get());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(std::vector<std::wstring>({L"SampleGrabber", L"VideoWindow"}), names);
  FILTER_INFO info = {};
  ASSERT_EQ(S_OK, first->QueryFilterInfo(&info));
  EXPECT_EQ(nullptr, info.pGraph);  // the old one left the graph
  if (info.pGraph) info.pGraph->Release();
  // Still renders and runs with the new one.
  ASSERT_EQ(S_OK, graph->RenderMediaFile(MediaFile("redblue.avi")));
  ASSERT_TRUE(graph->RunGraph());
  EXPECT_TRUE(video->VideoHandle());
  graph->StopGraph();
  graph->SetActive(false);
}

TEST(VMROptions, StreamsOutOfRangeStoreOne) {
  TVideoWindow video;
  TVMROptions& options = video.VMROptions();
  EXPECT_EQ(4u, options.Streams());
  EXPECT_EQ(uint32_t{vpForceMixer}, options.Preferences());
  EXPECT_EQ(vmrWindowed, options.Mode());
  EXPECT_TRUE(options.KeepAspectRatio());
  struct Case {
    uint32_t set, stored;
  } cases[] = {{0, 1}, {17, 1}, {16, 16}, {1, 1}, {0xFFFFFFFF, 1}};
  for (const Case& c : cases) {
    options.SetStreams(c.set);
    EXPECT_EQ(c.stored, options.Streams()) << c.set;
  }
}

}  // namespace
