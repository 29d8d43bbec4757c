// A dialog program on the framework's application object, for the tests that start it as a
// child process. Its first argument picks what it does; a script (ModalScript) plays the
// user and its exit code tells the test what happened:
//   end            click "End 1005": the dialog's result 1005 is the exit code
//   exit-instance  click "Exit": ExitInstance turns the dialog's 2 into 102
//   ole, no-ole    with or without EnableOle: 11 when the thread's apartment was already
//                  initialised, 10 when not
//   throw          InitInstance throws after the dialog: -1, and no exception leaves WinMain
//   texts en|zh    compare the shown texts, as UTF-16, with the language's expected ones
//                  (EXIT_TEXTS_CHECKED plus a bit per text that differs)
// A script that times out ends the dialog with IDCANCEL (2).
#include <objbase.h>

#include <sstream>
#include <stdexcept>
#include <string>

#include "framework/application.h"
#include "framework/data_exchange.h"
#include "framework/dialog.h"
#include "framework/resources.h"
#include "program_ids.h"
#include "testing/container/modal_script.h"

#ifndef PROGRAM_LANGUAGE
#define PROGRAM_LANGUAGE fw::Module::kUserLanguage
#endif

namespace {

using test_container::ModalScript;

struct ExpectedTexts {
  const wchar_t* caption;
  const wchar_t* label;
  const wchar_t* string;
  const wchar_t* rangeMessage;
};

const ExpectedTexts kEnglish{L"Setting", L"IP Addr:", L"Please Select an IP Camera",
                             L"Please enter an integer between 1 and 99."};
// 设定, IP地址:, 请选择一个摄像头, 请输入一个介于 1 和 99 之间的整数。
const ExpectedTexts kChinese{
    L"\u8BBE\u5B9A", L"IP\u5730\u5740:", L"\u8BF7\u9009\u62E9\u4E00\u4E2A\u6444\u50CF\u5934",
    L"\u8BF7\u8F93\u5165\u4E00\u4E2A\u4ECB\u4E8E 1 \u548C 99 \u4E4B\u95F4\u7684\u6574\u6570"
    L"\u3002"};

std::wstring TextW(HWND window) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  const int got = GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
  text.resize(static_cast<size_t>(got > 0 ? got : 0));
  return text;
}

// The first non-empty static text of a message box: its message.
std::wstring BoxMessage(HWND box) {
  for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    wchar_t cls[16] = {};
    GetClassNameW(child, cls, 16);
    if (lstrcmpiW(cls, L"Static") == 0 && GetWindowTextLengthW(child) > 0) return TextW(child);
  }
  return {};
}

class MainDialog : public fw::CDialog {
 public:
  MainDialog() : CDialog(IDD_MAIN) {}
  int number = 5;
  DWORD address = 0;

 protected:
  BOOL OnInitDialog() override {
    SetDlgItemTextW(GetSafeHwnd(), IDC_MESSAGE, fw::LoadResStringW(IDS_SELECT).c_str());
    return CDialog::OnInitDialog();
  }
  bool OnCommand(UINT id, UINT code, HWND control) override {
    if (id == IDC_END && code == BN_CLICKED) {
      EndDialog(IDC_END);
      return true;
    }
    return CDialog::OnCommand(id, code, control);
  }
  void DoDataExchange(fw::DataExchange& dx) override {
    dx.IpAddress(IDC_ADDRESS, address);
    dx.Int(IDC_NUMBER, number);
    dx.MinMax(number, 1, 99);
  }
};

class ProgramApp : public fw::CApplication {
 public:
  ProgramApp() : CApplication(PROGRAM_LANGUAGE) {}

 protected:
  bool InitInstance() override {
    std::istringstream words(CommandLine());
    std::string language;
    words >> mode_ >> language;
    if (mode_ == "ole") EnableOle();
    MainDialog dialog;
    ModalScript script;
    Script(script, dialog, language == "zh" ? kChinese : kEnglish);
    script.Start(30, 30000);
    RunMainDialog(dialog);
    if (mode_ == "throw") throw std::runtime_error("thrown by InitInstance");
    return false;
  }

  int ExitInstance() override {
    const int code = CApplication::ExitInstance();
    return mode_ == "exit-instance" ? code + 100 : code;
  }

 private:
  static void Click(HWND dialog, int id) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
  }

  void Script(ModalScript& script, MainDialog& dialog, const ExpectedTexts& expected) {
    auto shown = [&dialog] {
      return dialog.GetSafeHwnd() && IsWindowVisible(dialog.GetSafeHwnd());
    };
    if (mode_ == "end" || mode_ == "exit-instance" || mode_ == "throw") {
      const int button = mode_ == "exit-instance" ? IDCANCEL : IDC_END;
      script.Then([=, &dialog] {
        if (!shown()) return false;
        Click(dialog.GetSafeHwnd(), button);
        return true;
      });
    } else if (mode_ == "ole" || mode_ == "no-ole") {
      script.Then([=, &dialog] {
        if (!shown()) return false;
        const HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        if (SUCCEEDED(hr)) CoUninitialize();
        dialog.EndDialog(hr == S_FALSE ? 11 : 10);
        return true;
      });
    } else if (mode_ == "texts") {
      script
          .Then([=, &dialog] {
            if (!shown()) return false;
            HWND window = dialog.GetSafeHwnd();
            if (TextW(window) != expected.caption) flags_ |= EXIT_BAD_CAPTION;
            if (TextW(GetDlgItem(window, IDC_LABEL)) != expected.label) flags_ |= EXIT_BAD_LABEL;
            if (TextW(GetDlgItem(window, IDC_MESSAGE)) != expected.string) {
              flags_ |= EXIT_BAD_STRING;
            }
            SetDlgItemTextW(window, IDC_NUMBER, L"0");
            Click(window, IDOK);
            return true;
          })
          .Then([=, &dialog] {
            HWND box = test_container::FindThreadDialog({}, {dialog.GetSafeHwnd()});
            if (!box) return false;
            if (BoxMessage(box) != expected.rangeMessage) flags_ |= EXIT_BAD_RANGE_MESSAGE;
            PostMessageW(box, WM_COMMAND, IDOK, 0);
            return true;
          })
          .Then([&dialog, this] {
            if (test_container::FindThreadDialog({}, {dialog.GetSafeHwnd()})) return false;
            dialog.EndDialog(EXIT_TEXTS_CHECKED | flags_);
            return true;
          });
    }
  }

  std::string mode_;
  int flags_ = 0;
};

}  // namespace

ProgramApp theApp;
FW_APPLICATION_MAIN()
