#include "framework/module.h"

#include <olectl.h>

#include <algorithm>

#include "framework/ansi_text.h"
#include "framework/class_factory.h"
#include "framework/exception_guard.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace fw {

namespace {

std::string ModuleFileName(HINSTANCE instance) {
  char path[MAX_PATH];
  const DWORD n = GetModuleFileNameA(instance, path, MAX_PATH);
  return n > 0 && n < MAX_PATH ? std::string(path, n) : std::string();
}

std::string TitleFromPath(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const size_t dot = name.rfind('.');
  if (dot != std::string::npos) name.resize(dot);
  return name;
}

// The library inside the module file itself (resource TYPELIB 1).
HRESULT LoadOwnTypeLib(const std::string& path, REGKIND kind, ITypeLib** out) {
  const std::wstring wide = AnsiToWide(path);
  return LoadTypeLibEx(wide.c_str(), kind, out);
}

}  // namespace

Module& Module::Get() {
  static Module module;
  return module;
}

bool Module::Start(HINSTANCE instance) {
  instance_ = instance;
  return true;
}

std::string Module::AppTitle() const {
  return appTitle_.empty() ? TitleFromPath(FilePath()) : appTitle_;
}

LANGID Module::UiLanguage() const {
  return resourceLanguage_ != kUserLanguage ? resourceLanguage_ : GetUserDefaultUILanguage();
}

LANGID Module::FrameworkMessageLanguage() const {
  return frameworkMessageLanguage_ != kUserLanguage ? frameworkMessageLanguage_ : UiLanguage();
}

void Module::End(bool processTerminating) {
  if (processTerminating) {
    // oleaut32 may be unloaded already; the process takes the memory back.
    (void)typeLibCache_.Detach();
  } else {
    std::lock_guard<std::mutex> lock(typeLibLock_);
    typeLibCache_.Reset();
  }
}

HINSTANCE Module::Instance() const {
  return instance_ ? instance_ : reinterpret_cast<HINSTANCE>(&__ImageBase);
}

std::string Module::FilePath() const { return ModuleFileName(Instance()); }

void Module::SetTypeLib(REFGUID libid, WORD major, WORD minor) {
  std::lock_guard<std::mutex> lock(typeLibLock_);
  typeLib_ = TypeLibId{libid, major, minor};
  typeLibCache_.Reset();
}

void Module::SetTypeLibLoader(TypeLibLoader loader) {
  std::lock_guard<std::mutex> lock(typeLibLock_);
  typeLibLoader_ = loader;
  typeLibCache_.Reset();
}

HRESULT Module::GetTypeLib(LCID lcid, ITypeLib** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  return GuardHResult("type library load", [&]() -> HRESULT {
    std::lock_guard<std::mutex> lock(typeLibLock_);
    if (!typeLibCache_ || cachedLcid_ != lcid) {
      base::ComPtr<ITypeLib> lib;
      HRESULT hr;
      if (typeLibLoader_) {
        hr = typeLibLoader_(typeLib_, lcid, lib.Receive());
      } else {
        hr = LoadRegTypeLib(typeLib_.libid, typeLib_.major, typeLib_.minor, lcid, lib.Receive());
        if (FAILED(hr)) hr = LoadOwnTypeLib(FilePath(), REGKIND_NONE, lib.Receive());
      }
      if (FAILED(hr)) return hr;
      typeLibCache_ = lib;
      cachedLcid_ = lcid;
    }
    *out = typeLibCache_.CopyOut();
    return S_OK;
  });
}

HRESULT Module::GetTypeInfoOfGuid(REFGUID guid, LCID lcid, ITypeInfo** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  return GuardHResult("type information lookup", [&]() -> HRESULT {
    base::ComPtr<ITypeLib> lib;
    HRESULT hr = GetTypeLib(lcid, lib.Receive());
    if (FAILED(hr)) return hr;
    return lib->GetTypeInfoOfGuid(guid, out);
  });
}

void Module::Lock() { InterlockedIncrement(&locks_); }
void Module::Unlock() { InterlockedDecrement(&locks_); }

ModuleLock::ModuleLock() { Module::Get().Lock(); }
ModuleLock::~ModuleLock() { Module::Get().Unlock(); }

HRESULT Module::RegisterServer() {
  return GuardHResult("DllRegisterServer", [&]() -> HRESULT {
    base::ComPtr<ITypeLib> lib;
    if (FAILED(LoadOwnTypeLib(FilePath(), REGKIND_REGISTER, lib.Receive()))) {
      return SELFREG_E_TYPELIB;
    }
    for (ClassFactory* f : factories_) {
      if (FAILED(f->UpdateRegistry(true))) return SELFREG_E_CLASS;
    }
    return S_OK;
  });
}

HRESULT Module::UnregisterServer() {
  return GuardHResult("DllUnregisterServer", [&]() -> HRESULT {
    LCID lcid = 0;
    SYSKIND syskind = SYS_WIN32;
    base::ComPtr<ITypeLib> lib;
    if (SUCCEEDED(LoadOwnTypeLib(FilePath(), REGKIND_NONE, lib.Receive()))) {
      TLIBATTR* attr = nullptr;
      if (SUCCEEDED(lib->GetLibAttr(&attr))) {
        lcid = attr->lcid;
        syskind = attr->syskind;
        lib->ReleaseTLibAttr(attr);
      }
    }
    if (FAILED(UnRegisterTypeLib(typeLib_.libid, typeLib_.major, typeLib_.minor, lcid, syskind))) {
      return SELFREG_E_TYPELIB;
    }
    for (ClassFactory* f : factories_) {
      if (FAILED(f->UpdateRegistry(false))) return SELFREG_E_CLASS;
    }
    return S_OK;
  });
}

HRESULT Module::GetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  for (ClassFactory* f : factories_) {
    if (IsEqualCLSID(f->Clsid(), clsid)) return f->QueryInterface(iid, out);
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

void Module::AddFactory(ClassFactory* factory) { factories_.push_back(factory); }

void Module::RemoveFactory(ClassFactory* factory) {
  factories_.erase(std::remove(factories_.begin(), factories_.end(), factory), factories_.end());
}

}  // namespace fw
