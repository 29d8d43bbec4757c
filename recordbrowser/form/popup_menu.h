// A popup menu and its items. The menu is built afresh each time it pops up, after OnPopup,
// from the visible items in creation order (hidden ones are left out), texts through
// InsertMenuItemW; an item's image from the menu's image list is drawn by the owner
// window (HBMMENU_CALLBACK). The chosen item comes back from TrackPopupMenu
// (TPM_RETURNCMD) and is clicked once the menu loop has ended, while the window of the
// control holding the form (without one, the owner window) still exists.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/component.h"
#include "recordbrowser/form/image_list.h"

namespace form {

class PopupMenu;

class MenuItem : public fw::Component {
 public:
  // A caption of "-" makes a separator.
  MenuItem(fw::Component* owner, PopupMenu* menu, const std::wstring& caption = {});
  ~MenuItem() override;

  const std::wstring& Caption() const { return caption_; }
  void SetCaption(const std::wstring& caption) { caption_ = caption; }
  bool IsSeparator() const { return caption_ == L"-"; }
  int ImageIndex() const { return imageIndex_; }
  void SetImageIndex(int index) { imageIndex_ = index; }
  bool Visible() const { return visible_; }
  void SetVisible(bool visible) { visible_ = visible; }
  // Runs OnClick as a choice from the menu does (for tests, and for the menu itself).
  void Click();

  std::function<void()> OnClick;

 private:
  friend class PopupMenu;
  PopupMenu* menu_;
  std::wstring caption_;
  int imageIndex_ = -1;
  bool visible_ = true;
};

class PopupMenu : public fw::Component {
 public:
  // `owner` is the form; its window (`ownerWindow`) owns the menu's loop.
  PopupMenu(fw::Component* owner, HWND ownerWindow);
  ~PopupMenu() override;

  void SetImages(ImageList* images) { images_ = images; }
  ImageList* Images() const { return images_; }
  const std::vector<MenuItem*>& Items() const { return items_; }

  // Shows the menu at screen position (x, y) and runs it; the chosen item is clicked after.
  void Popup(int x, int y);
  // The menu while it is open, else null.
  HMENU Handle() const { return menu_; }

  std::function<void()> OnPopup;

  // WM_MEASUREITEM and WM_DRAWITEM of the open menu's images; true when it was one.
  static bool HandleOwnerDraw(UINT msg, LPARAM l);

 private:
  friend class MenuItem;
  HMENU Build();

  HWND ownerWindow_;
  ImageList* images_ = nullptr;
  std::vector<MenuItem*> items_;
  HMENU menu_ = nullptr;
};

}  // namespace form
