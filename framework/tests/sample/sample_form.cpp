#include "sample_form.h"

#include <new>
#include <stdexcept>

#include "framework/ansi_text.h"
#include "framework/error.h"
#include "sample_classes.h"
#include "sample_lifetime.h"

namespace {
constexpr DISPID kOnKeyPress = 207;
}  // namespace

CSampleForm::CSampleForm()
    : COleControl(kSampleFormClass),
      DualInterface(static_cast<IDispatch*>(static_cast<fw::COleControl*>(this)),
                    kSampleFormClass.progId) {}

HRESULT CSampleForm::get_Caption(BSTR* value) {
  if (!value) return E_POINTER;
  *value = fw::AnsiToBstr(caption_);
  return *value ? S_OK : E_OUTOFMEMORY;
}

HRESULT CSampleForm::put_Caption(BSTR value) {
  caption_ = fw::BstrToAnsi(value);
  return S_OK;
}

CSampleForm::~CSampleForm() {
  if (busy_ > 0) ++sample_lifetime::deletedTooEarly;
}

HRESULT CSampleForm::PressKey(short key, short* delivered) {
  if (!delivered) return E_POINTER;
  const auto keepAlive = KeepAlive();  // the host may let the form go in its handler
  ++busy_;
  FireEvent(kOnKeyPress, &key);
  --busy_;
  *delivered = key;
  return S_OK;
}

HRESULT CSampleForm::AddRecord(BSTR file, double) {
  if (!file || SysStringLen(file) == 0) {
    return ReportFailure("a record needs a media file", E_INVALIDARG);
  }
  ++records_;
  return S_OK;
}

HRESULT CSampleForm::get_RecordCount(long* count) {
  if (!count) return E_POINTER;
  *count = records_;
  return S_OK;
}

HRESULT CSampleForm::ThrowError(long kind) {
  return Guard("ThrowError", [&] {
    if (kind == 0) throw std::runtime_error("the sample form fails here");
    if (kind == 1) throw std::bad_alloc();
    if (kind == 3) throw fw::Error("the record is read-only", E_ACCESSDENIED);
    throw 7;
  });
}
