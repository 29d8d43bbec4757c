// Registry writes for self-registration. A registration is planned as data first (keys and
// string values, see class_registration.h), then applied; undoing it removes those values
// that still hold what was written and then those keys that are left empty, so nothing
// another program put or changed there goes.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace fw {

// Owning HKEY.
class RegKey {
 public:
  RegKey() = default;
  RegKey(const RegKey&) = delete;
  RegKey& operator=(const RegKey&) = delete;
  RegKey(RegKey&& other) noexcept : key_(std::exchange(other.key_, nullptr)) {}
  ~RegKey() { Close(); }

  LONG Create(HKEY parent, const std::string& path);
  LONG Open(HKEY parent, const std::string& path, REGSAM access = KEY_READ);
  void Close();
  LONG SetText(const std::string& valueName, const std::string& text);
  HKEY Get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

// A key to create, with a string value in it unless `hasValue` is false. An empty value
// name is the key's default value.
struct RegistryEntry {
  std::string key;
  std::string valueName;
  std::string text;
  bool hasValue = true;
  // Key paths whose entries belong to whoever wrote this value last: while it holds
  // something other than `text`, removal leaves every entry at or below them alone (a
  // class's server path claims the class, say, once another module has registered it).
  std::vector<std::string> claims = {};
};

// Creates every key and writes every value below `root`. Stops at the first failure.
HRESULT WriteRegistryEntries(HKEY root, const std::vector<RegistryEntry>& entries);

// Deletes the values the entries name while they still hold the entry's text (compared
// without regard to case, as the registry compares), then every key they name that has
// nothing left in it, deepest first. Values and keys already gone count as removed; entries
// claimed by a value that now holds another text are left as they are.
HRESULT RemoveRegistryEntries(HKEY root, const std::vector<RegistryEntry>& entries);

}  // namespace fw
