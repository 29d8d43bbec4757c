// A control with a dual interface and a form's kind of events, in the shape of the record
// browser: properties and methods through the vtable and the type information, a key
// event whose by-reference argument the host may change.
#pragma once

#include <string>

#include "framework/dual_interface.h"
#include "framework/ole_control.h"
#include "fwsample_h.h"

class CSampleForm : public fw::COleControl, public fw::DualInterface<ISampleForm> {
 public:
  CSampleForm();
  ~CSampleForm() override;

  HRESULT STDMETHODCALLTYPE get_Caption(BSTR* value) override;
  HRESULT STDMETHODCALLTYPE put_Caption(BSTR value) override;
  HRESULT STDMETHODCALLTYPE PressKey(short key, short* delivered) override;
  HRESULT STDMETHODCALLTYPE AddRecord(BSTR file, double date) override;
  HRESULT STDMETHODCALLTYPE get_RecordCount(long* count) override;
  // Throws: 0 a std::runtime_error, 1 std::bad_alloc, anything else an int.
  HRESULT STDMETHODCALLTYPE ThrowError(long kind) override;

  // One IUnknown for both halves.
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    return COleControl::QueryInterface(iid, out);
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return COleControl::AddRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return COleControl::Release(); }

 protected:
  HRESULT QueryExtraInterface(REFIID iid, void** out) override { return AnswerDual(iid, out); }

 private:
  std::string caption_ = "Sample Form";
  long records_ = 0;
  int busy_ = 0;  // members running: the form must not be deleted under them
};
