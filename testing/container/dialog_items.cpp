#include "testing/container/dialog_items.h"

#include <commctrl.h>

#include <cstdio>

#include "testing/container/modal_script.h"

namespace test_container {

void Click(HWND dialog, int id) {
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void SetItemText(HWND dialog, int id, const std::string& ansi) {
  SetWindowTextA(GetDlgItem(dialog, id), ansi.c_str());
}

std::string ItemText(HWND dialog, int id) { return WindowText(GetDlgItem(dialog, id)); }

void PostTyping(HWND edit, const std::string& ascii) {
  PostMessageA(edit, EM_SETSEL, 0, -1);
  for (char c : ascii) PostMessageA(edit, WM_CHAR, static_cast<WPARAM>(static_cast<unsigned char>(c)), 1);
}

int ListRows(HWND list) { return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)); }

std::string ListCell(HWND list, int row, int column) {
  char text[600] = {};
  LVITEMA item{};
  item.iSubItem = column;
  item.pszText = text;
  item.cchTextMax = sizeof text;
  SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
  return text;
}

std::string ListColumnTitle(HWND list, int column) {
  char text[128] = {};
  LVCOLUMNA info{};
  info.mask = LVCF_TEXT;
  info.pszText = text;
  info.cchTextMax = sizeof text;
  SendMessageA(list, LVM_GETCOLUMNA, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&info));
  return text;
}

void ListSelect(HWND list, int row, bool selected) {
  LVITEMA item{};
  item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  item.state = selected ? LVIS_SELECTED | LVIS_FOCUSED : 0;
  SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

bool ListSelected(HWND list, int row) {
  return (SendMessageA(list, LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_SELECTED) &
          LVIS_SELECTED) != 0;
}

std::string ClassOf(HWND window) {
  char name[64] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

HWND FocusIn(HWND dialog) {
  if (GetActiveWindow() != dialog) SetActiveWindow(dialog);
  return GetFocus();
}

std::wstring WindowTextW(HWND window) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  const int got = GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
  text.resize(static_cast<size_t>(got > 0 ? got : 0));
  return text;
}

namespace {

struct DialogSearch {
  DWORD processId;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectProcessDialog(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<DialogSearch*>(param);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process == search->processId && IsWindowVisible(window) && ClassOf(window) == "#32770")
    search->found.push_back(window);
  return TRUE;
}

}  // namespace

std::vector<HWND> ProcessDialogs(DWORD processId) {
  DialogSearch search{processId, {}};
  EnumWindows(&CollectProcessDialog, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::string InCodePage(const std::wstring& text, UINT codePage) {
  const int n = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()),
                                    nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) {
    WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n,
                        nullptr, nullptr);
  }
  return out;
}

std::string Utf8ToAnsi(const std::string& utf8) {
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                    nullptr, 0);
  std::wstring wide(static_cast<size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0) {
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
  }
  return InCodePage(wide, CP_ACP);
}

std::string HexBytes(const std::string& bytes) {
  std::string out;
  char two[4];
  for (unsigned char c : bytes) {
    std::snprintf(two, sizeof two, "%02X ", c);
    out += two;
  }
  return out;
}

}  // namespace test_container
