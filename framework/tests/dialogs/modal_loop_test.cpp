// Modal loops outside any control: a script that times out ends whatever loop is open and
// fails naming its step; message boxes reach the interceptors in one encoding, from any
// thread.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>

#include "dialog_ids.h"
#include "framework/dialog.h"
#include "framework/message_box.h"
#include "framework/modal_loop.h"
#include "framework/property_sheet.h"
#include "testing/container/modal_script.h"

namespace {

using test_container::ModalScript;

class Page : public fw::CPropertyPage {
 public:
  Page() : CPropertyPage(IDD_PAGE_ONE) {}
};

TEST(ModalScriptTimeOut, EndsTheOpenLoopAndFailsNamingTheStep) {
  HWND owner = CreateWindowExA(0, "STATIC", "owner", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr,
                               nullptr, GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(owner, nullptr);
  struct Case {
    const char* name;
    std::function<void()> loop;
  };
  const Case cases[] = {
      {"dialog",
       [] {
         fw::CDialog dialog(IDD_SETTINGS);
         EXPECT_EQ(dialog.DoModal(), IDCANCEL);
       }},
      {"message box",
       [] {
         EXPECT_EQ(fw::ShowMessageBox(nullptr, L"Never answered", L"Box", MB_OKCANCEL), IDCANCEL);
       }},
      {"property sheet",
       [] {
         Page page;
         fw::CPropertySheet sheet("Sheet", nullptr);
         sheet.AddPage(&page);
         EXPECT_EQ(sheet.DoModal(), IDCANCEL);
       }},
      {"popup menu",
       [owner] {
         HMENU menu = CreatePopupMenu();
         AppendMenuA(menu, MF_STRING, 1, "Item");
         EXPECT_EQ(fw::TrackPopupMenu(menu, TPM_RETURNCMD, 10, 10, owner), 0);
         DestroyMenu(menu);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ModalScript script;
    script.Then("a window that never comes", [] { return false; });
    const auto run = [&] {
      script.Start(30, 1500);
      c.loop();
    };
    EXPECT_NONFATAL_FAILURE(run(),
                            "step 1 of 1 (a window that never comes) not done after 1500 ms");
    EXPECT_TRUE(script.TimedOut());
    EXPECT_FALSE(script.Finished());
  }
  DestroyWindow(owner);
}

struct Seen {
  std::wstring text, caption;
  DWORD thread = 0;
};

fw::MessageBoxHandler Record(Seen* seen, int button) {
  return [seen, button](HWND, const std::wstring& text, const std::wstring& caption, UINT) {
    seen->text = text;
    seen->caption = caption;
    seen->thread = GetCurrentThreadId();
    return button;
  };
}

int ShowOnWorker(const std::wstring& text) {
  int result = 0;
  std::thread worker([&] { result = fw::ShowMessageBox(nullptr, text, L"Worker", MB_YESNO); });
  worker.join();
  return result;
}

TEST(MessageBoxInterceptors, OneEncodingAndEveryThreadOfTheProcess) {
  Seen process, outerProcess, thread;
  fw::ProcessMessageBoxInterceptor outer(Record(&outerProcess, IDNO));
  {
    fw::ProcessMessageBoxInterceptor inner(Record(&process, IDYES));
    // A worker thread's box, texts outside the ANSI code page untouched.
    const std::wstring wide = L"\u6444\u50cf\u5934 caf\u00e9";
    EXPECT_EQ(ShowOnWorker(wide), IDYES);
    EXPECT_EQ(process.text, wide);
    EXPECT_EQ(process.caption, L"Worker");
    EXPECT_NE(process.thread, GetCurrentThreadId());

    // This thread's own interceptor wins over the process's; ANSI texts arrive wide.
    {
      fw::ScopedMessageBoxInterceptor own(Record(&thread, IDRETRY));
      EXPECT_EQ(fw::ShowMessageBox(nullptr, std::string("Please Input the Name"), "Error"),
                IDRETRY);
      EXPECT_EQ(thread.text, L"Please Input the Name");
      EXPECT_EQ(thread.caption, L"Error");
      EXPECT_EQ(ShowOnWorker(L"still the process's"), IDYES);
    }
    EXPECT_EQ(fw::ShowMessageBox(nullptr, L"this thread, no own interceptor"), IDYES);
    EXPECT_EQ(process.thread, GetCurrentThreadId());
  }
  // The outer one again once the inner has gone.
  EXPECT_EQ(ShowOnWorker(L"outer"), IDNO);
  EXPECT_EQ(outerProcess.text, L"outer");
}

}  // namespace
