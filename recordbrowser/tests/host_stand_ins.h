// What the form's tests put where its host and the system would be: the host's sink for
// OnRemoved and the HKEY_CLASSES_ROOT a test sets out for the media-type icons.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace vantrel_tests {

// A host's sink that writes down OnRemoved.
class RemovedSink : public IDispatch {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == IID_IDispatch) {
      *out = this;
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs; }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* p, VARIANT*,
                                   EXCEPINFO*, UINT*) override {
    if (id == 209 && p->cArgs == 2 && p->rgvarg[1].vt == VT_BSTR && p->rgvarg[0].vt == VT_I4) {
      removed.push_back({p->rgvarg[1].bstrVal ? p->rgvarg[1].bstrVal : L"", p->rgvarg[0].lVal});
    }
    return S_OK;
  }
  ULONG refs = 1;
  std::vector<std::pair<std::wstring, long>> removed;
};

// HKEY_CLASSES_ROOT as the icon tests give it: key -> default value.
inline std::map<std::string, std::string>& Classes() {
  static std::map<std::string, std::string> classes;
  return classes;
}
inline std::string ReadClasses(const std::string& key) {
  const auto it = Classes().find(key);
  return it == Classes().end() ? std::string() : it->second;
}

}  // namespace vantrel_tests
