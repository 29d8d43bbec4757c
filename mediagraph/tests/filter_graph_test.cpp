// TFilterGraph on Wine's real filter graph: activation and deactivation with a provider that
// adds a platform filter, rendering media files, running to the end, emptying, the running
// object table, the log file and the modes.
#include <dshow.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>

#include "framework/message_box.h"
#include "liveview/decode/tests/jpeg_fixture.h"
#include "liveview/record/avi_recorder.h"
#include "liveview/record/avifile_library.h"
#include "mediagraph/media_graph.h"
#include "mediagraph/tests/graph_test_support.h"
#include "testing/container/message_pump.h"
#include "testing/support/temp_folder.h"

namespace {

using namespace mediagraph;
using mediagraph_tests::FilterNames;
using mediagraph_tests::Log;
using mediagraph_tests::MediaFile;
using mediagraph_tests::NothingConnected;
using mediagraph_tests::TestClient;

constexpr HRESULT kPartialRender = 0x00040242;

HRESULT RaisedCode(const std::function<void()>& body) {
  try {
    body();
  } catch (const EDirectShowException& e) {
    return e.ResultCode();
  }
  return S_OK;
}

class FilterGraphTest : public ::testing::Test {
 protected:
  FilterGraphTest() : provider(&log, "Provider") {
    graph.OnActivate = [this](TFilterGraph* sender) {
      EXPECT_EQ(&graph, sender);
      log.push_back("OnActivate");
    };
  }
  base::ComPtr<IFilterGraph> Graph() { return graph.Query<IFilterGraph>(IID_IFilterGraph); }

  Log log;
  TFilterGraph graph;
  TestClient provider;
};

TEST_F(FilterGraphTest, ActivationAddsTheProviderFiltersThenTellsAndDeactivationUndoesIt) {
  provider.SetFilterGraph(&graph);
  EXPECT_FALSE(graph.Query<IMediaControl>(IID_IMediaControl));
  // The event window is message-only: under the message windows' root, not the desktop.
  ASSERT_TRUE(IsWindow(graph.EventWindow()));
  EXPECT_NE(GetDesktopWindow(), GetAncestor(graph.EventWindow(), GA_PARENT));
  EXPECT_EQ(GetAncestor(FindWindowExA(HWND_MESSAGE, nullptr, nullptr, nullptr), GA_PARENT),
            GetAncestor(graph.EventWindow(), GA_PARENT));
  graph.SetActive(true);
  ASSERT_TRUE(graph.Active());
  EXPECT_EQ((Log{"Provider op0", "Provider name", "Provider filter", "Provider op1", "OnActivate",
                 "Provider cc7:1"}),
            log);
  ASSERT_TRUE(provider.filter);
  EXPECT_EQ(std::vector<std::wstring>{L"Provider"}, FilterNames(Graph().Get()));
  // The graph's objects through the component.
  for (REFIID iid : {IID_IFilterGraph2, IID_IMediaControl, IID_IMediaEventEx, IID_IBasicAudio,
                     IID_IMediaSeeking, IID_IObjectWithSite}) {
    base::ComPtr<IUnknown> object;
    EXPECT_EQ(S_OK, graph.QueryInterface(iid, object.ReceiveVoid()));
  }
  log.clear();
  graph.SetActive(true);
  EXPECT_TRUE(log.empty());

  base::ComPtr<IBaseFilter> added = provider.filter;
  graph.SetActive(false);
  EXPECT_FALSE(graph.Active());
  EXPECT_EQ((Log{"Provider cc7:0", "Provider op2", "Provider filter", "Provider op3"}), log);
  FILTER_INFO info = {};
  ASSERT_EQ(S_OK, added->QueryFilterInfo(&info));
  EXPECT_EQ(nullptr, info.pGraph);  // taken out of the graph
  if (info.pGraph) info.pGraph->Release();
  EXPECT_FALSE(graph.Query<IMediaControl>(IID_IMediaControl));
  log.clear();
  graph.SetActive(false);
  EXPECT_TRUE(log.empty());
}

TEST_F(FilterGraphTest, LinkingWhileActiveAddsAndRemovesTheFilterAtOnce) {
  graph.SetActive(true);
  log.clear();
  provider.SetFilterGraph(&graph);
  EXPECT_EQ((Log{"Provider op0", "Provider name", "Provider filter", "Provider op1"}), log);
  EXPECT_EQ(std::vector<std::wstring>{L"Provider"}, FilterNames(Graph().Get()));
  log.clear();
  provider.SetFilterGraph(nullptr);
  EXPECT_EQ((Log{"Provider op2", "Provider filter", "Provider op3"}), log);
  EXPECT_TRUE(FilterNames(Graph().Get()).empty());
}

TEST_F(FilterGraphTest, ModeChangeWhileActiveRebuildsTheGraphWithTheProviderFilters) {
  provider.SetFilterGraph(&graph);
  graph.SetMode(gmCapture);  // inactive: stored only
  EXPECT_TRUE(log.empty());
  EXPECT_FALSE(graph.Active());
  graph.SetActive(true);
  EXPECT_TRUE(graph.Query<ICaptureGraphBuilder2>(IID_ICaptureGraphBuilder2));
  auto captureGraph = Graph();
  log.clear();
  graph.SetMode(gmNormal);
  EXPECT_TRUE(graph.Active());
  EXPECT_EQ(
      (Log{"Provider cc7:0", "Provider op2", "Provider filter", "Provider op3", "Provider op0",
           "Provider name", "Provider filter", "Provider op1", "OnActivate", "Provider cc7:1"}),
      log);
  EXPECT_FALSE(graph.Query<ICaptureGraphBuilder2>(IID_ICaptureGraphBuilder2));
  EXPECT_NE(captureGraph.Get(), Graph().Get());
  EXPECT_EQ(std::vector<std::wstring>{L"Provider"}, FilterNames(Graph().Get()));
}

TEST_F(FilterGraphTest, DvdModeRaisesTheBuilderFailureAndStaysInactive) {
  provider.SetFilterGraph(&graph);
  graph.SetMode(gmDVD);
  EXPECT_EQ(E_NOTIMPL, RaisedCode([&] { graph.SetActive(true); }));
  EXPECT_FALSE(graph.Active());
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(S_FALSE, graph.RenderMediaFile(MediaFile("mjpg.avi")));
  graph.SetMode(gmNormal);
  graph.SetActive(true);
  EXPECT_TRUE(graph.Active());
}

TEST_F(FilterGraphTest, AnActivationStepThatRaisesIsUndone) {
  provider.SetFilterGraph(&graph);
  graph.SetGraphEdit(true);
  graph.OnActivate = [](TFilterGraph*) { throw EDirectShowException(E_ACCESSDENIED); };
  EXPECT_EQ(E_ACCESSDENIED, RaisedCode([&] { graph.SetActive(true); }));
  EXPECT_FALSE(graph.Active());
  EXPECT_EQ(0u, graph.RotCookie());
  EXPECT_FALSE(provider.filter);  // removed and released again
  EXPECT_EQ("Provider op3", log.back());
}

TEST_F(FilterGraphTest, InactiveOperationsDoNothing) {
  provider.SetFilterGraph(&graph);
  EXPECT_FALSE(graph.RunGraph());
  EXPECT_FALSE(graph.StopGraph());
  graph.EmptyGraph();
  EXPECT_EQ(S_FALSE, graph.RenderMediaFile(MediaFile("mjpg.avi")));
  graph.SetVolume(20000);
  EXPECT_EQ(10000, graph.Volume());
  graph.SetBalance(-20000);
  EXPECT_EQ(-10000, graph.Balance());
  EXPECT_TRUE(log.empty());
}

TEST_F(FilterGraphTest, RenderingAnMjpgAviThenEmptyingLeavesOnlyTheProviderFilter) {
  provider.SetFilterGraph(&graph);
  graph.SetActive(true);
  graph.EmptyGraph();  // right after activation: nothing to remove
  EXPECT_EQ(std::vector<std::wstring>{L"Provider"}, FilterNames(Graph().Get()));
  log.clear();
  EXPECT_EQ(S_OK, graph.RenderMediaFile(MediaFile("mjpg.avi")));
  EXPECT_EQ((Log{"Provider cc3:0", "Provider cc4:0"}), log);
  // Wine renders into the filter already in the graph: at least a source beside it.
  EXPECT_GE(FilterNames(Graph().Get()).size(), 2u);
  EXPECT_FALSE(NothingConnected(Graph().Get()));
  log.clear();
  graph.EmptyGraph();
  EXPECT_EQ("Provider cc2:0", log.front());
  EXPECT_EQ(std::vector<std::wstring>{L"Provider"}, FilterNames(Graph().Get()));
  EXPECT_TRUE(NothingConnected(Graph().Get()));
}

TEST_F(FilterGraphTest, RendersWhatTheLiveViewRecorderWrites) {
  testing_support::TempFolder folder;
  const std::string path = folder.path() + "\\recorded.avi";
  liveview::EnsureAviFileLibrary();
  {
    liveview::CAviRecorder recorder;
    ASSERT_EQ(1, recorder.OpenFile(path.c_str()));
    ASSERT_EQ(1, recorder.CreateVideoStream(176, 144));
    for (int i = 0; i < 5; ++i) {
      const auto frame = jpegfixture::NoiseJpeg(176, 144, 7 + i);
      ASSERT_EQ(1, recorder.WriteFrame(frame.data(), static_cast<int>(frame.size())));
    }
    ASSERT_EQ(1, recorder.CloseFile(10));
  }
  provider.SetFilterGraph(&graph);
  graph.SetActive(true);
  EXPECT_EQ(S_OK, graph.RenderMediaFile(std::wstring(path.begin(), path.end())));
  EXPECT_GE(FilterNames(Graph().Get()).size(), 2u);
  EXPECT_FALSE(NothingConnected(Graph().Get()));
  graph.SetActive(false);
}

// Every render here has the provider's Video Renderer in the graph: the one Wine would pick
// itself (VMR 9) needs a Direct3D device the test display does not have.
TEST_F(FilterGraphTest, RenderResultsAndFailures) {
  provider.SetFilterGraph(&graph);
  graph.SetActive(true);
  // No sound driver in the test prefix: the audio stream stays unrendered.
  EXPECT_EQ(kPartialRender, graph.RenderMediaFile(MediaFile("mjpg_pcm.avi")));
  graph.EmptyGraph();
  log.clear();
  EXPECT_EQ(static_cast<HRESULT>(0x80070002),
            RaisedCode([&] { graph.RenderMediaFile(MediaFile("missing.avi")); }));
  EXPECT_EQ((Log{"Provider cc3:0"}), log);  // nothing rendered: no ccFileRendered
  EXPECT_EQ(static_cast<HRESULT>(0x80040218),
            RaisedCode([&] { graph.RenderMediaFile(MediaFile("text.avi")); }));
  EXPECT_TRUE(graph.Active());
}

TEST_F(FilterGraphTest, RunningToTheEndReachesReceiversAndEvents) {
  provider.SetFilterGraph(&graph);
  graph.SetActive(true);
  ASSERT_EQ(S_OK, graph.RenderMediaFile(MediaFile("mjpg.avi")));
  Log events;
  graph.OnDSEvent = [&](TFilterGraph*, long e, long, long) {
    events.push_back("OnDSEvent " + std::to_string(e));
  };
  HRESULT completeResult = E_FAIL;
  bool complete = false;
  graph.OnGraphComplete = [&](TFilterGraph* sender, HRESULT result, IBaseFilter*) {
    EXPECT_EQ(&graph, sender);
    completeResult = result;
    complete = true;
  };
  log.clear();
  EXPECT_TRUE(graph.RunGraph());
  EXPECT_EQ("Provider cc0:0", log.front());
  ASSERT_TRUE(test_container::PumpUntil([&] { return complete; }, 15000));
  EXPECT_EQ(S_OK, completeResult);
  EXPECT_NE(log.end(), std::find(log.begin(), log.end(), "Provider event1"));
  EXPECT_NE(events.end(), std::find(events.begin(), events.end(), "OnDSEvent 1"));
  log.clear();
  EXPECT_TRUE(graph.StopGraph());
  EXPECT_EQ((Log{"Provider cc2:0"}), log);
}

TEST_F(FilterGraphTest, DeactivationStopsARunningGraphBeforeUnlinkingProviders) {
  provider.SetFilterGraph(&graph);
  graph.SetActive(true);
  ASSERT_EQ(S_OK, graph.RenderMediaFile(MediaFile("mjpg.avi")));
  ASSERT_TRUE(graph.RunGraph());
  auto control = graph.Query<IMediaControl>(IID_IMediaControl);
  OAFilterState state = State_Running;
  provider.onControlCode = [&](TControlCode code, long param) {
    if (code == ccActiveChanged && param == 0) control->GetState(1000, &state);
  };
  log.clear();
  graph.SetActive(false);
  EXPECT_EQ(State_Stopped, state);
  // The stop is the component's own: receivers hear no ccBeforeStop.
  EXPECT_EQ((Log{"Provider cc7:0", "Provider op2", "Provider filter", "Provider op3"}), log);
}

TEST_F(FilterGraphTest, EventsQueuedAfterAHandlerDeactivatedAreNotDrained) {
  graph.SetActive(true);
  auto sink = graph.Query<IMediaEventSink>(IID_IMediaEventSink);
  ASSERT_TRUE(sink);
  int heard = 0;
  graph.OnDSEvent = [&](TFilterGraph* sender, long, long, long) {
    ++heard;
    sender->SetActive(false);
  };
  sink->Notify(EC_USER, 1, 0);
  sink->Notify(EC_USER, 2, 0);
  sink->Notify(EC_USER, 3, 0);
  sink.Reset();
  test_container::PumpUntil([&] { return heard > 0; }, 5000);
  test_container::PumpFor(200);
  EXPECT_EQ(1, heard);
  EXPECT_FALSE(graph.Active());
}

TEST_F(FilterGraphTest, AnEventHandlerThatRaisesIsShownAndTheWindowGoesOn) {
  graph.SetActive(true);
  std::vector<std::wstring> boxes;
  fw::ScopedMessageBoxInterceptor boxesTaken(
      [&](HWND, const std::wstring& text, const std::wstring&, UINT) {
        boxes.push_back(text);
        return IDOK;
      });
  int heard = 0;
  graph.OnDSEvent = [&](TFilterGraph*, long, long param1, long) {
    ++heard;
    if (param1 == 1) throw EDirectShowException(E_ACCESSDENIED);
  };
  auto sink = graph.Query<IMediaEventSink>(IID_IMediaEventSink);
  sink->Notify(EC_USER, 1, 0);
  test_container::PumpUntil([&] { return heard >= 1; }, 5000);
  sink->Notify(EC_USER, 2, 0);
  test_container::PumpUntil([&] { return heard >= 2; }, 5000);
  EXPECT_EQ(2, heard);
  ASSERT_EQ(1u, boxes.size());
  EXPECT_NE(std::wstring::npos, boxes[0].find(L"($80070005)."));
}

bool RotHasItem(const std::string& item) {
  base::ComPtr<IRunningObjectTable> table;
  base::ComPtr<IEnumMoniker> monikers;
  if (FAILED(GetRunningObjectTable(0, table.Receive())) ||
      FAILED(table->EnumRunning(monikers.Receive()))) {
    return false;
  }
  const std::wstring wanted = L"!" + std::wstring(item.begin(), item.end());
  base::ComPtr<IBindCtx> context;
  CreateBindCtx(0, context.Receive());
  for (;;) {
    base::ComPtr<IMoniker> moniker;
    if (monikers->Next(1, moniker.Receive(), nullptr) != S_OK) return false;
    LPOLESTR name = nullptr;
    if (SUCCEEDED(moniker->GetDisplayName(context.Get(), nullptr, &name)) && name) {
      const bool found = wanted == name;
      CoTaskMemFree(name);
      if (found) return true;
    }
  }
}

TEST_F(FilterGraphTest, GraphEditRegistersTheActiveGraphInTheRunningObjectTable) {
  graph.SetGraphEdit(true);
  EXPECT_EQ(0u, graph.RotCookie());  // inactive: nothing registered
  graph.SetActive(true);
  ASSERT_NE(0u, graph.RotCookie());
  base::ComPtr<IUnknown> manager = graph.Query<IUnknown>(IID_IFilterGraph2);
  const std::string item = RotItemName(manager.Get(), GetCurrentProcessId());
  EXPECT_TRUE(RotHasItem(item)) << item;
  graph.SetGraphEdit(false);
  EXPECT_EQ(0u, graph.RotCookie());
  EXPECT_FALSE(RotHasItem(item));
  graph.SetGraphEdit(true);
  EXPECT_TRUE(RotHasItem(item));
  graph.SetActive(false);
  EXPECT_EQ(0u, graph.RotCookie());
  EXPECT_FALSE(RotHasItem(item));
}

TEST_F(FilterGraphTest, LogFileIsCreatedWhileActiveAndAnUncreatableOneKeepsTheOldName) {
  testing_support::TempFolder folder;
  const std::string good = folder.path() + "\\graph.log";
  provider.SetFilterGraph(&graph);
  graph.SetLogFile(good);  // inactive: stored only
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(good.c_str()));
  graph.SetActive(true);
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(good.c_str()));
  graph.SetLogFile(folder.path() + "\\no such folder\\graph.log");
  EXPECT_EQ(good, graph.LogFile());
  EXPECT_EQ(S_OK, graph.RenderMediaFile(MediaFile("mjpg.avi")));
  graph.SetActive(false);
  EXPECT_TRUE(DeleteFileA(good.c_str()));  // closed again
}

TEST_F(FilterGraphTest, CaptureModeActivates) {
  graph.SetMode(gmCapture);
  graph.SetActive(true);
  EXPECT_TRUE(graph.Active());
  EXPECT_TRUE(graph.Query<ICaptureGraphBuilder2>(IID_ICaptureGraphBuilder2));
  EXPECT_TRUE(graph.Query<IMediaControl>(IID_IMediaControl));
}

TEST(FilterGraphLinks, AGraphThatGoesClearsItsClientsAndAClientThatGoesIsForgotten) {
  Log log;
  fw::Component form;
  auto* graph = new TFilterGraph(&form);
  auto* client = new TestClient(&log, "Client", true, true, &form);
  TestClient stray(&log, "Stray");
  client->SetFilterGraph(graph);
  stray.SetFilterGraph(graph);
  graph->SetActive(true);
  delete graph;
  EXPECT_EQ(nullptr, client->FilterGraph());
  EXPECT_EQ(nullptr, stray.FilterGraph());
  EXPECT_EQ("Stray op3", log.back());

  // A client destroyed first is not called again by the graph's deactivation.
  graph = new TFilterGraph(&form);
  auto* second = new TestClient(&log, "Second", true, true, &form);
  second->SetFilterGraph(graph);
  graph->SetActive(true);
  log.clear();
  form.DestroyComponents();  // the client, made last, goes first
  for (const std::string& line : log) EXPECT_EQ(std::string::npos, line.find("Second op")) << line;
}

TEST(FilterGraphLoading, AutoCreateActivatesWhenTheOwnerHasLoaded) {
  fw::Component form;
  auto* automatic = new TFilterGraph(&form);
  auto* manual = new TFilterGraph(&form);
  automatic->SetAutoCreate(true);
  int activated = 0;
  automatic->OnActivate = [&](TFilterGraph*) { ++activated; };
  EXPECT_FALSE(automatic->Active());
  form.NotifyLoaded();
  EXPECT_TRUE(automatic->Active());
  EXPECT_EQ(1, activated);
  EXPECT_FALSE(manual->Active());
}

TEST_F(FilterGraphTest, AudioAndRateAreStoredAndAppliedWithoutAnAudioRenderer) {
  provider.SetFilterGraph(&graph);
  graph.SetActive(true);
  ASSERT_EQ(S_OK, graph.RenderMediaFile(MediaFile("mjpg.avi")));
  // Wine's graph has no audio renderer here to take them, and keeps its rate at 1 for this
  // file; the results are not checked.
  graph.SetVolume(-5);
  EXPECT_EQ(0, graph.Volume());
  graph.SetBalance(12345);
  EXPECT_EQ(10000, graph.Balance());
  graph.SetLinearVolume(false);
  EXPECT_FALSE(graph.LinearVolume());
  graph.SetRate(2.0);
  EXPECT_EQ(2.0, graph.Rate());
}

// The record browser's use, twice over one component: activate, empty, render, run until the
// graph speaks, stop, empty, deactivate.
TEST_F(FilterGraphTest, RenderRunStopAndClearCycleRepeats) {
  provider.SetFilterGraph(&graph);
  graph.SetGraphEdit(true);
  graph.SetLinearVolume(true);
  for (int round = 0; round < 2; ++round) {
    Log events;
    graph.OnDSEvent = [&](TFilterGraph*, long e, long, long) {
      events.push_back(std::to_string(e));
    };
    graph.SetActive(true);
    graph.EmptyGraph();
    ASSERT_EQ(S_OK, graph.RenderMediaFile(MediaFile(round ? "mjpg_pcm.avi" : "mjpg.avi")) &
                        ~kPartialRender);
    ASSERT_TRUE(graph.RunGraph());
    ASSERT_TRUE(test_container::PumpUntil([&] { return !events.empty(); }, 10000)) << round;
    EXPECT_TRUE(graph.StopGraph());
    graph.EmptyGraph();
    EXPECT_EQ(std::vector<std::wstring>{L"Provider"}, FilterNames(Graph().Get()));
    EXPECT_TRUE(NothingConnected(Graph().Get()));
    graph.SetActive(false);
    EXPECT_EQ(0u, graph.RotCookie());
  }
}

TEST(FilterGraphLinks, AProviderThatRaisesAtDeactivationStopsNothingElse) {
  Log log;
  TestClient thrower(&log, "Thrower");
  TestClient other(&log, "Other");
  thrower.onControlCode = [](TControlCode code, long param) {
    if (code == ccActiveChanged && param == 0) throw EDirectShowException(E_ABORT);
  };
  {
    TFilterGraph graph;
    thrower.SetFilterGraph(&graph);
    other.SetFilterGraph(&graph);
    graph.SetActive(true);
    log.clear();
    // Raised, after every step has run.
    EXPECT_THROW(graph.SetActive(false), EDirectShowException);
    EXPECT_FALSE(graph.Active());
    EXPECT_EQ("Other op3", log.back());
    EXPECT_FALSE(other.filter);
    graph.SetActive(true);
    log.clear();
  }  // the destructor's deactivation raises inside and lets nothing out
  EXPECT_EQ("Other op3", log.back());
  EXPECT_EQ(nullptr, thrower.FilterGraph());
  EXPECT_EQ(nullptr, other.FilterGraph());
}

}  // namespace
