#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "framework/ansi_text.h"
#include "framework/error.h"
#include "framework/message_box.h"
#include "recordbrowser/form/control.h"
#include "recordbrowser/form/controls.h"
#include "recordbrowser/form/image_list.h"
#include "recordbrowser/form/list_view.h"
#include "recordbrowser/form/popup_menu.h"
#include "recordbrowser/form/tree_view.h"
#include "testing/container/message_pump.h"
#include "testing/container/modal_script.h"
#include "testing/container/popup_menu.h"
#include "testing/container/test_frame.h"
#include "testing/container/window_capture.h"

namespace {

// Chinese in UTF-8 here, so the expectations do not depend on the source's code page.
const std::wstring kChinese = fw::Utf8ToWide("按时间查看");

// A top-level window on the test display with a form filling its client area.
class FormOnScreen : public ::testing::Test {
 protected:
  void SetUp() override {
    frame = test_container::CreateTestFrame(
        "form test", test_container::FrameAroundClient(40, 40, 400, 300));
    ASSERT_TRUE(frame);
    form = std::make_unique<form::Form>(frame, RECT{0, 0, 400, 300});
    form->SetName("Form");
    test_container::PumpPending();
  }
  void TearDown() override {
    form.reset();
    DestroyWindow(frame);
  }

  // A control's window rectangle in the client area of `in`.
  static RECT RectIn(const form::Control* c, const form::Control* in) {
    RECT r{};
    GetWindowRect(c->GetSafeHwnd(), &r);
    MapWindowPoints(nullptr, in->GetSafeHwnd(), reinterpret_cast<POINT*>(&r), 2);
    return r;
  }
  static void ExpectRect(const RECT& r, int l, int t, int rr, int b, const char* what) {
    EXPECT_EQ(r.left, l) << what;
    EXPECT_EQ(r.top, t) << what;
    EXPECT_EQ(r.right, rr) << what;
    EXPECT_EQ(r.bottom, b) << what;
  }
  // The common controls follow a pressed button in a loop of their own (drag detection)
  // until its release is in the queue: the release goes first.
  static void Click(form::Control* c, UINT down, LPARAM at) {
    c->Post(WM_LBUTTONUP, 0, at);
    c->Send(down, MK_LBUTTON, at);
    test_container::PumpPending();
  }
  template <class T, class... A>
  T* Make(const char* name, A&&... args) {
    T* c = new T(form.get(), std::forward<A>(args)...);
    c->SetName(name);
    return c;
  }

  HWND frame = nullptr;
  std::unique_ptr<form::Form> form;
};

TEST_F(FormOnScreen, AlignedControlsAreLaidOutInCreationOrderOnEveryResize) {
  auto* top = Make<form::Panel>("Top", form.get());
  top->SetHeight(40);
  top->SetAlign(form::Align::kTop);
  auto* left = Make<form::Panel>("Left", form.get());
  left->SetWidth(50);
  left->SetAlign(form::Align::kLeft);
  auto* fill = Make<form::Panel>("Fill", form.get());
  fill->SetAlign(form::Align::kClient);
  auto* right = Make<form::Panel>("Right", form.get());
  right->SetWidth(60);
  right->SetAlign(form::Align::kRight);
  auto* bottom = Make<form::Panel>("Bottom", form.get());
  bottom->SetHeight(20);
  bottom->SetAlign(form::Align::kBottom);
  auto* second = Make<form::Panel>("SecondTop", form.get());
  second->SetHeight(10);
  second->SetAlign(form::Align::kTop);
  auto* placed = Make<form::Panel>("Placed", fill);
  placed->SetBounds(5, 6, 20, 30);

  auto check = [&](int w, int h) {
    ExpectRect(RectIn(top, form.get()), 0, 0, w, 40, "top");
    ExpectRect(RectIn(second, form.get()), 0, 40, w, 50, "second top, made later");
    ExpectRect(RectIn(bottom, form.get()), 0, h - 20, w, h, "bottom");
    ExpectRect(RectIn(left, form.get()), 0, 50, 50, h - 20, "left");
    ExpectRect(RectIn(right, form.get()), w - 60, 50, w, h - 20, "right");
    ExpectRect(RectIn(fill, form.get()), 50, 50, w - 60, h - 20, "client");
    ExpectRect(RectIn(placed, fill), 5, 6, 25, 36, "not aligned");
  };
  check(400, 300);
  form->SetBounds(0, 0, 640, 480);
  test_container::PumpPending();
  check(640, 480);

  second->SetVisible(false);
  EXPECT_FALSE(IsWindowVisible(second->GetSafeHwnd()));
  ExpectRect(RectIn(left, form.get()), 0, 40, 50, 460, "left, the hidden top taking no room");
  left->SetWidth(80);
  ExpectRect(RectIn(fill, form.get()), 80, 40, 580, 460, "client after the left one grew");
}

TEST_F(FormOnScreen, ColourAndFontComeFromTheParentUnlessSetAndPanelsPaintIt) {
  form->SetColor(RGB(0, 0, 160));
  form::Font font;
  font.color = RGB(255, 255, 255);
  form->SetFont(font);
  auto* panel = Make<form::Panel>("Panel", form.get());
  panel->SetBounds(0, 0, 200, 100);
  auto* inner = Make<form::Panel>("Inner", panel);
  inner->SetBounds(100, 0, 100, 100);
  inner->SetColor(RGB(0, 160, 0));
  auto* label = Make<form::Label>("Label", inner);
  label->SetBounds(4, 4, 0, 0);
  label->SetText(L"WWWWW");

  EXPECT_EQ(panel->GetColor(), RGB(0, 0, 160));
  EXPECT_EQ(label->GetColor(), RGB(0, 160, 0));
  EXPECT_EQ(label->GetFont().color, RGB(255, 255, 255));
  EXPECT_GT(label->Width(), 10) << "the label takes its text's size";

  form->SetColor(form::SystemColor(COLOR_BACKGROUND));
  EXPECT_EQ(form::ToRgb(panel->GetColor()), GetSysColor(COLOR_BACKGROUND));
  test_container::PumpFor(100);
  const auto image = test_container::CaptureWindow(form->GetSafeHwnd());
  ASSERT_TRUE(image.has_value());
  EXPECT_GT(image->ShareOf(GetSysColor(COLOR_BACKGROUND), RECT{0, 0, 100, 100}), 0.99);
  EXPECT_GT(image->ShareOf(RGB(0, 160, 0), RECT{160, 40, 200, 100}), 0.99);
  const RECT text = RectIn(label, form.get());
  EXPECT_GT(image->ShareOf(RGB(255, 255, 255), text, 60), 0.05) << "the label's text is drawn";
}

// Two roots whose captions start with the same letter: a typed "S" moves the selection to
// the next one, when the character reaches the tree.
class KeyPreview : public FormOnScreen {
 protected:
  void SetUp() override {
    FormOnScreen::SetUp();
    tree = Make<form::TreeView>("Tree", form.get());
    tree->SetBounds(0, 0, 200, 200);
    first = tree->Add(nullptr, L"Sorted by time", 0, 0);
    second = tree->Add(nullptr, L"Sorted by cameras", 1, 1);
    tree->Select(first);
    SetFocus(tree->GetSafeHwnd());
  }
  form::TreeView* tree = nullptr;
  form::TreeNode first = nullptr;
  form::TreeNode second = nullptr;
};

TEST_F(KeyPreview, AKeySetToZeroByTheFormNeverReachesTheControl) {
  std::vector<wchar_t> seen;
  form->OnKeyPress = [&](wchar_t& key) {
    seen.push_back(key);
    key = 0;
  };
  form->SetKeyPreview(true);
  tree->Send(WM_CHAR, 'S', 1);
  EXPECT_EQ(seen, std::vector<wchar_t>{L'S'});
  EXPECT_EQ(tree->Selected(), first) << "the swallowed key reached the tree";

  form->SetKeyPreview(false);
  tree->Send(WM_CHAR, 'S', 1);
  EXPECT_EQ(seen.size(), 1u) << "without KeyPreview the form hears nothing";
  EXPECT_EQ(tree->Selected(), second) << "the tree's own search did not run";
}

TEST_F(KeyPreview, AKeyTheFormChangesReachesTheControlChanged) {
  form->OnKeyPress = [](wchar_t& key) {
    if (key == 'x') key = 'S';
  };
  form->SetKeyPreview(true);
  tree->Send(WM_CHAR, 'x', 1);
  EXPECT_EQ(tree->Selected(), second);
  // A handler that throws shows its error and leaves the key as typed.
  std::vector<std::wstring> boxes;
  fw::ScopedMessageBoxInterceptor intercept(
      [&](HWND, const std::wstring& text, const std::wstring&, UINT) {
        boxes.push_back(text);
        return IDOK;
      });
  form->OnKeyPress = [](wchar_t& key) {
    key = 0;
    throw fw::Error("no keys today");
  };
  // The tree joins characters typed within a second into one search.
  test_container::PumpFor(1200);
  tree->Send(WM_CHAR, 'S', 1);
  EXPECT_EQ(boxes, std::vector<std::wstring>{L"no keys today"});
  EXPECT_EQ(tree->Selected(), first) << "the key went on as typed";
}

TEST_F(FormOnScreen, DraggingTheSplitterResizesTheControlBeforeItDownTo30) {
  auto* left = Make<form::Panel>("Left", form.get());
  left->SetWidth(100);
  left->SetAlign(form::Align::kLeft);
  auto* splitter = Make<form::Splitter>("Splitter", form.get());
  auto* fill = Make<form::Panel>("Fill", form.get());
  fill->SetAlign(form::Align::kClient);
  ASSERT_EQ(splitter->Left(), 100);
  ASSERT_EQ(splitter->Width(), 3);

  int moved = 0;
  splitter->OnMoved = [&] { ++moved; };
  // Mouse positions in the splitter's own coordinates, as the system gives them.
  auto drag = [&](int fromFormX, std::vector<int> toFormX) {
    auto at = [&](int formX) { return MAKELPARAM(formX - splitter->Left(), 50); };
    splitter->Send(WM_LBUTTONDOWN, MK_LBUTTON, at(fromFormX));
    for (int x : toFormX) splitter->Send(WM_MOUSEMOVE, MK_LBUTTON, at(x));
    splitter->Send(WM_LBUTTONUP, 0, at(toFormX.back()));
  };
  drag(101, {120, 151});
  EXPECT_EQ(left->Width(), 150);
  EXPECT_EQ(splitter->Left(), 150);
  EXPECT_EQ(RectIn(fill, form.get()).left, 153);
  EXPECT_EQ(moved, 2);
  EXPECT_NE(GetCapture(), splitter->GetSafeHwnd());

  drag(151, {60, 2});
  EXPECT_EQ(left->Width(), 30);
  drag(31, {390, 399});
  EXPECT_EQ(fill->Width(), 30) << "the control filling the rest keeps 30 too";
  EXPECT_EQ(left->Width(), 400 - 3 - 30);
}

TEST_F(FormOnScreen, ChineseTextsReadBackAsUtf16FromTheControls) {
  auto* label = Make<form::Label>("Label", form.get());
  label->SetBounds(0, 0, 0, 0);
  label->SetText(kChinese);
  EXPECT_EQ(label->Text(), kChinese);
  EXPECT_GT(label->Width(), 0);

  auto* tree = Make<form::TreeView>("Tree", form.get());
  tree->SetBounds(0, 40, 200, 100);
  const form::TreeNode node = tree->Add(nullptr, kChinese, 0, 0);
  EXPECT_EQ(tree->NodeText(node), kChinese);
  // Straight from the control, past our own wrapper.
  wchar_t buffer[64] = {};
  TVITEMW item{};
  item.mask = TVIF_TEXT;
  item.hItem = node;
  item.pszText = buffer;
  item.cchTextMax = 64;
  ASSERT_TRUE(SendMessageW(tree->GetSafeHwnd(), TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)));
  EXPECT_EQ(std::wstring(buffer), kChinese);

  auto* list = Make<form::ListView>("List", form.get());
  list->SetBounds(200, 40, 200, 200);
  list->Add(kChinese, -1);
  EXPECT_EQ(list->ItemText(0), kChinese);
}

// Nodes and items chosen with the mouse, as the system reports them.
TEST_F(FormOnScreen, TreeEventsFollowTheMouse) {
  auto* tree = Make<form::TreeView>("Tree", form.get());
  tree->SetBounds(0, 0, 200, 200);
  int tag1 = 1, tag2 = 2;
  const form::TreeNode root = tree->Add(nullptr, L"Sorted by time", 0, 0, &tag1);
  const form::TreeNode group = tree->Add(root, L"2026-12-10", 0, 0, &tag2);
  tree->Send(TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(root));
  std::vector<form::TreeNode> changes;
  int clicks = 0;
  tree->OnChange = [&](form::TreeNode n) { changes.push_back(n); };
  tree->OnClick = [&] { ++clicks; };

  tree->Select(root);
  ASSERT_EQ(changes, std::vector<form::TreeNode>{root});
  RECT r{};
  std::memcpy(&r, &group, sizeof group);  // TVM_GETITEMRECT takes the node in the rectangle
  ASSERT_TRUE(tree->Send(TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&r)));
  const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  Click(tree, WM_LBUTTONDOWN, at);
  test_container::PumpPending();
  EXPECT_EQ(changes, (std::vector<form::TreeNode>{root, group}));
  EXPECT_EQ(tree->Selected(), group);
  EXPECT_EQ(tree->NodeData(group), &tag2);
  EXPECT_EQ(tree->NodeParent(group), root);
  EXPECT_EQ(tree->FirstChild(nullptr), root);
  EXPECT_EQ(tree->FirstChild(root), group);
  EXPECT_GE(clicks, 1);
}

TEST_F(FormOnScreen, ListEventsFollowTheMouseAndFocusCanComeWithoutSelection) {
  auto* list = Make<form::ListView>("List", form.get());
  list->SetBounds(0, 0, 400, 300);
  form::ImageList icons(nullptr, 32, 32);
  fw::Bitmap icon;
  icon.SetSize(32, 32);
  icons.Add(icon);
  list->SetLargeImages(&icons);
  int a = 0, b = 0;
  list->Add(L"first", 0, &a);
  list->Add(L"second", 0, &b);
  std::vector<std::pair<int, bool>> changes;
  int doubles = 0;
  list->OnSelectItem = [&](int i, bool on) { changes.push_back({i, on}); };
  list->OnDblClick = [&] { ++doubles; };

  auto centre = [&](int index) {
    RECT r{LVIR_ICON, 0, 0, 0};
    list->Send(LVM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r));
    return MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  };
  Click(list, WM_LBUTTONDOWN, centre(1));
  test_container::PumpPending();
  EXPECT_EQ(list->Selected(), 1);
  ASSERT_FALSE(changes.empty());
  EXPECT_EQ(changes.back(), std::make_pair(1, true));

  changes.clear();
  Click(list, WM_LBUTTONDOWN, MAKELPARAM(390, 290));  // nothing there
  test_container::PumpPending();
  EXPECT_EQ(list->Selected(), -1);
  EXPECT_EQ(changes, (std::vector<std::pair<int, bool>>{{1, false}}));

  changes.clear();
  list->SetFocused(0);
  EXPECT_EQ(list->Focused(), 0);
  EXPECT_EQ(list->Selected(), -1);
  EXPECT_TRUE(changes.empty());

  // A double click as the system delivers it: a click, then the second press.
  Click(list, WM_LBUTTONDOWN, centre(0));
  Click(list, WM_LBUTTONDBLCLK, centre(0));
  test_container::PumpPending();
  EXPECT_EQ(doubles, 1);
  EXPECT_EQ(list->ItemData(list->Selected()), &a);
  EXPECT_EQ(list->FindData(&b), 1);

  changes.clear();
  list->Clear();
  EXPECT_EQ(list->Count(), 0);
  EXPECT_TRUE(changes.empty()) << "deleting items is no deselection by the user";
}

TEST_F(FormOnScreen, ImageListsTakeRgb32FramesWhateverTheirUnusedByte) {
  form::ImageList list(nullptr, 8, 8);
  for (BYTE unused : {BYTE{0}, BYTE{0x80}, BYTE{0xFF}}) {
    SCOPED_TRACE(static_cast<int>(unused));
    fw::Bitmap frame;
    frame.SetBitsPerPixel(32);
    frame.SetSize(8, 8);
    for (int y = 0; y < 8; ++y) {
      for (int x = 0; x < 8; ++x) {
        uint8_t* p = frame.Row(y) + 4 * x;
        p[0] = 30, p[1] = 200, p[2] = 10, p[3] = unused;
      }
    }
    const int index = list.Add(frame);
    fw::Bitmap canvas;
    canvas.SetSize(8, 8);
    RECT all{0, 0, 8, 8};
    FillRect(canvas.Dc(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    list.Draw(index, canvas.Dc(), 0, 0);
    GdiFlush();
    const uint8_t* p = canvas.Row(4) + 3 * 4;
    EXPECT_EQ(RGB(p[2], p[1], p[0]), RGB(10, 200, 30)) << "the unused byte acted as alpha";
  }
  EXPECT_EQ(list.Count(), 3);

  // A masked list lets the bottom-left colour through.
  form::ImageList masked(nullptr, 8, 8, true);
  fw::Bitmap glyph;
  glyph.SetSize(8, 8);
  RECT all{0, 0, 8, 8};
  base::ScopedBrush magenta(CreateSolidBrush(RGB(255, 0, 255)));
  FillRect(glyph.Dc(), &all, magenta.Get());
  RECT dot{2, 2, 6, 6};
  FillRect(glyph.Dc(), &dot, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  masked.Add(glyph);
  const uint8_t* kept = glyph.Row(0);
  EXPECT_EQ(RGB(kept[2], kept[1], kept[0]), RGB(255, 0, 255)) << "the caller's bitmap was changed";
  fw::Bitmap canvas;
  canvas.SetSize(8, 8);
  FillRect(canvas.Dc(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  masked.Draw(0, canvas.Dc(), 0, 0);
  GdiFlush();
  EXPECT_EQ(GetPixel(canvas.Dc(), 0, 0), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(canvas.Dc(), 3, 3), RGB(0, 0, 0));
}

TEST_F(FormOnScreen, SpeedButtonClickedByTheMouseAndItsErrorShownInABox) {
  auto* button = Make<form::SpeedButton>("Button", form.get());
  button->SetBounds(8, 1, 41, 44);
  button->SetText(L"View");
  int clicks = 0;
  button->OnClick = [&] {
    ++clicks;
    throw fw::Error("Cannot open C:\\rec\\a.avi.");
  };
  std::vector<std::pair<HWND, std::wstring>> boxes;
  fw::ScopedMessageBoxInterceptor intercept(
      [&](HWND owner, const std::wstring& text, const std::wstring&, UINT) {
        boxes.push_back({owner, text});
        return IDOK;
      });
  button->Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
  button->Send(WM_LBUTTONUP, 0, MAKELPARAM(20, 20));
  EXPECT_EQ(clicks, 1);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].first, form->GetSafeHwnd());
  EXPECT_EQ(boxes[0].second, L"Cannot open C:\\rec\\a.avi.");
  // Released outside: no click.
  button->Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
  button->Send(WM_LBUTTONUP, 0, MAKELPARAM(200, 20));
  EXPECT_EQ(clicks, 1);
  EXPECT_TRUE(IsWindow(button->GetSafeHwnd()));
}

// Handlers reached from the system's controls through their parent's window procedure: an
// error shows in a box owned by the form, and the controls go on working.
TEST_F(FormOnScreen, AnErrorInAControlsEventShowsInABoxAndLeavesTheWindowsWorking) {
  auto* tree = Make<form::TreeView>("Tree", form.get());
  tree->SetBounds(0, 0, 200, 200);
  const form::TreeNode a = tree->Add(nullptr, L"a", 0, 0);
  const form::TreeNode b = tree->Add(nullptr, L"b", 0, 0);
  auto* list = Make<form::ListView>("List", form.get());
  list->SetBounds(200, 0, 200, 200);
  list->Add(L"x", -1);
  int changes = 0;
  tree->OnChange = [&](form::TreeNode) {
    ++changes;
    throw std::runtime_error("Cannot list the group.");
  };
  list->OnSelectItem = [](int, bool) { throw std::bad_alloc(); };
  std::vector<std::pair<HWND, std::wstring>> boxes;
  fw::ScopedMessageBoxInterceptor intercept(
      [&](HWND owner, const std::wstring& text, const std::wstring&, UINT) {
        boxes.push_back({owner, text});
        return IDOK;
      });
  tree->Select(b);
  tree->Select(a);
  list->Select(0);
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(tree->Selected(), a);
  EXPECT_EQ(list->Selected(), 0);
  ASSERT_EQ(boxes.size(), 3u);
  for (const auto& box : boxes) EXPECT_EQ(box.first, form->GetSafeHwnd());
  EXPECT_EQ(boxes[0].second, L"Cannot list the group.");
  EXPECT_EQ(boxes[2].second, L"out of memory");
  EXPECT_TRUE(IsWindow(tree->GetSafeHwnd()));
  EXPECT_TRUE(IsWindow(form->GetSafeHwnd()));
}

// The menu's own loop, driven on the display: what it shows, and the item chosen in it.
TEST_F(FormOnScreen, PopupMenuLeavesHiddenItemsOutAndClicksTheChosenOne) {
  form::ImageList images(nullptr, 16, 16, true);
  fw::Bitmap picture;
  picture.SetSize(16, 16);
  {
    RECT all{0, 0, 16, 16};
    base::ScopedBrush red(CreateSolidBrush(RGB(220, 0, 0)));
    FillRect(picture.Dc(), &all, red.Get());
    SetPixel(picture.Dc(), 0, 15, RGB(255, 0, 255));  // the transparent colour
  }
  images.Add(picture);
  auto* menu = Make<form::PopupMenu>("Menu", form->GetSafeHwnd());
  menu->SetImages(&images);
  auto* date = Make<form::MenuItem>("MenuDate", menu, L"Date:2026-12-10");
  date->SetImageIndex(0);
  auto* area = Make<form::MenuItem>("MenuArea", menu, L"Area:");
  area->SetVisible(false);
  auto* camera = Make<form::MenuItem>("MenuCamera", menu, L"Camera:" + kChinese);
  Make<form::MenuItem>("N1", menu, L"-");
  auto* upper = Make<form::MenuItem>("MenuUpperLevel", menu, L"\"Sorted by time\"");
  std::vector<std::string> order;
  menu->OnPopup = [&] { order.push_back("popup"); };
  for (auto* item : {date, area, camera, upper}) {
    item->OnClick = [&, item] { order.push_back("click " + item->Name()); };
  }

  std::vector<std::wstring> shown;
  bool imageByOwner = false;
  double redShare = 0;
  test_container::ModalScript script;
  script.Then("the menu shows", [&] {
    HWND open = test_container::OpenPopupMenuOfThisThread();
    if (!open || !IsWindowVisible(open) || !menu->Handle()) return false;
    for (int i = 0, n = GetMenuItemCount(menu->Handle()); i < n; ++i) {
      wchar_t text[64] = {};
      MENUITEMINFOW info{};
      info.cbSize = sizeof info;
      info.fMask = MIIM_STRING | MIIM_FTYPE;
      info.dwTypeData = text;
      info.cch = 64;
      GetMenuItemInfoW(menu->Handle(), static_cast<UINT>(i), TRUE, &info);
      shown.push_back(info.fType & MFT_SEPARATOR ? L"-" : text);
    }
    // The date item's image, drawn by the form's window into the menu.
    MENUITEMINFOW first{};
    first.cbSize = sizeof first;
    first.fMask = MIIM_BITMAP;
    GetMenuItemInfoW(menu->Handle(), 0, TRUE, &first);
    imageByOwner = first.hbmpItem == HBMMENU_CALLBACK;
    if (const auto pixels = test_container::CaptureWindow(open)) {
      redShare = pixels->ShareOf(RGB(220, 0, 0), RECT{0, 0, pixels->width, pixels->height}, 8);
    }
    // Down twice: the first item, then the second shown (the camera).
    for (WPARAM key : {VK_DOWN, VK_DOWN, VK_RETURN}) {
      PostMessageA(open, WM_KEYDOWN, key, 0);
      PostMessageA(open, WM_KEYUP, key, 0xC0000000);
    }
    return true;
  });
  script.Start();
  menu->Popup(100, 100);
  EXPECT_TRUE(script.Finished());
  EXPECT_EQ(menu->Handle(), nullptr);
  EXPECT_EQ(shown, (std::vector<std::wstring>{L"Date:2026-12-10", L"Camera:" + kChinese, L"-",
                                              L"\"Sorted by time\""}));
  EXPECT_EQ(order, (std::vector<std::string>{"popup", "click MenuCamera"}));
  EXPECT_TRUE(imageByOwner);
  EXPECT_GT(redShare, 0.0) << "the item's image was not drawn";

  order.clear();
  upper->Click();
  EXPECT_EQ(order, std::vector<std::string>{"click MenuUpperLevel"});
}

TEST_F(FormOnScreen, DestroyingTheFormDestroysEveryControlAndItsWindow) {
  auto* panel = Make<form::Panel>("Panel", form.get());
  auto* tree = Make<form::TreeView>("Tree", panel);
  auto* list = Make<form::ListView>("List", panel);
  const HWND windows[] = {panel->GetSafeHwnd(), tree->GetSafeHwnd(), list->GetSafeHwnd()};
  EXPECT_EQ(form->ComponentCount(), 3u);
  delete tree;
  EXPECT_EQ(form->ComponentCount(), 2u);
  EXPECT_EQ(panel->Children().size(), 1u);
  EXPECT_FALSE(IsWindow(windows[1]));
  form.reset();
  for (HWND w : windows) EXPECT_FALSE(IsWindow(w));
}

}  // namespace
