// Texts and templates from the resources of the module that links the framework, in the
// language its policy names (Module::SetResourceLanguage): the block of the user's
// interface language, as the system's loader picks it, or the module's fixed language.
// The wide loads give UTF-16, for texts that must show whatever the ANSI code page; the
// plain ones give the user's ANSI code page.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace fw {

// The string `id`, any length; empty when there is none.
std::wstring LoadResStringW(UINT id);
std::string LoadResString(UINT id);
// Strings first..last in order (missing ones empty), for module-wide text tables.
std::vector<std::string> LoadResStrings(UINT first, UINT last);
// The string `id` of one language block, as UTF-16; empty when that block lacks it.
std::wstring LoadResStringForLanguage(HINSTANCE module, UINT id, LANGID language);

// The module's resource `id` of `type` in the block of the fixed language; null when no
// language is fixed or that block lacks it (the caller then loads by id, as the system
// picks it).
HRSRC FindFixedLanguageResource(LPCWSTR type, UINT id);
// The dialog template `id` in the block of the fixed language, or null as above.
const DLGTEMPLATE* FixedLanguageDialog(UINT id);

}  // namespace fw
