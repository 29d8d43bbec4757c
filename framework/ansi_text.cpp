#include "framework/ansi_text.h"

#include <windows.h>

namespace fw {
namespace {

std::string FromWide(UINT codePage, std::wstring_view text) {
  if (text.empty()) return {};
  const int n = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()),
                                    nullptr, 0, nullptr, nullptr);
  if (n <= 0) return {};
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n,
                      nullptr, nullptr);
  return out;
}

std::wstring ToWide(UINT codePage, std::string_view text) {
  if (text.empty()) return {};
  const int n =
      MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (n <= 0) return {};
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

}  // namespace

std::string WideToAnsi(std::wstring_view text) { return FromWide(CP_ACP, text); }
std::wstring AnsiToWide(std::string_view text) { return ToWide(CP_ACP, text); }
std::wstring Utf8ToWide(std::string_view text) { return ToWide(CP_UTF8, text); }
std::string WideToUtf8(std::wstring_view text) { return FromWide(CP_UTF8, text); }

std::string BstrToAnsi(BSTR text) {
  if (!text) return {};
  return WideToAnsi(std::wstring_view(text, SysStringLen(text)));
}

BSTR AnsiToBstr(std::string_view text) {
  const std::wstring wide = AnsiToWide(text);
  return SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

}  // namespace fw
