// The filter-selection callbacks of the graph's site: as Wine's graph calls them while it
// renders a file, and UnableToRender's chain from pin to component on COM fakes (Wine's
// graph never asks for it and answers no IServiceProvider).
#include <dshow.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>

#include "mediagraph/graph_site.h"
#include "mediagraph/media_graph.h"
#include "mediagraph/tests/graph_test_support.h"

namespace {

using namespace mediagraph;
using mediagraph_tests::Log;
using mediagraph_tests::MediaFile;
using mediagraph_tests::TestClient;

std::wstring GuidText(const GUID& guid) {
  wchar_t text[40] = {};
  StringFromGUID2(guid, text, 40);
  return text;
}

class SelectionCallbacks : public ::testing::Test {
 protected:
  SelectionCallbacks() : provider(&log, "Provider") {
    provider.SetFilterGraph(&graph);
    graph.SetActive(true);
  }
  base::ComPtr<IAMGraphBuilderCallback> Callback() {
    return graph.Query<IAMGraphBuilderCallback>(IID_IAMGraphBuilderCallback);
  }

  Log log;
  TFilterGraph graph;
  TestClient provider;
};

TEST_F(SelectionCallbacks, WineAsksAboutTheSplitterWhileRenderingAFile) {
  struct Selected {
    std::wstring name;
    GUID classId;
    base::ComPtr<IMoniker> moniker;
  };
  std::vector<Selected> selected;
  std::vector<GUID> created;
  graph.OnSelectedFilter = [&](IMoniker* moniker, const std::wstring& name, GUID& classId) {
    selected.push_back({name, classId, base::ComPtr<IMoniker>(moniker)});
    return true;
  };
  graph.OnCreatedFilter = [&](IBaseFilter* filter, GUID& classId) {
    GUID own = GUID_NULL;
    filter->GetClassID(&own);
    EXPECT_TRUE(IsEqualGUID(own, classId));
    created.push_back(classId);
    return true;
  };
  ASSERT_EQ(S_OK, graph.RenderMediaFile(MediaFile("mjpg.avi")));
  ASSERT_FALSE(selected.empty());
  ASSERT_FALSE(created.empty());
  // Each filter made was one selected, by the class id its moniker's "CLSID" names.
  for (const GUID& made : created) {
    EXPECT_NE(selected.end(),
              std::find_if(selected.begin(), selected.end(),
                           [&](const Selected& s) { return IsEqualGUID(s.classId, made); }))
        << std::string(GuidText(made).begin(), GuidText(made).end());
  }
  // The splitter Wine brought in sits in the graph under the "FriendlyName" it was selected
  // by, and is of the class its "CLSID" names.
  TFilterList filters(graph.Query<IFilterGraph>(IID_IFilterGraph).Get());
  int matched = 0;
  for (size_t i = 0; i < filters.Count(); ++i) {
    FILTER_INFO info = {};
    ASSERT_EQ(S_OK, filters.Item(i)->QueryFilterInfo(&info));
    if (info.pGraph) info.pGraph->Release();
    auto it = std::find_if(selected.begin(), selected.end(),
                           [&](const Selected& s) { return s.name == info.achName; });
    if (it == selected.end()) continue;
    GUID classId = GUID_NULL;
    filters.Item(i)->GetClassID(&classId);
    EXPECT_TRUE(IsEqualGUID(classId, it->classId));
    ++matched;
  }
  EXPECT_GE(matched, 1);
  EXPECT_NE(selected.end(), std::find_if(selected.begin(), selected.end(), [](const Selected& s) {
              return s.name.find(L"splitter") != std::wstring::npos;
            }));

  // The hook's answers, and one that raises, through the site as the graph calls it.
  IMoniker* moniker = selected.front().moniker.Get();
  auto callback = Callback();
  ASSERT_TRUE(callback);
  graph.OnSelectedFilter = [](IMoniker*, const std::wstring&, GUID&) { return false; };
  EXPECT_EQ(E_FAIL, callback->SelectedFilter(moniker));
  graph.OnSelectedFilter = [](IMoniker*, const std::wstring&, GUID&) -> bool {
    throw std::runtime_error("hook failed");
  };
  EXPECT_EQ(E_FAIL, callback->SelectedFilter(moniker));
  graph.OnSelectedFilter = nullptr;
  EXPECT_EQ(S_OK, callback->SelectedFilter(moniker));
  EXPECT_EQ(S_OK, callback->SelectedFilter(nullptr));

  base::ComPtr<IBaseFilter> filter = provider.filter;
  graph.OnCreatedFilter = [](IBaseFilter*, GUID& classId) {
    return IsEqualGUID(classId, CLSID_VideoRenderer);
  };
  EXPECT_EQ(S_OK, callback->CreatedFilter(filter.Get()));
  graph.OnCreatedFilter = [](IBaseFilter*, GUID&) { return false; };
  EXPECT_EQ(E_FAIL, callback->CreatedFilter(filter.Get()));
  graph.OnCreatedFilter = [](IBaseFilter*, GUID&) -> bool { throw EDirectShowException(E_FAIL); };
  EXPECT_EQ(E_FAIL, callback->CreatedFilter(filter.Get()));
  graph.OnCreatedFilter = nullptr;
  EXPECT_EQ(S_OK, callback->CreatedFilter(filter.Get()));
}

TEST_F(SelectionCallbacks, ARefusingHookLeavesTheFileUnrenderedWithoutACrash) {
  int asked = 0;
  graph.OnSelectedFilter = [&](IMoniker*, const std::wstring&, GUID&) -> bool {
    ++asked;
    throw std::runtime_error("hook failed");
  };
  HRESULT raised = S_OK;
  try {
    graph.RenderMediaFile(MediaFile("mjpg.avi"));
  } catch (const EDirectShowException& e) {
    raised = e.ResultCode();
  }
  EXPECT_GT(asked, 0);
  EXPECT_TRUE(FAILED(raised));
  EXPECT_TRUE(graph.Active());
}

TEST_F(SelectionCallbacks, TheSiteIsCutOffAtDeactivation) {
  auto callback = Callback();
  ASSERT_TRUE(callback);
  bool asked = false;
  graph.OnCreatedFilter = [&](IBaseFilter*, GUID&) {
    asked = true;
    return false;
  };
  graph.SetActive(false);
  EXPECT_FALSE(Callback());
  // A graph that still held its old site reaches no component.
  EXPECT_EQ(S_OK, callback->CreatedFilter(provider.filter.Get()));
  EXPECT_FALSE(asked);
  auto services = callback.As<IServiceProvider>();
  base::ComPtr<IFilterGraphComponent> found;
  ASSERT_EQ(S_OK, services->QueryService(SID_FilterGraphComponent, SID_FilterGraphComponent,
                                         found.ReceiveVoid()));
  EXPECT_EQ(nullptr, found->Component());
}

TEST_F(SelectionCallbacks, QueryServiceAnswersOnlyTheComponentsOwnId) {
  auto services = graph.Query<IServiceProvider>(IID_IServiceProvider);
  ASSERT_TRUE(services);
  base::ComPtr<IFilterGraphComponent> found;
  ASSERT_EQ(S_OK, services->QueryService(SID_FilterGraphComponent, SID_FilterGraphComponent,
                                         found.ReceiveVoid()));
  EXPECT_EQ(&graph, found->Component());
  base::ComPtr<IUnknown> other;
  EXPECT_EQ(E_NOINTERFACE,
            services->QueryService(SID_FilterGraphComponent, IID_IUnknown, other.ReceiveVoid()));
  EXPECT_EQ(E_NOINTERFACE,
            services->QueryService(IID_IUnknown, SID_FilterGraphComponent, other.ReceiveVoid()));
  EXPECT_FALSE(other);
}

// --- UnableToRender on fakes: pin -> filter -> graph -> IServiceProvider -> component ---

// Counts its references and never deletes itself; answers `iid` besides IUnknown.
template <class I>
class Fake : public I {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, Iid())) {
      *out = static_cast<I*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return QueryOther(iid, out);
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs; }
  ULONG refs = 1;

 protected:
  virtual REFIID Iid() const = 0;
  virtual HRESULT QueryOther(REFIID, void**) { return E_NOINTERFACE; }
};

class FakeGraph : public Fake<IFilterGraph> {
 public:
  // Where the graph's IServiceProvider leads; none when null.
  IServiceProvider* services = nullptr;

  HRESULT STDMETHODCALLTYPE AddFilter(IBaseFilter*, LPCWSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE RemoveFilter(IBaseFilter*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumFilters(IEnumFilters**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE FindFilterByName(LPCWSTR, IBaseFilter**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE ConnectDirect(IPin*, IPin*, const AM_MEDIA_TYPE*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Reconnect(IPin*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Disconnect(IPin*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetDefaultSyncSource() override { return E_NOTIMPL; }

 protected:
  REFIID Iid() const override { return IID_IFilterGraph; }
  HRESULT QueryOther(REFIID iid, void** out) override {
    if (services && IsEqualIID(iid, IID_IServiceProvider)) {
      return services->QueryInterface(iid, out);
    }
    return E_NOINTERFACE;
  }
};

class FakeFilter : public Fake<IBaseFilter> {
 public:
  FakeGraph* graph = nullptr;

  HRESULT STDMETHODCALLTYPE QueryFilterInfo(FILTER_INFO* info) override {
    info->achName[0] = 0;
    info->pGraph = graph;
    if (graph) graph->AddRef();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetClassID(CLSID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Stop() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Pause() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Run(REFERENCE_TIME) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetState(DWORD, FILTER_STATE*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetSyncSource(IReferenceClock*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetSyncSource(IReferenceClock**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumPins(IEnumPins**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE FindPin(LPCWSTR, IPin**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE JoinFilterGraph(IFilterGraph*, LPCWSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE QueryVendorInfo(LPWSTR*) override { return E_NOTIMPL; }

 protected:
  REFIID Iid() const override { return IID_IBaseFilter; }
};

class FakePin : public Fake<IPin> {
 public:
  FakeFilter* filter = nullptr;

  HRESULT STDMETHODCALLTYPE QueryPinInfo(PIN_INFO* info) override {
    info->pFilter = filter;
    if (filter) filter->AddRef();
    info->dir = PINDIR_OUTPUT;
    info->achName[0] = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Connect(IPin*, const AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE ReceiveConnection(IPin*, const AM_MEDIA_TYPE*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Disconnect() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE ConnectedTo(IPin**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE ConnectionMediaType(AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE QueryDirection(PIN_DIRECTION*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE QueryId(LPWSTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE QueryAccept(const AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumMediaTypes(IEnumMediaTypes**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE QueryInternalConnections(IPin**, ULONG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EndOfStream() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE BeginFlush() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EndFlush() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) override {
    return E_NOTIMPL;
  }

 protected:
  REFIID Iid() const override { return IID_IPin; }
};

TEST(UnableToRender, FollowsThePinToItsComponentAndReleasesWhatItTook) {
  TFilterGraph graph;
  graph.SetActive(true);
  auto site = graph.Query<IServiceProvider>(IID_IServiceProvider);
  ASSERT_TRUE(site);
  auto callback = graph.Query<IFilterGraphCallback>(IID_FilterGraphCallback);
  ASSERT_TRUE(callback);
  FakeGraph fakeGraph;
  FakeFilter filter;
  FakePin pin;
  pin.filter = &filter;
  filter.graph = &fakeGraph;
  fakeGraph.services = site.Get();

  IPin* asked = nullptr;
  struct Case {
    const char* what;
    std::function<void()> arrange;
    HRESULT expected;
  } cases[] = {
      {"no handler", [&] { graph.OnUnableToRender = nullptr; }, S_FALSE},
      {"handler true",
       [&] {
         graph.OnUnableToRender = [&](IPin* p) {
           asked = p;
           return true;
         };
       },
       S_OK},
      {"handler false", [&] { graph.OnUnableToRender = [](IPin*) { return false; }; }, S_FALSE},
      {"handler raises",
       [&] { graph.OnUnableToRender = [](IPin*) -> bool { throw std::runtime_error("no"); }; },
       S_FALSE},
      {"graph without IServiceProvider",
       [&] {
         graph.OnUnableToRender = [](IPin*) { return true; };
         fakeGraph.services = nullptr;
       },
       S_FALSE},
      {"filter in no graph",
       [&] {
         fakeGraph.services = site.Get();
         filter.graph = nullptr;
       },
       S_FALSE},
      {"pin of no filter",
       [&] {
         filter.graph = &fakeGraph;
         pin.filter = nullptr;
       },
       S_FALSE},
      {"back to a whole chain", [&] { pin.filter = &filter; }, S_OK},
  };
  for (Case& c : cases) {
    c.arrange();
    const ULONG siteRefs = site->AddRef() - 1;
    site->Release();
    EXPECT_EQ(c.expected, callback->UnableToRender(&pin)) << c.what;
    EXPECT_EQ(1u, pin.refs) << c.what;
    EXPECT_EQ(1u, filter.refs) << c.what;
    EXPECT_EQ(1u, fakeGraph.refs) << c.what;
    const ULONG siteRefsAfter = site->AddRef() - 1;
    site->Release();
    EXPECT_EQ(siteRefs, siteRefsAfter) << c.what;
  }
  EXPECT_EQ(&pin, asked);
  EXPECT_EQ(S_FALSE, callback->UnableToRender(nullptr));
}

TEST(UnableToRender, AComponentWhoseGraphIsNotItsOwnIsStillFound) {
  // The component found through the graph answers, not the one whose site was called.
  TFilterGraph asked, other;
  asked.SetActive(true);
  other.SetActive(true);
  bool otherAsked = false;
  other.OnUnableToRender = [&](IPin*) { return otherAsked = true; };
  asked.OnUnableToRender = [](IPin*) { return false; };
  auto otherSite = other.Query<IServiceProvider>(IID_IServiceProvider);
  FakeGraph fakeGraph;
  FakeFilter filter;
  FakePin pin;
  pin.filter = &filter;
  filter.graph = &fakeGraph;
  fakeGraph.services = otherSite.Get();
  EXPECT_EQ(S_OK, asked.Query<IFilterGraphCallback>(IID_FilterGraphCallback)->UnableToRender(&pin));
  EXPECT_TRUE(otherAsked);
}

}  // namespace
