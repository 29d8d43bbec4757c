// An in-memory property bag, as an HTML page's <param> tags or a form designer offer one.
#pragma once

#include <windows.h>

#include <ocidl.h>

#include <map>
#include <string>

#include "base/com_ptr.h"
#include "base/scoped_variant.h"

namespace test_container {

class MemoryPropertyBag final : public IPropertyBag {
 public:
  static base::ComPtr<MemoryPropertyBag> Create();

  // What has been written (or set), by name.
  std::map<std::wstring, base::ScopedVariant>& Values() { return values_; }
  void SetText(const std::wstring& name, const std::wstring& text);

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE Read(LPCOLESTR name, VARIANT* value, IErrorLog* log) override;
  HRESULT STDMETHODCALLTYPE Write(LPCOLESTR name, VARIANT* value) override;

 private:
  MemoryPropertyBag() = default;
  LONG refs_ = 1;
  std::map<std::wstring, base::ScopedVariant> values_;
};

}  // namespace test_container
