// A tree of nodes (SysTreeView32) with an image, a selected image and a data pointer per
// node; texts through TVM_INSERTITEMW and TVM_GETITEMW.
#pragma once

#include <functional>
#include <string>

#include "recordbrowser/form/control.h"
#include "recordbrowser/form/image_list.h"

namespace form {

using TreeNode = HTREEITEM;

struct TreeViewStyle {
  bool readOnly = true;
  bool rowSelect = false;
  bool hotTrack = false;
  bool hideSelection = true;  // false: the selection shows without focus
  bool showLines = true;
  bool showRoot = true;
  bool showButtons = true;
  bool toolTips = true;
  bool border = true;
};

class TreeView : public Control {
 public:
  TreeView(fw::Component* owner, Control* parent, const TreeViewStyle& style = {});

  void SetImages(ImageList* images);
  ImageList* Images() const { return images_; }
  void SetIndent(int indent);
  int Indent() const;

  // `parent` null: a root. Appended after the parent's last child.
  TreeNode Add(TreeNode parent, const std::wstring& text, int image, int selectedImage,
               void* data = nullptr);
  void Delete(TreeNode node);
  void Clear();

  std::wstring NodeText(TreeNode node) const;
  void SetNodeText(TreeNode node, const std::wstring& text);
  void* NodeData(TreeNode node) const;
  int NodeImage(TreeNode node) const;
  int NodeSelectedImage(TreeNode node) const;
  TreeNode NodeParent(TreeNode node) const;
  // `node` null: the first root.
  TreeNode FirstChild(TreeNode node) const;
  TreeNode NextSibling(TreeNode node) const;
  int Count() const;

  TreeNode Selected() const;
  // Runs OnChange as a user's selection does; null clears the selection.
  void Select(TreeNode node);

  std::function<void(TreeNode node)> OnChange;
  std::function<void()> OnClick;

 protected:
  void AppearanceChanged() override;
  bool OnReflected(UINT msg, WPARAM w, LPARAM l, LRESULT* result) override;

 private:
  bool GetItem(TVITEMW& item) const;
  ImageList* images_ = nullptr;
};

}  // namespace form
