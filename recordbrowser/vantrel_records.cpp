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

std::string_view TrimSpaces(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

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

void TVantrel::ScheduleThumbnail(std::unique_ptr<TRecordItem> item) {
  InsertRecordItem(std::move(item));
}

std::string TVantrel::GroupKey(form::TreeNode root, const TRecordItem& item) const {
  const std::wstring caption = TreeViewSurveillance->NodeText(root);
  if (caption == Texts[0]) return FormatDate(item.Date, catalogue_->Settings());
  if (caption == Texts[1]) return item.Area;
  if (caption == Texts[2]) return item.Camera;
  return {};
}

void TVantrel::InsertRecordItem(std::unique_ptr<TRecordItem> item) {
  if (!item) return;
  TRecordItem* record = item.get();
  for (form::TreeNode root = TreeViewSurveillance->FirstChild(nullptr); root;
       root = TreeViewSurveillance->NextSibling(root)) {
    const std::string key = GroupKey(root, *record);
    RecordGroup* group = nullptr;
    for (form::TreeNode g = TreeViewSurveillance->FirstChild(root); g && !group;
         g = TreeViewSurveillance->NextSibling(g)) {
      if (TrimSpaces(fw::WideToAnsi(TreeViewSurveillance->NodeText(g))) == TrimSpaces(key)) {
        group = static_cast<RecordGroup*>(TreeViewSurveillance->NodeData(g));
      }
    }
    if (!group) {
      groups_.push_back(std::make_unique<RecordGroup>());
      group = groups_.back().get();
      const int image = TreeViewSurveillance->NodeImage(root);
      TreeViewSurveillance->Add(root, fw::AnsiToWide(key), image, image, group);
    }
    group->Items.push_back(record);
  }
  items_.push_back(std::move(item));
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
