// Before the DirectShow headers: windowsx.h, which they bring in, makes SubclassWindow a macro.
#include "framework/static_wnd.h"
//
#include <algorithm>
#include <exception>

#include "base/scoped_variant.h"
#include "framework/error.h"
#include "framework/exception_guard.h"
#include "mediagraph/graph_site.h"
#include "mediagraph/media_graph.h"

namespace mediagraph {

// The hidden message-only window the graph posts its notifications to.
class GraphEventWindow : public fw::CStatic {
 public:
  explicit GraphEventWindow(TFilterGraph* owner) : owner_(owner) {
    RECT none = {};
    Create("", 0, none, HWND_MESSAGE, 0);
  }
  LRESULT WindowProc(UINT msg, WPARAM w, LPARAM l) override {
    if (msg == WM_DSGRAPHEVENT) {
      fw::GuardUiHandler(nullptr, "TFilterGraph events", [this] { owner_->DrainGraphEvents(); });
      return 0;
    }
    return fw::CStatic::WindowProc(msg, w, l);
  }

 private:
  TFilterGraph* owner_;
};

namespace {

// Runs `step`; the first exception is kept in `first` for the caller to raise when every
// step has run.
template <class Step>
void RunStep(std::exception_ptr& first, Step&& step) {
  try {
    step();
  } catch (...) {
    if (!first) first = std::current_exception();
  }
}

template <class I>
base::ComPtr<I> Create(REFCLSID clsid, REFIID iid) {
  base::ComPtr<I> object;
  CheckGraphResult(
      CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, iid, object.ReceiveVoid()));
  return object;
}

}  // namespace

TFilterGraph::TFilterGraph(fw::Component* owner)
    : fw::Component(owner), eventWindow_(std::make_unique<GraphEventWindow>(this)) {}

TFilterGraph::~TFilterGraph() {
  fw::GuardVoid("TFilterGraph destruction", [this] { SetActive(false); });
  if (active_) fw::GuardVoid("TFilterGraph destruction", [this] { Deactivate(); });
  eventWindow_.reset();
  if (site_) {
    site_->CutOff();
    site_->Release();
    site_ = nullptr;
  }
}

HWND TFilterGraph::EventWindow() const { return eventWindow_->GetSafeHwnd(); }

void TFilterGraph::Loaded() {
  if (autoCreate_) SetActive(true);
  fw::Component::Loaded();
}

void TFilterGraph::Notification(fw::Component* component, Operation operation) {
  if (operation == Operation::kRemove) DropComponentLinks(component);
  fw::Component::Notification(component, operation);
}

void TFilterGraph::DropComponentLinks(fw::Component* component) {
  if (!component) return;
  if (providers_) {
    auto& list = *providers_;
    list.erase(std::remove_if(list.begin(), list.end(),
                              [&](const ProviderLink& l) { return l.component == component; }),
               list.end());
    if (list.empty()) providers_.reset();
  }
  if (receivers_) {
    auto& list = *receivers_;
    list.erase(std::remove_if(list.begin(), list.end(),
                              [&](const ReceiverLink& l) { return l.component == component; }),
               list.end());
    if (list.empty()) receivers_.reset();
  }
}

void TFilterGraph::SetActive(bool active) {
  if (active == active_) return;
  if (active) {
    Activate();
  } else {
    Deactivate();
  }
}

void TFilterGraph::Activate() {
  base::ComPtr<IFilterGraph2> graph;
  base::ComPtr<ICaptureGraphBuilder2> capture;
  base::ComPtr<IDvdGraphBuilder> dvd;
  switch (mode_) {
    case gmNormal:
      graph = Create<IFilterGraph2>(CLSID_FilterGraph, IID_IFilterGraph2);
      break;
    case gmCapture:
      capture =
          Create<ICaptureGraphBuilder2>(CLSID_CaptureGraphBuilder2, IID_ICaptureGraphBuilder2);
      graph = Create<IFilterGraph2>(CLSID_FilterGraph, IID_IFilterGraph2);
      CheckGraphResult(capture->SetFiltergraph(graph.Get()));
      break;
    case gmDVD: {
      dvd = Create<IDvdGraphBuilder>(CLSID_DvdGraphBuilder, IID_IDvdGraphBuilder);
      base::ComPtr<IGraphBuilder> builder;
      CheckGraphResult(dvd->GetFiltergraph(builder.Receive()));
      if (!builder) CheckGraphResult(E_NOINTERFACE);
      CheckGraphResult(builder.QueryInterface(IID_IFilterGraph2, &graph));
      break;
    }
  }
  graph_ = std::move(graph);
  captureBuilder_ = std::move(capture);
  dvdBuilder_ = std::move(dvd);
  site_ = new GraphSite(this);
  active_ = true;
  try {
    if (auto events = Query<IMediaEventEx>(IID_IMediaEventEx)) {
      events_ = events;
      events_->SetNotifyFlags(0);
      events_->SetNotifyWindow(reinterpret_cast<OAHWND>(EventWindow()), WM_DSGRAPHEVENT,
                               reinterpret_cast<LONG_PTR>(events_.Get()));
    }
    // The graph releases its site itself when it goes; it is never set back to null, which
    // Wine's graph does not survive.
    if (auto withSite = Query<IObjectWithSite>(IID_IObjectWithSite)) {
      if (auto builderCallback = Query<IAMGraphBuilderCallback>(IID_IAMGraphBuilderCallback)) {
        withSite->SetSite(builderCallback.Get());
      }
      if (auto graphCallback = Query<IFilterGraphCallback>(IID_FilterGraphCallback)) {
        withSite->SetSite(graphCallback.Get());
      }
    }
    ApplyGraphEdit();
    SetLogFile(logFile_);
    if (providers_) {
      const std::vector<ProviderLink> pass = *providers_;
      for (const ProviderLink& link : pass) {
        if (IsLinked(link.provider)) AddProviderFilter(link.provider);
      }
    }
    if (OnActivate) OnActivate(this);
    SendControlCode(ccActiveChanged, 1);
  } catch (...) {
    fw::GuardVoid("TFilterGraph activation undone", [this] { Deactivate(); });
    throw;
  }
}

void TFilterGraph::Deactivate() {
  std::exception_ptr first;
  // A running graph's streaming threads must not reach a provider while it is unlinked.
  RunStep(first, [this] {
    if (auto control = Query<IMediaControl>(IID_IMediaControl)) control->Stop();
  });
  RunStep(first, [this] { SendControlCode(ccActiveChanged, 0); });
  if (providers_) {
    const std::vector<ProviderLink> pass = *providers_;
    for (const ProviderLink& link : pass) {
      if (IsLinked(link.provider)) RunStep(first, [&] { RemoveProviderFilter(link.provider); });
    }
  }
  if (events_) {
    events_->SetNotifyFlags(AM_MEDIAEVENT_NONOTIFY);
    events_.Reset();
  }
  if (rotCookie_) {
    RemoveGraphFromRot(rotCookie_);
    rotCookie_ = 0;
  }
  if (graph_) graph_->SetLogFile(0);
  logStream_.Reset();
  graph_.Reset();
  captureBuilder_.Reset();
  dvdBuilder_.Reset();
  if (site_) {
    site_->CutOff();
    site_->Release();
    site_ = nullptr;
  }
  active_ = false;
  if (first) std::rethrow_exception(first);
}

HRESULT TFilterGraph::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (site_ &&
      (IsEqualIID(iid, IID_IServiceProvider) || IsEqualIID(iid, IID_IAMGraphBuilderCallback) ||
       IsEqualIID(iid, IID_FilterGraphCallback))) {
    return site_->QueryInterface(iid, out);
  }
  if (!active_) return E_NOINTERFACE;
  return ForwardQuery(iid, out);
}

HRESULT TFilterGraph::ForwardQuery(REFIID iid, void** out) {
  switch (mode_) {
    case gmCapture:
      if (captureBuilder_ && SUCCEEDED(captureBuilder_->QueryInterface(iid, out))) return S_OK;
      break;
    case gmDVD:
      if (dvdBuilder_) {
        if (SUCCEEDED(dvdBuilder_->QueryInterface(iid, out))) return S_OK;
        if (SUCCEEDED(dvdBuilder_->GetDvdInterface(iid, out)) && *out) return S_OK;
        *out = nullptr;
      }
      break;
    case gmNormal:
      break;
  }
  if (!graph_) return E_NOINTERFACE;
  return graph_->QueryInterface(iid, out);
}

void TFilterGraph::SetMode(TGraphMode mode) {
  if (mode == mode_) return;
  const bool wasActive = active_;
  SetActive(false);
  mode_ = mode;
  SetActive(wasActive);
}

void TFilterGraph::SetGraphEdit(bool value) {
  if (!value) {
    if (rotCookie_) {
      RemoveGraphFromRot(rotCookie_);
      rotCookie_ = 0;
    }
  }
  graphEdit_ = value;
  ApplyGraphEdit();
}

void TFilterGraph::ApplyGraphEdit() {
  if (graphEdit_ && active_ && graph_ && !rotCookie_) AddGraphToRot(graph_.Get(), &rotCookie_);
}

void TFilterGraph::SetLogFile(const std::string& name) {
  if (!active_ || !graph_) {
    logFile_ = name;
    return;
  }
  graph_->SetLogFile(0);
  logStream_.Reset();
  if (!name.empty()) {
    base::ScopedHandle file(CreateFileA(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                        CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return;  // the old name stays
    logStream_ = std::move(file);
    graph_->SetLogFile(reinterpret_cast<DWORD_PTR>(logStream_.Get()));
  }
  logFile_ = name;
}

void TFilterGraph::SetLinearVolume(bool value) {
  if (value == linearVolume_) return;
  linearVolume_ = value;
  SetVolume(volume_);
  SetBalance(balance_);
}

void TFilterGraph::SetVolume(long volume) {
  volume_ = std::clamp(volume, 0L, 10000L);
  if (auto audio = Query<IBasicAudio>(IID_IBasicAudio)) {
    audio->put_Volume(linearVolume_ ? LinearToVolume(volume_) : volume_ - 10000);
  }
}

void TFilterGraph::SetBalance(long balance) {
  balance_ = std::clamp(balance, -10000L, 10000L);
  if (auto audio = Query<IBasicAudio>(IID_IBasicAudio)) {
    audio->put_Balance(linearVolume_ ? LinearToBalance(balance_) : balance_);
  }
}

void TFilterGraph::SetRate(double rate) {
  rate_ = rate;
  if (auto seeking = Query<IMediaSeeking>(IID_IMediaSeeking)) seeking->SetRate(rate_);
}

void TFilterGraph::ApplyAudioAndRate() {
  SetVolume(volume_);
  SetBalance(balance_);
  SetRate(rate_);
}

bool TFilterGraph::RunGraph() {
  auto control = Query<IMediaControl>(IID_IMediaControl);
  if (!control) return false;
  SendControlCode(ccBeforeRun, 0);
  CheckGraphResult(control->Run());
  return true;
}

bool TFilterGraph::StopGraph() {
  auto control = Query<IMediaControl>(IID_IMediaControl);
  if (!control) return false;
  SendControlCode(ccBeforeStop, 0);
  return CheckGraphResult(control->Stop()) == S_OK;
}

namespace {

bool HasConnectedOutput(IBaseFilter* filter) {
  TPinList pins(filter);
  for (size_t p = 0; p < pins.Count(); ++p) {
    PIN_DIRECTION direction = PINDIR_INPUT;
    pins.Item(p)->QueryDirection(&direction);
    if (direction == PINDIR_OUTPUT && pins.Connected(p)) return true;
  }
  return false;
}

}  // namespace

void TFilterGraph::DisconnectAllPins() {
  // From the renderers upstream, both ends of each connection, the input first: Wine's
  // splitters free their output pins when their own input is disconnected (a pin's count is
  // its filter's), so a pin still connected to such an output, or a pin list still holding
  // one, would touch freed memory.
  for (bool changed = true; changed;) {
    changed = false;
    TFilterList filters(graph_.Get());
    for (size_t i = 0; i < filters.Count(); ++i) {
      if (HasConnectedOutput(filters.Item(i))) continue;
      std::vector<base::ComPtr<IPin>> inputs;
      {
        TPinList pins(filters.Item(i));
        for (size_t p = 0; p < pins.Count(); ++p) {
          if (pins.Connected(p)) inputs.emplace_back(pins.Item(p));
        }
      }
      for (auto& pin : inputs) {
        base::ComPtr<IPin> peer;
        if (FAILED(pin->ConnectedTo(peer.Receive()))) peer.Reset();
        CheckGraphResult(pin->Disconnect());
        if (peer) CheckGraphResult(peer->Disconnect());
        changed = true;
      }
    }
  }
  // What no pass reached (a cycle): every pin as it comes.
  TFilterList filters(graph_.Get());
  for (size_t i = 0; i < filters.Count(); ++i) {
    TPinList pins(filters.Item(i));
    for (size_t p = 0; p < pins.Count(); ++p) {
      if (pins.Connected(p)) CheckGraphResult(pins.Item(p)->Disconnect());
    }
  }
}

void TFilterGraph::EmptyGraph() {
  if (!graph_) return;
  StopGraph();
  DisconnectAllPins();
  TFilterList filters(graph_.Get());
  if (providers_) {
    const std::vector<ProviderLink> pass = *providers_;
    for (const ProviderLink& link : pass) {
      if (!IsLinked(link.provider)) continue;
      if (auto filter = link.provider->ProvidedFilter()) filters.Remove(filter.Get());
    }
  }
  // A handler above may have deactivated the component.
  if (!graph_) return;
  for (size_t i = 0; i < filters.Count(); ++i) {
    CheckGraphResult(graph_->RemoveFilter(filters.Item(i)));
  }
}

HRESULT TFilterGraph::RenderMediaFile(const std::wstring& fileName) {
  if (!graph_) return S_FALSE;
  SendControlCode(ccRenderingFile, 0);
  if (!graph_) return S_FALSE;
  const HRESULT hr = CheckGraphResult(graph_->RenderFile(fileName.c_str(), nullptr));
  ApplyAudioAndRate();
  SendControlCode(ccFileRendered, 0);
  return hr;
}

void TFilterGraph::AddProviderFilter(IGraphFilterProvider* provider) {
  provider->HandleGraphOperation(opBeforeAdd, 0);
  const std::wstring name = provider->ProvidedFilterName();
  base::ComPtr<IBaseFilter> filter = provider->ProvidedFilter();
  if (graph_ && filter) graph_->AddFilter(filter.Get(), name.c_str());
  provider->HandleGraphOperation(opAfterAdd, 0);
}

void TFilterGraph::RemoveProviderFilter(IGraphFilterProvider* provider) {
  provider->HandleGraphOperation(opBeforeRemove, 0);
  base::ComPtr<IBaseFilter> filter = provider->ProvidedFilter();
  if (graph_ && filter) graph_->RemoveFilter(filter.Get());
  provider->HandleGraphOperation(opAfterRemove, 0);
}

bool TFilterGraph::IsLinked(IGraphFilterProvider* provider) const {
  return providers_ && std::any_of(providers_->begin(), providers_->end(),
                                   [&](const ProviderLink& l) { return l.provider == provider; });
}

bool TFilterGraph::IsLinked(IGraphEventReceiver* receiver) const {
  return receivers_ && std::any_of(receivers_->begin(), receivers_->end(),
                                   [&](const ReceiverLink& l) { return l.receiver == receiver; });
}

void TFilterGraph::AddFilterProvider(IGraphFilterProvider* provider) {
  if (!provider || IsLinked(provider)) return;
  auto* component = dynamic_cast<fw::Component*>(provider);
  if (!providers_) providers_ = std::make_unique<std::vector<ProviderLink>>();
  providers_->push_back({provider, component});
  if (component) FreeNotification(component);
  if (active_) AddProviderFilter(provider);
}

void TFilterGraph::RemoveFilterProvider(IGraphFilterProvider* provider) {
  if (!IsLinked(provider)) return;
  auto& list = *providers_;
  fw::Component* component = nullptr;
  for (auto it = list.begin(); it != list.end(); ++it) {
    if (it->provider == provider) {
      component = it->component;
      list.erase(it);
      break;
    }
  }
  if (list.empty()) providers_.reset();
  if (component && !IsLinked(dynamic_cast<IGraphEventReceiver*>(component))) {
    RemoveFreeNotification(component);
  }
  if (active_) RemoveProviderFilter(provider);
}

void TFilterGraph::AddEventReceiver(IGraphEventReceiver* receiver) {
  if (!receiver || IsLinked(receiver)) return;
  auto* component = dynamic_cast<fw::Component*>(receiver);
  if (!receivers_) receivers_ = std::make_unique<std::vector<ReceiverLink>>();
  receivers_->push_back({receiver, component});
  if (component) FreeNotification(component);
}

void TFilterGraph::RemoveEventReceiver(IGraphEventReceiver* receiver) {
  if (!IsLinked(receiver)) return;
  auto& list = *receivers_;
  fw::Component* component = nullptr;
  for (auto it = list.begin(); it != list.end(); ++it) {
    if (it->receiver == receiver) {
      component = it->component;
      list.erase(it);
      break;
    }
  }
  if (list.empty()) receivers_.reset();
  if (component && !IsLinked(dynamic_cast<IGraphFilterProvider*>(component))) {
    RemoveFreeNotification(component);
  }
}

void TFilterGraph::SendControlCode(TControlCode code, long param) {
  if (!receivers_) return;
  const std::vector<ReceiverLink> pass = *receivers_;
  for (const ReceiverLink& link : pass) {
    if (IsLinked(link.receiver)) link.receiver->HandleControlCode(code, param);
  }
}

void TFilterGraph::DrainGraphEvents() {
  while (events_) {
    base::ComPtr<IMediaEventEx> events = events_;
    long event = 0;
    LONG_PTR param1 = 0, param2 = 0;
    if (events->GetEvent(&event, &param1, &param2, 0) != S_OK) break;
    struct FreeParams {
      IMediaEventEx* events;
      long event;
      LONG_PTR param1, param2;
      ~FreeParams() { events->FreeEventParams(event, param1, param2); }
    } freeParams{events.Get(), event, param1, param2};
    DispatchGraphEvent(event, param1, param2);
  }
}

HRESULT TFilterGraph::SelectedFilter(IMoniker* moniker) {
  return fw::GuardValue("TFilterGraph SelectedFilter", E_FAIL, [&]() -> HRESULT {
    if (!OnSelectedFilter) return S_OK;
    GUID classId = GUID_NULL;
    std::wstring name;
    base::ComPtr<IPropertyBag> bag;
    if (moniker &&
        SUCCEEDED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.ReceiveVoid())) &&
        bag) {
      base::ScopedVariant value;
      if (SUCCEEDED(bag->Read(L"CLSID", value.Receive(), nullptr)) && value.Get()->vt == VT_BSTR &&
          value.Get()->bstrVal) {
        if (FAILED(CLSIDFromString(value.Get()->bstrVal, &classId))) classId = GUID_NULL;
      }
      base::ScopedVariant friendly;
      if (SUCCEEDED(bag->Read(L"FriendlyName", friendly.Receive(), nullptr)) &&
          friendly.Get()->vt == VT_BSTR && friendly.Get()->bstrVal) {
        name = friendly.Get()->bstrVal;
      }
    }
    return OnSelectedFilter(moniker, name, classId) ? S_OK : E_FAIL;
  });
}

HRESULT TFilterGraph::CreatedFilter(IBaseFilter* filter) {
  return fw::GuardValue("TFilterGraph CreatedFilter", E_FAIL, [&]() -> HRESULT {
    if (!OnCreatedFilter) return S_OK;
    GUID classId = GUID_NULL;
    if (filter) filter->GetClassID(&classId);
    return OnCreatedFilter(filter, classId) ? S_OK : E_FAIL;
  });
}

HRESULT TFilterGraph::UnableToRender(IPin* pin) {
  return fw::GuardValue("TFilterGraph UnableToRender", S_FALSE, [&]() -> HRESULT {
    if (!pin) return S_FALSE;
    PIN_INFO pinInfo = {};
    if (FAILED(pin->QueryPinInfo(&pinInfo))) return S_FALSE;
    base::ComPtr<IBaseFilter> filter;
    filter.Attach(pinInfo.pFilter);
    if (!filter) return S_FALSE;
    FILTER_INFO filterInfo = {};
    if (FAILED(filter->QueryFilterInfo(&filterInfo))) return S_FALSE;
    base::ComPtr<IFilterGraph> graph;
    graph.Attach(filterInfo.pGraph);
    if (!graph) return S_FALSE;
    auto services = graph.As<IServiceProvider>();
    if (!services) return S_FALSE;
    base::ComPtr<IFilterGraphComponent> found;
    if (FAILED(services->QueryService(SID_FilterGraphComponent, SID_FilterGraphComponent,
                                      found.ReceiveVoid())) ||
        !found) {
      return S_FALSE;
    }
    TFilterGraph* component = found->Component();
    if (!component || !component->OnUnableToRender) return S_FALSE;
    return component->OnUnableToRender(pin) ? S_OK : S_FALSE;
  });
}

void TGraphClient::SetFilterGraph(TFilterGraph* graph) {
  if (graph == filterGraph_) return;
  if (TFilterGraph* old = filterGraph_) {
    filterGraph_ = nullptr;
    if (linkedProvider_) old->RemoveFilterProvider(std::exchange(linkedProvider_, nullptr));
    if (linkedReceiver_) old->RemoveEventReceiver(std::exchange(linkedReceiver_, nullptr));
  }
  if (!graph) return;
  filterGraph_ = graph;
  linkedProvider_ = AsFilterProvider();
  linkedReceiver_ = AsEventReceiver();
  if (linkedProvider_) graph->AddFilterProvider(linkedProvider_);
  if (linkedReceiver_) graph->AddEventReceiver(linkedReceiver_);
  graph->FreeNotification(this);
}

TGraphClient::~TGraphClient() {
  // The graph hears this component's removal and forgets it; nothing is called here, the
  // derived part being gone already.
  filterGraph_ = nullptr;
}

void TGraphClient::Notification(fw::Component* component, Operation operation) {
  if (operation == Operation::kRemove && component == filterGraph_) {
    filterGraph_ = nullptr;
    linkedProvider_ = nullptr;
    linkedReceiver_ = nullptr;
  }
  fw::Component::Notification(component, operation);
}

}  // namespace mediagraph
