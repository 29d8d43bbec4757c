#include "setuptool/tool_texts.h"

#include "framework/message_box.h"
#include "framework/module.h"
#include "framework/resources.h"
#include "setuptool/resource_ids.h"

namespace setuptool {
namespace {

std::string To936(const std::wstring& text) {
  if (text.empty()) return {};
  const int n = WideCharToMultiByte(kToolCodePage, 0, text.data(), static_cast<int>(text.size()),
                                    nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) {
    WideCharToMultiByte(kToolCodePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n,
                        nullptr, nullptr);
  }
  return out;
}

std::wstring From936(const std::string& text) {
  if (text.empty()) return {};
  const int n =
      MultiByteToWideChar(kToolCodePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0) {
    MultiByteToWideChar(kToolCodePage, 0, text.data(), static_cast<int>(text.size()), out.data(),
                        n);
  }
  return out;
}

BOOL CALLBACK FirstLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR found) {
  *reinterpret_cast<LANGID*>(found) = language;
  return FALSE;
}

}  // namespace

std::wstring ToolTextW(UINT id) { return fw::LoadResStringW(id); }

std::string ToolText(UINT id) { return To936(ToolTextW(id)); }

int ToolMessageBox(HWND owner, const std::string& text936, UINT type) {
  return fw::ShowMessageBox(owner, From936(text936), nullptr, type);
}

LANGID BuildLanguage() {
  LANGID language = fw::Module::kUserLanguage;
  EnumResourceLanguagesW(fw::Module::Get().ResourceInstance(), reinterpret_cast<LPCWSTR>(RT_DIALOG),
                         MAKEINTRESOURCEW(IDD_ORVEX_DIALOG), &FirstLanguage,
                         reinterpret_cast<LONG_PTR>(&language));
  return language;
}

}  // namespace setuptool
