// The dual-interface sample (the record browser's kind of surface): automation through the
// type information, error information, and an event whose by-reference key the host may
// change.
#include <gtest/gtest.h>
#include <windows.h>

#include "base/com_ptr.h"
#include "base/scoped_bstr.h"
#include "fwsample_h.h"
#include "sample_fixture.h"
#include "testing/container/dispatch_call.h"
#include "testing/container/event_recorder.h"

namespace {

using base::ComPtr;

constexpr DISPID kOnKeyPress = 207;

class DualForm : public sample::RegisteredSample {
 protected:
  void SetUp() override {
    RegisteredSample::SetUp();
    CLSID clsid;
    ASSERT_EQ(CLSIDFromProgID(L"FWSAMPLE.SampleForm.1", &clsid), S_OK);
    ASSERT_EQ(
        CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_ISampleForm, form.ReceiveVoid()),
        S_OK);
  }
  base::ComPtr<ISampleForm> form;
};

TEST_F(DualForm, IDispatchIsTheDualInterfaceDrivenByTypeInformation) {
  base::ComPtr<IDispatch> dispatch = form.As<IDispatch>();
  EXPECT_EQ(static_cast<IUnknown*>(dispatch.Get()), static_cast<IUnknown*>(form.Get()));
  DWORD misc = 0;
  form.As<IOleObject>()->GetMiscStatus(DVASPECT_CONTENT, &misc);
  EXPECT_EQ(misc, 0x12000u);

  VARIANT caption;
  VariantInit(&caption);
  caption.vt = VT_BSTR;
  caption.bstrVal = SysAllocString(L"Records");
  EXPECT_EQ(test_container::PutProperty(dispatch.Get(), "Caption", caption).hr, S_OK);
  VariantClear(&caption);
  base::ScopedBstr viaVtable;
  ASSERT_EQ(form->get_Caption(viaVtable.Receive()), S_OK);
  EXPECT_EQ(viaVtable.View(), L"Records");

  test_container::CallArgs add;
  add.Text("C:\\rec\\a.avi").Double(45000.5);
  EXPECT_EQ(test_container::CallByName(dispatch.Get(), "AddRecord", add).hr, S_OK);
  const auto count = test_container::GetProperty(dispatch.Get(), "RecordCount");
  ASSERT_EQ(count.hr, S_OK);
  EXPECT_EQ(count.value.Ref().lVal, 1);
}

TEST_F(DualForm, FailedMembersCarryTheirTextAsErrorInformation) {
  EXPECT_EQ(form->AddRecord(nullptr, 0), E_INVALIDARG);
  base::ComPtr<IErrorInfo> error;
  ASSERT_EQ(GetErrorInfo(0, error.Receive()), S_OK);
  base::ScopedBstr text;
  error->GetDescription(text.Receive());
  EXPECT_EQ(text.View(), L"a record needs a media file");
  base::ComPtr<ISupportErrorInfo> support = form.As<ISupportErrorInfo>();
  EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID_ISampleForm), S_OK);

  test_container::CallArgs empty;
  empty.Text("").Double(0);
  const auto r = test_container::CallByName(form.As<IDispatch>().Get(), "AddRecord", empty);
  EXPECT_EQ(r.hr, DISP_E_EXCEPTION);
  EXPECT_EQ(r.errorText, L"a record needs a media file");
}

TEST_F(DualForm, KeyEventPassesTheKeyByReferenceForTheHostToChange) {
  short delivered = 0;
  ASSERT_EQ(form->PressKey('a', &delivered), S_OK);  // no sink: nothing to change it
  EXPECT_EQ(delivered, 'a');

  auto host = test_container::EventRecorder::Create(DIID_ISampleFormEvents);
  ASSERT_EQ(host->Connect(form.Get()), S_OK);
  host->SetHook([](DISPID id, DISPPARAMS* p) {
    if (id == kOnKeyPress && p->cArgs == 1 && p->rgvarg[0].vt == (VT_BYREF | VT_I2)) {
      *p->rgvarg[0].piVal = 0;  // the host cancels the character
    }
  });
  ASSERT_EQ(form->PressKey('b', &delivered), S_OK);
  EXPECT_EQ(delivered, 0);
  ASSERT_EQ(host->Count(kOnKeyPress), 1u);
  EXPECT_EQ(host->Last(kOnKeyPress)->types[0], VT_BYREF | VT_I2);
  host->Disconnect();
}

}  // namespace
