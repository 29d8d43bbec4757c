#include "recordbrowser/form/control.h"

#include <algorithm>
#include <utility>

#include "base/scoped_gdi.h"
#include "recordbrowser/form/popup_menu.h"

namespace form {

COLORREF ToRgb(Color color) {
  if (color & 0x80000000u) return GetSysColor(static_cast<int>(color & 0xFF));
  return static_cast<COLORREF>(color & 0xFFFFFF);
}

void InitCommonControlsOnce() {
  static const bool done = [] {
    INITCOMMONCONTROLSEX init{sizeof init, ICC_TREEVIEW_CLASSES | ICC_LISTVIEW_CLASSES};
    return InitCommonControlsEx(&init) != FALSE;
  }();
  (void)done;
}

Control::Control(fw::Component* owner, Control* parent) : Component(owner), parent_(parent) {
  if (parent_) parent_->children_.push_back(this);
}

Control::~Control() {
  for (Control* child : children_) child->parent_ = nullptr;
  if (parent_) {
    auto& siblings = parent_->children_;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
    if (align_ != Align::kNone) parent_->Realign();
  }
  // The window goes before the font it uses.
  DestroyWindow();
}

Form* Control::GetForm() {
  Control* c = this;
  while (c->parent_) c = c->parent_;
  return dynamic_cast<Form*>(c);
}

HWND Control::FormWindow() {
  Form* form = GetForm();
  return form ? form->GetSafeHwnd() : GetSafeHwnd();
}

HWND Control::ParentWindow() const { return parent_ ? parent_->GetSafeHwnd() : hostWindow_; }

void Control::CreateControlWindow(const char* className, DWORD style, DWORD exStyle) {
  static const bool registered = fw::RegisterSelfPaintingClass(fw::kDefaultChildClass);
  (void)registered;
  ownClass_ = className == fw::kDefaultChildClass;
  const RECT r = bounds_;
  style |= WS_CHILD | WS_CLIPSIBLINGS | (visible_ ? WS_VISIBLE : 0);
  if (!CreateEx(exStyle, className, Name().c_str(), style, r, ParentWindow(), 0)) {
    throw fw::Error("The window of " + Name() + " cannot be made.",
                    HRESULT_FROM_WIN32(GetLastError()));
  }
  if (!text_.empty()) SetWindowTextW(GetSafeHwnd(), text_.c_str());
  AppearanceChanged();
}

void Control::SetBounds(int left, int top, int width, int height) {
  const RECT r{left, top, left + std::max(width, 0), top + std::max(height, 0)};
  if (EqualRect(&r, &bounds_)) return;
  bounds_ = r;
  ApplyBounds();
  if (parent_ && align_ != Align::kNone && !parent_->aligning_) parent_->Realign();
}

void Control::ApplyBounds() {
  if (GetSafeHwnd()) Move(bounds_);
}

void Control::SetAlign(Align align) {
  if (align == align_) return;
  align_ = align;
  if (parent_) parent_->Realign();
}

void Control::SetVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  if (GetSafeHwnd()) Show(visible ? SW_SHOWNA : SW_HIDE);
  if (parent_ && align_ != Align::kNone) parent_->Realign();
}

Color Control::GetColor() const {
  if (ownColor_ || !parent_) return color_;
  return parent_->GetColor();
}

void Control::SetColor(Color color) {
  ownColor_ = true;
  color_ = color;
  PropagateAppearance();
}

const Font& Control::GetFont() const {
  if (ownFont_ || !parent_) return font_;
  return parent_->GetFont();
}

void Control::SetFont(const Font& font) {
  ownFont_ = true;
  font_ = font;
  PropagateAppearance();
}

void Control::SetFontColor(Color color) {
  Font font = GetFont();
  font.color = color;
  SetFont(font);
}

HFONT Control::FontHandle() {
  if (!fontHandle_) {
    const Font& f = GetFont();
    const int weight = f.weight != 0 ? f.weight : (f.bold ? FW_BOLD : FW_NORMAL);
    fontHandle_.Reset(CreateFontW(f.height, 0, 0, 0, weight, f.italic, f.underline, f.strikeOut,
                                  f.charset, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                  DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, f.name.c_str()));
  }
  return fontHandle_.Get();
}

void Control::PropagateAppearance() {
  base::ScopedFont old(fontHandle_.Release());
  AppearanceChanged();
  for (Control* child : children_) {
    if (!child->ownColor_ || !child->ownFont_) child->PropagateAppearance();
  }
  Invalidate();
}

void Control::AppearanceChanged() {
  if (GetSafeHwnd()) Send(WM_SETFONT, reinterpret_cast<WPARAM>(FontHandle()), TRUE);
}

void Control::SetText(const std::wstring& text) {
  text_ = text;
  if (GetSafeHwnd()) {
    SetWindowTextW(GetSafeHwnd(), text_.c_str());
    Invalidate();
  }
}

void Control::Realign() {
  if (aligning_ || !GetSafeHwnd()) return;
  aligning_ = true;
  RECT rest = ClientRect();
  for (Align kind : {Align::kTop, Align::kBottom, Align::kLeft, Align::kRight, Align::kClient}) {
    for (Control* c : children_) {
      if (c->align_ != kind || !c->visible_) continue;
      const int w = c->Width(), h = c->Height();
      RECT r = rest;
      switch (kind) {
        case Align::kTop:
          r.bottom = std::min(rest.top + h, rest.bottom);
          rest.top = r.bottom;
          break;
        case Align::kBottom:
          r.top = std::max(rest.bottom - h, rest.top);
          rest.bottom = r.top;
          break;
        case Align::kLeft:
          r.right = std::min(rest.left + w, rest.right);
          rest.left = r.right;
          break;
        case Align::kRight:
          r.left = std::max(rest.right - w, rest.left);
          rest.right = r.left;
          break;
        default:
          break;
      }
      // Keep the asked-for size across and the full size along the edge.
      if (kind == Align::kTop || kind == Align::kBottom) r.bottom = r.top + h;
      if (kind == Align::kLeft || kind == Align::kRight) r.right = r.left + w;
      c->bounds_ = r;
      c->ApplyBounds();
    }
  }
  aligning_ = false;
}

void Control::OnSize(UINT, int, int) {
  if (!ownClass_) Default();
  Realign();
}

BOOL Control::OnEraseBkgnd(HDC dc) {
  if (!ownClass_) return static_cast<BOOL>(Default());
  const RECT client = ClientRect();
  base::ScopedBrush brush(CreateSolidBrush(ToRgb(GetColor())));
  FillRect(dc, &client, brush.Get());
  return TRUE;
}

void Control::OnPaint() {
  if (!ownClass_) {
    Default();
    return;
  }
  base::ScopedPaint paint(GetSafeHwnd());
  if (!paint) return;
  const RECT client = ClientRect();
  HGDIOBJ oldFont = SelectObject(paint.Get(), FontHandle());
  SetBkMode(paint.Get(), TRANSPARENT);
  SetTextColor(paint.Get(), ToRgb(GetFont().color));
  Paint(paint.Get(), client);
  SelectObject(paint.Get(), oldFont);
}

bool Control::InMessage() const {
  if (IsDispatching()) return true;
  return std::any_of(children_.begin(), children_.end(),
                     [](const Control* c) { return c->InMessage(); });
}

bool Control::OnWndMsg(UINT msg, WPARAM w, LPARAM l, LRESULT* result) {
  switch (msg) {
    case WM_SETFOCUS:
      if (Form* form = GetForm(); form && form->OnFocusEnter) form->OnFocusEnter();
      break;
    case WM_CHAR: {
      Form* form = GetForm();
      wchar_t key = static_cast<wchar_t>(w);
      if (form && (form->KeyPreview() || form == this)) form->KeyPress(key);
      if (key == 0) {
        *result = 0;
        return true;
      }
      if (key != static_cast<wchar_t>(w)) {
        *result = CallDefault(msg, key, l);
        return true;
      }
      return false;
    }
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(l);
      if (auto* from =
              header ? dynamic_cast<Control*>(CWnd::FromHandle(header->hwndFrom)) : nullptr;
          from && from != this && from->OnReflected(msg, w, l, result)) {
        return true;
      }
      break;
    }
    case WM_COMMAND:
      if (auto* from = dynamic_cast<Control*>(CWnd::FromHandle(reinterpret_cast<HWND>(l)));
          l && from && from != this && from->OnReflected(msg, w, l, result)) {
        return true;
      }
      break;
    case WM_MEASUREITEM:
    case WM_DRAWITEM:
      if (PopupMenu::HandleOwnerDraw(msg, l)) {
        *result = TRUE;
        return true;
      }
      break;
    default:
      break;
  }
  return CWnd::OnWndMsg(msg, w, l, result);
}

Form::Form(HWND parentWindow, const RECT& bounds) : Control(nullptr, nullptr) {
  hostWindow_ = parentWindow;
  SetBounds(bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top);
  CreateControlWindow(fw::kDefaultChildClass, WS_CLIPCHILDREN | WS_TABSTOP, WS_EX_CONTROLPARENT);
}

Form::~Form() {
  // The form's own overrides hear its components go.
  DestroyComponents();
}

void Form::OnPaint() {
  Control::OnPaint();
  if (OnFormPaint) OnFormPaint();
}

bool Form::OnWndMsg(UINT msg, WPARAM w, LPARAM l, LRESULT* result) {
  switch (msg) {
    case WM_LBUTTONDOWN:
      clicked_ = true;
      break;
    case WM_LBUTTONUP: {
      const POINT at{static_cast<short>(LOWORD(l)), static_cast<short>(HIWORD(l))};
      const RECT client = ClientRect();
      const bool click = clicked_ && PtInRect(&client, at);
      clicked_ = false;
      if (click && OnFormClick) OnFormClick();
      break;
    }
    case WM_LBUTTONDBLCLK:
      // The button's release after a double click is no click of its own.
      clicked_ = false;
      if (OnFormDblClick) OnFormDblClick();
      break;
    default:
      break;
  }
  return Control::OnWndMsg(msg, w, l, result);
}

void Form::KeyPress(wchar_t& key) {
  if (!OnKeyPress) return;
  const wchar_t typed = key;
  if (!fw::GuardUiHandler(GetSafeHwnd(), "OnKeyPress", [&] { OnKeyPress(key); })) key = typed;
}

}  // namespace form
