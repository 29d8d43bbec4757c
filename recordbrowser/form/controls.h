// The plain controls of the form: panels, labels, flat speed buttons, bevels and splitters.
// All are windows of the framework's self-painting class.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "framework/bitmap.h"
#include "recordbrowser/form/control.h"
#include "recordbrowser/form/image_list.h"

namespace form {

// A plain area in its colour that holds other controls; no bevel, no caption.
class Panel : public Control {
 public:
  Panel(fw::Component* owner, Control* parent);
};

// One line of text in the font's colour over the control's colour. With AutoSize (the
// default) the label takes the size of its text.
class Label : public Control {
 public:
  Label(fw::Component* owner, Control* parent);
  void SetText(const std::wstring& text) override;
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool on);

 protected:
  void Paint(HDC dc, const RECT& client) override;
  void AppearanceChanged() override;

 private:
  void FitText();
  bool autoSize_ = true;
};

// A flat button: no edge until the mouse is over it (raised) or presses it (sunken); its
// 24 x 24 glyph above its caption. The glyph's bottom-left pixel is its transparent colour.
class SpeedButton : public Control {
 public:
  SpeedButton(fw::Component* owner, Control* parent);
  void SetGlyph(fw::Bitmap& glyph);
  bool HasGlyph() const { return glyph_ && glyph_->Count() > 0; }
  // Runs OnClick as a click does.
  void Click();

  std::function<void()> OnClick;

 protected:
  void Paint(HDC dc, const RECT& client) override;
  bool OnWndMsg(UINT msg, WPARAM w, LPARAM l, LRESULT* result) override;

 private:
  std::unique_ptr<ImageList> glyph_;
  bool pressed_ = false;
  bool hot_ = false;
};

// A lowered box: a separator line when it is narrow.
class Bevel : public Control {
 public:
  Bevel(fw::Component* owner, Control* parent);

 protected:
  void Paint(HDC dc, const RECT& client) override;
};

// A bar aligned to the left (3 wide) that resizes the control before it, the one whose
// right edge touches it, by dragging; that control keeps MinSize at least, and so does the
// control filling the rest.
class Splitter : public Control {
 public:
  Splitter(fw::Component* owner, Control* parent);
  int MinSize() const { return minSize_; }
  void SetMinSize(int size) { minSize_ = size; }

  std::function<void()> OnMoved;

 protected:
  bool OnWndMsg(UINT msg, WPARAM w, LPARAM l, LRESULT* result) override;

 private:
  Control* ControlBefore() const;
  void DragTo(int parentX);

  int minSize_ = 30;
  Control* resizing_ = nullptr;
  int grabX_ = 0;  // where the drag started, in the parent's client area
  int startWidth_ = 0;
};

}  // namespace form
