#include "framework/ole_property_page.h"

#include "framework/ansi_text.h"
#include "framework/exception_guard.h"
#include "framework/module.h"
#include "framework/resources.h"

namespace fw {

namespace {

LPOLESTR TaskMemText(const std::wstring& text) {
  auto* out = static_cast<LPOLESTR>(CoTaskMemAlloc((text.size() + 1) * sizeof(OLECHAR)));
  if (out) {
    text.copy(out, text.size());
    out[text.size()] = L'\0';
  }
  return out;
}

INT_PTR CALLBACK ProbeProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

}  // namespace

COlePropertyPage::COlePropertyPage(UINT templateId, UINT captionId)
    : CDialog(templateId), captionId_(captionId) {}

COlePropertyPage::~COlePropertyPage() = default;

HRESULT COlePropertyPage::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IPropertyPage)) {
    *out = static_cast<IPropertyPage*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

ULONG COlePropertyPage::AddRef() { return InterlockedIncrement(&refs_); }

ULONG COlePropertyPage::Release() {
  const LONG n = InterlockedDecrement(&refs_);
  if (n == 0) {
    DestroyWindow();
    DeleteWhenIdle();
  }
  return n;
}

HRESULT COlePropertyPage::SetPageSite(IPropertyPageSite* site) {
  site_ = base::ComPtr<IPropertyPageSite>(site);
  return S_OK;
}

HRESULT COlePropertyPage::Activate(HWND parent, LPCRECT rect, BOOL) {
  return GuardHResult("IPropertyPage::Activate", [&]() -> HRESULT {
    if (GetSafeHwnd()) return E_UNEXPECTED;
    if (!CreateModeless(parent)) return E_FAIL;
    if (rect) CWnd::Move(*rect);
    return S_OK;
  });
}

HRESULT COlePropertyPage::Deactivate() {
  DestroyWindow();
  return S_OK;
}

HRESULT COlePropertyPage::GetPageInfo(PROPPAGEINFO* info) {
  if (!info) return E_POINTER;
  return GuardHResult("IPropertyPage::GetPageInfo", [&]() -> HRESULT {
    info->cb = sizeof *info;
    info->pszTitle = TaskMemText(LoadResStringW(captionId_));
    info->pszDocString = nullptr;
    info->pszHelpFile = nullptr;
    info->dwHelpContext = 0;
    // The template's size in pixels: measured on a hidden instance, since dialog units
    // depend on the template's font.
    info->size = SIZE{0, 0};
    HWND window = GetSafeHwnd();
    HWND probe = nullptr;
    if (!window) {
      HINSTANCE instance = Module::Get().ResourceInstance();
      const DLGTEMPLATE* fixed = FixedLanguageDialog(TemplateId());
      probe = fixed ? CreateDialogIndirectParamW(instance, fixed, GetDesktopWindow(), &ProbeProc, 0)
                    : CreateDialogParamW(instance, MAKEINTRESOURCEW(TemplateId()),
                                         GetDesktopWindow(), &ProbeProc, 0);
      window = probe;
    }
    if (window) {
      RECT r{};
      GetWindowRect(window, &r);
      info->size = SIZE{r.right - r.left, r.bottom - r.top};
    }
    if (probe) ::DestroyWindow(probe);
    return info->pszTitle ? S_OK : E_OUTOFMEMORY;
  });
}

HRESULT COlePropertyPage::SetObjects(ULONG count, IUnknown** objects) {
  if (count && !objects) return E_POINTER;
  return GuardHResult("IPropertyPage::SetObjects", [&]() -> HRESULT {
    objects_.clear();
    for (ULONG i = 0; i < count; ++i) objects_.emplace_back(objects[i]);
    return S_OK;
  });
}

HRESULT COlePropertyPage::Show(UINT command) {
  CWnd::Show(static_cast<int>(command));
  return S_OK;
}

HRESULT COlePropertyPage::Move(LPCRECT rect) {
  if (!rect) return E_POINTER;
  CWnd::Move(*rect);
  return S_OK;
}

HRESULT COlePropertyPage::IsPageDirty() { return dirty_ ? S_OK : S_FALSE; }

HRESULT COlePropertyPage::Apply() {
  return GuardHResult("IPropertyPage::Apply", [&]() -> HRESULT {
    if (!OnApply()) return E_FAIL;
    dirty_ = false;
    return S_OK;
  });
}

bool COlePropertyPage::OnApply() { return !GetSafeHwnd() || UpdateData(true); }

HRESULT COlePropertyPage::Help(LPCOLESTR) { return E_NOTIMPL; }

HRESULT COlePropertyPage::TranslateAccelerator(MSG* msg) {
  if (!msg || !GetSafeHwnd()) return S_FALSE;
  if (IsFramesKey(*msg)) return S_FALSE;
  return IsDialogMessageA(GetSafeHwnd(), msg) ? S_OK : S_FALSE;
}

bool COlePropertyPage::IsFramesKey(const MSG& msg) const {
  if (msg.message != WM_KEYDOWN || (msg.wParam != VK_RETURN && msg.wParam != VK_ESCAPE)) {
    return false;
  }
  const LRESULT code =
      SendMessageA(msg.hwnd, WM_GETDLGCODE, msg.wParam, reinterpret_cast<LPARAM>(&msg));
  return !(code & (DLGC_WANTALLKEYS | DLGC_WANTMESSAGE));
}

bool COlePropertyPage::OnWndMsg(UINT msg, WPARAM w, LPARAM l, LRESULT* result) {
  // The frame owns OK and Cancel; the page's dialog manager sends them for Enter and
  // Escape, and the dialog's handling would end (destroy) the page.
  if (msg == WM_COMMAND && (LOWORD(w) == IDOK || LOWORD(w) == IDCANCEL)) return false;
  return CDialog::OnWndMsg(msg, w, l, result);
}

void COlePropertyPage::SetModifiedFlag(bool changed) {
  dirty_ = changed;
  if (site_) site_->OnStatusChange(PROPPAGESTATUS_DIRTY);
}

}  // namespace fw
