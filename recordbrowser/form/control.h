// The record browser's form layer: a form and the controls placed on it, each a component of
// the form (it owns and destroys them) with a window of its own.
//
// - Bounds are in the parent's client area. A control with an Align other than kNone is
//   placed by its parent, which realigns its children in creation order on every resize:
//   first the top ones, then bottom, left, right, and last the one that fills the rest.
//   Hidden controls take no room.
// - Colour and font come from the parent until the control sets its own.
// - Texts are UTF-16 and reach the system through its wide calls, so any text shows
//   whatever the ANSI code page.
// - With the form's KeyPreview on, a character typed in any control reaches the form's
//   OnKeyPress first; a key it sets to 0 goes no further.
// - Event handlers run through fw::GuardUiHandler: an error shows in a box and ends the
//   handler; nothing leaves a window procedure.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/scoped_gdi.h"
#include "framework/component.h"
#include "framework/error.h"
#include "framework/window.h"

namespace form {

// A colour as the form stores it: an RGB value, or a system colour (its index with the top
// bit set), read when used.
using Color = uint32_t;
constexpr Color SystemColor(int index) { return 0x80000000u | static_cast<uint32_t>(index); }
COLORREF ToRgb(Color color);

// The common controls' classes (tree, list, image lists), registered once per process.
void InitCommonControlsOnce();

struct Font {
  std::wstring name = L"MS Sans Serif";
  int height = -11;
  Color color = SystemColor(COLOR_WINDOWTEXT);
  bool bold = false;
  // What an OLE font brings besides: a weight other than 0 overrides `bold`.
  int weight = 0;
  bool italic = false;
  bool underline = false;
  bool strikeOut = false;
  BYTE charset = DEFAULT_CHARSET;
};

enum class Align { kNone, kTop, kBottom, kLeft, kRight, kClient };

class Form;

class Control : public fw::Component, public fw::CWnd {
 public:
  // `parent` null: only for the form, whose window is a child of a window of its host.
  Control(fw::Component* owner, Control* parent);
  ~Control() override;

  Control* Parent() const { return parent_; }
  const std::vector<Control*>& Children() const { return children_; }
  Form* GetForm();

  RECT Bounds() const { return bounds_; }
  int Left() const { return bounds_.left; }
  int Top() const { return bounds_.top; }
  int Width() const { return bounds_.right - bounds_.left; }
  int Height() const { return bounds_.bottom - bounds_.top; }
  void SetBounds(int left, int top, int width, int height);
  void SetWidth(int width) { SetBounds(Left(), Top(), width, Height()); }
  void SetHeight(int height) { SetBounds(Left(), Top(), Width(), height); }

  Align GetAlign() const { return align_; }
  void SetAlign(Align align);
  bool Visible() const { return visible_; }
  void SetVisible(bool visible);

  Color GetColor() const;
  void SetColor(Color color);
  const Font& GetFont() const;
  void SetFont(const Font& font);
  void SetFontColor(Color color);
  HFONT FontHandle();

  const std::wstring& Text() const { return text_; }
  virtual void SetText(const std::wstring& text);

  // Places the aligned children in the client area.
  void Realign();
  // One of this control's messages, or one of its children's, is being handled.
  bool InMessage() const;

 protected:
  // Called by each kind of control once its own settings are made.
  void CreateControlWindow(const char* className, DWORD style, DWORD exStyle = 0);
  HWND ParentWindow() const;
  // The colour or the font (own or inherited) changed.
  virtual void AppearanceChanged();
  // Own-class controls draw here; the background is already in the control's colour.
  virtual void Paint(HDC /*dc*/, const RECT& /*client*/) {}
  // WM_NOTIFY, WM_COMMAND and WM_DRAWITEM sent to the parent on behalf of this control.
  virtual bool OnReflected(UINT /*msg*/, WPARAM /*w*/, LPARAM /*l*/, LRESULT* /*result*/) {
    return false;
  }
  // A user handler, guarded: an error shows in a box owned by the form.
  template <class Body>
  void RunHandler(const char* where, Body&& body) {
    fw::GuardUiHandler(FormWindow(), where, std::forward<Body>(body));
  }
  HWND FormWindow();

  bool OnWndMsg(UINT msg, WPARAM w, LPARAM l, LRESULT* result) override;
  void OnPaint() override;
  BOOL OnEraseBkgnd(HDC dc) override;
  void OnSize(UINT type, int cx, int cy) override;

  HWND hostWindow_ = nullptr;  // the form's parent window

 private:
  void ApplyBounds();
  void PropagateAppearance();

  Control* parent_;
  std::vector<Control*> children_;
  RECT bounds_{0, 0, 0, 0};
  Align align_ = Align::kNone;
  bool visible_ = true;
  bool ownColor_ = false;
  Color color_ = SystemColor(COLOR_BTNFACE);
  bool ownFont_ = false;
  Font font_;
  base::ScopedFont fontHandle_;
  std::wstring text_;
  bool aligning_ = false;
  bool ownClass_ = false;  // a window of the framework's class, painted here
};

class Form : public Control {
 public:
  // The form's window is a child of `parentWindow` at `bounds`.
  Form(HWND parentWindow, const RECT& bounds);
  ~Form() override;

  const std::wstring& Caption() const { return Text(); }
  void SetCaption(const std::wstring& caption) { SetText(caption); }
  bool KeyPreview() const { return keyPreview_; }
  void SetKeyPreview(bool on) { keyPreview_ = on; }

  // The form's key handler: may change the character or set it to 0 to swallow it.
  std::function<void(wchar_t& key)> OnKeyPress;
  void KeyPress(wchar_t& key);

  // The form's own events for whoever hosts it: it painted, it was clicked or
  // double-clicked on its own client area, and the focus came to it or to one of its
  // controls. Unguarded: the host's handlers stop their own errors.
  std::function<void()> OnFormPaint;
  std::function<void()> OnFormClick;
  std::function<void()> OnFormDblClick;
  std::function<void()> OnFocusEnter;

 protected:
  void OnPaint() override;
  bool OnWndMsg(UINT msg, WPARAM w, LPARAM l, LRESULT* result) override;

 private:
  bool keyPreview_ = false;
  bool clicked_ = false;  // the left button went down on the form itself
};

}  // namespace form
