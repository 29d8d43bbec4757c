#include "mediagraph/graph_site.h"

#include "base/scoped_variant.h"
#include "framework/exception_guard.h"
#include "mediagraph/media_graph.h"

namespace mediagraph {

HRESULT GraphSite::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IAMGraphBuilderCallback)) {
    *out = static_cast<IAMGraphBuilderCallback*>(this);
  } else if (IsEqualIID(iid, IID_FilterGraphCallback)) {
    *out = static_cast<IFilterGraphCallback*>(this);
  } else if (IsEqualIID(iid, IID_IServiceProvider)) {
    *out = static_cast<IServiceProvider*>(this);
  } else if (IsEqualIID(iid, SID_FilterGraphComponent)) {
    *out = static_cast<IFilterGraphComponent*>(this);
  } else {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

ULONG GraphSite::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }

ULONG GraphSite::Release() {
  const LONG left = InterlockedDecrement(&refs_);
  if (left == 0) delete this;
  return static_cast<ULONG>(left);
}

HRESULT GraphSite::SelectedFilter(IMoniker* moniker) {
  return owner_ ? owner_->SelectedFilter(moniker) : S_OK;
}

HRESULT GraphSite::CreatedFilter(IBaseFilter* filter) {
  return owner_ ? owner_->CreatedFilter(filter) : S_OK;
}

HRESULT GraphSite::UnableToRender(IPin* pin) { return TFilterGraph::UnableToRender(pin); }

HRESULT GraphSite::QueryService(REFGUID service, REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!IsEqualGUID(service, SID_FilterGraphComponent) ||
      !IsEqualIID(iid, SID_FilterGraphComponent)) {
    return E_NOINTERFACE;
  }
  return QueryInterface(iid, out);
}

}  // namespace mediagraph
