// The dual-interface sample (the record browser's kind of surface): automation through the
// type information, error information, members and type information that throw, the
// class's sink policy, and an event whose by-reference key the host may change.
#include <gtest/gtest.h>
#include <windows.h>

#include <olectl.h>

#include <ios>
#include <string>

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

// Read from a sample control: the module counts objects deleted under their own calls.
long DeletedTooEarly() {
  ComPtr<IDispatch> control;
  EXPECT_EQ(CoCreateInstance(CLSID_Sample, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                             control.ReceiveVoid()),
            S_OK);
  test_container::CallArgs args;
  args.OutLong(-1);
  if (control) test_container::CallByName(control.Get(), "DeletedTooEarly", args);
  return args.LongAt(0);
}

TEST_F(DualForm, HostMayLetTheFormGoInsideItsEventThroughTheVtableAndThroughInvoke) {
  const long before = DeletedTooEarly();
  for (const bool throughInvoke : {false, true}) {
    SCOPED_TRACE(throughInvoke ? "Invoke" : "vtable");
    ComPtr<ISampleForm> other;
    ASSERT_EQ(CoCreateInstance(CLSID_SampleForm, nullptr, CLSCTX_INPROC_SERVER, IID_ISampleForm,
                               other.ReceiveVoid()),
              S_OK);
    auto host = test_container::EventRecorder::Create(DIID_ISampleFormEvents);
    ASSERT_EQ(host->Connect(other.Get()), S_OK);
    ComPtr<IDispatch> dispatch = other.As<IDispatch>();
    ISampleForm* last = other.Detach();  // from here the host's only reference but one
    IDispatch* lastDispatch = dispatch.Detach();
    host->SetHook([&](DISPID id, DISPPARAMS*) {
      if (id != kOnKeyPress) return;
      host->Disconnect();
      lastDispatch->Release();
      last->Release();
    });
    if (throughInvoke) {
      test_container::CallArgs args;
      args.Short('d');  // the delivered key is the call's result
      EXPECT_EQ(test_container::CallByName(lastDispatch, "PressKey", args).hr, S_OK);
    } else {
      short delivered = 0;
      EXPECT_EQ(last->PressKey('c', &delivered), S_OK);
      EXPECT_EQ(delivered, 'c');
    }
    EXPECT_EQ(host->Count(kOnKeyPress), 1u);
    EXPECT_EQ(DeletedTooEarly(), before) << "the form was deleted inside its own member";
  }
}

struct ThrowCase {
  long kind;
  HRESULT hr;
  const wchar_t* text;
};
const ThrowCase kThrowCases[] = {
    {0, E_UNEXPECTED, L"the sample form fails here"},
    {1, E_OUTOFMEMORY, L"out of memory"},
    {2, E_UNEXPECTED, L"unknown exception"},
    {3, E_ACCESSDENIED, L"the record is read-only"},
};

TEST_F(DualForm, ThrowingMemberFailsWithItsTextThroughTheVtableAndThroughInvoke) {
  base::ComPtr<IDispatch> dispatch = form.As<IDispatch>();
  for (const ThrowCase& c : kThrowCases) {
    SCOPED_TRACE(c.kind);
    EXPECT_EQ(form->ThrowError(c.kind), c.hr);
    base::ComPtr<IErrorInfo> error;
    ASSERT_EQ(GetErrorInfo(0, error.Receive()), S_OK);
    base::ScopedBstr text, source;
    error->GetDescription(text.Receive());
    error->GetSource(source.Receive());
    EXPECT_EQ(text.View(), c.text);
    EXPECT_EQ(source.View(), L"FWSAMPLE.SampleForm.1");

    test_container::CallArgs args;
    args.Long(c.kind);
    const auto r = test_container::CallByName(dispatch.Get(), "ThrowError", args);
    EXPECT_EQ(r.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(r.errorCode, c.hr);
    EXPECT_EQ(r.errorText, c.text);
    EXPECT_EQ(r.errorSource, L"FWSAMPLE.SampleForm.1");
  }
  // The object goes on working.
  test_container::CallArgs add;
  add.Text("C:\\rec\\b.avi").Double(1);
  EXPECT_EQ(test_container::CallByName(dispatch.Get(), "AddRecord", add).hr, S_OK);
}

// A type library that cannot be read: every lookup answers a failure, none lets the
// exception out, and the lookups work again once the library can be read.
TEST_F(DualForm, TypeInformationThatThrowsFailsEveryLookupAndRecovers) {
  base::ComPtr<IDispatch> control;
  ASSERT_EQ(CoCreateInstance(CLSID_Sample, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                             control.ReceiveVoid()),
            S_OK);
  base::ComPtr<IDispatch> dual = form.As<IDispatch>();
  const auto lookups = [&](bool fail) {
    test_container::CallArgs seam;
    seam.Long(fail ? 1 : 0).OutLong();
    ASSERT_EQ(test_container::CallByName(control.Get(), "FailTypeInfo", seam).hr, S_OK);
    const auto expect = [&](const char* what, HRESULT hr) {
      EXPECT_EQ(FAILED(hr), fail) << what << ": 0x" << std::hex << hr;
    };
    base::ComPtr<ITypeInfo> info;
    expect("control GetTypeInfo", control->GetTypeInfo(0, LOCALE_USER_DEFAULT, info.Receive()));
    expect("GetClassInfo", control.As<IProvideClassInfo>()->GetClassInfo(info.Receive()));
    expect("dual GetTypeInfo", dual->GetTypeInfo(0, LOCALE_USER_DEFAULT, info.Receive()));
    std::wstring name = L"RecordCount";
    LPOLESTR names[] = {name.data()};
    DISPID id = 0;
    expect("dual GetIDsOfNames", dual->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id));
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    VARIANT result;
    VariantInit(&result);
    expect("dual Invoke", dual->Invoke(204, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET,
                                       &none, &result, nullptr, nullptr));
    VariantClear(&result);
    // The vtable needs no type information.
    long count = -1;
    EXPECT_EQ(form->get_RecordCount(&count), S_OK);
  };
  lookups(true);
  lookups(false);
}

// The form takes only sinks of its own event interface; the dispinterface sample also
// takes sinks that answer IDispatch alone.
TEST_F(DualForm, SinkPolicyIsTheClasssOwn) {
  base::ComPtr<IUnknown> control;
  ASSERT_EQ(CoCreateInstance(CLSID_Sample, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                             control.ReceiveVoid()),
            S_OK);
  struct Case {
    const char* name;
    IUnknown* object;
    REFIID events;
    REFIID sinkAnswers;
    HRESULT hr;
  };
  const Case cases[] = {
      {"form, its events", form.Get(), DIID_ISampleFormEvents, DIID_ISampleFormEvents, S_OK},
      {"form, another interface", form.Get(), DIID_ISampleFormEvents, DIID__DSampleEvents,
       CONNECT_E_CANNOTCONNECT},
      {"form, IDispatch only", form.Get(), DIID_ISampleFormEvents, IID_IDispatch,
       CONNECT_E_CANNOTCONNECT},
      {"control, its events", control.Get(), DIID__DSampleEvents, DIID__DSampleEvents, S_OK},
      {"control, IDispatch only", control.Get(), DIID__DSampleEvents, IID_IDispatch, S_OK},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    base::ComPtr<IConnectionPointContainer> container;
    ASSERT_EQ(c.object->QueryInterface(IID_IConnectionPointContainer, container.ReceiveVoid()),
              S_OK);
    base::ComPtr<IConnectionPoint> point;
    ASSERT_EQ(container->FindConnectionPoint(c.events, point.Receive()), S_OK);
    auto sink = test_container::EventRecorder::Create(c.sinkAnswers);
    DWORD cookie = 0;
    EXPECT_EQ(point->Advise(static_cast<IDispatch*>(sink.Get()), &cookie), c.hr);
    if (SUCCEEDED(c.hr)) {
      EXPECT_EQ(point->Unadvise(cookie), S_OK);
    }
  }
}

}  // namespace
