// COlePropertyPage: a property page object (IPropertyPage) over a child dialog template,
// as containers show in their property frames (the control's ISpecifyPropertyPages lists
// its class). The page gets the objects it edits from SetObjects; a page that edits
// nothing still has a caption and a size.
#pragma once

#include <windows.h>

#include <ocidl.h>
#include <olectl.h>

#include <string>
#include <vector>

#include "base/com_ptr.h"
#include "framework/dialog.h"
#include "framework/module.h"

namespace fw {

class COlePropertyPage : public CDialog, public IPropertyPage {
 public:
  COlePropertyPage(UINT templateId, UINT captionId);
  ~COlePropertyPage() override;

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  // IPropertyPage
  HRESULT STDMETHODCALLTYPE SetPageSite(IPropertyPageSite* site) override;
  HRESULT STDMETHODCALLTYPE Activate(HWND parent, LPCRECT rect, BOOL modal) override;
  HRESULT STDMETHODCALLTYPE Deactivate() override;
  HRESULT STDMETHODCALLTYPE GetPageInfo(PROPPAGEINFO* info) override;
  HRESULT STDMETHODCALLTYPE SetObjects(ULONG count, IUnknown** objects) override;
  HRESULT STDMETHODCALLTYPE Show(UINT command) override;
  HRESULT STDMETHODCALLTYPE Move(LPCRECT rect) override;
  HRESULT STDMETHODCALLTYPE IsPageDirty() override;
  HRESULT STDMETHODCALLTYPE Apply() override;
  HRESULT STDMETHODCALLTYPE Help(LPCOLESTR helpDir) override;
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(MSG* msg) override;

 protected:
  // Marks the page as changed and tells the frame, which enables its Apply button.
  void SetModifiedFlag(bool changed = true);
  const std::vector<base::ComPtr<IUnknown>>& Objects() const { return objects_; }
  // Apply: the default moves the controls to the fields (UpdateData(true)).
  virtual bool OnApply();

  bool OnWndMsg(UINT msg, WPARAM w, LPARAM l, LRESULT* result) override;

 private:
  // Enter or Escape that the focused control does not take: the frame's OK and Cancel.
  bool IsFramesKey(const MSG& msg) const;

  ModuleLock moduleLock_;  // first: given back if the rest of the construction throws
  UINT captionId_;
  LONG refs_ = 1;
  bool dirty_ = false;
  base::ComPtr<IPropertyPageSite> site_;
  std::vector<base::ComPtr<IUnknown>> objects_;
};

}  // namespace fw
