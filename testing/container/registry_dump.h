// Registry listings for registration tests: what a key holds, as sorted text lines.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace test_container {

// Every key below and including `path` as "path" lines, and every value as
// "path: name = data" ("@" for the default value; data of REG_SZ as text, of REG_DWORD
// in decimal, other types as "<type N, M bytes>"). Empty when the key does not exist.
std::vector<std::string> DumpRegistryTree(HKEY root, const std::string& path);

bool RegistryKeyExists(HKEY root, const std::string& path);
std::vector<std::string> SubkeyNames(HKEY root, const std::string& path);
// The default value of a key as text, or empty.
std::string DefaultValue(HKEY root, const std::string& path);

}  // namespace test_container
