#include "recordbrowser/form/tree_view.h"

#include <vector>

namespace form {

TreeView::TreeView(fw::Component* owner, Control* parent, const TreeViewStyle& s)
    : Control(owner, parent) {
  InitCommonControlsOnce();
  DWORD style = WS_TABSTOP | WS_CLIPCHILDREN;
  if (!s.readOnly) style |= TVS_EDITLABELS;
  if (s.rowSelect) style |= TVS_FULLROWSELECT;
  if (s.hotTrack) style |= TVS_TRACKSELECT;
  if (!s.hideSelection) style |= TVS_SHOWSELALWAYS;
  if (s.showLines) style |= TVS_HASLINES;
  if (s.showRoot) style |= TVS_LINESATROOT;
  if (s.showButtons) style |= TVS_HASBUTTONS;
  if (!s.toolTips) style |= TVS_NOTOOLTIPS;
  CreateControlWindow(WC_TREEVIEWA, style, s.border ? WS_EX_CLIENTEDGE : 0);
}

void TreeView::SetImages(ImageList* images) {
  images_ = images;
  Send(TVM_SETIMAGELIST, TVSIL_NORMAL,
       reinterpret_cast<LPARAM>(images ? images->Handle() : nullptr));
}

void TreeView::SetIndent(int indent) { Send(TVM_SETINDENT, static_cast<WPARAM>(indent)); }
int TreeView::Indent() const { return static_cast<int>(Send(TVM_GETINDENT)); }

void TreeView::AppearanceChanged() {
  Control::AppearanceChanged();
  Send(TVM_SETBKCOLOR, 0, static_cast<LPARAM>(ToRgb(GetColor())));
  Send(TVM_SETTEXTCOLOR, 0, static_cast<LPARAM>(ToRgb(GetFont().color)));
}

TreeNode TreeView::Add(TreeNode parent, const std::wstring& text, int image, int selectedImage,
                       void* data) {
  TVINSERTSTRUCTW insert{};
  insert.hParent = parent ? parent : TVI_ROOT;
  insert.hInsertAfter = TVI_LAST;
  insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
  insert.item.pszText = const_cast<wchar_t*>(text.c_str());
  insert.item.iImage = image;
  insert.item.iSelectedImage = selectedImage;
  insert.item.lParam = reinterpret_cast<LPARAM>(data);
  auto node =
      reinterpret_cast<TreeNode>(Send(TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
  if (!node) throw fw::Error("A tree node cannot be added.", E_OUTOFMEMORY);
  return node;
}

void TreeView::Delete(TreeNode node) {
  if (node) Send(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(node));
}

void TreeView::Clear() { Send(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT)); }

bool TreeView::GetItem(TVITEMW& item) const {
  return item.hItem && Send(TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)) != 0;
}

std::wstring TreeView::NodeText(TreeNode node) const {
  std::vector<wchar_t> buffer(1024);
  TVITEMW item{};
  item.mask = TVIF_TEXT;
  item.hItem = node;
  item.pszText = buffer.data();
  item.cchTextMax = static_cast<int>(buffer.size());
  if (!GetItem(item)) return {};
  return item.pszText ? std::wstring(item.pszText) : std::wstring();
}

void TreeView::SetNodeText(TreeNode node, const std::wstring& text) {
  TVITEMW item{};
  item.mask = TVIF_TEXT;
  item.hItem = node;
  item.pszText = const_cast<wchar_t*>(text.c_str());
  Send(TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

void* TreeView::NodeData(TreeNode node) const {
  TVITEMW item{};
  item.mask = TVIF_PARAM;
  item.hItem = node;
  return GetItem(item) ? reinterpret_cast<void*>(item.lParam) : nullptr;
}

int TreeView::NodeImage(TreeNode node) const {
  TVITEMW item{};
  item.mask = TVIF_IMAGE;
  item.hItem = node;
  return GetItem(item) ? item.iImage : -1;
}

int TreeView::NodeSelectedImage(TreeNode node) const {
  TVITEMW item{};
  item.mask = TVIF_SELECTEDIMAGE;
  item.hItem = node;
  return GetItem(item) ? item.iSelectedImage : -1;
}

TreeNode TreeView::NodeParent(TreeNode node) const {
  return node ? reinterpret_cast<TreeNode>(
                    Send(TVM_GETNEXTITEM, TVGN_PARENT, reinterpret_cast<LPARAM>(node)))
              : nullptr;
}

TreeNode TreeView::FirstChild(TreeNode node) const {
  if (!node) return reinterpret_cast<TreeNode>(Send(TVM_GETNEXTITEM, TVGN_ROOT, 0));
  return reinterpret_cast<TreeNode>(
      Send(TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(node)));
}

TreeNode TreeView::NextSibling(TreeNode node) const {
  return node ? reinterpret_cast<TreeNode>(
                    Send(TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(node)))
              : nullptr;
}

int TreeView::Count() const { return static_cast<int>(Send(TVM_GETCOUNT)); }

TreeNode TreeView::Selected() const {
  return reinterpret_cast<TreeNode>(Send(TVM_GETNEXTITEM, TVGN_CARET, 0));
}

void TreeView::Select(TreeNode node) {
  Send(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(node));
}

bool TreeView::OnReflected(UINT msg, WPARAM, LPARAM l, LRESULT* result) {
  if (msg != WM_NOTIFY) return false;
  const auto* header = reinterpret_cast<const NMHDR*>(l);
  switch (header->code) {
    case TVN_SELCHANGEDA:
    case TVN_SELCHANGEDW: {
      // The new item sits at the same place in both forms of the notification.
      const TreeNode node = reinterpret_cast<const NMTREEVIEWW*>(l)->itemNew.hItem;
      if (OnChange) RunHandler("TreeView::OnChange", [&] { OnChange(node); });
      *result = 0;
      return true;
    }
    case NM_CLICK:
      if (OnClick) RunHandler("TreeView::OnClick", [&] { OnClick(); });
      *result = 0;
      return true;
    default:
      return false;
  }
}

}  // namespace form
