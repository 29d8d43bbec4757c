// The browser view: the tree of groups, the list of groups or thumbnails, the labels, the
// toolbar and the Goto menu.
#include <windows.h>

#include <shellapi.h>  // after windows.h, which it needs

#include <algorithm>

#include "base/scoped_gdi.h"
#include "framework/ansi_text.h"
#include "framework/error.h"
#include "framework/message_box.h"
#include "recordbrowser/vantrel_impl.h"

namespace vantrel {

namespace {

constexpr int kDateImage = 0;
constexpr int kCameraImage = 1;
constexpr int kAreaImage = 2;

void RunShell(const char* verb, const std::string& file) {
  ShellExecuteA(nullptr, verb, file.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}
TVantrel::ShellRunner g_shell = RunShell;

std::string_view TrimSpaces(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

// Counts the view's own changes of the tree, so its handlers do not run inside them.
class Quiet {
 public:
  explicit Quiet(int& depth) : depth_(depth) { ++depth_; }
  ~Quiet() { --depth_; }
  Quiet(const Quiet&) = delete;
  Quiet& operator=(const Quiet&) = delete;

 private:
  int& depth_;
};

}  // namespace

void TVantrel::SetShellForTests(ShellRunner runner) { g_shell = runner ? runner : RunShell; }

std::string TVantrel::DateText(const TRecordItem& item) const {
  return FormatDate(item.Date, catalogue_->Settings());
}

std::string TVantrel::TimeText(const TRecordItem& item) const {
  return FormatTime(item.Time, catalogue_->Settings());
}

form::TreeNode TVantrel::FindGroup(form::TreeNode root, const std::string& key) const {
  const std::string_view wanted = TrimSpaces(key);
  for (form::TreeNode g = TreeViewSurveillance->FirstChild(root); g;
       g = TreeViewSurveillance->NextSibling(g)) {
    if (TrimSpaces(fw::WideToAnsi(TreeViewSurveillance->NodeText(g))) == wanted) return g;
  }
  return nullptr;
}

void TVantrel::InsertRecordItem(std::unique_ptr<TRecordItem> item) {
  if (!item) return;
  TRecordItem* record = item.get();
  viewItems_[record] = std::move(item);
  for (form::TreeNode root = TreeViewSurveillance->FirstChild(nullptr); root;
       root = TreeViewSurveillance->NextSibling(root)) {
    const std::string key = GroupKey(root, *record);
    form::TreeNode node = FindGroup(root, key);
    const bool isNew = !node;
    if (isNew) {
      auto group = std::make_unique<RecordGroup>();
      RecordGroup* raw = group.get();
      groups_[raw] = std::move(group);
      const int image = TreeViewSurveillance->NodeImage(root);
      Quiet quiet(quietTree_);
      node = TreeViewSurveillance->Add(root, fw::AnsiToWide(key), image, image, raw);
    }
    auto* group = static_cast<RecordGroup*>(TreeViewSurveillance->NodeData(node));
    if (std::find(group->Items.begin(), group->Items.end(), record) == group->Items.end()) {
      group->Items.push_back(record);
    }
    const form::TreeNode selected = TreeViewSurveillance->Selected();
    if (node == selected) {
      AddThumbnailItem(record);
      if (ListViewThumb->Selected() < 0) ShowGroupInfo(node);
    } else if (root == selected) {
      const int listed = ListViewThumb->Selected();
      if (listed >= 0 && ListViewThumb->ItemData(listed) == node) ShowGroupInfo(node);
      if (listed < 0 && isNew) {
        ShowRootGroups(root);
        ShowRootInfo(root);
      }
    }
  }
}

void TVantrel::RemoveRecordItem(TRecordItem* item) {
  auto it = viewItems_.find(item);
  if (!item || it == viewItems_.end()) return;
  // Freed last, once nothing shows it.
  std::unique_ptr<TRecordItem> owned = std::move(it->second);
  viewItems_.erase(it);
  for (form::TreeNode root = TreeViewSurveillance->FirstChild(nullptr); root;
       root = TreeViewSurveillance->NextSibling(root)) {
    const form::TreeNode node = FindGroup(root, GroupKey(root, *item));
    if (!node) continue;
    auto* group = static_cast<RecordGroup*>(TreeViewSurveillance->NodeData(node));
    if (!group) continue;
    group->Items.erase(std::remove(group->Items.begin(), group->Items.end(), item),
                       group->Items.end());
    if (group->Items.empty()) {
      const bool wasSelected = TreeViewSurveillance->Selected() == node;
      {
        // The tree selects another node as this one goes: nothing reads the nodes then.
        Quiet quiet(quietTree_);
        TreeViewSurveillance->Delete(node);
      }
      // The list goes after its node.
      groups_.erase(group);
      if (wasSelected) {
        if (TreeViewSurveillance->Selected() != root) {
          TreeViewSurveillance->Select(root);
        } else {
          TreeViewSurveillanceChange(root);
        }
      } else if (TreeViewSurveillance->Selected() == root) {
        // The root's list named the node that went.
        ShowRootGroups(root);
        ShowRootInfo(root);
      }
    } else if (TreeViewSurveillance->Selected() == node) {
      RemoveThumbnailItem(item);
    }
  }
}

void TVantrel::ReleaseGroups() {
  Quiet quiet(quietTree_);
  ListViewThumb->Clear();
  // The nodes go before the lists they point at, and the lists before their items.
  TreeViewSurveillance->Clear();
  groups_.clear();
  viewItems_.clear();
}

void TVantrel::TreeViewSurveillanceChange(form::TreeNode node) {
  if (quietTree_ || !node) return;
  if (TreeViewSurveillance->NodeParent(node)) {
    ShowGroupThumbnails(node);
    ShowGroupInfo(node);
  } else {
    ShowRootGroups(node);
    ShowRootInfo(node);
  }
}

void TVantrel::TreeViewSurveillanceClick() {
  TreeViewSurveillanceChange(TreeViewSurveillance->Selected());
}

void TVantrel::ShowGroupThumbnails(form::TreeNode node) {
  ListViewThumb->Clear();
  ImageListThumb->Clear();
  ListViewThumb->SetLargeImages(ImageListThumb);
  auto* group = static_cast<RecordGroup*>(TreeViewSurveillance->NodeData(node));
  if (!group) return;
  // A copy: nothing that runs meanwhile changes what is listed.
  const std::vector<TRecordItem*> items = group->Items;
  std::string firstError;
  {
    form::ListUpdate update(*ListViewThumb);
    for (TRecordItem* item : items) AddThumbnailItem(item, &firstError);
  }
  if (!firstError.empty()) fw::ShowMessageBox(GetSafeHwnd(), firstError);
}

void TVantrel::AddThumbnailItem(TRecordItem* item, std::string* firstError) {
  const form::TreeNode selected = TreeViewSurveillance->Selected();
  if (!item || !selected || !TreeViewSurveillance->NodeParent(selected)) return;
  const std::wstring caption = TreeViewSurveillance->NodeText(selected);
  const int kind = TreeViewSurveillance->NodeImage(selected);
  std::string key;
  if (kind == kDateImage) {
    key = DateText(*item);
  } else if (kind == kCameraImage) {
    key = item->Camera;
  } else if (kind == kAreaImage) {
    key = item->Area;
  } else {
    return;
  }
  if (caption != fw::AnsiToWide(key)) return;

  fw::Bitmap thumb;
  std::string error;
  try {
    thumb.LoadBmpFile(item->ThumbFile);
  } catch (const std::exception& e) {
    error = e.what();
  }
  if (!error.empty()) {
    // A blank picture, and the list goes on.
    thumb.SetBitsPerPixel(24);
    thumb.SetSize(ImageListThumb->Width(), ImageListThumb->Height());
    base::ScopedBrush white(CreateSolidBrush(RGB(255, 255, 255)));
    RECT all{0, 0, thumb.Width(), thumb.Height()};
    FillRect(thumb.Dc(), &all, white.Get());
  }
  const std::string ext = MediaExtension(item->MediaFile);
  if (ext == ".AVI" || ext == ".MPG") {
    ImageListMediaType->Draw(ext == ".MPG" ? MpgIconIndex : AviIconIndex, thumb.Dc(), 8, 8);
    GdiFlush();
  }
  const int image = ImageListThumb->Add(thumb);
  const std::string time = TimeText(*item);
  ListViewThumb->Add(fw::AnsiToWide(kind == kDateImage ? time + " " + item->Camera : time), image,
                     item);
  if (error.empty()) return;
  if (firstError) {
    if (firstError->empty()) *firstError = error;
  } else {
    fw::ShowMessageBox(GetSafeHwnd(), error);
  }
}

void TVantrel::RemoveThumbnailItem(TRecordItem* item) {
  const int index = ListViewThumb->FindData(item);
  if (index < 0) return;
  ListViewThumb->Delete(index);
  if (ListViewThumb->Count() > 0) ListViewThumb->SetFocused(index > 0 ? index - 1 : 0);
}

void TVantrel::ShowRootGroups(form::TreeNode root) {
  if (!root || TreeViewSurveillance->NodeParent(root)) return;
  ListViewThumb->Clear();
  ListViewThumb->SetLargeImages(ImageListTypeL);
  form::ListUpdate update(*ListViewThumb);
  for (form::TreeNode g = TreeViewSurveillance->FirstChild(root); g;
       g = TreeViewSurveillance->NextSibling(g)) {
    ListViewThumb->Add(TreeViewSurveillance->NodeText(g), TreeViewSurveillance->NodeImage(g), g);
  }
}

void TVantrel::ShowGroupInfo(form::TreeNode node) {
  auto* group = static_cast<RecordGroup*>(TreeViewSurveillance->NodeData(node));
  if (!group || group->Items.empty()) return;
  const TRecordItem& first = *group->Items.front();
  const int kind = TreeViewSurveillance->NodeImage(node);
  const std::string key =
      kind == kDateImage ? DateText(first) : kind == kCameraImage ? first.Camera : first.Area;
  LabelCaption->SetText(fw::AnsiToWide(key));
  LabelDetail->SetText(Texts[4] + std::to_wstring(group->Items.size()) + Texts[5]);
  PanelToolbar->SetVisible(false);
}

void TVantrel::ShowRecordInfo(const TRecordItem& item) {
  LabelCaption->SetText(Texts[11] + fw::AnsiToWide(item.Camera));
  LabelDetail->SetText(Texts[3] + fw::AnsiToWide(DateText(item) + " " + TimeText(item)));
  PanelToolbar->SetVisible(true);
}

TRecordItem* TVantrel::SelectedRecord() const {
  const int index = ListViewThumb->Selected();
  if (index < 0 || ListShowsGroups()) return nullptr;
  auto* item = static_cast<TRecordItem*>(ListViewThumb->ItemData(index));
  return InView(item) ? item : nullptr;
}

void TVantrel::ListViewThumbSelectItem(int index, bool selected) {
  if (selected) {
    if (ListShowsGroups()) {
      ShowGroupInfo(static_cast<form::TreeNode>(ListViewThumb->ItemData(index)));
    } else if (TRecordItem* item = SelectedRecord()) {
      ShowRecordInfo(*item);
    }
    return;
  }
  const form::TreeNode node = TreeViewSurveillance->Selected();
  if (node && TreeViewSurveillance->NodeParent(node)) ShowGroupInfo(node);
}

void TVantrel::ListViewThumbDblClick() {
  const int index = ListViewThumb->Selected();
  if (index < 0) return;
  if (ListShowsGroups()) {
    TreeViewSurveillance->Select(static_cast<form::TreeNode>(ListViewThumb->ItemData(index)));
  } else {
    OpenRecordFile(SelectedRecord());
  }
}

void TVantrel::OpenRecordFile(TRecordItem* item) {
  if (!item) return;
  if (FileExists(item->MediaFile)) {
    g_shell("open", item->MediaFile);
    return;
  }
  RemoveRecord(item);
}

void TVantrel::LocateRecordFile(TRecordItem* item) {
  if (!item) return;
  if (FileExists(item->MediaFile)) {
    const std::string& media = item->MediaFile;
    g_shell("explore", media.substr(0, FileNameStart(media, catalogue_->Settings().leadBytes)));
    return;
  }
  RemoveRecord(item);
}

void TVantrel::RemoveRecord(TRecordItem* item) {
  if (!item) return;
  DeleteRecord(item->RecordNo, item->MediaFile);
  RemoveRecordItem(item);
}

void TVantrel::SpeedButtonViewClick() { OpenRecordFile(SelectedRecord()); }
void TVantrel::SpeedButtonLocateClick() { LocateRecordFile(SelectedRecord()); }

void TVantrel::SpeedButtonDeleteClick() {
  TRecordItem* item = SelectedRecord();
  if (!item || deleteAsking_) return;
  const int32_t recordNo = item->RecordNo;
  const std::string media = item->MediaFile;
  deleteAsking_ = true;
  const auto alive = alive_;
  const int answer = fw::ShowMessageBox(nullptr, Texts[7], Texts[8].c_str(),
                                        MB_YESNO | MB_DEFBUTTON2 | MB_ICONWARNING);
  if (!*alive) return;
  deleteAsking_ = false;
  if (answer != IDYES || !GetSafeHwnd()) return;
  // Anything may have happened while the box was open: the record must still be shown.
  if (!InView(item) || item->RecordNo != recordNo || item->MediaFile != media) return;
  RemoveRecord(item);
}

void TVantrel::SpeedButtonGotoClick() {
  if (!SelectedRecord()) return;
  POINT at{0, SpeedButtonGoto->Height()};
  ClientToScreen(SpeedButtonGoto->GetSafeHwnd(), &at);
  PopupMenuGoto->Popup(at.x, at.y);
}

void TVantrel::PopupMenuGotoPopup() {
  const form::TreeNode node = TreeViewSurveillance->Selected();
  const TRecordItem* record = SelectedRecord();
  const form::TreeNode root = node ? TreeViewSurveillance->NodeParent(node) : nullptr;
  if (!record || !root) {
    for (form::MenuItem* item : {MenuDate, MenuArea, MenuCamera, N1, MenuUpperLevel}) {
      item->SetVisible(false);
    }
    return;
  }
  const int kind = TreeViewSurveillance->NodeImage(node);
  MenuDate->SetCaption(Texts[9] + fw::AnsiToWide(DateText(*record)));
  MenuDate->SetVisible(kind != kDateImage);
  MenuArea->SetCaption(Texts[10] + fw::AnsiToWide(record->Area));
  MenuArea->SetVisible(false);
  MenuCamera->SetCaption(Texts[11] + fw::AnsiToWide(record->Camera));
  MenuCamera->SetVisible(kind != kCameraImage);
  N1->SetVisible(true);
  MenuUpperLevel->SetCaption(Texts[12] + TreeViewSurveillance->NodeText(root) + Texts[13]);
  MenuUpperLevel->SetImageIndex(TreeViewSurveillance->NodeImage(root));
  MenuUpperLevel->SetVisible(true);
}

namespace {

// The first root whose caption is none of `not1`, `not2`; in it the first group captioned
// exactly `caption`.
form::TreeNode FindExactGroup(form::TreeView& tree, const std::wstring& not1,
                              const std::wstring& not2, const std::wstring& caption) {
  form::TreeNode root = tree.FirstChild(nullptr);
  while (root && (tree.NodeText(root) == not1 || tree.NodeText(root) == not2)) {
    root = tree.NextSibling(root);
  }
  if (!root) return nullptr;
  for (form::TreeNode g = tree.FirstChild(root); g; g = tree.NextSibling(g)) {
    if (tree.NodeText(g) == caption) return g;
  }
  return nullptr;
}

}  // namespace

void TVantrel::MenuDateClick() {
  const TRecordItem* record = SelectedRecord();
  if (!record) return;
  if (form::TreeNode g = FindExactGroup(*TreeViewSurveillance, Texts[1], Texts[2],
                                        fw::AnsiToWide(DateText(*record)))) {
    TreeViewSurveillance->Select(g);
  }
}

void TVantrel::MenuCameraClick() {
  const TRecordItem* record = SelectedRecord();
  if (!record) return;
  if (form::TreeNode g = FindExactGroup(*TreeViewSurveillance, Texts[0], Texts[1],
                                        fw::AnsiToWide(record->Camera))) {
    TreeViewSurveillance->Select(g);
  }
}

void TVantrel::MenuAreaClick() {
  const TRecordItem* record = SelectedRecord();
  if (!record) return;
  // Only a root of areas, and none is ever made.
  form::TreeNode root = TreeViewSurveillance->FirstChild(nullptr);
  while (root && TreeViewSurveillance->NodeText(root) != Texts[1]) {
    root = TreeViewSurveillance->NextSibling(root);
  }
  if (!root) return;
  const std::wstring caption = fw::AnsiToWide(record->Area);
  for (form::TreeNode g = TreeViewSurveillance->FirstChild(root); g;
       g = TreeViewSurveillance->NextSibling(g)) {
    if (TreeViewSurveillance->NodeText(g) == caption) {
      TreeViewSurveillance->Select(g);
      return;
    }
  }
}

void TVantrel::MenuUpperLevelClick() {
  const form::TreeNode node = TreeViewSurveillance->Selected();
  if (form::TreeNode parent = node ? TreeViewSurveillance->NodeParent(node) : nullptr) {
    TreeViewSurveillance->Select(parent);
  }
}

void TVantrel::BindHandlers() {
  TreeViewSurveillance->OnChange = [this](form::TreeNode node) { TreeViewSurveillanceChange(node); };
  TreeViewSurveillance->OnClick = [this] { TreeViewSurveillanceClick(); };
  ListViewThumb->OnDblClick = [this] { ListViewThumbDblClick(); };
  ListViewThumb->OnSelectItem = [this](int index, bool selected) {
    ListViewThumbSelectItem(index, selected);
  };
  SpeedButtonGoto->OnClick = [this] { SpeedButtonGotoClick(); };
  SpeedButtonView->OnClick = [this] { SpeedButtonViewClick(); };
  SpeedButtonLocate->OnClick = [this] { SpeedButtonLocateClick(); };
  SpeedButtonDelete->OnClick = [this] { SpeedButtonDeleteClick(); };
  PopupMenuGoto->OnPopup = [this] { PopupMenuGotoPopup(); };
  MenuDate->OnClick = [this] { MenuDateClick(); };
  MenuArea->OnClick = [this] { MenuAreaClick(); };
  MenuCamera->OnClick = [this] { MenuCameraClick(); };
  MenuUpperLevel->OnClick = [this] { MenuUpperLevelClick(); };
  SampleGrabber->OnBuffer = [this](mediagraph::TSampleGrabber* sender, double time, BYTE* buffer,
                                   long length) { SampleGrabberBuffer(sender, time, buffer, length); };
  FilterGraph->OnDSEvent = [this](mediagraph::TFilterGraph*, long event, long, long) {
    GraphEvent(event);
  };
}

}  // namespace vantrel
