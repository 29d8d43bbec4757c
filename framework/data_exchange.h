// Dialog data exchange: one DoDataExchange function moves a dialog's fields to its
// controls (loading) and back with validation (saving). A failed check shows the
// framework's standard message, puts the focus on the control and marks the exchange as
// failed; the fields exchanged before it keep their new values, the failed one and those
// after it keep their old ones.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace fw {

class CWnd;

// Decimal integer as a dialog field holds it: optional blanks, an optional sign, digits,
// optional blanks. Nothing else, and nothing outside the range of long.
std::optional<long> ParseDialogInteger(std::string_view text);

// The standard messages, in the language of Module::FrameworkMessageLanguage (by default
// the module's: Chinese for a Chinese one, English otherwise). The boxes show the wide forms, so a Chinese message
// shows whatever the ANSI code page; the plain forms are those in the ANSI code page.
std::wstring IntegerMessageW();
std::wstring RangeMessageW(long low, long high);
std::wstring MaxCharsMessageW(size_t maxChars);
std::string IntegerMessage();
std::string RangeMessage(long low, long high);
std::string MaxCharsMessage(size_t maxChars);

class DataExchange {
 public:
  DataExchange(HWND dialog, bool saveAndValidate) : dialog_(dialog), saving_(saveAndValidate) {}

  bool Saving() const { return saving_; }
  bool Failed() const { return failed_; }

  // An edit's text. A positive `maxChars` limits the edit when loading and is checked when
  // saving.
  void Text(int id, std::string& value, size_t maxChars = 0);
  // An edit's decimal integer.
  void Int(int id, int& value);
  void Int(int id, long& value);
  // A check box: BST_UNCHECKED 0, BST_CHECKED 1, BST_INDETERMINATE 2.
  void Check(int id, int& value);
  // An IP address control (SysIPAddress32): the address in host order, first octet in the
  // high byte. An empty field reads as 0 and 0 loads as an empty field; in a partly filled
  // field the blank parts read as 0 (the control's own reading), with no message, so the
  // caller's address checks see and refuse it.
  void IpAddress(int id, DWORD& value);
  // The range check of the value just exchanged (saving only): outside low..high fails
  // with the range message and the focus on the last control exchanged.
  void MinMax(long value, long low, long high);
  // The window of control `id`, for fields that stand for a whole control.
  void Control(int id, HWND* window);

 private:
  HWND Item(int id);
  void FailAt(HWND control, const std::wstring& message);

  HWND dialog_;
  bool saving_;
  bool failed_ = false;
  HWND last_ = nullptr;
};

}  // namespace fw
