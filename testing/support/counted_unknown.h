// An IUnknown that only counts its references and never deletes itself: it lives on a test's
// stack, and the test reads `refs` to see who took or gave back a reference.
#pragma once

#include <unknwn.h>

namespace testing_support {

class CountedUnknown : public IUnknown {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (IsEqualIID(iid, IID_IUnknown)) {
      *out = this;
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs; }
  ULONG refs = 1;
};

}  // namespace testing_support
