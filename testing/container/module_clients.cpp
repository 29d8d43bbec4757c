#include "testing/container/module_clients.h"

#include <algorithm>
#include <cstdio>

#include "testing/container/child_process.h"
#include "testing/container/registry_dump.h"

namespace test_container {

std::string PathBesideTests(const std::string& relative) {
  const std::string path = ExecutableFolder() + relative;
  char full[MAX_PATH];
  const DWORD n = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
  return n > 0 && n < MAX_PATH ? std::string(full, n) : path;
}

std::optional<DWORD> Regsvr32(const std::string& modulePath, const std::string& options) {
  return RunProcess("regsvr32.exe /s " + options + " \"" + modulePath + "\"", 60000);
}

std::vector<std::string> RegistrationTraces(const std::vector<std::string>& roots,
                                            const std::string& modulePath) {
  std::vector<std::string> lines;
  for (const std::string& root : roots) {
    const auto tree = DumpRegistryTree(HKEY_CLASSES_ROOT, root);
    lines.insert(lines.end(), tree.begin(), tree.end());
  }
  for (const std::string& clsid : SubkeyNames(HKEY_CLASSES_ROOT, "CLSID")) {
    const std::string server = DefaultValue(HKEY_CLASSES_ROOT, "CLSID\\" + clsid + "\\InprocServer32");
    if (lstrcmpiA(server.c_str(), modulePath.c_str()) == 0) lines.push_back("server of " + clsid);
  }
  std::sort(lines.begin(), lines.end());
  lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
  return lines;
}

bool HasLine(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

bool HasLineStartingWith(const std::vector<std::string>& lines, const std::string& prefix) {
  return std::any_of(lines.begin(), lines.end(),
                     [&](const std::string& l) { return l.rfind(prefix, 0) == 0; });
}

std::string VersionText(const std::string& modulePath, const char* name) {
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeA(modulePath.c_str(), &handle);
  if (size == 0) return "<missing>";
  std::vector<char> data(size);
  if (!GetFileVersionInfoA(modulePath.c_str(), 0, size, data.data())) return "<missing>";
  void* value = nullptr;
  UINT length = 0;
  const std::string query = std::string("\\StringFileInfo\\040904B0\\") + name;
  if (!VerQueryValueA(data.data(), query.c_str(), &value, &length) || !value) return "<missing>";
  return std::string(static_cast<const char*>(value));
}

namespace {

// Calls `read` with the module's image base and its export directory, the module loaded
// without running its start-up code; false without the module or an export table.
template <typename Read>
bool ReadExports(const std::string& modulePath, Read read) {
  HMODULE module = LoadLibraryExA(modulePath.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
  if (!module) return false;
  const auto* base = reinterpret_cast<const unsigned char*>(module);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(base + dos->e_lfanew);
  const auto& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
  const bool has = dir.VirtualAddress != 0;
  if (has) read(base, *reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + dir.VirtualAddress));
  FreeLibrary(module);
  return has;
}

}  // namespace

std::vector<std::string> ExportedNames(const std::string& modulePath) {
  std::vector<std::string> exported;
  ReadExports(modulePath, [&](const unsigned char* base, const IMAGE_EXPORT_DIRECTORY& exports) {
    const auto* names = reinterpret_cast<const DWORD*>(base + exports.AddressOfNames);
    for (DWORD i = 0; i < exports.NumberOfNames; ++i) {
      exported.emplace_back(reinterpret_cast<const char*>(base + names[i]));
    }
  });
  return exported;
}

DWORD ExportedFunctionCount(const std::string& modulePath) {
  DWORD count = 0;
  ReadExports(modulePath, [&](const unsigned char*, const IMAGE_EXPORT_DIRECTORY& exports) {
    count = exports.NumberOfFunctions;
  });
  return count;
}

std::optional<DWORD> RunCscript(const std::string& fileName, const std::string& script,
                                DWORD timeoutMs) {
  char folder[MAX_PATH];
  GetTempPathA(MAX_PATH, folder);
  const std::string path = std::string(folder) + fileName;
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return std::nullopt;
  std::fwrite(script.data(), 1, script.size(), f);
  std::fclose(f);
  const auto code = RunProcess("cscript.exe //nologo \"" + path + "\"", timeoutMs);
  DeleteFileA(path.c_str());
  return code;
}

}  // namespace test_container
