#include "framework/resources.h"

#include "framework/ansi_text.h"
#include "framework/module.h"

namespace fw {

std::wstring LoadResStringW(UINT id) {
  Module& module = Module::Get();
  if (module.ResourceLanguage() != Module::kUserLanguage) {
    std::wstring fixed =
        LoadResStringForLanguage(module.ResourceInstance(), id, module.ResourceLanguage());
    if (!fixed.empty()) return fixed;
  }
  // With a zero buffer size LoadStringW hands out the resource's own text and length.
  const wchar_t* text = nullptr;
  const int n = LoadStringW(module.ResourceInstance(), id, reinterpret_cast<LPWSTR>(&text), 0);
  if (n <= 0 || !text) return {};
  return std::wstring(text, static_cast<size_t>(n));
}

std::string LoadResString(UINT id) { return WideToAnsi(LoadResStringW(id)); }

std::vector<std::string> LoadResStrings(UINT first, UINT last) {
  std::vector<std::string> out;
  for (UINT id = first; id <= last; ++id) out.push_back(LoadResString(id));
  return out;
}

std::wstring LoadResStringForLanguage(HINSTANCE module, UINT id, LANGID language) {
  // Strings live in blocks of 16: block id/16+1, each entry a length and UTF-16 units.
  HRSRC found = FindResourceExW(module, reinterpret_cast<LPCWSTR>(RT_STRING),
                                MAKEINTRESOURCEW(id / 16 + 1), language);
  if (!found) return {};
  HGLOBAL loaded = LoadResource(module, found);
  const auto* p = static_cast<const WCHAR*>(loaded ? LockResource(loaded) : nullptr);
  if (!p) return {};
  const WCHAR* end = p + SizeofResource(module, found) / sizeof(WCHAR);
  for (UINT i = 0; i < id % 16; ++i) {
    if (p >= end) return {};
    p += 1 + *p;
  }
  if (p >= end || p + 1 + *p > end) return {};
  return std::wstring(p + 1, *p);
}

HRSRC FindFixedLanguageResource(LPCWSTR type, UINT id) {
  const Module& module = Module::Get();
  if (module.ResourceLanguage() == Module::kUserLanguage) return nullptr;
  return FindResourceExW(module.ResourceInstance(), type, MAKEINTRESOURCEW(id),
                         module.ResourceLanguage());
}

const DLGTEMPLATE* FixedLanguageDialog(UINT id) {
  HRSRC found = FindFixedLanguageResource(reinterpret_cast<LPCWSTR>(RT_DIALOG), id);
  if (!found) return nullptr;
  HGLOBAL loaded = LoadResource(Module::Get().ResourceInstance(), found);
  return static_cast<const DLGTEMPLATE*>(loaded ? LockResource(loaded) : nullptr);
}

}  // namespace fw
