#include "recordbrowser/form/popup_menu.h"

#include <algorithm>
#include <utility>

#include "framework/error.h"
#include "framework/modal_loop.h"

namespace form {

namespace {

// The menu whose loop runs on this thread; its owner window forwards the image messages.
thread_local PopupMenu* t_open = nullptr;
constexpr UINT kFirstId = 1;

}  // namespace

MenuItem::MenuItem(fw::Component* owner, PopupMenu* menu, const std::wstring& caption)
    : Component(owner), menu_(menu), caption_(caption) {
  if (menu_) menu_->items_.push_back(this);
}

MenuItem::~MenuItem() {
  if (menu_) {
    auto& items = menu_->items_;
    items.erase(std::remove(items.begin(), items.end(), this), items.end());
  }
}

void MenuItem::Click() {
  if (!OnClick) return;
  fw::GuardUiHandler(menu_ ? menu_->ownerWindow_ : nullptr, "MenuItem::OnClick",
                     [&] { OnClick(); });
}

PopupMenu::PopupMenu(fw::Component* owner, HWND ownerWindow)
    : Component(owner), ownerWindow_(ownerWindow) {}

PopupMenu::~PopupMenu() {
  for (MenuItem* item : items_) item->menu_ = nullptr;
  if (t_open == this) t_open = nullptr;
}

HMENU PopupMenu::Build() {
  HMENU menu = CreatePopupMenu();
  if (!menu) throw fw::Error("A menu cannot be made.", E_OUTOFMEMORY);
  UINT position = 0;
  for (size_t i = 0; i < items_.size(); ++i) {
    MenuItem* item = items_[i];
    if (!item->visible_) continue;
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    if (item->IsSeparator()) {
      info.fMask = MIIM_FTYPE;
      info.fType = MFT_SEPARATOR;
    } else {
      info.fMask = MIIM_ID | MIIM_STRING | MIIM_DATA;
      info.wID = kFirstId + static_cast<UINT>(i);
      info.dwTypeData = const_cast<wchar_t*>(item->caption_.c_str());
      info.dwItemData = reinterpret_cast<ULONG_PTR>(item);
      if (images_ && item->imageIndex_ >= 0 && item->imageIndex_ < images_->Count()) {
        info.fMask |= MIIM_BITMAP;
        info.hbmpItem = HBMMENU_CALLBACK;
      }
    }
    InsertMenuItemW(menu, position++, TRUE, &info);
  }
  return menu;
}

void PopupMenu::Popup(int x, int y) {
  if (OnPopup) {
    if (!fw::GuardUiHandler(ownerWindow_, "PopupMenu::OnPopup", [&] { OnPopup(); })) return;
  }
  const HMENU menu = Build();
  menu_ = menu;
  PopupMenu* outer = std::exchange(t_open, this);
  // Held until this call returns: the control holding the form lives through the loop and
  // the click.
  fw::ModalScope scope(ownerWindow_);
  // The owner must be in front for the menu to close when the user clicks elsewhere.
  SetForegroundWindow(GetAncestor(ownerWindow_, GA_ROOT));
  const UINT chosen = static_cast<UINT>(fw::TrackPopupMenu(
      menu, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY, x, y,
      ownerWindow_));
  DestroyMenu(menu);
  // This object may have gone with its form inside the loop.
  const bool gone = t_open != this;
  t_open = outer;
  if (gone) return;
  menu_ = nullptr;
  // The control's window went inside the loop: the form is no longer the host's to act on.
  if (!scope.WindowAlive()) return;
  if (chosen >= kFirstId && chosen - kFirstId < items_.size()) items_[chosen - kFirstId]->Click();
}

bool PopupMenu::HandleOwnerDraw(UINT msg, LPARAM l) {
  PopupMenu* menu = t_open;
  if (!menu || !menu->images_) return false;
  if (msg == WM_MEASUREITEM) {
    auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(l);
    if (measure->CtlType != ODT_MENU) return false;
    measure->itemWidth = static_cast<UINT>(menu->images_->Width());
    measure->itemHeight = static_cast<UINT>(menu->images_->Height());
    return true;
  }
  auto* draw = reinterpret_cast<DRAWITEMSTRUCT*>(l);
  if (draw->CtlType != ODT_MENU) return false;
  const auto* item = reinterpret_cast<const MenuItem*>(draw->itemData);
  const auto& items = menu->items_;
  if (std::find(items.begin(), items.end(), item) == items.end()) return false;
  const int top =
      draw->rcItem.top + (draw->rcItem.bottom - draw->rcItem.top - menu->images_->Height()) / 2;
  menu->images_->Draw(item->imageIndex_, draw->hDC, draw->rcItem.left, top);
  return true;
}

}  // namespace form
