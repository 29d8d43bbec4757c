// The module object of a DLL or program built on the framework: its instance handle, the
// lock count behind DllCanUnloadNow, its class factories and its type library. A control
// DLL's four exports and its DllMain are one-line calls into it:
//
//   BOOL WINAPI DllMain(HINSTANCE h, DWORD reason, void* reserved) {
//     if (reason == DLL_PROCESS_ATTACH) return fw::Module::Get().Start(h);
//     if (reason == DLL_PROCESS_DETACH) fw::Module::Get().End(reserved != nullptr);
//     return TRUE;
//   }
//   STDAPI DllRegisterServer() { return fw::Module::Get().RegisterServer(); }
//   ...
#pragma once

#include <windows.h>

#include <oaidl.h>

#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "base/com_ptr.h"

namespace fw {

class ClassFactory;

struct TypeLibId {
  GUID libid = GUID_NULL;
  WORD major = 1;
  WORD minor = 0;
};

// The module's lock count raised for the holder's lifetime. As the first member of an
// object it is given back even when a later part of the object's construction throws.
class ModuleLock {
 public:
  ModuleLock();
  ModuleLock(const ModuleLock&) = delete;
  ModuleLock& operator=(const ModuleLock&) = delete;
  ~ModuleLock();
};

class Module {
 public:
  static Module& Get();

  // The framework's part of module start and end. Start records the instance handle.
  bool Start(HINSTANCE instance);
  // `processTerminating`: the process is ending (DllMain's reserved argument is set), when
  // other DLLs may already be gone, so nothing is released.
  void End(bool processTerminating);

  // Before Start, the image base of the module that links the framework.
  HINSTANCE Instance() const;
  HINSTANCE ResourceInstance() const { return Instance(); }
  std::string FilePath() const;

  // Caption of message boxes that bring none of their own: the module's file name without
  // extension unless set.
  std::string AppTitle() const;
  void SetAppTitle(std::string title) { appTitle_ = std::move(title); }

  // Where the module's strings and dialog templates and the framework's own messages come
  // from. kUserLanguage (the default) follows the user's interface language, as the
  // system's resource loader picks it; any other language fixes it, for a module built
  // once per language: its block is used whatever the user's language, and a resource
  // missing from it is looked up as by the user's language.
  static constexpr LANGID kUserLanguage = 0;
  void SetResourceLanguage(LANGID language) { resourceLanguage_ = language; }
  LANGID ResourceLanguage() const { return resourceLanguage_; }
  // The language the module's texts show in: the fixed one, else the user's.
  LANGID UiLanguage() const;
  // The language of the framework's own messages (data exchange): kUserLanguage (the
  // default) keeps them in the module's language, UiLanguage; any other language holds
  // them there whatever the module's texts are in, for a program whose build-time language
  // covers only its own texts.
  void SetFrameworkMessageLanguage(LANGID language) { frameworkMessageLanguage_ = language; }
  LANGID FrameworkMessageLanguage() const;

  void SetTypeLib(REFGUID libid, WORD major, WORD minor);
  const TypeLibId& TypeLib() const { return typeLib_; }
  // The registered library for `lcid` (falling back to the module's own TYPELIB 1 when it
  // is not registered), cached per module.
  HRESULT GetTypeLib(LCID lcid, ITypeLib** out);
  HRESULT GetTypeInfoOfGuid(REFGUID guid, LCID lcid, ITypeInfo** out);
  // Replaces how the library is loaded (null: as above) and empties the cache. For tests
  // that make the lookup fail or throw; every caller stops what it throws.
  using TypeLibLoader = HRESULT (*)(const TypeLibId& id, LCID lcid, ITypeLib** out);
  void SetTypeLibLoader(TypeLibLoader loader);

  // Live objects, factory references and IClassFactory::LockServer.
  void Lock();
  void Unlock();
  LONG LockCount() const { return locks_; }

  // Behind the four exports.
  HRESULT RegisterServer();
  HRESULT UnregisterServer();
  HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** out);
  HRESULT CanUnloadNow() const { return locks_ == 0 ? S_OK : S_FALSE; }

  void AddFactory(ClassFactory* factory);
  void RemoveFactory(ClassFactory* factory);
  const std::vector<ClassFactory*>& Factories() const { return factories_; }

 private:
  Module() = default;

  HINSTANCE instance_ = nullptr;
  std::string appTitle_;
  LANGID resourceLanguage_ = kUserLanguage;
  LANGID frameworkMessageLanguage_ = kUserLanguage;
  TypeLibId typeLib_;
  std::mutex typeLibLock_;  // controls of several apartments share the cache
  base::ComPtr<ITypeLib> typeLibCache_;
  TypeLibLoader typeLibLoader_ = nullptr;
  LCID cachedLcid_ = 0;
  volatile LONG locks_ = 0;
  std::vector<ClassFactory*> factories_;
};

}  // namespace fw
