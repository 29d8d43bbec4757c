// TSampleGrabber: a non-visual component that puts the platform's Sample Grabber filter into
// the graph of a linked TFilterGraph, asks it for one media type, and hands every sample to
// OnBuffer on the streaming thread. FrameToBitmap turns the current frame into a DIB section.
#pragma once

// qedit.h declares the grabber's interfaces; the class id is only in libstrmiids.
#include <dshow.h>
#include <qedit.h>
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>

#include "base/com_ptr.h"
#include "base/critical_section.h"
#include "framework/bitmap.h"
#include "mediagraph/media_graph.h"
#include "mediagraph/media_graph_util.h"

extern "C" const CLSID CLSID_SampleGrabber;

namespace mediagraph {

class TSampleGrabber;
class GrabberCallback;

using TOnBuffer = std::function<void(TSampleGrabber* sender, double sampleTime, BYTE* buffer,
                                     long bufferLen)>;

// The frame `grabber` is connected for, as a new DIB section handed to `bitmap`: from
// `buffer` (`length` bytes) or, with no buffer, from the grabber's current sample. False, the
// bitmap unchanged, for a missing bitmap, a buffer of length 0, a type that is not video with
// an 88-byte VideoInfo or 112-byte VideoInfo2 block, or no sample.
bool FrameToBitmap(ISampleGrabber* grabber, fw::Bitmap* bitmap, const BYTE* buffer, long length);

class TSampleGrabber : public TGraphClient,
                       public IGraphFilterProvider,
                       public IGraphEventReceiver {
 public:
  // Raises fw::Error when the Sample Grabber filter cannot be made on this machine.
  explicit TSampleGrabber(fw::Component* owner = nullptr);
  ~TSampleGrabber() override;

  TOnBuffer OnBuffer;
  TMediaType& MediaType() { return mediaType_; }
  void SetMediaType(const TMediaType& type) { mediaType_.Assign(type); }

  // Sets the media type on the filter, disconnecting its input, while the filter is in a
  // graph.
  void UpdateMediaType();
  bool FrameToBitmap(fw::Bitmap* bitmap, const BYTE* buffer, long length);

  // ISampleGrabberCB, reached through the callback object while the filter is linked.
  HRESULT BufferCB(double sampleTime, BYTE* buffer, long length);
  HRESULT SampleCB(double sampleTime, IMediaSample* sample);

  // The callback object's interfaces, then, while the filter exists, the filter's.
  HRESULT QueryInterface(REFIID iid, void** out);

  // IGraphFilterProvider
  base::ComPtr<IBaseFilter> ProvidedFilter() override { return filter_; }
  std::wstring ProvidedFilterName() override;
  void HandleGraphOperation(TGraphOperation operation, long param) override;

  // IGraphEventReceiver: at ccFileRendered the filter splices itself into a video path
  // rendered past it; nothing else.
  void HandleGraphEvent(long, LONG_PTR, LONG_PTR) override {}
  void HandleControlCode(TControlCode code, long param) override;

 protected:
  IGraphFilterProvider* AsFilterProvider() override { return this; }
  IGraphEventReceiver* AsEventReceiver() override { return this; }

 private:
  void CutOffCallback();
  void SpliceIntoVideoPath();

  base::ComPtr<IBaseFilter> filter_;
  TMediaType mediaType_;
  base::CriticalSection lock_;
  base::ComPtr<ISampleGrabber> grabber_;
  base::ComPtr<IPin> inputPin_;
  base::ComPtr<IPin> outputPin_;
  GrabberCallback* callback_ = nullptr;  // one reference held while linked
};

}  // namespace mediagraph
