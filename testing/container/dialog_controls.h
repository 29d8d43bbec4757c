// What a script does to a dialog's controls, as a user would: click a button, read and
// select list-view rows, read a window's text in Unicode.
#pragma once

#include <windows.h>

#include <string>

namespace test_container {

// Posts the button's BN_CLICKED to `dialog`, so a modal loop the click opens runs in the
// script's own loop, not inside this call.
void Click(HWND dialog, int id);

int ListRows(HWND list);
// The text of a list-view cell, at most 127 characters, in the ANSI code page.
std::string ListCell(HWND list, int row, int column);
// Selects and focuses `row`.
void SelectListRow(HWND list, int row);

std::wstring WindowTextW(HWND window);

}  // namespace test_container
