// The filter graph's site: a small reference-counted object that leads the graph's
// filter-selection callbacks back to its TFilterGraph until that one deactivates.
#pragma once

#include <dshow.h>
#include <servprov.h>
#include <windows.h>

namespace mediagraph {

class TFilterGraph;

// The platform's interface, declared here because MinGW-w64's header leaves the calling
// convention off UnableToRender.
// {56A868FD-0AD4-11CE-B0A3-0020AF0BA770}
constexpr GUID IID_FilterGraphCallback = {
    0x56A868FD, 0x0AD4, 0x11CE, {0xB0, 0xA3, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
struct IFilterGraphCallback : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE UnableToRender(IPin* pin) = 0;
};

// What QueryService hands out for the component's service id.
struct IFilterGraphComponent : public IUnknown {
  // Null once the component has deactivated.
  virtual TFilterGraph* STDMETHODCALLTYPE Component() = 0;
};

class GraphSite final : public IAMGraphBuilderCallback,
                        public IFilterGraphCallback,
                        public IServiceProvider,
                        public IFilterGraphComponent {
 public:
  explicit GraphSite(TFilterGraph* owner) : owner_(owner) {}
  GraphSite(const GraphSite&) = delete;
  GraphSite& operator=(const GraphSite&) = delete;

  void CutOff() { owner_ = nullptr; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  HRESULT STDMETHODCALLTYPE SelectedFilter(IMoniker* moniker) override;
  HRESULT STDMETHODCALLTYPE CreatedFilter(IBaseFilter* filter) override;
  HRESULT STDMETHODCALLTYPE UnableToRender(IPin* pin) override;
  HRESULT STDMETHODCALLTYPE QueryService(REFGUID service, REFIID iid, void** out) override;
  TFilterGraph* STDMETHODCALLTYPE Component() override { return owner_; }

 private:
  ~GraphSite() = default;
  LONG refs_ = 1;
  TFilterGraph* owner_;
};

}  // namespace mediagraph
