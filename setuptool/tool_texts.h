// The tool's texts: each build's string table holds them in its one language. They are
// handed on as code page 936 bytes, the form the tool's texts have in both builds, and
// shown through the wide message box, so Chinese shows whatever the system's code page.
#pragma once

#include <windows.h>

#include <string>

namespace setuptool {

constexpr UINT kToolCodePage = 936;

// String `id` of the build's table as code page 936 bytes; empty when there is none.
std::string ToolText(UINT id);
std::wstring ToolTextW(UINT id);

// A message box with a code page 936 text and the program's title.
int ToolMessageBox(HWND owner, const std::string& text936, UINT type = MB_OK);

// The language of the build's resources: the block its main dialog template is in.
LANGID BuildLanguage();

}  // namespace setuptool
