#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "framework/ansi_text.h"
#include "recordbrowser/form_pictures.h"
#include "recordbrowser/vantrel_impl.h"
#include "testing/container/message_pump.h"
#include "testing/container/modal_script.h"
#include "testing/container/popup_menu.h"
#include "testing/container/test_frame.h"
#include "testing/container/window_capture.h"
#include "testing/support/temp_folder.h"

namespace {

using vantrel::TVantrel;

// The form in a top-level window of the test display whose client area it fills.
class VantrelForm : public ::testing::Test {
 protected:
  void SetUp() override {
    frame = test_container::CreateTestFrame(
        "Vantrel test", test_container::FrameAroundClient(20, 20, 800, 600));
    ASSERT_TRUE(frame);
    TVantrel::SetBaseFolderForTests(catalogueFolder.path() + "\\");
    vantrel = std::make_unique<TVantrel>(frame);
    // Start-up hides the toolbar until a record is selected; the design shows it.
    vantrel->PanelToolbar->SetVisible(true);
    test_container::PumpPending();
  }
  void TearDown() override {
    vantrel.reset();
    DestroyWindow(frame);
    TVantrel::SetBaseFolderForTests("");
    RemoveDirectoryA((catalogueFolder.path() + "\\Thumb").c_str());
  }
  // A control's window rectangle in the client area of `in`.
  static RECT RectIn(const form::Control* c, const form::Control* in) {
    RECT r{};
    GetWindowRect(c->GetSafeHwnd(), &r);
    MapWindowPoints(nullptr, in->GetSafeHwnd(), reinterpret_cast<POINT*>(&r), 2);
    return r;
  }
  static std::string Text(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
           "," + std::to_string(r.bottom);
  }

  testing_support::TempFolder catalogueFolder;
  HWND frame = nullptr;
  std::unique_ptr<TVantrel> vantrel;
};

TEST_F(VantrelForm, HoldsEveryComponentInTheDesignsOrder) {
  const std::vector<std::string> expected = {"PanelBase",
                                             "TreeViewSurveillance",
                                             "Splitter1",
                                             "PanelThumb",
                                             "PanelDetail",
                                             "LabelCaption",
                                             "LabelDetail",
                                             "PanelToolbar",
                                             "SpeedButtonGoto",
                                             "SpeedButtonView",
                                             "SpeedButtonLocate",
                                             "SpeedButtonDelete",
                                             "Bevel1",
                                             "Bevel2",
                                             "ListViewThumb",
                                             "PopupMenuGoto",
                                             "MenuDate",
                                             "MenuArea",
                                             "MenuCamera",
                                             "N1",
                                             "MenuUpperLevel",
                                             "ImageListTypeS",
                                             "ImageListTypeL",
                                             "ImageListThumb",
                                             "ImageListMediaType",
                                             "ImageListButton",
                                             "FilterGraph",
                                             "SampleGrabber",
                                             "VideoWindow"};
  std::vector<std::string> names;
  for (size_t i = 0; i < vantrel->ComponentCount(); ++i)
    names.push_back(vantrel->GetComponent(i)->Name());
  EXPECT_EQ(names, expected);
  EXPECT_EQ(vantrel->Caption(), L"Vantrel");
  EXPECT_EQ(vantrel->GetColor(), form::SystemColor(COLOR_BACKGROUND));
  EXPECT_EQ(vantrel->GetFont().name, L"MS Sans Serif");
  EXPECT_EQ(vantrel->GetFont().height, -11);
  EXPECT_EQ(vantrel->GetFont().color, RGB(255, 255, 255));
  EXPECT_EQ(vantrel->Texts.size(), 18u);
  EXPECT_EQ(vantrel->CaptureBusy, 0);

  // The Goto menu's five items, the area one hidden.
  std::vector<std::pair<std::wstring, int>> items;
  for (const form::MenuItem* item : vantrel->PopupMenuGoto->Items()) {
    items.push_back({item->Caption(), item->ImageIndex()});
  }
  EXPECT_EQ(items,
            (std::vector<std::pair<std::wstring, int>>{
                {L"Date", 0}, {L"Area", 2}, {L"Camera", 1}, {L"-", -1}, {L"Upper level", -1}}));
  EXPECT_FALSE(vantrel->MenuArea->Visible());
  EXPECT_EQ(vantrel->PopupMenuGoto->Images(), vantrel->ImageListTypeS);

  EXPECT_EQ(vantrel->SpeedButtonGoto->Text(), L"Goto");
  EXPECT_EQ(vantrel->SpeedButtonDelete->Text(), L"Delete");
}

TEST_F(VantrelForm, LaysOutTheDesignAt610By453AndFollowsA800By600Resize) {
  auto check = [&](int w, int h) {
    SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
    const int thumbW = w - 163;
    EXPECT_EQ(Text(RectIn(vantrel->PanelBase, vantrel.get())), Text({0, 0, w, h}));
    EXPECT_EQ(Text(RectIn(vantrel->TreeViewSurveillance, vantrel.get())), Text({0, 0, 160, h}));
    EXPECT_EQ(Text(RectIn(vantrel->Splitter1, vantrel.get())), Text({160, 0, 163, h}));
    EXPECT_EQ(Text(RectIn(vantrel->PanelThumb, vantrel.get())), Text({163, 0, w, h}));
    EXPECT_EQ(Text(RectIn(vantrel->PanelDetail, vantrel->PanelThumb)), Text({0, 0, thumbW, 46}));
    EXPECT_EQ(Text(RectIn(vantrel->PanelToolbar, vantrel->PanelDetail)),
              Text({thumbW - 185, 0, thumbW, 46}));
    EXPECT_EQ(Text(RectIn(vantrel->ListViewThumb, vantrel->PanelThumb)), Text({0, 46, thumbW, h}));
    const form::SpeedButton* buttons[] = {vantrel->SpeedButtonGoto, vantrel->SpeedButtonView,
                                          vantrel->SpeedButtonLocate, vantrel->SpeedButtonDelete};
    const int lefts[] = {8, 49, 90, 140};
    for (int i = 0; i < 4; ++i) {
      const RECT r = RectIn(buttons[i], vantrel->PanelToolbar);
      EXPECT_EQ(r.left, lefts[i]) << buttons[i]->Name();
      EXPECT_EQ(r.right - r.left, 41);
      EXPECT_EQ(r.bottom - r.top, 44);
    }
    EXPECT_EQ(Text(RectIn(vantrel->Bevel1, vantrel->PanelToolbar)), Text({3, 3, 5, 43}));
    EXPECT_EQ(Text(RectIn(vantrel->Bevel2, vantrel->PanelToolbar)), Text({134, 3, 136, 43}));
    EXPECT_EQ(RectIn(vantrel->LabelCaption, vantrel->PanelDetail).left, 8);
    EXPECT_EQ(RectIn(vantrel->LabelCaption, vantrel->PanelDetail).top, 4);
    EXPECT_EQ(RectIn(vantrel->LabelDetail, vantrel->PanelDetail).top, 24);
  };
  check(610, 453);
  vantrel->SetBounds(0, 0, 800, 600);
  test_container::PumpPending();
  check(800, 600);
}

TEST_F(VantrelForm, ASplitterDragWidensTheTreeAndNarrowsTheThumbnails) {
  form::Splitter* s = vantrel->Splitter1;
  // In the splitter's own coordinates: it has moved by 40 when the button is released.
  s->Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 100));
  s->Send(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(41, 100));
  s->Send(WM_LBUTTONUP, 0, MAKELPARAM(1, 100));
  test_container::PumpPending();
  EXPECT_EQ(vantrel->TreeViewSurveillance->Width(), 200);
  EXPECT_EQ(Text(RectIn(vantrel->PanelThumb, vantrel.get())), Text({203, 0, 610, 453}));
  EXPECT_EQ(RectIn(vantrel->PanelToolbar, vantrel->PanelDetail).right, 610 - 203);
}

TEST_F(VantrelForm, PanelsTreeAndListShowTheFormsColourAndTheSplitterIsWhite) {
  const COLORREF background = GetSysColor(COLOR_BACKGROUND);
  const form::TreeView* tree = vantrel->TreeViewSurveillance;
  const form::ListView* list = vantrel->ListViewThumb;
  EXPECT_EQ(static_cast<COLORREF>(tree->Send(TVM_GETBKCOLOR)), background);
  EXPECT_EQ(static_cast<COLORREF>(tree->Send(TVM_GETTEXTCOLOR)), RGB(255, 255, 255));
  EXPECT_EQ(static_cast<COLORREF>(list->Send(LVM_GETBKCOLOR)), background);
  EXPECT_EQ(static_cast<COLORREF>(list->Send(LVM_GETTEXTCOLOR)), RGB(255, 255, 255));

  test_container::PumpFor(200);
  const auto image = test_container::CaptureWindow(vantrel->GetSafeHwnd());
  ASSERT_TRUE(image.has_value());
  // Left of the labels, and between the labels and the toolbar, in PanelDetail.
  EXPECT_GT(image->ShareOf(background, RECT{163, 0, 163 + 6, 46}, 2), 0.99);
  // (The labels hold the time root's texts since start-up.)
  const LONG labelsRight = std::max(RectIn(vantrel->LabelCaption, vantrel.get()).right,
                                    RectIn(vantrel->LabelDetail, vantrel.get()).right);
  ASSERT_LT(labelsRight + 10, 610 - 190);
  EXPECT_GT(image->ShareOf(background, RECT{labelsRight + 2, 2, 610 - 190, 44}, 2), 0.99);
  EXPECT_GT(image->ShareOf(background, RECT{0, 200, 160, 453}, 2), 0.99) << "tree";
  EXPECT_GT(image->ShareOf(background, RECT{200, 100, 600, 440}, 2), 0.99) << "list";
  EXPECT_GT(image->ShareOf(RGB(255, 255, 255), RECT{160, 0, 163, 453}, 2), 0.99) << "splitter";
  // The glyphs drew something of their own on the toolbar.
  const RECT toolbar = RectIn(vantrel->PanelToolbar, vantrel.get());
  EXPECT_LT(image->ShareOf(background, toolbar, 2), 0.9);
}

TEST_F(VantrelForm, TreeAndListStylesFollowTheDesign) {
  const auto treeStyle = GetWindowLongA(vantrel->TreeViewSurveillance->GetSafeHwnd(), GWL_STYLE);
  for (auto bit : {TVS_FULLROWSELECT, TVS_TRACKSELECT, TVS_SHOWSELALWAYS, TVS_NOTOOLTIPS}) {
    EXPECT_TRUE(treeStyle & bit) << std::hex << bit;
  }
  for (auto bit : {TVS_HASLINES, TVS_LINESATROOT, TVS_HASBUTTONS, TVS_EDITLABELS}) {
    EXPECT_FALSE(treeStyle & bit) << std::hex << bit;
  }
  EXPECT_FALSE(GetWindowLongA(vantrel->TreeViewSurveillance->GetSafeHwnd(), GWL_EXSTYLE) &
               WS_EX_CLIENTEDGE);
  EXPECT_EQ(vantrel->TreeViewSurveillance->Indent(), 27);
  EXPECT_EQ(vantrel->TreeViewSurveillance->Send(TVM_GETIMAGELIST, TVSIL_NORMAL),
            reinterpret_cast<LRESULT>(vantrel->ImageListTypeS->Handle()));

  const auto listStyle = GetWindowLongA(vantrel->ListViewThumb->GetSafeHwnd(), GWL_STYLE);
  EXPECT_EQ(listStyle & LVS_TYPEMASK, LVS_ICON);
  for (auto bit : {LVS_AUTOARRANGE, LVS_NOLABELWRAP, LVS_SHOWSELALWAYS, LVS_SINGLESEL}) {
    EXPECT_TRUE(listStyle & bit) << std::hex << bit;
  }
  EXPECT_FALSE(listStyle & LVS_EDITLABELS);
  EXPECT_FALSE(GetWindowLongA(vantrel->ListViewThumb->GetSafeHwnd(), GWL_EXSTYLE) &
               WS_EX_CLIENTEDGE);
}

TEST_F(VantrelForm, ImageListsHoldTheirPicturesDrawnByCode) {
  struct List {
    const form::ImageList* list;
    int size;
    int count;
  };
  const List lists[] = {{vantrel->ImageListTypeS, 24, 3},
                        {vantrel->ImageListTypeL, 32, 3},
                        {vantrel->ImageListMediaType, 16, 1},
                        {vantrel->ImageListButton, 24, 4}};
  for (const List& l : lists) {
    SCOPED_TRACE(l.list->Name());
    EXPECT_EQ(l.list->Width(), l.size);
    ASSERT_EQ(l.list->Count(), l.count);
    for (int i = 0; i < l.count; ++i) {
      // On white: the magenta background is transparent, the picture is not.
      fw::Bitmap canvas;
      canvas.SetSize(l.size, l.size);
      RECT all{0, 0, l.size, l.size};
      FillRect(canvas.Dc(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
      l.list->Draw(i, canvas.Dc(), 0, 0);
      GdiFlush();
      int white = 0, magenta = 0;
      for (int y = 0; y < l.size; ++y) {
        for (int x = 0; x < l.size; ++x) {
          const COLORREF c = GetPixel(canvas.Dc(), x, y);
          white += c == RGB(255, 255, 255);
          magenta += c == vantrel::kPictureBackground;
        }
      }
      EXPECT_EQ(magenta, 0) << "image " << i;
      EXPECT_GT(white, 0) << "image " << i << " has no transparent margin";
      EXPECT_LT(white, l.size * l.size * 9 / 10) << "image " << i << " is empty";
    }
  }
  EXPECT_EQ(vantrel->ImageListThumb->Width(), 120);
  EXPECT_EQ(vantrel->ImageListThumb->Height(), 90);
  EXPECT_EQ(vantrel->ImageListThumb->Count(), 0);
  EXPECT_TRUE(vantrel->SpeedButtonGoto->HasGlyph());
}

// Opened as the Goto button will open it, and closed from inside its loop.
TEST_F(VantrelForm, TheGotoMenuOpensWithItsShownItemsAndClosesFromTheScript) {
  vantrel->MenuCamera->SetCaption(L"Camera:" + fw::Utf8ToWide("摄像头一"));
  std::vector<std::wstring> shown;
  bool popupHeard = false;
  vantrel->PopupMenuGoto->OnPopup = [&] { popupHeard = true; };
  test_container::ModalScript script;
  script.Then("the menu shows and is closed", [&] {
    HMENU menu = vantrel->PopupMenuGoto->Handle();
    HWND open = test_container::OpenPopupMenuOfThisThread();
    if (!menu || !open || !IsWindowVisible(open)) return false;
    for (int i = 0, n = GetMenuItemCount(menu); i < n; ++i) {
      wchar_t text[64] = {};
      GetMenuStringW(menu, static_cast<UINT>(i), text, 64, MF_BYPOSITION);
      shown.push_back(text);
    }
    PostMessageA(open, WM_KEYDOWN, VK_ESCAPE, 0);
    return true;
  });
  script.Start();
  vantrel->PopupMenuGoto->Popup(300, 200);
  EXPECT_TRUE(script.Finished());
  EXPECT_TRUE(popupHeard);
  EXPECT_EQ(shown, (std::vector<std::wstring>{L"Date", L"Camera:" + fw::Utf8ToWide("摄像头一"), L"",
                                              L"Upper level"}));
  EXPECT_EQ(test_container::OpenPopupMenuOfThisThread() != nullptr,
            false);
}

TEST_F(VantrelForm, ChineseShowsOnALabelATreeNodeAndReadsBackAsUtf16AndEverythingPaints) {
  const std::wstring root = fw::Utf8ToWide("按时间查看");
  vantrel->LabelCaption->SetText(root);
  const form::TreeNode node = vantrel->TreeViewSurveillance->Add(nullptr, root, 0, 0);
  vantrel->TreeViewSurveillance->Add(nullptr, L"Sorted by cameras", 1, 1);
  vantrel->ListViewThumb->SetLargeImages(vantrel->ImageListTypeL);
  vantrel->ListViewThumb->Add(L"2026-12-10", 0);
  EXPECT_EQ(vantrel->LabelCaption->Text(), root);
  EXPECT_EQ(vantrel->TreeViewSurveillance->NodeText(node), root);
  test_container::PumpFor(100);
  const auto image = test_container::CaptureWindow(vantrel->GetSafeHwnd());
  ASSERT_TRUE(image.has_value());
  RECT label = RectIn(vantrel->LabelCaption, vantrel.get());
  EXPECT_LT(image->ShareOf(GetSysColor(COLOR_BACKGROUND), label, 2), 0.98)
      << "nothing of the text was drawn";
  // The system's controls paint themselves: the node and the list's item show.
  RECT item{};
  std::memcpy(&item, &node, sizeof node);  // TVM_GETITEMRECT takes the node in the rectangle
  ASSERT_TRUE(
      vantrel->TreeViewSurveillance->Send(TVM_GETITEMRECT, FALSE, reinterpret_cast<LPARAM>(&item)));
  EXPECT_LT(image->ShareOf(GetSysColor(COLOR_BACKGROUND), item, 2), 0.95)
      << "the tree drew nothing";
  RECT icon{LVIR_BOUNDS, 0, 0, 0};
  vantrel->ListViewThumb->Send(LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&icon));
  MapWindowPoints(vantrel->ListViewThumb->GetSafeHwnd(), vantrel->GetSafeHwnd(),
                  reinterpret_cast<POINT*>(&icon), 2);
  EXPECT_LT(image->ShareOf(GetSysColor(COLOR_BACKGROUND), icon, 2), 0.9) << "the list drew nothing";
}

}  // namespace
