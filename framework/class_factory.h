// Class factories: one static object per creatable class, listed in the module from its
// construction on, found by DllGetClassObject and asked to (un)register itself by
// DllRegisterServer and DllUnregisterServer.
//
//   const fw::ControlClass kSampleClass = {...};
//   fw::ControlFactory<CSampleCtrl> g_sampleFactory(kSampleClass);
#pragma once

#include <windows.h>

#include <ocidl.h>

#include <new>

#include "framework/connection_point.h"
#include "framework/exception_guard.h"
#include "framework/module.h"

namespace fw {

// The fixed description of a control class, shared by its factory and its objects.
struct ControlClass {
  const CLSID* clsid;
  const char* progId;
  UINT typeNameId;       // string resource
  UINT toolboxBitmapId;  // bitmap resource
  unsigned regFlags;     // RegistrationFlags
  DWORD miscStatus;      // OLEMISC_*
  const IID* dispatchIid;
  const IID* eventIid;  // default source; null for a control without events
  const CLSID* const* propertyPages;
  size_t propertyPageCount;
  ULONG persistVersion;  // the "_Version" stamp, 0x00010000 for 1.0
  SinkPolicy sinkPolicy = SinkPolicy::kEventInterfaceOrDispatch;  // the sinks Advise takes
};

struct PropertyPageClass {
  const CLSID* clsid;
  const char* progId;
  UINT typeNameId;
  unsigned regFlags;
};

class ClassFactory : public IClassFactory {
 public:
  explicit ClassFactory(REFCLSID clsid);
  ClassFactory(const ClassFactory&) = delete;
  ClassFactory& operator=(const ClassFactory&) = delete;
  virtual ~ClassFactory();

  REFCLSID Clsid() const { return clsid_; }
  virtual HRESULT UpdateRegistry(bool registering) = 0;

  // IUnknown: the factory lives as long as the module; references keep the module loaded.
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  // IClassFactory
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override;
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

 protected:
  // A new object answering `iid`; the caller's reference is the only one.
  virtual HRESULT CreateObject(REFIID iid, void** out) = 0;

  // Creates a T and hands out `iid` of it; T's QueryInterface and Release are its own.
  template <class T>
  static HRESULT NewObject(REFIID iid, void** out) {
    T* object = new (std::nothrow) T();
    if (!object) return E_OUTOFMEMORY;
    const HRESULT hr = object->QueryInterface(iid, out);
    object->Release();
    return hr;
  }

 private:
  CLSID clsid_;
};

HRESULT UpdateControlRegistry(const ControlClass& cls, bool registering);
HRESULT UpdatePropertyPageRegistry(const PropertyPageClass& cls, bool registering);

template <class T>
class ControlFactory : public ClassFactory {
 public:
  explicit ControlFactory(const ControlClass& cls) : ClassFactory(*cls.clsid), class_(cls) {}
  HRESULT UpdateRegistry(bool registering) override {
    return UpdateControlRegistry(class_, registering);
  }

 protected:
  HRESULT CreateObject(REFIID iid, void** out) override { return NewObject<T>(iid, out); }

 private:
  const ControlClass& class_;
};

template <class T>
class PropertyPageFactory : public ClassFactory {
 public:
  explicit PropertyPageFactory(const PropertyPageClass& cls)
      : ClassFactory(*cls.clsid), class_(cls) {}
  HRESULT UpdateRegistry(bool registering) override {
    return UpdatePropertyPageRegistry(class_, registering);
  }

 protected:
  HRESULT CreateObject(REFIID iid, void** out) override { return NewObject<T>(iid, out); }

 private:
  const PropertyPageClass& class_;
};

}  // namespace fw
