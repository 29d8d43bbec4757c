#include "testing/container/registry_dump.h"

#include <algorithm>

#include "framework/registry.h"

namespace test_container {

namespace {

void DumpKey(HKEY key, const std::string& path, std::vector<std::string>& out) {
  out.push_back(path);
  for (DWORD i = 0;; ++i) {
    char name[1024];
    DWORD nameLength = sizeof name;
    DWORD type = 0;
    BYTE data[4096];
    DWORD dataLength = sizeof data;
    const LONG rc = RegEnumValueA(key, i, name, &nameLength, nullptr, &type, data, &dataLength);
    if (rc == ERROR_NO_MORE_ITEMS) break;
    if (rc != ERROR_SUCCESS) continue;
    std::string text;
    if (type == REG_SZ || type == REG_EXPAND_SZ) {
      text.assign(reinterpret_cast<const char*>(data), dataLength);
      while (!text.empty() && text.back() == '\0') text.pop_back();
    } else if (type == REG_DWORD && dataLength == 4) {
      DWORD v;
      memcpy(&v, data, 4);
      text = std::to_string(v);
    } else {
      text = "<type " + std::to_string(type) + ", " + std::to_string(dataLength) + " bytes>";
    }
    out.push_back(path + ": " + (nameLength ? std::string(name, nameLength) : "@") + " = " + text);
  }
  for (const std::string& sub : SubkeyNames(key, "")) {
    fw::RegKey child;
    if (child.Open(key, sub) == ERROR_SUCCESS) DumpKey(child.Get(), path + "\\" + sub, out);
  }
}

}  // namespace

std::vector<std::string> DumpRegistryTree(HKEY root, const std::string& path) {
  std::vector<std::string> out;
  fw::RegKey key;
  if (key.Open(root, path) != ERROR_SUCCESS) return out;
  DumpKey(key.Get(), path, out);
  std::sort(out.begin(), out.end());
  return out;
}

bool RegistryKeyExists(HKEY root, const std::string& path) {
  fw::RegKey key;
  return key.Open(root, path) == ERROR_SUCCESS;
}

std::vector<std::string> SubkeyNames(HKEY root, const std::string& path) {
  std::vector<std::string> names;
  fw::RegKey key;
  HKEY parent = root;
  if (!path.empty()) {
    if (key.Open(root, path) != ERROR_SUCCESS) return names;
    parent = key.Get();
  }
  for (DWORD i = 0;; ++i) {
    char name[1024];
    DWORD length = sizeof name;
    const LONG rc = RegEnumKeyExA(parent, i, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_NO_MORE_ITEMS) break;
    if (rc == ERROR_SUCCESS) names.emplace_back(name, length);
  }
  return names;
}

std::string DefaultValue(HKEY root, const std::string& path) {
  char data[4096];
  LONG size = sizeof data;
  if (RegQueryValueA(root, path.c_str(), data, &size) != ERROR_SUCCESS || size <= 0) return {};
  return std::string(data, static_cast<size_t>(size - 1));
}

}  // namespace test_container
