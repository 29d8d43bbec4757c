// The sample's property page: listed by the control, created by its class id, shown
// inside a page frame, and opened by the properties verb in the system's property frame.
#include <gtest/gtest.h>
#include <windows.h>

#include <olectl.h>

#include "base/com_ptr.h"
#include "sample_classes.h"
#include "sample_fixture.h"
#include "testing/container/control_host.h"
#include "testing/container/modal_script.h"

namespace {

using base::ComPtr;

constexpr char kPageText[] = "The sample control has nothing to set here.";

// A dialog of this thread whose descendants show the page's text.
bool ShowsPageText(HWND window) {
  return test_container::DialogStaticTexts(window).find(kPageText) != std::string::npos;
}

class SamplePropertyPage : public sample::RegisteredSample {
 protected:
  test_container::ControlHost host;
};

TEST_F(SamplePropertyPage, IsListedCreatedAndShownInsideAFrame) {
  ASSERT_EQ(host.Create(sample::kProgId, 200, 100, /*activate=*/false), S_OK);
  CAUUID pages{};
  ASSERT_EQ(host.As<ISpecifyPropertyPages>()->GetPages(&pages), S_OK);
  ASSERT_EQ(pages.cElems, 1u);
  EXPECT_TRUE(IsEqualCLSID(pages.pElems[0], kSamplePageClsid));
  base::ComPtr<IPropertyPage> page;
  ASSERT_EQ(CoCreateInstance(pages.pElems[0], nullptr, CLSCTX_INPROC_SERVER, IID_IPropertyPage,
                             page.ReceiveVoid()),
            S_OK);
  CoTaskMemFree(pages.pElems);

  PROPPAGEINFO info{};
  ASSERT_EQ(page->GetPageInfo(&info), S_OK);
  if (PRIMARYLANGID(GetUserDefaultUILanguage()) != LANG_CHINESE) {
    EXPECT_STREQ(info.pszTitle, L"General");
  }
  EXPECT_GT(info.size.cx, 100);
  EXPECT_GT(info.size.cy, 20);
  CoTaskMemFree(info.pszTitle);

  IUnknown* objects[] = {host.Control()};
  ASSERT_EQ(page->SetObjects(1, objects), S_OK);
  const RECT area{10, 10, 10 + info.size.cx, 10 + info.size.cy};
  ASSERT_EQ(page->Activate(host.Window(), &area, TRUE), S_OK);
  EXPECT_TRUE(ShowsPageText(host.Window()));
  EXPECT_EQ(page->IsPageDirty(), S_FALSE);
  EXPECT_EQ(page->Apply(), S_OK);
  ASSERT_EQ(page->Deactivate(), S_OK);
  EXPECT_FALSE(ShowsPageText(host.Window()));
  page->SetObjects(0, nullptr);
}

// A frame passes the keys its page is focused on through TranslateAccelerator. Enter and
// Escape are the frame's OK and Cancel: the page leaves them to the frame and stays.
TEST_F(SamplePropertyPage, RefusesEnterAndEscapeThatReachItThroughTheFrame) {
  ASSERT_EQ(host.Create(sample::kProgId, 200, 100, /*activate=*/false), S_OK);
  base::ComPtr<IPropertyPage> page;
  ASSERT_EQ(CoCreateInstance(kSamplePageClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IPropertyPage,
                             page.ReceiveVoid()),
            S_OK);
  const RECT area{10, 10, 400, 120};
  ASSERT_EQ(page->Activate(host.Window(), &area, TRUE), S_OK);
  HWND window = FindWindowExA(host.Window(), nullptr, "#32770", nullptr);
  ASSERT_NE(window, nullptr);
  for (WPARAM key : {VK_RETURN, VK_ESCAPE}) {
    SCOPED_TRACE(key == VK_RETURN ? "Enter" : "Escape");
    MSG msg{window, WM_KEYDOWN, key, 0, 0, {}};
    EXPECT_EQ(page->TranslateAccelerator(&msg), S_FALSE);
    EXPECT_TRUE(IsWindow(window));
  }
  // The same keys through the page's own dialog manager, as a frame that does not ask.
  for (WPARAM key : {VK_RETURN, VK_ESCAPE}) {
    MSG msg{window, WM_KEYDOWN, key, 0, 0, {}};
    IsDialogMessageA(window, &msg);
    EXPECT_TRUE(IsWindow(window));
  }
  EXPECT_TRUE(ShowsPageText(host.Window()));
  EXPECT_EQ(page->Deactivate(), S_OK);
  EXPECT_FALSE(IsWindow(window));
}

TEST_F(SamplePropertyPage, PropertiesVerbOpensTheFrameWithThePage) {
  ASSERT_EQ(host.Create(sample::kProgId, 200, 100), S_OK);
  bool pageShown = false;
  test_container::ModalScript script;
  script.Then([&] {
    HWND frame = test_container::FindThreadDialog();
    if (!frame || !ShowsPageText(frame)) return false;
    pageShown = true;
    return PostMessageA(frame, WM_COMMAND, IDCANCEL, 0) != FALSE;
  });
  script.Start();
  EXPECT_EQ(host.Activate(OLEIVERB_PROPERTIES), S_OK);
  EXPECT_TRUE(script.Finished());
  EXPECT_TRUE(pageShown);
  EXPECT_EQ(host.Log().propertyFrameRequests, 1);  // the site was asked first
}

}  // namespace
