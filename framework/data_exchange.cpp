#include "framework/data_exchange.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

#include <commctrl.h>

#include "framework/ansi_text.h"
#include "framework/message_box.h"
#include "framework/module.h"

namespace fw {

namespace {

bool ChineseUi() {
  return PRIMARYLANGID(Module::Get().FrameworkMessageLanguage()) == LANG_CHINESE;
}

std::wstring Number(long long value) { return std::to_wstring(value); }

std::string WindowText(HWND control) {
  const int n = GetWindowTextLengthA(control);
  std::string text(static_cast<size_t>(n > 0 ? n : 0) + 1, '\0');
  const int got = GetWindowTextA(control, text.data(), n + 1);
  text.resize(static_cast<size_t>(got > 0 ? got : 0));
  return text;
}

}  // namespace

std::optional<long> ParseDialogInteger(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  size_t end = text.size();
  while (end > i && (text[end - 1] == ' ' || text[end - 1] == '\t')) --end;
  std::string core(text.substr(i, end - i));
  if (core.empty()) return std::nullopt;
  size_t digits = (core[0] == '-' || core[0] == '+') ? 1 : 0;
  if (digits == core.size()) return std::nullopt;
  for (size_t k = digits; k < core.size(); ++k) {
    if (core[k] < '0' || core[k] > '9') return std::nullopt;
  }
  errno = 0;
  const long long v = std::strtoll(core.c_str(), nullptr, 10);
  if (errno == ERANGE || v < LONG_MIN || v > LONG_MAX) return std::nullopt;
  return static_cast<long>(v);
}

std::wstring IntegerMessageW() {
  // 请输入一个整数。
  return ChineseUi() ? L"\u8BF7\u8F93\u5165\u4E00\u4E2A\u6574\u6570\u3002"
                     : L"Please enter an integer.";
}

std::wstring RangeMessageW(long low, long high) {
  if (ChineseUi()) {
    // 请输入一个介于 low 和 high 之间的整数。
    return L"\u8BF7\u8F93\u5165\u4E00\u4E2A\u4ECB\u4E8E " + Number(low) + L" \u548C " +
           Number(high) + L" \u4E4B\u95F4\u7684\u6574\u6570\u3002";
  }
  return L"Please enter an integer between " + Number(low) + L" and " + Number(high) + L".";
}

std::wstring MaxCharsMessageW(size_t maxChars) {
  if (ChineseUi()) {
    // 请输入不超过 n 个字符。
    return L"\u8BF7\u8F93\u5165\u4E0D\u8D85\u8FC7 " + Number(static_cast<long long>(maxChars)) +
           L" \u4E2A\u5B57\u7B26\u3002";
  }
  return L"Please enter no more than " + Number(static_cast<long long>(maxChars)) +
         L" characters.";
}

std::string IntegerMessage() { return WideToAnsi(IntegerMessageW()); }
std::string RangeMessage(long low, long high) { return WideToAnsi(RangeMessageW(low, high)); }
std::string MaxCharsMessage(size_t maxChars) { return WideToAnsi(MaxCharsMessageW(maxChars)); }

HWND DataExchange::Item(int id) {
  HWND control = GetDlgItem(dialog_, id);
  last_ = control;
  return control;
}

void DataExchange::FailAt(HWND control, const std::wstring& message) {
  failed_ = true;
  ShowMessageBox(dialog_, message, nullptr, MB_OK | MB_ICONEXCLAMATION);
  if (control) {
    SetFocus(control);
    SendMessageA(control, EM_SETSEL, 0, -1);
  }
}

void DataExchange::Text(int id, std::string& value, size_t maxChars) {
  if (failed_) return;
  HWND control = Item(id);
  if (!control) return;
  if (!saving_) {
    if (maxChars > 0) SendMessageA(control, EM_LIMITTEXT, maxChars, 0);
    SetWindowTextA(control, value.c_str());
    return;
  }
  std::string text = WindowText(control);
  if (maxChars > 0 && text.size() > maxChars) {
    FailAt(control, MaxCharsMessageW(maxChars));
    return;
  }
  value = std::move(text);
}

void DataExchange::Int(int id, long& value) {
  if (failed_) return;
  HWND control = Item(id);
  if (!control) return;
  if (!saving_) {
    SetWindowTextA(control, std::to_string(value).c_str());
    return;
  }
  const std::optional<long> parsed = ParseDialogInteger(WindowText(control));
  if (!parsed) {
    FailAt(control, IntegerMessageW());
    return;
  }
  value = *parsed;
}

void DataExchange::Int(int id, int& value) {
  long wide = value;
  const bool wasFailed = failed_;
  Int(id, wide);
  if (!wasFailed && !failed_) {
    if (saving_ && (wide < INT_MIN || wide > INT_MAX)) {
      FailAt(last_, IntegerMessageW());
      return;
    }
    value = static_cast<int>(wide);
  }
}

void DataExchange::Check(int id, int& value) {
  if (failed_) return;
  HWND control = Item(id);
  if (!control) return;
  if (!saving_) {
    SendMessageA(control, BM_SETCHECK, static_cast<WPARAM>(value), 0);
    return;
  }
  value = static_cast<int>(SendMessageA(control, BM_GETCHECK, 0, 0));
}

void DataExchange::IpAddress(int id, DWORD& value) {
  if (failed_) return;
  HWND control = Item(id);
  if (!control) return;
  if (!saving_) {
    if (value == 0) {
      SendMessageW(control, IPM_CLEARADDRESS, 0, 0);
    } else {
      SendMessageW(control, IPM_SETADDRESS, 0, static_cast<LPARAM>(value));
    }
    return;
  }
  DWORD address = 0;
  SendMessageW(control, IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&address));
  value = address;
}

void DataExchange::MinMax(long value, long low, long high) {
  if (failed_ || !saving_) return;
  if (value < low || value > high) FailAt(last_, RangeMessageW(low, high));
}

void DataExchange::Control(int id, HWND* window) {
  if (failed_) return;
  *window = Item(id);
}

}  // namespace fw
