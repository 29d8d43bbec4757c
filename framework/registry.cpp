#include "framework/registry.h"

#include <algorithm>
#include <set>

namespace fw {

LONG RegKey::Create(HKEY parent, const std::string& path) {
  Close();
  return RegCreateKeyExA(parent, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                         KEY_READ | KEY_WRITE, nullptr, &key_, nullptr);
}

LONG RegKey::Open(HKEY parent, const std::string& path, REGSAM access) {
  Close();
  return RegOpenKeyExA(parent, path.c_str(), 0, access, &key_);
}

void RegKey::Close() {
  if (key_) RegCloseKey(std::exchange(key_, nullptr));
}

LONG RegKey::SetText(const std::string& valueName, const std::string& text) {
  return RegSetValueExA(key_, valueName.empty() ? nullptr : valueName.c_str(), 0, REG_SZ,
                        reinterpret_cast<const BYTE*>(text.c_str()),
                        static_cast<DWORD>(text.size() + 1));
}

HRESULT WriteRegistryEntries(HKEY root, const std::vector<RegistryEntry>& entries) {
  for (const RegistryEntry& e : entries) {
    RegKey key;
    LONG rc = key.Create(root, e.key);
    if (rc == ERROR_SUCCESS && e.hasValue) rc = key.SetText(e.valueName, e.text);
    if (rc != ERROR_SUCCESS) return HRESULT_FROM_WIN32(rc);
  }
  return S_OK;
}

namespace {

bool IsGone(LONG rc) { return rc == ERROR_FILE_NOT_FOUND || rc == ERROR_PATH_NOT_FOUND; }

bool KeyIsEmpty(HKEY key) {
  DWORD subkeys = 0, values = 0;
  if (RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr,
                       nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  return subkeys == 0 && values == 0;
}

size_t Depth(const std::string& path) { return std::count(path.begin(), path.end(), '\\'); }

bool SameText(const std::string& a, const std::string& b) {
  return CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()),
                        b.data(), static_cast<int>(b.size())) == CSTR_EQUAL;
}

enum class Holds { kNothing, kEntryText, kOther };

// What the entry's value holds now.
Holds Current(HKEY root, const RegistryEntry& e) {
  RegKey key;
  if (key.Open(root, e.key, KEY_QUERY_VALUE) != ERROR_SUCCESS) return Holds::kNothing;
  const char* name = e.valueName.empty() ? nullptr : e.valueName.c_str();
  DWORD type = 0, size = 0;
  LONG rc = RegQueryValueExA(key.Get(), name, nullptr, &type, nullptr, &size);
  if (IsGone(rc)) return Holds::kNothing;
  if (rc != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return Holds::kOther;
  std::string text(size, '\0');
  rc = RegQueryValueExA(key.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(text.data()),
                        &size);
  if (rc != ERROR_SUCCESS) return Holds::kOther;
  text.resize(std::min<size_t>(size, text.size()));
  while (!text.empty() && text.back() == '\0') text.pop_back();
  return SameText(text, e.text) ? Holds::kEntryText : Holds::kOther;
}

bool IsAtOrBelow(const std::string& path, const std::string& top) {
  return path.size() >= top.size() && SameText(path.substr(0, top.size()), top) &&
         (path.size() == top.size() || path[top.size()] == '\\');
}

}  // namespace

HRESULT RemoveRegistryEntries(HKEY root, const std::vector<RegistryEntry>& entries) {
  std::vector<std::string> foreign;
  for (const RegistryEntry& e : entries) {
    if (e.hasValue && !e.claims.empty() && Current(root, e) == Holds::kOther) {
      foreign.insert(foreign.end(), e.claims.begin(), e.claims.end());
    }
  }
  const auto isForeign = [&](const std::string& path) {
    return std::any_of(foreign.begin(), foreign.end(),
                       [&](const std::string& top) { return IsAtOrBelow(path, top); });
  };

  HRESULT result = S_OK;
  for (const RegistryEntry& e : entries) {
    if (!e.hasValue || isForeign(e.key) || Current(root, e) == Holds::kOther) continue;
    RegKey key;
    LONG rc = key.Open(root, e.key, KEY_SET_VALUE);
    if (rc == ERROR_SUCCESS) {
      rc = RegDeleteValueA(key.Get(), e.valueName.empty() ? nullptr : e.valueName.c_str());
    }
    if (rc != ERROR_SUCCESS && !IsGone(rc)) result = HRESULT_FROM_WIN32(rc);
  }

  // Deepest first, so a key is looked at only after the keys below it. Keys the entries
  // do not name (such as "CLSID" itself) are never touched.
  std::set<std::string> keys;
  for (const RegistryEntry& e : entries) {
    if (!isForeign(e.key)) keys.insert(e.key);
  }
  std::vector<std::string> ordered(keys.begin(), keys.end());
  std::stable_sort(ordered.begin(), ordered.end(),
                   [](const std::string& a, const std::string& b) { return Depth(a) > Depth(b); });
  for (const std::string& path : ordered) {
    RegKey key;
    LONG rc = key.Open(root, path, KEY_READ);
    if (IsGone(rc)) continue;
    if (rc != ERROR_SUCCESS) {
      result = HRESULT_FROM_WIN32(rc);
      continue;
    }
    const bool empty = KeyIsEmpty(key.Get());
    key.Close();
    if (!empty) continue;
    rc = RegDeleteKeyA(root, path.c_str());
    if (rc != ERROR_SUCCESS && !IsGone(rc)) result = HRESULT_FROM_WIN32(rc);
  }
  return result;
}

}  // namespace fw
