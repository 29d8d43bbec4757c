// Conversions at the OLE boundary. Inside, the system's texts are ANSI in the user's code
// page (CP_ACP); COM carries UTF-16 BSTRs. Characters the code page lacks become the code
// page's default character, as the system's own conversions do.
#pragma once

#include <windows.h>

#include <oleauto.h>

#include <string>
#include <string_view>

namespace fw {

std::string WideToAnsi(std::wstring_view text);
std::wstring AnsiToWide(std::string_view text);

// A BSTR's text up to its recorded length; a null BSTR is an empty text.
std::string BstrToAnsi(BSTR text);
// A new BSTR the caller owns (SysFreeString), or null when out of memory.
BSTR AnsiToBstr(std::string_view text);

// UTF-8, for resource texts and test expectations written in UTF-8 sources.
std::wstring Utf8ToWide(std::string_view text);
std::string WideToUtf8(std::wstring_view text);

}  // namespace fw
