#include "mediagraph/media_graph_util.h"

#include <errors.h>

#include <cmath>
#include <cstdio>

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
