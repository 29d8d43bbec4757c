#include "mediagraph/media_graph_util.h"

#include <errors.h>

#include <cmath>
#include <cstdio>
#include <cstring>

namespace mediagraph {

std::string GraphErrorMessage(const std::string& text, HRESULT code) {
  char suffix[32];
  std::snprintf(suffix, sizeof suffix, " ($%lX).", static_cast<unsigned long>(code));
  return text + suffix;
}

EDirectShowException::EDirectShowException(HRESULT code)
    : EDirectShowException(GraphErrorText(code), code) {}
EDirectShowException::EDirectShowException(const std::string& text, HRESULT code)
    : fw::Error(GraphErrorMessage(text, code), code), resultCode_(code) {}

EMediaGraphException::EMediaGraphException(HRESULT code)
    : EMediaGraphException(GraphErrorText(code), code) {}
EMediaGraphException::EMediaGraphException(const std::string& text, HRESULT code)
    : fw::Error(GraphErrorMessage(text, code), code), resultCode_(code) {}

HRESULT CheckGraphResult(HRESULT code) {
  if (FAILED(code)) throw EDirectShowException(code);
  return code;
}

std::string GraphErrorText(HRESULT code) {
  char text[256] = {};
  DWORD length = AMGetErrorTextA(code, text, sizeof text);
  if (length >= sizeof text) length = sizeof text - 1;
  return std::string(text, length);
}

std::string RotItemName(IUnknown* graph, DWORD processId) {
  char name[64];
  // Integer values, not %p: its form differs between runtimes.
  std::snprintf(name, sizeof name, "FilterGraph %08X pid %X",
                static_cast<unsigned>(reinterpret_cast<UINT_PTR>(graph)),
                static_cast<unsigned>(processId));
  return name;
}

HRESULT AddGraphToRot(IUnknown* graph, DWORD* cookie) {
  *cookie = 0;
  base::ComPtr<IRunningObjectTable> table;
  HRESULT hr = GetRunningObjectTable(0, table.Receive());
  if (FAILED(hr)) return hr;
  const std::string item = RotItemName(graph, GetCurrentProcessId());
  std::wstring wide(item.begin(), item.end());
  base::ComPtr<IMoniker> moniker;
  hr = CreateItemMoniker(L"!", wide.c_str(), moniker.Receive());
  if (FAILED(hr)) return hr;
  hr = table->Register(0, graph, moniker.Get(), cookie);
  if (FAILED(hr)) *cookie = 0;
  return hr;
}

HRESULT RemoveGraphFromRot(DWORD cookie) {
  base::ComPtr<IRunningObjectTable> table;
  HRESULT hr = GetRunningObjectTable(0, table.Receive());
  if (FAILED(hr)) return hr;
  return table->Revoke(cookie);
}

namespace {

// round() with ties to even, as the system's own conversion rounds.
long RoundEven(double value) { return std::lrint(std::nearbyint(value)); }

constexpr double kDecibelScale = 1085.73;

}  // namespace

long LinearToVolume(long volume) {
  return RoundEven(std::log(static_cast<double>(volume) + 1) * kDecibelScale) - 10000;
}

long LinearToBalance(long balance) {
  const long x = RoundEven(std::log(std::fabs(static_cast<double>(balance)) + 1) * kDecibelScale);
  return balance >= 0 ? -x : x;
}

TFilterList::TFilterList(IFilterGraph* graph) : graph_(graph) {
  if (!graph) return;
  base::ComPtr<IEnumFilters> filters;
  if (FAILED(graph->EnumFilters(filters.Receive())) || !filters) return;
  for (;;) {
    base::ComPtr<IBaseFilter> filter;
    if (filters->Next(1, filter.Receive(), nullptr) != S_OK) break;
    items_.push_back(std::move(filter));
  }
}

bool TFilterList::Remove(IBaseFilter* filter) {
  for (auto it = items_.begin(); it != items_.end(); ++it) {
    if (it->Get() == filter) {
      items_.erase(it);
      return true;
    }
  }
  return false;
}

TPinList::TPinList(IBaseFilter* filter) : filter_(filter) {
  if (!filter) return;
  base::ComPtr<IEnumPins> pins;
  if (FAILED(filter->EnumPins(pins.Receive())) || !pins) return;
  for (;;) {
    base::ComPtr<IPin> pin;
    if (pins->Next(1, pin.Receive(), nullptr) != S_OK) break;
    items_.push_back(std::move(pin));
  }
}

bool TPinList::Connected(size_t index) const { return ConnectedTo(index) != nullptr; }

base::ComPtr<IPin> TPinList::ConnectedTo(size_t index) const {
  base::ComPtr<IPin> other;
  if (FAILED(Item(index)->ConnectedTo(other.Receive()))) other.Reset();
  return other;
}

}  // namespace mediagraph

namespace mediagraph {

void CopyMediaTypeRecord(AM_MEDIA_TYPE* target, const AM_MEDIA_TYPE* source) {
  if (!target || !source || target == source) {
    throw fw::Error("CopyMediaTypeRecord: target and source are the same record", E_INVALIDARG);
  }
  if (source->cbFormat != 0 && !source->pbFormat) {
    throw fw::Error("CopyMediaTypeRecord: a format length without a format block",
                    E_INVALIDARG);
  }
  *target = *source;
  target->pbFormat = nullptr;
  if (source->cbFormat != 0) {
    target->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(source->cbFormat));
    if (target->pbFormat) {
      memcpy(target->pbFormat, source->pbFormat, source->cbFormat);
    } else {
      target->cbFormat = 0;
    }
  }
  if (target->pUnk) target->pUnk->AddRef();
}

void FreeMediaTypeRecord(AM_MEDIA_TYPE* record) noexcept {
  if (!record) return;
  if (record->cbFormat != 0 || record->pbFormat) {
    CoTaskMemFree(record->pbFormat);
    record->cbFormat = 0;
    record->pbFormat = nullptr;
  }
  if (record->pUnk) {
    record->pUnk->Release();
    record->pUnk = nullptr;
  }
}

TMediaType::TMediaType(const GUID& majorType) : record_{} {
  record_.bFixedSizeSamples = -1;
  record_.lSampleSize = 1;
  record_.majortype = majorType;
}

TMediaType::TMediaType(const TMediaType& other) : record_{} {
  CopyMediaTypeRecord(&record_, &other.record_);
}

TMediaType::~TMediaType() { FreeMediaTypeRecord(&record_); }

void TMediaType::Assign(const TMediaType& source) {
  if (&source == this) return;
  FreeMediaTypeRecord(&record_);
  CopyMediaTypeRecord(&record_, &source.record_);
}

bool TMediaType::IsEqual(const TMediaType& other) const {
  const AM_MEDIA_TYPE& a = record_;
  const AM_MEDIA_TYPE& b = other.record_;
  if (!IsEqualGUID(a.majortype, b.majortype) || !IsEqualGUID(a.subtype, b.subtype) ||
      !IsEqualGUID(a.formattype, b.formattype) || a.cbFormat != b.cbFormat) {
    return false;
  }
  if (a.cbFormat == 0) return true;
  if (!a.pbFormat || !b.pbFormat) return a.pbFormat == b.pbFormat;
  return memcmp(a.pbFormat, b.pbFormat, a.cbFormat) == 0;
}

void TMediaType::ResetFormatBuffer() {
  if (record_.pbFormat) CoTaskMemFree(record_.pbFormat);
  record_.cbFormat = 0;
  record_.pbFormat = nullptr;
}

std::string TMediaType::WriteData() const {
  std::string data(reinterpret_cast<const char*>(&record_), sizeof record_);
  if (record_.cbFormat != 0 && record_.pbFormat) {
    data.append(reinterpret_cast<const char*>(record_.pbFormat), record_.cbFormat);
  }
  return data;
}

bool TMediaType::ReadData(const std::string& data) {
  FreeMediaTypeRecord(&record_);
  if (data.size() < sizeof record_) return false;
  AM_MEDIA_TYPE read;
  memcpy(&read, data.data(), sizeof read);
  read.pUnk = nullptr;
  read.pbFormat = nullptr;
  const size_t rest = data.size() - sizeof read;
  if (read.cbFormat > rest) return false;
  if (read.cbFormat != 0) {
    read.pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(read.cbFormat));
    if (!read.pbFormat) return false;
    memcpy(read.pbFormat, data.data() + sizeof read, read.cbFormat);
  }
  record_ = read;
  return true;
}

}  // namespace mediagraph
