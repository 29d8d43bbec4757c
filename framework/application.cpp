#include "framework/application.h"

#include <ole2.h>
#include <shellapi.h>

#include <exception>

#include "framework/dialog.h"
#include "framework/exception_guard.h"

namespace fw {

namespace {
CApplication* g_application = nullptr;
}  // namespace

CApplication::CApplication(LANGID resourceLanguage, LANGID frameworkMessageLanguage) {
  g_application = this;
  Module::Get().SetResourceLanguage(resourceLanguage);
  Module::Get().SetFrameworkMessageLanguage(frameworkMessageLanguage);
}

CApplication::~CApplication() {
  if (g_application == this) g_application = nullptr;
}

CApplication* CApplication::Get() { return g_application; }

bool CApplication::InitInstance() { return false; }

int CApplication::ExitInstance() { return exitCode_; }

bool CApplication::OnAppCommand(UINT) { return false; }

void CApplication::OnHelp() {
  std::string path = Module::Get().FilePath();
  const size_t dot = path.find_last_of(".\\/");
  if (dot != std::string::npos && path[dot] == '.') path.resize(dot);
  path += ".chm";
  if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) return;
  ShellExecuteA(nullptr, "open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

bool CApplication::EnableOle() {
  if (oleStarted_) return true;
  oleStarted_ = SUCCEEDED(OleInitialize(nullptr));
  return oleStarted_;
}

INT_PTR CApplication::RunMainDialog(CDialog& dialog) {
  CDialog* outer = mainWindow_;
  mainWindow_ = &dialog;
  const INT_PTR result = dialog.DoModal();
  mainWindow_ = outer;
  exitCode_ = static_cast<int>(result);
  return result;
}

int CApplication::Run(HINSTANCE instance, const char* commandLine, int showCommand) {
  commandLine_ = commandLine ? commandLine : "";
  showCommand_ = showCommand;
  Module::Get().Start(instance);
  EnsureCommonControls();
  // No exception leaves WinMain: one that escapes the program's code ends it with -1.
  int code = -1;
  try {
    if (InitInstance()) {
      MSG msg{};
      BOOL got = 0;
      while ((got = GetMessageW(&msg, nullptr, 0, 0)) != 0 && got != -1) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
      }
      if (got == 0) exitCode_ = static_cast<int>(msg.wParam);
    }
    code = ExitInstance();
  } catch (const std::exception& e) {
    LogFailure("WinMain", e.what());
  } catch (...) {
    LogFailure("WinMain", "unknown exception");
  }
  if (oleStarted_) OleUninitialize();
  oleStarted_ = false;
  Module::Get().End(false);
  return code;
}

}  // namespace fw
