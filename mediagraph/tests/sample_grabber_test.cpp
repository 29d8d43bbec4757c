// TSampleGrabber in Wine's real graph, linked before the renderer's provider as the record
// browser links it: every fresh graph brings its samples to OnBuffer on a streaming thread,
// and FrameToBitmap there makes the frame's bitmap, colours in place.
#include <dshow.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <memory>
#include <stdexcept>
#include <string>

#include "framework/bitmap.h"
#include "liveview/decode/tests/jpeg_fixture.h"
#include "liveview/record/avi_recorder.h"
#include "liveview/record/avifile_library.h"
#include "mediagraph/sample_grabber.h"
#include "mediagraph/tests/graph_test_support.h"
#include "testing/container/message_pump.h"
#include "testing/support/temp_folder.h"

namespace {

using namespace mediagraph;
using mediagraph_tests::Log;
using mediagraph_tests::MediaFile;
using mediagraph_tests::TestClient;

struct Seen {
  std::atomic<int> buffers{0};
  std::atomic<DWORD> thread{0};
  std::atomic<long> length{0};
  std::atomic<bool> made{false};
  fw::Bitmap bitmap;
};

// Owner, grabber first, then the renderer's provider, as on the record browser's form.
class SampleGrabberTest : public ::testing::Test {
 protected:
  SampleGrabberTest() {
    graph = new TFilterGraph(&owner);
    graph->SetName("FilterGraph");
    grabber = new TSampleGrabber(&owner);
    grabber->SetName("SampleGrabber");
    renderer = new TestClient(&log, "VideoWindow", true, true, &owner);
    owner.NotifyLoaded();
    grabber->SetFilterGraph(graph);
    renderer->SetFilterGraph(graph);
    grabber->OnBuffer = [this](TSampleGrabber* sender, double, BYTE* buffer, long length) {
      EXPECT_EQ(grabber, sender);
      seen.thread = GetCurrentThreadId();
      seen.length = length;
      if (seen.buffers++ == 0) {
        fw::CanvasLock hold(seen.bitmap);
        seen.made = sender->FrameToBitmap(&seen.bitmap, buffer, length);
      }
    };
  }

  // The record browser's sequence; true when a sample reached OnBuffer.
  bool Play(const std::wstring& file) {
    seen.buffers = 0;
    graph->SetActive(true);
    graph->EmptyGraph();
    graph->RenderMediaFile(file);
    // Linked first, the grabber was passed over by the render and spliced itself in.
    base::ComPtr<IBaseFilter> filter;
    grabber->QueryInterface(IID_IBaseFilter, filter.ReceiveVoid());
    EXPECT_TRUE(filter && TPinList(filter.Get()).Connected(0) && TPinList(filter.Get()).Connected(1));
    graph->RunGraph();
    const bool got = test_container::PumpUntil([&] { return seen.buffers > 0; }, 10000);
    graph->StopGraph();
    return got;
  }
  void Finish() {
    graph->EmptyGraph();
    graph->SetActive(false);
  }

  Log log;
  fw::Component owner;
  TFilterGraph* graph;
  TSampleGrabber* grabber;
  TestClient* renderer;
  Seen seen;
};

// Red above blue, at the top and bottom rows of the bitmap (bottom-up or not, Row counts
// from the top).
void ExpectRedAboveBlue(fw::Bitmap& bitmap, int width, int height, int bits) {
  ASSERT_EQ(width, bitmap.Width());
  ASSERT_EQ(height, bitmap.Height());
  ASSERT_EQ(bits, bitmap.BitsPerPixel());
  const int bytes = bits / 8;
  const uint8_t* top = bitmap.Row(2) + bytes * (width / 2);
  const uint8_t* bottom = bitmap.Row(height - 3) + bytes * (width / 2);
  EXPECT_GT(top[2], 200);  // blue-green-red order
  EXPECT_LT(top[0], 60);
  EXPECT_GT(bottom[0], 200);
  EXPECT_LT(bottom[2], 60);
}

TEST_F(SampleGrabberTest, BuiltInTypeIsVideoRgb24VideoInfo) {
  const AM_MEDIA_TYPE* r = grabber->MediaType().Record();
  EXPECT_TRUE(IsEqualGUID(MEDIATYPE_Video, r->majortype));
  EXPECT_TRUE(IsEqualGUID(MEDIASUBTYPE_RGB24, r->subtype));
  EXPECT_TRUE(IsEqualGUID(FORMAT_VideoInfo, r->formattype));
  EXPECT_EQ(-1, r->bFixedSizeSamples);
  EXPECT_EQ(1u, r->lSampleSize);
  fw::Bitmap bitmap;
  BYTE byte = 0;
  EXPECT_FALSE(grabber->FrameToBitmap(&bitmap, &byte, 1));  // before activation
  EXPECT_FALSE(grabber->FrameToBitmap(&bitmap, nullptr, 0));
  base::ComPtr<IUnknown> none;
  EXPECT_EQ(E_NOINTERFACE, grabber->QueryInterface(IID_IBaseFilter, none.ReceiveVoid()));
}

TEST_F(SampleGrabberTest, FiveFreshGraphsBringFramesInRgb24AndRgb32) {
  struct Case {
    const char* name;
    GUID subtype;
    GUID formatType;
    int bits;
  } cases[] = {
      {"RGB24 VideoInfo", MEDIASUBTYPE_RGB24, FORMAT_VideoInfo, 24},
      {"RGB32 without format", MEDIASUBTYPE_RGB32, GUID_NULL, 32},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TMediaType type(MEDIATYPE_Video);
    type.SetSubtype(c.subtype);
    type.SetFormatType(c.formatType);
    grabber->SetMediaType(type);
    for (int run = 0; run < 5; ++run) {
      SCOPED_TRACE(run);
      seen.made = false;
      ASSERT_TRUE(Play(MediaFile("redblue.avi")));
      EXPECT_NE(GetCurrentThreadId(), seen.thread.load());
      EXPECT_EQ(160 * c.bits / 8 * 120, seen.length.load());
      EXPECT_TRUE(seen.made.load());
      ExpectRedAboveBlue(seen.bitmap, 160, 120, c.bits);
      // The current sample, after the run.
      fw::Bitmap after;
      EXPECT_TRUE(grabber->FrameToBitmap(&after, nullptr, 0));
      ExpectRedAboveBlue(after, 160, 120, c.bits);
      base::ComPtr<IBaseFilter> filter;
      EXPECT_EQ(S_OK, grabber->QueryInterface(IID_IBaseFilter, filter.ReceiveVoid()));
      graph->SetActive(false);
    }
  }
}

TEST_F(SampleGrabberTest, FramesOfTheLiveViewRecorder) {
  testing_support::TempFolder folder;
  const std::string path = folder.path() + "\\redblue.avi";
  liveview::EnsureAviFileLibrary();
  {
    jpegfixture::Picture picture;
    picture.width = 176;
    picture.height = 144;
    picture.pixel = [](int, int y, uint8_t* p) {
      p[0] = y < 72 ? 255 : 0;
      p[1] = 0;
      p[2] = y < 72 ? 0 : 255;
    };
    const auto frame = jpegfixture::MakeJpeg(picture);
    liveview::CAviRecorder recorder;
    ASSERT_EQ(1, recorder.OpenFile(path.c_str()));
    ASSERT_EQ(1, recorder.CreateVideoStream(176, 144));
    for (int i = 0; i < 5; ++i) {
      ASSERT_EQ(1, recorder.WriteFrame(frame.data(), static_cast<int>(frame.size())));
    }
    ASSERT_EQ(1, recorder.CloseFile(10));
  }
  ASSERT_TRUE(Play(std::wstring(path.begin(), path.end())));
  EXPECT_EQ(176 * 3 * 144, seen.length.load());
  EXPECT_TRUE(seen.made.load());
  ExpectRedAboveBlue(seen.bitmap, 176, 144, 24);
  Finish();
}

TEST_F(SampleGrabberTest, AHandlerThatRaisesIsStoppedAndUnlinkingCutsTheCallbackOff) {
  std::atomic<int> calls{0};
  grabber->OnBuffer = [&](TSampleGrabber*, double, BYTE*, long) {
    ++calls;
    throw std::runtime_error("handler fault");
  };
  graph->SetActive(true);
  graph->RenderMediaFile(MediaFile("redblue.avi"));
  graph->RunGraph();
  EXPECT_TRUE(test_container::PumpUntil([&] { return calls > 1; }, 10000));
  // What the filter calls back, held past the unlinking as a late caller would.
  base::ComPtr<ISampleGrabberCB> callback;
  ASSERT_EQ(S_OK, grabber->QueryInterface(IID_ISampleGrabberCB, callback.ReceiveVoid()));
  BYTE byte = 0;
  // Wine's graph does not survive a filter taken out while it runs.
  graph->StopGraph();
  grabber->SetFilterGraph(nullptr);
  const int after = calls;
  test_container::PumpFor(300);
  EXPECT_EQ(after, calls.load());
  EXPECT_EQ(S_OK, callback->BufferCB(0.0, &byte, 1));
  EXPECT_EQ(after, calls.load());  // cut off: the component is not reached
  base::ComPtr<IUnknown> none;
  EXPECT_EQ(E_NOINTERFACE, grabber->QueryInterface(IID_IBaseFilter, none.ReceiveVoid()));
  Finish();
}

// A class object for the grabber's class id that makes nothing, as on a machine without it.
class RefusingFactory : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
      *out = this;
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown*, REFIID, void** out) override {
    *out = nullptr;
    ++asked;
    return REGDB_E_CLASSNOTREG;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
  int asked = 0;
};

TEST(SampleGrabberConstruction, WithoutTheFilterConstructionFailsWithTheSystemsText) {
  RefusingFactory factory;
  DWORD cookie = 0;
  ASSERT_EQ(S_OK, CoRegisterClassObject(CLSID_SampleGrabber, &factory, CLSCTX_INPROC_SERVER,
                                        REGCLS_MULTIPLEUSE, &cookie));
  fw::Component owner;
  std::string text;
  try {
    new TSampleGrabber(&owner);
  } catch (const fw::Error& e) {
    text = e.what();
  }
  CoRevokeClassObject(cookie);
  EXPECT_EQ(1, factory.asked);
  EXPECT_EQ(0, text.find("The SampleGrabber Filter is not available on this system. ("))
      << text;
  EXPECT_EQ(0u, owner.ComponentCount());  // abandoned, not left with the owner
}

}  // namespace
