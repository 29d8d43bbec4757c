#include "framework/data_exchange.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>

#include "framework/ansi_text.h"
#include "framework/message_box.h"

namespace fw {

namespace {

bool ChineseUi() { return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_CHINESE; }

// The Chinese texts are written in UTF-8 here and shown in the user's code page.
std::string FromUtf8(const char* utf8) { return WideToAnsi(Utf8ToWide(utf8)); }

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

std::string IntegerMessage() {
  return ChineseUi() ? FromUtf8("请输入一个整数。") : "Please enter an integer.";
}

std::string RangeMessage(long low, long high) {
  if (ChineseUi()) {
    return FromUtf8("请输入一个介于 ") + std::to_string(low) + FromUtf8(" 和 ") +
           std::to_string(high) + FromUtf8(" 之间的整数。");
  }
  char text[96];
  std::snprintf(text, sizeof text, "Please enter an integer between %ld and %ld.", low, high);
  return text;
}

std::string MaxCharsMessage(size_t maxChars) {
  if (ChineseUi()) {
    return FromUtf8("请输入不超过 ") + std::to_string(maxChars) + FromUtf8(" 个字符。");
  }
  return "Please enter no more than " + std::to_string(maxChars) + " characters.";
}

HWND DataExchange::Item(int id) {
  HWND control = GetDlgItem(dialog_, id);
  last_ = control;
  return control;
}

void DataExchange::FailAt(HWND control, const std::string& message) {
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
    FailAt(control, MaxCharsMessage(maxChars));
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
    FailAt(control, IntegerMessage());
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
      FailAt(last_, IntegerMessage());
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

void DataExchange::MinMax(long value, long low, long high) {
  if (failed_ || !saving_) return;
  if (value < low || value > high) FailAt(last_, RangeMessage(low, high));
}

void DataExchange::Control(int id, HWND* window) {
  if (failed_) return;
  *window = Item(id);
}

}  // namespace fw
