// Texts from the string table of the module that links the framework. The plain loads pick
// the block of the user's language as the system's resource loader does; the texts come
// back in the user's ANSI code page.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace fw {

// The string `id`, any length; empty when there is none.
std::string LoadResString(UINT id);
// Strings first..last in order (missing ones empty), for module-wide text tables.
std::vector<std::string> LoadResStrings(UINT first, UINT last);
// The string `id` of one language block, as UTF-16; empty when that block lacks it.
std::wstring LoadResStringForLanguage(HINSTANCE module, UINT id, LANGID language);

}  // namespace fw
