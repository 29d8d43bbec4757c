// Reading and working a real dialog's controls from a test, as a user would: button clicks,
// edit texts, list-view rows and cells, and texts in a code page for byte comparisons.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace test_container {

// Posts the click of button `id` (WM_COMMAND BN_CLICKED from the button).
void Click(HWND dialog, int id);
// Sets an edit's text as typing it would end: WM_SETTEXT, which sends EN_CHANGE.
void SetItemText(HWND dialog, int id, const std::string& ansi);
std::string ItemText(HWND dialog, int id);
// Types `ascii` into an edit over its whole text, by posted key characters: the edit's
// reactions (a box, say) then run in the modal loop, not inside the caller.
void PostTyping(HWND edit, const std::string& ascii);

int ListRows(HWND list);
std::string ListCell(HWND list, int row, int column);
// The text of a column's title.
std::string ListColumnTitle(HWND list, int column);
// Sets or clears the row's selection (and focus).
void ListSelect(HWND list, int row, bool selected = true);
bool ListSelected(HWND list, int row);

std::string ClassOf(HWND window);
// The control of `dialog` (this thread's) that has the keyboard focus. Another program's
// window may have taken the activation on the shared test display: the dialog is then made
// this thread's active window again first, which gives back the focus it saved.
HWND FocusIn(HWND dialog);
std::wstring WindowTextW(HWND window);
// The visible dialogs (#32770) of process `processId` among the top-level windows, in their
// order on the screen: another program's main dialog and the message boxes it shows.
std::vector<HWND> ProcessDialogs(DWORD processId);

// `text` in code page `codePage`, for comparing an ANSI text as the bytes it is.
std::string InCodePage(const std::wstring& text, UINT codePage);
// UTF-8 text in the ANSI code page of the process.
std::string Utf8ToAnsi(const std::string& utf8);
// "41 42 " for logs of byte comparisons.
std::string HexBytes(const std::string& bytes);

}  // namespace test_container
