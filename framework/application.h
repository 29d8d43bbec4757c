// CApplication: the one application object of a program built on the framework, and the
// program's WinMain. Named for what it is, the application, rather than for the dialog it
// usually runs: InitInstance may run a main dialog and return false (a dialog program),
// or create a window and return true to run the message loop.
//
//   class CMyApp : public fw::CApplication {
//     bool InitInstance() override {
//       CMainDlg dialog;
//       RunMainDialog(dialog);
//       return false;  // the program ends with the dialog's result
//     }
//   };
//   CMyApp theApp;
//   FW_APPLICATION_MAIN()
//
// Start, before InitInstance: the module records its instance, the common control classes
// are registered (the IP address field and the other internet classes included).
#pragma once

#include <windows.h>

#include <string>
#include <utility>

#include "framework/module.h"

namespace fw {

class CDialog;

// The help command, as windows hand it to CApplication::OnAppCommand.
constexpr UINT kHelpCommand = 0xE146;

class CApplication {
 public:
  // `resourceLanguage` fixes the language of the program's texts and dialogs (a program
  // built once per language, Module::SetResourceLanguage); the default follows the user's.
  // `frameworkMessageLanguage` holds the framework's own messages in one language
  // (Module::SetFrameworkMessageLanguage); by default they follow the program's texts.
  explicit CApplication(LANGID resourceLanguage = Module::kUserLanguage,
                        LANGID frameworkMessageLanguage = Module::kUserLanguage);
  CApplication(const CApplication&) = delete;
  CApplication& operator=(const CApplication&) = delete;
  virtual ~CApplication();

  // The program's application object; null before it is constructed.
  static CApplication* Get();

  // WinMain's work: start, InitInstance, the message loop when InitInstance returned true,
  // ExitInstance. Its result is the process's exit code.
  int Run(HINSTANCE instance, const char* commandLine, int showCommand);

  // The command line after the program's name, and WinMain's show command.
  const std::string& CommandLine() const { return commandLine_; }
  int ShowCommand() const { return showCommand_; }
  // The main dialog while RunMainDialog runs it.
  CDialog* MainWindow() const { return mainWindow_; }

  // The name under HKEY_CURRENT_USER\Software where the program's settings would go. Only
  // recorded: the framework itself writes nothing there, so nothing exists under it until a
  // program writes a setting of its own.
  const std::wstring& RegistryKey() const { return registryKey_; }

  // A command the program's windows hand to the application (kHelpCommand for F1); true
  // when a handler took it. The default takes none: a program routes the ones it wants.
  virtual bool OnAppCommand(UINT id);

 protected:
  // True to run the message loop until WM_QUIT; false to end the program at once. The
  // default does nothing and returns false.
  virtual bool InitInstance();
  // Runs last; its result is the exit code. The default: the main dialog's EndDialog
  // result when RunMainDialog ran, else WM_QUIT's code (0 when the loop never ran).
  virtual int ExitInstance();

  // OleInitialize for the program's thread, undone after ExitInstance; false when it
  // failed. For programs that use OLE (drag and drop, the clipboard, embedded objects).
  bool EnableOle();
  void SetRegistryKey(std::wstring name) { registryKey_ = std::move(name); }
  // The default help handler: opens the program's help file, <program>.chm beside it, with
  // the shell; without one it does nothing.
  virtual void OnHelp();
  // Runs `dialog` modally as the main window. Its result (-1 when it could not start)
  // becomes the exit code that ExitInstance gives by default.
  INT_PTR RunMainDialog(CDialog& dialog);

 private:
  std::string commandLine_;
  std::wstring registryKey_;
  int showCommand_ = SW_SHOWDEFAULT;
  CDialog* mainWindow_ = nullptr;
  int exitCode_ = 0;
  bool oleStarted_ = false;
};

}  // namespace fw

// The program's WinMain: runs the one application object; -1 when there is none.
#define FW_APPLICATION_MAIN()                                                  \
  int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int show) { \
    fw::CApplication* app = fw::CApplication::Get();                           \
    return app ? app->Run(instance, commandLine, show) : -1;                   \
  }
