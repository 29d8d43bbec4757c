// The form's side of the catalogue: the host's records in, removals out to the host's sink.
#include <windows.h>

#include <oleauto.h>

#include "base/scoped_bstr.h"
#include "framework/ansi_text.h"
#include "framework/error.h"
#include "framework/exception_guard.h"
#include "recordbrowser/vantrel_impl.h"

namespace vantrel {

namespace {

// IVantrel, whose members report errors.
const IID kIidIVantrel = {
    0x23D83390, 0x94FF, 0x4546, {0xA5, 0xE5, 0xBB, 0xDC, 0xAA, 0x63, 0x60, 0x76}};
constexpr DISPID kDispidOnRemoved = 209;

// The host's text in the ANSI code page; false when a character has no exact counterpart
// (a best-fit one could name another file).
bool ToAnsiExactly(const wchar_t* text, std::string& out) {
  out.clear();
  if (!text || !*text) return true;
  const int length = lstrlenW(text);
  BOOL usedDefault = FALSE;
  const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text, length, nullptr, 0, nullptr,
                                    &usedDefault);
  if (n <= 0 || usedDefault) return false;
  out.resize(static_cast<size_t>(n));
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text, length, &out[0], n, nullptr,
                      &usedDefault);
  return !usedDefault;
}

std::string ToAnsi(const wchar_t* text) { return text ? fw::WideToAnsi(text) : std::string(); }

}  // namespace

HRESULT TVantrel::AddSurveillanceRecord(const wchar_t* mediaFile, const wchar_t* area,
                                        const wchar_t* camera, double date, double time) {
  try {
    if (!IsValidDateTime(date) || !IsValidDateTime(time)) return E_INVALIDARG;
    std::string media;
    const bool exact = ToAnsiExactly(mediaFile, media);
    if (exact && FileExists(media)) {
      AppendRecord(media, ToAnsi(area), ToAnsi(camera), date, time);
    } else if (SinkConnected()) {
      OnRemoved(mediaFile ? std::wstring(mediaFile) : std::wstring(), 0);
    }
    return S_OK;
  } catch (...) {
    return fw::ReportError(kIidIVantrel, fw::CurrentExceptionText(), fw::CurrentExceptionCode());
  }
}

void TVantrel::AppendRecord(const std::string& mediaFile, const std::string& area,
                            const std::string& camera, double date, double time) {
  ScheduleThumbnail(catalogue_->AppendRecord(mediaFile, area, camera, date, time));
}

void TVantrel::DeleteRecord(int32_t recordNo, const std::string& mediaFile) {
  catalogue_->DeleteRecord(recordNo, mediaFile);
}

void TVantrel::LoadRecords() {
  catalogue_->LoadRecords([this](std::unique_ptr<TRecordItem> item, bool thumbExists) {
    if (thumbExists) {
      InsertRecordItem(std::move(item));
    } else {
      ScheduleThumbnail(std::move(item));
    }
  });
}

std::string TVantrel::GroupKey(form::TreeNode root, const TRecordItem& item) const {
  const std::wstring caption = TreeViewSurveillance->NodeText(root);
  if (caption == Texts[0]) return FormatDate(item.Date, catalogue_->Settings());
  if (caption == Texts[1]) return item.Area;
  if (caption == Texts[2]) return item.Camera;
  return {};
}

void TVantrel::OnRemoved(const std::wstring& mediaFile, long initiative) {
  if (!EventSink) return;
  base::ScopedBstr file(mediaFile);
  VARIANTARG args[2];
  VariantInit(&args[0]);
  VariantInit(&args[1]);
  // Last argument first.
  args[0].vt = VT_I4;
  args[0].lVal = initiative;
  args[1].vt = VT_BSTR;
  args[1].bstrVal = file.Get();
  DISPPARAMS params{args, nullptr, 2, 0};
  base::ComPtr<IDispatch> sink = EventSink;
  sink->Invoke(kDispidOnRemoved, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr,
               nullptr, nullptr);
}

}  // namespace vantrel
