#include "recordbrowser/form/controls.h"

#include <windowsx.h>

#include <algorithm>

namespace form {

Panel::Panel(fw::Component* owner, Control* parent) : Control(owner, parent) {
  CreateControlWindow(fw::kDefaultChildClass, WS_CLIPCHILDREN, WS_EX_CONTROLPARENT);
}

Label::Label(fw::Component* owner, Control* parent) : Control(owner, parent) {
  CreateControlWindow(fw::kDefaultChildClass, 0);
}

void Label::SetText(const std::wstring& text) {
  Control::SetText(text);
  FitText();
}

void Label::SetAutoSize(bool on) {
  autoSize_ = on;
  FitText();
}

void Label::AppearanceChanged() {
  Control::AppearanceChanged();
  FitText();
}

void Label::FitText() {
  if (!autoSize_ || !GetSafeHwnd()) return;
  base::ScopedWindowDc dc(GetSafeHwnd());
  HGDIOBJ old = SelectObject(dc.Get(), FontHandle());
  RECT r{0, 0, 0, 0};
  const std::wstring& text = Text();
  DrawTextW(dc.Get(), text.empty() ? L" " : text.c_str(), -1, &r,
            DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  SelectObject(dc.Get(), old);
  SetBounds(Left(), Top(), text.empty() ? 0 : r.right, r.bottom);
}

void Label::Paint(HDC dc, const RECT& client) {
  RECT r = client;
  DrawTextW(dc, Text().c_str(), -1, &r, DT_SINGLELINE | DT_NOPREFIX | DT_LEFT | DT_TOP);
}

SpeedButton::SpeedButton(fw::Component* owner, Control* parent) : Control(owner, parent) {
  CreateControlWindow(fw::kDefaultChildClass, 0);
}

void SpeedButton::SetGlyph(fw::Bitmap& glyph) {
  glyph_ = std::make_unique<ImageList>(nullptr, glyph.Width(), glyph.Height(), true);
  glyph_->Add(glyph);
  Invalidate();
}

void SpeedButton::Click() {
  if (OnClick) RunHandler("SpeedButton::OnClick", [&] { OnClick(); });
}

void SpeedButton::Paint(HDC dc, const RECT& client) {
  RECT edge = client;
  if (pressed_ && hot_) {
    DrawEdge(dc, &edge, BDR_SUNKENOUTER, BF_RECT);
  } else if (hot_) {
    DrawEdge(dc, &edge, BDR_RAISEDINNER, BF_RECT);
  }
  const int shift = pressed_ && hot_ ? 1 : 0;
  RECT text{0, 0, 0, 0};
  DrawTextW(dc, Text().empty() ? L" " : Text().c_str(), -1, &text,
            DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  const int glyphH = HasGlyph() ? glyph_->Height() : 0;
  const int spacing = HasGlyph() && !Text().empty() ? 4 : 0;
  const int block = glyphH + spacing + (Text().empty() ? 0 : text.bottom);
  const int top = (client.bottom - block) / 2 + shift;
  if (HasGlyph()) {
    glyph_->Draw(0, dc, (client.right - glyph_->Width()) / 2 + shift, top);
  }
  if (!Text().empty()) {
    RECT r{client.left + shift, top + glyphH + spacing, client.right + shift, client.bottom};
    DrawTextW(dc, Text().c_str(), -1, &r, DT_SINGLELINE | DT_NOPREFIX | DT_CENTER | DT_TOP);
  }
}

bool SpeedButton::OnWndMsg(UINT msg, WPARAM w, LPARAM l, LRESULT* result) {
  const POINT at{GET_X_LPARAM(l), GET_Y_LPARAM(l)};
  const RECT client = ClientRect();
  switch (msg) {
    case WM_MOUSEMOVE: {
      const bool inside = PtInRect(&client, at) != FALSE;
      if (inside && !hot_) {
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, GetSafeHwnd(), 0};
        TrackMouseEvent(&track);
      }
      if (inside != hot_) {
        hot_ = inside;
        Invalidate();
      }
      *result = 0;
      return true;
    }
    case WM_MOUSELEAVE:
      if (!pressed_) {
        hot_ = false;
        Invalidate();
      }
      *result = 0;
      return true;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      pressed_ = true;
      hot_ = true;
      SetCapture(GetSafeHwnd());
      Invalidate();
      *result = 0;
      return true;
    case WM_LBUTTONUP: {
      const bool click = pressed_ && PtInRect(&client, at);
      pressed_ = false;
      if (GetCapture() == GetSafeHwnd()) ReleaseCapture();
      hot_ = PtInRect(&client, at) != FALSE;
      Invalidate();
      if (click) Click();
      *result = 0;
      return true;
    }
    case WM_CAPTURECHANGED:
      pressed_ = false;
      Invalidate();
      break;
    default:
      break;
  }
  return Control::OnWndMsg(msg, w, l, result);
}

Bevel::Bevel(fw::Component* owner, Control* parent) : Control(owner, parent) {
  CreateControlWindow(fw::kDefaultChildClass, 0);
}

void Bevel::Paint(HDC dc, const RECT& client) {
  RECT r = client;
  DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT);
}

Splitter::Splitter(fw::Component* owner, Control* parent) : Control(owner, parent) {
  SetBounds(0, 0, 3, 100);
  CreateControlWindow(fw::kDefaultChildClass, 0);
  SetAlign(Align::kLeft);
}

Control* Splitter::ControlBefore() const {
  if (!Parent()) return nullptr;
  for (Control* c : Parent()->Children()) {
    if (c != this && c->Visible() && c->GetAlign() == Align::kLeft &&
        c->Left() + c->Width() == Left()) {
      return c;
    }
  }
  return nullptr;
}

void Splitter::DragTo(int parentX) {
  if (!resizing_ || !Parent()) return;
  int width = startWidth_ + (parentX - grabX_);
  // What the control filling the rest can give up and still keep MinSize.
  int fillerRoom = 0;
  for (Control* c : Parent()->Children()) {
    if (c->GetAlign() == Align::kClient && c->Visible()) fillerRoom = c->Width() - minSize_;
  }
  const int widest = resizing_->Width() + std::max(fillerRoom, 0);
  width = std::max(minSize_, std::min(width, widest));
  if (width != resizing_->Width()) {
    resizing_->SetWidth(width);
    if (OnMoved) RunHandler("Splitter::OnMoved", [&] { OnMoved(); });
  }
}

bool Splitter::OnWndMsg(UINT msg, WPARAM w, LPARAM l, LRESULT* result) {
  POINT at{GET_X_LPARAM(l), GET_Y_LPARAM(l)};
  if (msg == WM_LBUTTONDOWN || msg == WM_MOUSEMOVE || msg == WM_LBUTTONUP) {
    // The splitter moves under the mouse: the parent's coordinates stay put.
    MapWindowPoints(GetSafeHwnd(), Parent() ? Parent()->GetSafeHwnd() : nullptr, &at, 1);
  }
  switch (msg) {
    case WM_SETCURSOR:
      SetCursor(LoadCursor(nullptr, IDC_SIZEWE));
      *result = TRUE;
      return true;
    case WM_LBUTTONDOWN:
      resizing_ = ControlBefore();
      if (resizing_) {
        grabX_ = at.x;
        startWidth_ = resizing_->Width();
        SetCapture(GetSafeHwnd());
      }
      *result = 0;
      return true;
    case WM_MOUSEMOVE:
      if (resizing_) DragTo(at.x);
      *result = 0;
      return true;
    case WM_LBUTTONUP:
      if (resizing_) {
        DragTo(at.x);
        resizing_ = nullptr;
        if (GetCapture() == GetSafeHwnd()) ReleaseCapture();
      }
      *result = 0;
      return true;
    case WM_CAPTURECHANGED:
      resizing_ = nullptr;
      break;
    default:
      break;
  }
  return Control::OnWndMsg(msg, w, l, result);
}

}  // namespace form
