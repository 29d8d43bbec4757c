#include "framework/class_factory.h"

#include "framework/class_registration.h"
#include "framework/registry.h"
#include "framework/resources.h"

namespace fw {

ClassFactory::ClassFactory(REFCLSID clsid) : clsid_(clsid) { Module::Get().AddFactory(this); }

ClassFactory::~ClassFactory() { Module::Get().RemoveFactory(this); }

HRESULT ClassFactory::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
    *out = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

ULONG ClassFactory::AddRef() {
  Module::Get().Lock();
  return 2;
}

ULONG ClassFactory::Release() {
  Module::Get().Unlock();
  return 1;
}

HRESULT ClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (outer) return CLASS_E_NOAGGREGATION;
  return GuardHResult("IClassFactory::CreateInstance", [&] { return CreateObject(iid, out); });
}

HRESULT ClassFactory::LockServer(BOOL lock) {
  if (lock) {
    Module::Get().Lock();
  } else {
    Module::Get().Unlock();
  }
  return S_OK;
}

namespace {

std::string TypeName(UINT id, const char* fallback) {
  std::string name = LoadResString(id);
  return name.empty() && fallback ? std::string(fallback) : name;
}

HRESULT Apply(const std::vector<RegistryEntry>& plan, bool registering) {
  return registering ? WriteRegistryEntries(HKEY_CLASSES_ROOT, plan)
                     : RemoveRegistryEntries(HKEY_CLASSES_ROOT, plan);
}

}  // namespace

HRESULT UpdateControlRegistry(const ControlClass& cls, bool registering) {
  const Module& module = Module::Get();
  ControlRegistration reg{*cls.clsid,
                          cls.progId,
                          TypeName(cls.typeNameId, cls.progId),
                          module.FilePath(),
                          cls.toolboxBitmapId,
                          cls.regFlags,
                          cls.miscStatus,
                          module.TypeLib().libid,
                          module.TypeLib().major,
                          module.TypeLib().minor};
  return Apply(PlanControlRegistration(reg), registering);
}

HRESULT UpdatePropertyPageRegistry(const PropertyPageClass& cls, bool registering) {
  PropertyPageRegistration reg{*cls.clsid, TypeName(cls.typeNameId, cls.progId),
                               Module::Get().FilePath(), cls.regFlags,
                               cls.progId ? cls.progId : ""};
  return Apply(PlanPropertyPageRegistration(reg), registering);
}

}  // namespace fw
