// The browser view on the test display: groups by date and by camera, the labels, the
// thumbnails with their type icon, the toolbar's View, Locate and Delete (the box taken, the
// shell behind its seam), the Goto menu driven on the display, and what happens when files
// vanish or the form goes while a box is open.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "recordbrowser/catalogue/locale_settings.h"
#include "recordbrowser/tests/vantrel_fixture.h"
#include "testing/container/modal_script.h"
#include "testing/container/popup_menu.h"

namespace {

using vantrel::TRecordItem;
using vantrel_tests::Classes;
using vantrel_tests::ReadClasses;

constexpr double kDay1 = 46000, kDay2 = 46001;

std::vector<std::pair<std::string, std::string>>& ShellCalls() {
  static std::vector<std::pair<std::string, std::string>> calls;
  return calls;
}
void RecordShell(const char* verb, const std::string& file) { ShellCalls().push_back({verb, file}); }

class View : public vantrel_tests::VantrelFixture {
 protected:
  void SetUp() override {
    VantrelFixture::SetUp();
    ShellCalls().clear();
    vantrel::TVantrel::SetShellForTests(RecordShell);
    // The type icons: a lime AVI, a blue MPG (the test DLL's icons 1 and 2).
    const std::string dll = test_container::ExecutableFolder() + "vantrel_test_icons.dll";
    Classes() = {{".AVI", "TestAvi"},
                 {"TestAvi\\defaultIcon", dll + ",1"},
                 {".MPG", "TestMpg"},
                 {"TestMpg\\defaultIcon", dll + ",2"}};
    vantrel::TVantrel::SetClassesRootForTests(ReadClasses);
    Create();
    tree = vantrel->TreeViewSurveillance;
    list = vantrel->ListViewThumb;
    dates = tree->FirstChild(nullptr);
    cameras = tree->NextSibling(dates);
  }
  void TearDown() override {
    vantrel::TVantrel::SetShellForTests(nullptr);
    vantrel::TVantrel::SetClassesRootForTests(nullptr);
    VantrelFixture::TearDown();
  }
  // A picture record (a copy of the 24-bit quadrants), its thumbnail made.
  std::string AddPicture(const std::string& name, const std::string& camera, double date,
                         double time) {
    const std::string media = Copy("bits24.bmp", name);
    Add(media, camera, date, time);
    EXPECT_TRUE(PumpUntilIdle());
    return media;
  }
  std::wstring DateText(double date) const {
    return fw::AnsiToWide(vantrel::FormatDate(date, vantrel::LoadTimeDateTimeSettings()));
  }
  std::wstring TimeText(double time) const {
    return fw::AnsiToWide(vantrel::FormatTime(time, vantrel::LoadTimeDateTimeSettings()));
  }
  std::vector<std::wstring> Children(form::TreeNode node) const {
    std::vector<std::wstring> out;
    for (form::TreeNode c = tree->FirstChild(node); c; c = tree->NextSibling(c))
      out.push_back(tree->NodeText(c));
    return out;
  }
  form::TreeNode Child(form::TreeNode node, const std::wstring& text) const {
    for (form::TreeNode c = tree->FirstChild(node); c; c = tree->NextSibling(c))
      if (tree->NodeText(c) == text) return c;
    return nullptr;
  }
  std::vector<std::wstring> Listed() const {
    std::vector<std::wstring> out;
    for (int i = 0; i < list->Count(); ++i) out.push_back(list->ItemText(i));
    return out;
  }
  TRecordItem* Listed(int index) const { return static_cast<TRecordItem*>(list->ItemData(index)); }
  // The colour at (x, y) of image `index` of the thumbnails' list.
  COLORREF ThumbPixel(int index, int x, int y) const {
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 120, 90);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    vantrel->ImageListThumb->Draw(index, dc, 0, 0);
    const COLORREF c = GetPixel(dc, x, y);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return c;
  }
  static bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
  }

  form::TreeView* tree = nullptr;
  form::ListView* list = nullptr;
  form::TreeNode dates = nullptr;
  form::TreeNode cameras = nullptr;
};

TEST_F(View, RecordsOfOneDateAndCameraMakeOneGroupUnderEachRoot) {
  AddPicture("a.bmp", "Gate", kDay1, 0.25);
  AddPicture("b.bmp", "Gate", kDay1, 0.5);
  EXPECT_EQ(Children(dates), std::vector<std::wstring>{DateText(kDay1)});
  EXPECT_EQ(Children(cameras), std::vector<std::wstring>{L"Gate"});
  // The time root is shown: one group, and the label counts it.
  EXPECT_EQ(Listed(), std::vector<std::wstring>{DateText(kDay1)});
  EXPECT_EQ(vantrel->LabelDetail->Text(), L"Include 1 group(s) of surveillance record.");

  const struct {
    const char* name;
    form::TreeNode root;
    std::wstring caption;
    std::vector<std::wstring> items;
  } cases[] = {
      {"date group", dates, DateText(kDay1),
       {TimeText(0.25) + L" Gate", TimeText(0.5) + L" Gate"}},
      {"camera group", cameras, L"Gate", {TimeText(0.25), TimeText(0.5)}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    tree->Select(tree->FirstChild(c.root));
    EXPECT_EQ(Listed(), c.items);
    EXPECT_EQ(vantrel->ImageListThumb->Count(), 2);
    EXPECT_FALSE(vantrel->ListShowsGroups());
    EXPECT_EQ(vantrel->LabelCaption->Text(), c.caption);
    EXPECT_EQ(vantrel->LabelDetail->Text(), L"Include 2 surveillance record(s).");
    EXPECT_FALSE(vantrel->PanelToolbar->Visible());
    // A thumbnail chosen shows its record and the toolbar; let go, its group again.
    list->Select(1);
    EXPECT_EQ(vantrel->LabelCaption->Text(), L"Camera:Gate");
    EXPECT_EQ(vantrel->LabelDetail->Text(), L"Time:" + DateText(kDay1) + L" " + TimeText(0.5));
    EXPECT_TRUE(vantrel->PanelToolbar->Visible());
    list->Deselect(1);
    EXPECT_EQ(vantrel->LabelCaption->Text(), c.caption);
    EXPECT_FALSE(vantrel->PanelToolbar->Visible());
  }
  // Back on the root, its groups; a group's list item chosen shows that group's count.
  tree->Select(cameras);
  EXPECT_TRUE(vantrel->ListShowsGroups());
  EXPECT_EQ(Listed(), std::vector<std::wstring>{L"Gate"});
  list->Select(0);
  EXPECT_EQ(vantrel->LabelDetail->Text(), L"Include 2 surveillance record(s).");
  // A double click on a group opens it.
  vantrel->ListViewThumbDblClick();
  EXPECT_EQ(tree->Selected(), tree->FirstChild(cameras));
}

TEST_F(View, AVideosThumbnailCarriesItsTypeIconAndAPicturesNone) {
  AddPicture("picture.bmp", "Gate", kDay1, 0.25);
  Add(Copy("quadrants.avi"), "Gate", kDay1, 0.5);
  ASSERT_TRUE(PumpUntilIdle());
  ASSERT_EQ(vantrel->AviIconIndex, 1);
  tree->Select(tree->FirstChild(dates));
  ASSERT_EQ(list->Count(), 2);
  // Both thumbnails are red at the top left; the video's icon covers (8, 8) to (23, 23).
  const struct {
    int index;
    COLORREF at12, at30;
  } cases[] = {{0, RGB(255, 0, 0), RGB(255, 0, 0)}, {1, RGB(0, 255, 0), RGB(255, 0, 0)}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.index);
    const int image = list->ItemImage(c.index);
    EXPECT_PRED3(vantrel_tests::Near, ThumbPixel(image, 12, 12), c.at12, 40);
    EXPECT_PRED3(vantrel_tests::Near, ThumbPixel(image, 30, 30), c.at30, 40);
  }
  // The thumbnail file itself carries no icon.
  fw::Bitmap file;
  file.LoadBmpFile(ThumbOf("quadrants"));
  EXPECT_PRED3(vantrel_tests::Near, vantrel_tests::PixelAt(file, 12, 12), RGB(255, 0, 0), 48);
}

TEST_F(View, CamerasDifferingByBlanksShareTheFirstsGroupAndGotoFindsItExactly) {
  AddPicture("a.bmp", "Gate", kDay1, 0.25);
  AddPicture("b.bmp", " Gate ", kDay1, 0.5);
  EXPECT_EQ(Children(cameras), std::vector<std::wstring>{L"Gate"});
  tree->Select(tree->FirstChild(dates));
  ASSERT_EQ(list->Count(), 2);
  const struct {
    int item;
    bool found;
  } cases[] = {{0, true}, {1, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.item);
    tree->Select(tree->FirstChild(dates));
    list->Select(c.item);
    vantrel->MenuCamera->Click();
    EXPECT_EQ(tree->Selected(), c.found ? tree->FirstChild(cameras) : tree->FirstChild(dates));
  }
  // The camera group counts both but shows the thumbnail of the exact one only, as the
  // thumbnails are matched to the group's caption exactly.
  tree->Select(tree->FirstChild(cameras));
  EXPECT_EQ(vantrel->LabelDetail->Text(), L"Include 2 surveillance record(s).");
  ASSERT_EQ(list->Count(), 1);
  EXPECT_EQ(Listed(0)->Camera, "Gate");
}

TEST_F(View, DeleteAsksWithoutOwnerAndYesDeletesTheRecordWithItsFiles) {
  const std::string first = AddPicture("first.bmp", "Gate", kDay1, 0.25);
  const std::string second = AddPicture("second.bmp", "Hall", kDay2, 0.5);
  for (int answerGiven : {IDNO, IDYES}) {
    SCOPED_TRACE(answerGiven == IDYES ? "Yes" : "No");
    boxes.clear();
    answer = answerGiven;
    tree->Select(Child(dates, DateText(kDay1)));
    list->Select(0);
    vantrel->SpeedButtonDelete->Click();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].owner, nullptr);
    EXPECT_EQ(boxes[0].text, L"Are you sure to delete this surveillance record?");
    EXPECT_EQ(boxes[0].caption, L"Notice");
    EXPECT_EQ(boxes[0].type, UINT(MB_YESNO | MB_DEFBUTTON2 | MB_ICONWARNING));
  }
  // Yes: the media file, its thumbnail and its record are gone, the host told; the group went
  // with its last record and its root shows the rest.
  EXPECT_FALSE(Exists(first));
  EXPECT_FALSE(Exists(ThumbOf("first")));
  EXPECT_FALSE(InRecords(first));
  EXPECT_EQ(sink.removed, (std::vector<std::pair<std::wstring, long>>{{fw::AnsiToWide(first), 1}}));
  EXPECT_EQ(Children(dates), std::vector<std::wstring>{DateText(kDay2)});
  EXPECT_EQ(Children(cameras), std::vector<std::wstring>{L"Hall"});
  EXPECT_EQ(tree->Selected(), dates);
  EXPECT_EQ(Listed(), std::vector<std::wstring>{DateText(kDay2)});
  EXPECT_EQ(vantrel->LabelDetail->Text(), L"Include 1 group(s) of surveillance record.");
  EXPECT_TRUE(Exists(second));
  EXPECT_EQ(vantrel->ViewItemCount(), 1u);
}

TEST_F(View, RemovingOneOfSeveralKeepsTheGroupAndFocusesTheThumbnailBefore) {
  AddPicture("a.bmp", "Gate", kDay1, 0.1);
  AddPicture("b.bmp", "Gate", kDay1, 0.2);
  AddPicture("c.bmp", "Gate", kDay1, 0.3);
  answer = IDYES;
  tree->Select(tree->FirstChild(dates));
  list->Select(1);
  vantrel->SpeedButtonDelete->Click();
  EXPECT_EQ(Listed(), (std::vector<std::wstring>{TimeText(0.1) + L" Gate", TimeText(0.3) + L" Gate"}));
  EXPECT_EQ(list->Focused(), 0);
  EXPECT_EQ(list->Selected(), -1);
  EXPECT_EQ(tree->Selected(), tree->FirstChild(dates));
}

TEST_F(View, RecordsArriveInTheGroupOrRootOnShow) {
  AddPicture("a.bmp", "Gate", kDay1, 0.25);
  // Its group shown: a new record of it is listed at the end at once.
  tree->Select(tree->FirstChild(dates));
  AddPicture("b.bmp", "Hall", kDay1, 0.5);
  EXPECT_EQ(Listed(), (std::vector<std::wstring>{TimeText(0.25) + L" Gate", TimeText(0.5) + L" Hall"}));
  EXPECT_EQ(vantrel->LabelDetail->Text(), L"Include 2 surveillance record(s).");
  // Its root shown and nothing chosen: a new group refreshes the root's list.
  tree->Select(cameras);
  EXPECT_EQ(Listed(), (std::vector<std::wstring>{L"Gate", L"Hall"}));
  AddPicture("c.bmp", "Yard", kDay2, 0.5);
  EXPECT_EQ(Listed(), (std::vector<std::wstring>{L"Gate", L"Hall", L"Yard"}));
  EXPECT_EQ(vantrel->LabelDetail->Text(), L"Include 3 group(s) of surveillance record.");
  // A group chosen in the root's list: its count follows.
  list->Select(0);
  AddPicture("d.bmp", "Gate", kDay2, 0.75);
  EXPECT_EQ(vantrel->LabelDetail->Text(), L"Include 2 surveillance record(s).");
}

TEST_F(View, AGroupThatGoesLeavesTheListOfItsRootOnShow) {
  AddPicture("a.bmp", "Gate", kDay1, 0.25);
  AddPicture("b.bmp", "Hall", kDay1, 0.5);
  tree->Select(cameras);
  ASSERT_EQ(Listed(), (std::vector<std::wstring>{L"Gate", L"Hall"}));
  auto* hall = static_cast<vantrel::RecordGroup*>(tree->NodeData(Child(cameras, L"Hall")));
  ASSERT_EQ(hall->Items.size(), 1u);
  vantrel->RemoveRecord(hall->Items[0]);
  EXPECT_EQ(Listed(), std::vector<std::wstring>{L"Gate"});
  EXPECT_EQ(vantrel->LabelDetail->Text(), L"Include 1 group(s) of surveillance record.");
  // What the list holds is a node of the tree still.
  list->Select(0);
  vantrel->ListViewThumbDblClick();
  EXPECT_EQ(tree->Selected(), Child(cameras, L"Gate"));
}

TEST_F(View, ViewAndLocateGoToTheShellAndAVanishedFileIsDropped) {
  const std::string a = AddPicture("a.bmp", "Gate", kDay1, 0.25);
  const std::string b = AddPicture("b.bmp", "Gate", kDay1, 0.5);
  tree->Select(tree->FirstChild(dates));
  list->Select(0);
  vantrel->SpeedButtonView->Click();
  vantrel->SpeedButtonLocate->Click();
  vantrel->ListViewThumbDblClick();
  EXPECT_EQ(ShellCalls(), (std::vector<std::pair<std::string, std::string>>{
                              {"open", a}, {"explore", base}, {"open", a}}));
  // Both files vanish; View drops one, Locate the other, each told with 0.
  DeleteFileA(a.c_str());
  DeleteFileA(b.c_str());
  ShellCalls().clear();
  vantrel->SpeedButtonView->Click();
  list->Select(0);
  vantrel->SpeedButtonLocate->Click();
  EXPECT_TRUE(ShellCalls().empty());
  EXPECT_EQ(sink.removed, (std::vector<std::pair<std::wstring, long>>{{fw::AnsiToWide(a), 0},
                                                                      {fw::AnsiToWide(b), 0}}));
  EXPECT_FALSE(InRecords(a));
  EXPECT_FALSE(InRecords(b));
  EXPECT_FALSE(Exists(ThumbOf("a")));
  EXPECT_TRUE(Children(dates).empty());
  EXPECT_EQ(tree->Selected(), dates);
  EXPECT_EQ(vantrel->ViewItemCount(), 0u);
  // Nothing chosen: the buttons do nothing.
  vantrel->SpeedButtonView->Click();
  vantrel->SpeedButtonDelete->Click();
  EXPECT_TRUE(ShellCalls().empty());
  EXPECT_TRUE(boxes.empty());
}

TEST_F(View, AThumbnailThatCannotBeLoadedShowsOneBoxABlankPictureAndTheListGoesOn) {
  AddPicture("a.bmp", "Gate", kDay1, 0.1);
  AddPicture("b.bmp", "Gate", kDay1, 0.2);
  AddPicture("c.bmp", "Gate", kDay1, 0.3);
  testing_support::WriteTextFile(ThumbOf("a"), "not a bitmap");
  testing_support::WriteTextFile(ThumbOf("b"), "not a bitmap either");
  tree->Select(tree->FirstChild(dates));
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].text.find(fw::AnsiToWide(ThumbOf("a"))), std::wstring::npos);
  EXPECT_EQ(boxes[0].owner, vantrel->GetSafeHwnd());
  EXPECT_EQ(list->Count(), 3);
  EXPECT_EQ(ThumbPixel(list->ItemImage(0), 60, 45), RGB(255, 255, 255));
  EXPECT_PRED3(vantrel_tests::Near, ThumbPixel(list->ItemImage(2), 30, 22), RGB(255, 0, 0), 40);
}

TEST_F(View, WhileTheDeleteBoxIsOpen) {
  const std::string a = AddPicture("a.bmp", "Gate", kDay1, 0.25);
  AddPicture("b.bmp", "Gate", kDay2, 0.5);
  const struct {
    const char* name;
    std::function<void()> meanwhile;
    bool deleted;
  } cases[] = {
      // A second Delete asks nothing.
      {"Delete again", [&] { vantrel->SpeedButtonDelete->Click(); }, true},
      // The record goes another way: Yes then deletes nothing more.
      {"the record dropped", [&] { vantrel->RemoveRecord(vantrel->SelectedRecord()); }, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string media = Copy("bits24.bmp", "x.bmp");
    Add(media, "Gate", kDay1, 0.75);
    ASSERT_TRUE(PumpUntilIdle());
    sink.removed.clear();
    boxes.clear();
    tree->Select(Child(dates, DateText(kDay1)));
    list->Select(list->Count() - 1);
    ASSERT_EQ(Listed(list->Count() - 1)->MediaFile, media);
    int asked = 0;
    fw::ScopedMessageBoxInterceptor inBox([&](HWND, const std::wstring&, const std::wstring&, UINT) {
      if (asked++ == 0) c.meanwhile();
      return IDYES;
    });
    vantrel->SpeedButtonDelete->Click();
    EXPECT_EQ(asked, 1);
    // Deleted once, by the box's Yes or by the other way.
    EXPECT_EQ(sink.removed, (std::vector<std::pair<std::wstring, long>>{{fw::AnsiToWide(media), 1}}));
    EXPECT_FALSE(Exists(media));
    EXPECT_EQ(Children(dates).size(), 2u);
  }
  EXPECT_TRUE(Exists(a));
  EXPECT_EQ(vantrel->ViewItemCount(), 2u);

  // The host's window goes while the box is open: nothing is deleted after it.
  tree->Select(Child(dates, DateText(kDay1)));
  list->Select(0);
  {
    fw::ScopedMessageBoxInterceptor inBox([&](HWND, const std::wstring&, const std::wstring&, UINT) {
      DestroyWindow(frame);
      return IDYES;
    });
    vantrel->SpeedButtonDelete->Click();
  }
  frame = nullptr;
  EXPECT_TRUE(Exists(a));
  EXPECT_TRUE(InRecords(a));
  vantrel.reset();
}

// The Goto menu on the display: opened under the Goto button, its items as the selected
// group allows, chosen with the keys.
TEST_F(View, TheGotoMenuOffersTheOtherGroupingAndTheRoot) {
  AddPicture("a.bmp", "Gate", kDay1, 0.25);
  const struct {
    const char* name;
    form::TreeNode group;
    std::vector<std::wstring> shown;
    std::vector<WPARAM> keys;
    form::TreeNode chosen;
  } cases[] = {
      {"from the date group", tree->FirstChild(dates),
       {L"Camera:Gate", L"-", L"\"Sorted by time\""}, {VK_DOWN, VK_RETURN},
       tree->FirstChild(cameras)},
      {"from the camera group", tree->FirstChild(cameras),
       {L"Date:" + DateText(kDay1), L"-", L"\"Sorted by cameras\""}, {VK_UP, VK_RETURN}, cameras},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    tree->Select(c.group);
    list->Select(0);
    std::vector<std::wstring> shown;
    RECT menuRect{};
    test_container::ModalScript script;
    script.Then("the menu shows and an item is chosen", [&] {
      HWND open = test_container::OpenPopupMenuOfThisThread();
      HMENU menu = vantrel->PopupMenuGoto->Handle();
      if (!open || !IsWindowVisible(open) || !menu) return false;
      for (int i = 0, n = GetMenuItemCount(menu); i < n; ++i) {
        wchar_t text[128] = {};
        MENUITEMINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_STRING | MIIM_FTYPE;
        info.dwTypeData = text;
        info.cch = 128;
        GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info);
        shown.push_back(info.fType & MFT_SEPARATOR ? L"-" : text);
      }
      GetWindowRect(open, &menuRect);
      for (WPARAM key : c.keys) {
        PostMessageA(open, WM_KEYDOWN, key, 0);
        PostMessageA(open, WM_KEYUP, key, 0xC0000000);
      }
      return true;
    });
    script.Start();
    vantrel->SpeedButtonGoto->Click();
    EXPECT_TRUE(script.Finished());
    EXPECT_EQ(shown, c.shown);
    // Under the button's bottom-left corner.
    RECT button{};
    GetWindowRect(vantrel->SpeedButtonGoto->GetSafeHwnd(), &button);
    EXPECT_EQ(menuRect.left, button.left);
    EXPECT_EQ(menuRect.top, button.bottom);
    EXPECT_EQ(tree->Selected(), c.chosen);
  }
}

}  // namespace
