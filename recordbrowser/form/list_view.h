// A list of large icons (SysListView32) with a data pointer per item; texts through
// LVM_INSERTITEMW and LVM_GETITEMTEXTW. One item at most is selected.
#pragma once

#include <functional>
#include <string>

#include "recordbrowser/form/control.h"
#include "recordbrowser/form/image_list.h"

namespace form {

struct ListViewStyle {
  bool autoArrange = true;
  bool wrapCaptions = true;
  bool readOnly = true;
  bool hideSelection = true;  // false: the selection shows without focus
  bool border = true;
};

class ListView : public Control {
 public:
  ListView(fw::Component* owner, Control* parent, const ListViewStyle& style = {});

  void SetLargeImages(ImageList* images);
  ImageList* LargeImages() const { return largeImages_; }

  // Appended; its index.
  int Add(const std::wstring& text, int image, void* data = nullptr);
  void Delete(int index);
  void Clear();
  int Count() const;
  std::wstring ItemText(int index) const;
  int ItemImage(int index) const;
  void* ItemData(int index) const;
  // The first item whose data is `data`, or -1.
  int FindData(const void* data) const;

  // Between these the list neither redraws nor rearranges at each change (filling it with
  // many items); they nest.
  void BeginUpdate();
  void EndUpdate();

  int Selected() const;    // -1 without one
  void Select(int index);  // selects and focuses; OnSelectItem as for a click
  void Deselect(int index);
  int Focused() const;
  // Focus without selection.
  void SetFocused(int index);

  // An item was selected (true) or lost the selection (false); not while items are deleted.
  std::function<void(int index, bool selected)> OnSelectItem;
  std::function<void()> OnDblClick;

 protected:
  void AppearanceChanged() override;
  bool OnReflected(UINT msg, WPARAM w, LPARAM l, LRESULT* result) override;

 private:
  void SetState(int index, UINT state, UINT mask);
  ImageList* largeImages_ = nullptr;
  int deleting_ = 0;
  int updating_ = 0;
};

// BeginUpdate for a scope.
class ListUpdate {
 public:
  explicit ListUpdate(ListView& list) : list_(list) { list_.BeginUpdate(); }
  ~ListUpdate() { list_.EndUpdate(); }
  ListUpdate(const ListUpdate&) = delete;
  ListUpdate& operator=(const ListUpdate&) = delete;

 private:
  ListView& list_;
};

}  // namespace form
