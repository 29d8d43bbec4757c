// Helpers of the DirectShow graph units: the result check and its exceptions, the running
// object table, the linear audio scales and the filter and pin lists of a graph.
#pragma once

#include <dshow.h>
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "base/com_ptr.h"
#include "framework/error.h"

namespace mediagraph {

// A failed DirectShow call. The message is the system's text for the code followed by
// " ($<code in upper-case hex>).".
class EDirectShowException : public fw::Error {
 public:
  explicit EDirectShowException(HRESULT code);
  EDirectShowException(const std::string& text, HRESULT code);
  HRESULT ResultCode() const noexcept { return resultCode_; }

 private:
  HRESULT resultCode_;
};

// Raised by the video window for failures of its own; same message form.
class EMediaGraphException : public fw::Error {
 public:
  explicit EMediaGraphException(HRESULT code);
  EMediaGraphException(const std::string& text, HRESULT code);
  HRESULT ResultCode() const noexcept { return resultCode_; }

 private:
  HRESULT resultCode_;
};

// "<text> ($%X)." for `code`.
std::string GraphErrorMessage(const std::string& text, HRESULT code);

// A failure raises EDirectShowException; any other code comes back unchanged.
HRESULT CheckGraphResult(HRESULT code);

// The system's text for `code` (AMGetErrorTextA, at most 255 characters).
std::string GraphErrorText(HRESULT code);

// Registers `graph` in the running object table as "!FilterGraph <graph> pid <pid>" so
// graph viewers can attach; `cookie` is left at 0 on failure.
HRESULT AddGraphToRot(IUnknown* graph, DWORD* cookie);
HRESULT RemoveGraphFromRot(DWORD cookie);
// The item name AddGraphToRot uses.
std::string RotItemName(IUnknown* graph, DWORD processId);

// Linear 0..10000 to IBasicAudio's hundredths of a decibel, -10000..0.
long LinearToVolume(long volume);
// Linear -10000..10000 to IBasicAudio's balance; the sign is turned over.
long LinearToBalance(long balance);

// The filters of a graph at the time the list was made.
class TFilterList {
 public:
  explicit TFilterList(IFilterGraph* graph);
  IFilterGraph* Graph() const { return graph_.Get(); }
  size_t Count() const { return items_.size(); }
  IBaseFilter* Item(size_t index) const { return items_.at(index).Get(); }
  // Takes `filter` out of the list (not out of the graph); false when it was not there.
  bool Remove(IBaseFilter* filter);

 private:
  base::ComPtr<IFilterGraph> graph_;
  std::vector<base::ComPtr<IBaseFilter>> items_;
};

// The pins of a filter at the time the list was made.
class TPinList {
 public:
  explicit TPinList(IBaseFilter* filter);
  IBaseFilter* Filter() const { return filter_.Get(); }
  size_t Count() const { return items_.size(); }
  IPin* Item(size_t index) const { return items_.at(index).Get(); }
  bool Connected(size_t index) const;
  // The pin connected to pin `index`, or null.
  base::ComPtr<IPin> ConnectedTo(size_t index) const;

 private:
  base::ComPtr<IBaseFilter> filter_;
  std::vector<base::ComPtr<IPin>> items_;
};

static_assert(sizeof(AM_MEDIA_TYPE) == 72, "the platform's 32-bit media type record");

// Deep copy: the 72 bytes, a new task-memory copy of the format block (cbFormat 0 when that
// allocation fails) and a reference to pUnk. `target` must not be `source`, and a source with
// cbFormat must have its block; either fault raises fw::Error. `target`'s old contents are
// overwritten, not freed.
void CopyMediaTypeRecord(AM_MEDIA_TYPE* target, const AM_MEDIA_TYPE* source);
// Frees the format block and releases pUnk; the record itself stays.
void FreeMediaTypeRecord(AM_MEDIA_TYPE* record) noexcept;

// One media type record, owned. Stored as "data": the 72 bytes of the record, then cbFormat
// bytes of format block; pUnk and pbFormat are meaningless in the stream.
class TMediaType {
 public:
  // Zero-filled, fixed-size samples of size 1, major type `majorType`.
  explicit TMediaType(const GUID& majorType = GUID_NULL);
  TMediaType(const TMediaType& other);
  TMediaType& operator=(const TMediaType& other) {
    Assign(other);
    return *this;
  }
  ~TMediaType();

  void Assign(const TMediaType& source);
  bool IsEqual(const TMediaType& other) const;

  AM_MEDIA_TYPE* Record() { return &record_; }
  const AM_MEDIA_TYPE* Record() const { return &record_; }
  uint32_t FormatLength() const { return record_.cbFormat; }
  void ResetFormatBuffer();
  void SetSubtype(const GUID& subtype) { record_.subtype = subtype; }
  void SetFormatType(const GUID& formatType) { record_.formattype = formatType; }

  // The stored form; written only when `ancestor` is null or differs.
  bool ShouldStoreData(const TMediaType* ancestor) const {
    return !ancestor || !IsEqual(*ancestor);
  }
  std::string WriteData() const;
  // False (the record left reset) when `data` is shorter than 72 bytes or than the format
  // block it announces.
  bool ReadData(const std::string& data);

 private:
  AM_MEDIA_TYPE record_;
};

}  // namespace mediagraph
