#include "mediagraph/sample_grabber.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "base/scoped_lock.h"
#include "framework/exception_guard.h"

namespace mediagraph {

// What the filter calls back: it leads to the component until cut off, and a call in flight
// holds the lock, so cutting off waits for it and none follows.
class GrabberCallback final : public ISampleGrabberCB {
 public:
  explicit GrabberCallback(TSampleGrabber* owner) : owner_(owner) {}
  GrabberCallback(const GrabberCallback&) = delete;
  GrabberCallback& operator=(const GrabberCallback&) = delete;

  void CutOff() {
    base::CScopedLock hold(lock_);
    owner_ = nullptr;
  }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_ISampleGrabberCB)) {
      *out = static_cast<ISampleGrabberCB*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&refs_); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return left;
  }
  HRESULT STDMETHODCALLTYPE SampleCB(double sampleTime, IMediaSample* sample) override {
    base::CScopedLock hold(lock_);
    return owner_ ? owner_->SampleCB(sampleTime, sample) : S_OK;
  }
  HRESULT STDMETHODCALLTYPE BufferCB(double sampleTime, BYTE* buffer, long length) override {
    base::CScopedLock hold(lock_);
    return owner_ ? owner_->BufferCB(sampleTime, buffer, length) : S_OK;
  }

 private:
  ~GrabberCallback() = default;
  LONG refs_ = 1;
  base::CriticalSection lock_;
  TSampleGrabber* owner_;
};

namespace {

base::ComPtr<IBaseFilter> CreateGrabberFilter() {
  base::ComPtr<IBaseFilter> filter;
  CoCreateInstance(CLSID_SampleGrabber, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER,
                   IID_IBaseFilter, filter.ReceiveVoid());
  return filter;
}

PIN_DIRECTION Direction(IPin* pin) {
  PIN_DIRECTION direction = PINDIR_INPUT;
  pin->QueryDirection(&direction);
  return direction;
}

bool IsConnected(IPin* pin) {
  base::ComPtr<IPin> peer;
  return pin && SUCCEEDED(pin->ConnectedTo(peer.Receive())) && peer;
}

bool CarriesVideo(IPin* pin) {
  AM_MEDIA_TYPE type = {};
  if (FAILED(pin->ConnectionMediaType(&type))) return false;
  const bool video = IsEqualGUID(type.majortype, MEDIATYPE_Video);
  CoTaskMemFree(type.pbFormat);
  if (type.pUnk) type.pUnk->Release();
  return video;
}

void DisconnectBothEnds(IPin* pin) {
  base::ComPtr<IPin> peer;
  if (SUCCEEDED(pin->ConnectedTo(peer.Receive())) && peer) peer->Disconnect();
  pin->Disconnect();
}

// Room for a header followed by masks or a full colour table, so nothing reads past it.
struct FullBitmapInfo {
  BITMAPINFOHEADER header;
  RGBQUAD colors[256 + 3];
};

}  // namespace

bool FrameToBitmap(ISampleGrabber* grabber, fw::Bitmap* bitmap, const BYTE* buffer,
                   long length) {
  if (!bitmap || (buffer && length == 0) || !grabber) return false;
  AM_MEDIA_TYPE type = {};
  if (grabber->GetConnectedMediaType(&type) != S_OK) return false;
  struct FreeType {
    AM_MEDIA_TYPE* type;
    ~FreeType() { FreeMediaTypeRecord(type); }
  } freeType{&type};
  if (!IsEqualGUID(type.majortype, MEDIATYPE_Video) || !type.pbFormat) return false;
  const BITMAPINFOHEADER* source = nullptr;
  if (IsEqualGUID(type.formattype, FORMAT_VideoInfo) && type.cbFormat == 88) {
    source = reinterpret_cast<const BITMAPINFOHEADER*>(type.pbFormat + 48);
  } else if (IsEqualGUID(type.formattype, FORMAT_VideoInfo2) && type.cbFormat == 112) {
    source = reinterpret_cast<const BITMAPINFOHEADER*>(type.pbFormat + 72);
  } else {
    return false;
  }
  FullBitmapInfo info = {};
  info.header = *source;
  info.header.biSize = sizeof(BITMAPINFOHEADER);
  // 5-5-5 frames say 15; a section knows them as 16.
  if (info.header.biBitCount == 15) info.header.biBitCount = 16;
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS,
                                 &bits, nullptr, 0);
  if (!dib) return false;
  struct DeleteUnlessHandedOver {
    fw::Bitmap* bitmap;
    HBITMAP dib;
    ~DeleteUnlessHandedOver() {
      if (bitmap->Handle() != dib) DeleteObject(dib);
    }
  } keep{bitmap, dib};
  if (!bits) return false;

  const int64_t bpp = info.header.biBitCount;
  const int64_t stride = (info.header.biWidth * bpp + 31) / 32 * 4;
  const int64_t height = info.header.biHeight < 0 ? -int64_t{info.header.biHeight}
                                                  : int64_t{info.header.biHeight};
  const int64_t sectionSize = stride * height;
  int64_t imageSize = info.header.biSizeImage ? info.header.biSizeImage : sectionSize;
  imageSize = std::min(imageSize, sectionSize);
  if (imageSize <= 0) return false;

  if (buffer) {
    memcpy(bits, buffer, static_cast<size_t>(std::min<int64_t>(imageSize, length)));
  } else {
    long size = 0;
    if (FAILED(grabber->GetCurrentBuffer(&size, nullptr)) || size < 1) return false;
    // The grabber refuses a buffer smaller than its sample, so the whole sample is read.
    std::vector<BYTE> sample(static_cast<size_t>(size));
    if (FAILED(grabber->GetCurrentBuffer(&size, reinterpret_cast<long*>(sample.data())))) {
      return false;
    }
    const int64_t got = std::min<int64_t>(size, static_cast<int64_t>(sample.size()));
    memcpy(bits, sample.data(), static_cast<size_t>(std::min(imageSize, got)));
  }
  bitmap->SetHandle(dib);
  return bitmap->Handle() == dib;
}

TSampleGrabber::TSampleGrabber(fw::Component* owner)
    : TGraphClient(owner), mediaType_(MEDIATYPE_Video) {
  if (!CreateGrabberFilter()) {
    throw fw::Error(std::string("The SampleGrabber Filter is not available on this system. (") +
                        __FILE__ + ", line " + std::to_string(__LINE__) + ")",
                    REGDB_E_CLASSNOTREG);
  }
  mediaType_.SetSubtype(MEDIASUBTYPE_RGB24);
  mediaType_.SetFormatType(FORMAT_VideoInfo);
}

TSampleGrabber::~TSampleGrabber() {
  fw::GuardVoid("TSampleGrabber destruction", [this] { SetFilterGraph(nullptr); });
  CutOffCallback();
}

std::wstring TSampleGrabber::ProvidedFilterName() {
  return std::wstring(Name().begin(), Name().end());
}

void TSampleGrabber::CutOffCallback() {
  if (!callback_) return;
  callback_->CutOff();
  callback_->Release();
  callback_ = nullptr;
}

void TSampleGrabber::UpdateMediaType() {
  if (!grabber_) return;
  if (filter_) filter_->Stop();
  if (inputPin_) DisconnectBothEnds(inputPin_.Get());
  grabber_->SetMediaType(mediaType_.Record());
}

void TSampleGrabber::HandleGraphOperation(TGraphOperation operation, long) {
  switch (operation) {
    case opBeforeAdd:
      filter_ = CreateGrabberFilter();
      break;
    case opAfterAdd: {
      if (!filter_) break;
      filter_.QueryInterface(IID_ISampleGrabber, &grabber_);
      TPinList pins(filter_.Get());
      if (pins.Count() > 0) inputPin_ = base::ComPtr<IPin>(pins.Item(0));
      if (pins.Count() > 1) outputPin_ = base::ComPtr<IPin>(pins.Item(1));
      UpdateMediaType();
      if (grabber_) {
        grabber_->SetBufferSamples(TRUE);
        if (!callback_) callback_ = new GrabberCallback(this);
        grabber_->SetCallback(callback_, 1);
      }
      break;
    }
    case opBeforeRemove:
      // Both ends, downstream first: a peer left connected to a pin of a filter that goes
      // would point at freed memory.
      if (filter_) filter_->Stop();
      if (outputPin_) DisconnectBothEnds(outputPin_.Get());
      if (inputPin_) DisconnectBothEnds(inputPin_.Get());
      break;
    case opAfterRemove:
      if (grabber_) {
        grabber_->SetCallback(nullptr, 1);
        grabber_->SetBufferSamples(FALSE);
      }
      CutOffCallback();
      filter_.Reset();
      grabber_.Reset();
      inputPin_.Reset();
      outputPin_.Reset();
      break;
    case opRefresh:
      UpdateMediaType();
      break;
  }
}

void TSampleGrabber::HandleControlCode(TControlCode code, long) {
  if (code == ccFileRendered) SpliceIntoVideoPath();
}

void TSampleGrabber::SpliceIntoVideoPath() {
  if (!filter_ || !inputPin_ || !outputPin_ || IsConnected(inputPin_.Get()) || !FilterGraph()) {
    return;
  }
  auto graph = FilterGraph()->Query<IGraphBuilder>(IID_IGraphBuilder);
  if (!graph) return;
  TFilterList filters(graph.Get());
  for (size_t i = 0; i < filters.Count(); ++i) {
    if (filters.Item(i) == filter_.Get()) continue;
    TPinList pins(filters.Item(i));
    bool hasOutput = false;
    for (size_t p = 0; p < pins.Count(); ++p) {
      if (Direction(pins.Item(p)) == PINDIR_OUTPUT) hasOutput = true;
    }
    if (hasOutput) continue;
    for (size_t p = 0; p < pins.Count(); ++p) {
      IPin* rendererPin = pins.Item(p);
      base::ComPtr<IPin> feeding = pins.ConnectedTo(p);
      if (!feeding || !CarriesVideo(rendererPin)) continue;
      rendererPin->Disconnect();
      feeding->Disconnect();
      if (SUCCEEDED(graph->Connect(feeding.Get(), inputPin_.Get())) &&
          SUCCEEDED(graph->Render(outputPin_.Get()))) {
        return;
      }
      DisconnectBothEnds(outputPin_.Get());
      DisconnectBothEnds(inputPin_.Get());
      graph->Connect(feeding.Get(), rendererPin);
      return;
    }
  }
}

HRESULT TSampleGrabber::BufferCB(double sampleTime, BYTE* buffer, long length) {
  if (!OnBuffer) return S_OK;
  base::CScopedLock hold(lock_);
  fw::GuardVoid("TSampleGrabber OnBuffer",
                [&] { OnBuffer(this, sampleTime, buffer, length); });
  return S_OK;
}

HRESULT TSampleGrabber::SampleCB(double, IMediaSample*) { return S_OK; }

bool TSampleGrabber::FrameToBitmap(fw::Bitmap* bitmap, const BYTE* buffer, long length) {
  return mediagraph::FrameToBitmap(grabber_.Get(), bitmap, buffer, length);
}

HRESULT TSampleGrabber::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (callback_ && (IsEqualIID(iid, IID_ISampleGrabberCB) || IsEqualIID(iid, IID_IUnknown))) {
    return callback_->QueryInterface(iid, out);
  }
  if (!filter_) return E_NOINTERFACE;
  return filter_->QueryInterface(iid, out);
}

}  // namespace mediagraph
