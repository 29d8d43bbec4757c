#include "recordbrowser/form/list_view.h"

#include <vector>

namespace form {

namespace {

// Counts the deletions in progress, so their selection changes stay quiet.
class Deleting {
 public:
  explicit Deleting(int& depth) : depth_(depth) { ++depth_; }
  ~Deleting() { --depth_; }
  Deleting(const Deleting&) = delete;
  Deleting& operator=(const Deleting&) = delete;

 private:
  int& depth_;
};

}  // namespace

ListView::ListView(fw::Component* owner, Control* parent, const ListViewStyle& s)
    : Control(owner, parent) {
  InitCommonControlsOnce();
  DWORD style = WS_TABSTOP | LVS_ICON | LVS_SINGLESEL;
  if (s.autoArrange) style |= LVS_AUTOARRANGE;
  if (!s.wrapCaptions) style |= LVS_NOLABELWRAP;
  if (!s.readOnly) style |= LVS_EDITLABELS;
  if (!s.hideSelection) style |= LVS_SHOWSELALWAYS;
  CreateControlWindow(WC_LISTVIEWA, style, s.border ? WS_EX_CLIENTEDGE : 0);
}

void ListView::SetLargeImages(ImageList* images) {
  largeImages_ = images;
  Send(LVM_SETIMAGELIST, LVSIL_NORMAL,
       reinterpret_cast<LPARAM>(images ? images->Handle() : nullptr));
}

void ListView::AppearanceChanged() {
  Control::AppearanceChanged();
  const COLORREF back = ToRgb(GetColor());
  Send(LVM_SETBKCOLOR, 0, static_cast<LPARAM>(back));
  Send(LVM_SETTEXTBKCOLOR, 0, static_cast<LPARAM>(back));
  Send(LVM_SETTEXTCOLOR, 0, static_cast<LPARAM>(ToRgb(GetFont().color)));
}

int ListView::Add(const std::wstring& text, int image, void* data) {
  LVITEMW item{};
  item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
  item.iItem = Count();
  item.pszText = const_cast<wchar_t*>(text.c_str());
  item.iImage = image;
  item.lParam = reinterpret_cast<LPARAM>(data);
  const int index = static_cast<int>(Send(LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
  if (index < 0) throw fw::Error("A list item cannot be added.", E_OUTOFMEMORY);
  return index;
}

void ListView::Delete(int index) {
  Deleting quiet(deleting_);
  Send(LVM_DELETEITEM, static_cast<WPARAM>(index));
}

void ListView::Clear() {
  Deleting quiet(deleting_);
  Send(LVM_DELETEALLITEMS);
}

int ListView::Count() const { return static_cast<int>(Send(LVM_GETITEMCOUNT)); }

std::wstring ListView::ItemText(int index) const {
  std::vector<wchar_t> buffer(1024);
  LVITEMW item{};
  item.iSubItem = 0;
  item.pszText = buffer.data();
  item.cchTextMax = static_cast<int>(buffer.size());
  const auto length =
      Send(LVM_GETITEMTEXTW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
  return std::wstring(buffer.data(), static_cast<size_t>(length > 0 ? length : 0));
}

int ListView::ItemImage(int index) const {
  LVITEMW item{};
  item.mask = LVIF_IMAGE;
  item.iItem = index;
  return Send(LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)) ? item.iImage : -1;
}

void* ListView::ItemData(int index) const {
  LVITEMW item{};
  item.mask = LVIF_PARAM;
  item.iItem = index;
  return Send(LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item))
             ? reinterpret_cast<void*>(item.lParam)
             : nullptr;
}

int ListView::FindData(const void* data) const {
  for (int i = 0, n = Count(); i < n; ++i) {
    if (ItemData(i) == data) return i;
  }
  return -1;
}

void ListView::BeginUpdate() {
  if (updating_++ == 0) Send(WM_SETREDRAW, FALSE);
}

void ListView::EndUpdate() {
  if (updating_ == 0 || --updating_ > 0) return;
  Send(WM_SETREDRAW, TRUE);
  Send(LVM_ARRANGE, LVA_DEFAULT);
  Invalidate();
}

int ListView::Selected() const {
  return static_cast<int>(Send(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

int ListView::Focused() const {
  return static_cast<int>(Send(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
}

void ListView::SetState(int index, UINT state, UINT mask) {
  LVITEMW item{};
  item.stateMask = mask;
  item.state = state;
  Send(LVM_SETITEMSTATE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
}

void ListView::Select(int index) {
  SetState(index, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

void ListView::Deselect(int index) { SetState(index, 0, LVIS_SELECTED); }

void ListView::SetFocused(int index) { SetState(index, LVIS_FOCUSED, LVIS_FOCUSED); }

bool ListView::OnReflected(UINT msg, WPARAM, LPARAM l, LRESULT* result) {
  if (msg != WM_NOTIFY) return false;
  const auto* header = reinterpret_cast<const NMHDR*>(l);
  switch (header->code) {
    case LVN_ITEMCHANGED: {
      const auto* change = reinterpret_cast<const NMLISTVIEW*>(l);
      const bool was = (change->uOldState & LVIS_SELECTED) != 0;
      const bool is = (change->uNewState & LVIS_SELECTED) != 0;
      if ((change->uChanged & LVIF_STATE) && was != is && change->iItem >= 0 && !deleting_ &&
          OnSelectItem) {
        RunHandler("ListView::OnSelectItem", [&] { OnSelectItem(change->iItem, is); });
      }
      *result = 0;
      return true;
    }
    case NM_DBLCLK:
      if (OnDblClick) RunHandler("ListView::OnDblClick", [&] { OnDblClick(); });
      *result = 0;
      return true;
    default:
      return false;
  }
}

}  // namespace form
