// What the graph tests share: a component that links to a TFilterGraph as a filter provider
// (the platform's Video Renderer,
// as the video window component adds) and an event receiver, and writes down every call
// it hears, in order.
#pragma once

#include <dshow.h>
#include <windows.h>

#include <string>
#include <vector>

#include "mediagraph/media_graph.h"

namespace mediagraph_tests {

using Log = std::vector<std::string>;

class TestClient : public mediagraph::TGraphClient,
                   public mediagraph::IGraphFilterProvider,
                   public mediagraph::IGraphEventReceiver {
 public:
  TestClient(Log* log, const std::string& name, bool provides = true, bool receives = true,
             fw::Component* owner = nullptr)
      : TGraphClient(owner), log_(log), provides_(provides), receives_(receives) {
    SetName(name);
  }
  ~TestClient() override { SetFilterGraph(nullptr); }

  base::ComPtr<IBaseFilter> ProvidedFilter() override {
    log_->push_back(Name() + " filter");
    return filter;
  }
  std::wstring ProvidedFilterName() override {
    log_->push_back(Name() + " name");
    return std::wstring(Name().begin(), Name().end());
  }
  void HandleGraphOperation(mediagraph::TGraphOperation operation, long) override {
    log_->push_back(Name() + " op" + std::to_string(operation));
    if (operation == mediagraph::opBeforeAdd) {
      CoCreateInstance(CLSID_VideoRenderer, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                       filter.ReceiveVoid());
    } else if (operation == mediagraph::opAfterRemove) {
      filter.Reset();
    }
  }
  void HandleGraphEvent(long event, LONG_PTR, LONG_PTR) override {
    log_->push_back(Name() + " event" + std::to_string(event));
    if (onEvent) onEvent(event);
  }
  void HandleControlCode(mediagraph::TControlCode code, long param) override {
    log_->push_back(Name() + " cc" + std::to_string(code) + ":" + std::to_string(param));
    if (onControlCode) onControlCode(code, param);
  }

  base::ComPtr<IBaseFilter> filter;
  std::function<void(long)> onEvent;
  std::function<void(mediagraph::TControlCode, long)> onControlCode;

 protected:
  mediagraph::IGraphFilterProvider* AsFilterProvider() override {
    return provides_ ? this : nullptr;
  }
  mediagraph::IGraphEventReceiver* AsEventReceiver() override { return receives_ ? this : nullptr; }

 private:
  Log* log_;
  bool provides_;
  bool receives_;
};

// The filters in `graph` and their names.
std::vector<std::wstring> FilterNames(IFilterGraph* graph);
// True when no pin of any filter in `graph` is connected.
bool NothingConnected(IFilterGraph* graph);
// Windows path of a file the CTest fixture wrote (beside the test program, in "media").
std::wstring MediaFile(const char* name);

}  // namespace mediagraph_tests
