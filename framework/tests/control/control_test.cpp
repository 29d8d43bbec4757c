// The sample control through COM and in the test container: identity, automation,
// events, in-place activation, painting and resizing.
#include <gtest/gtest.h>
#include <windows.h>

#include <olectl.h>

#include "base/com_ptr.h"
#include "framework/ansi_text.h"
#include "fwsample_h.h"
#include "sample_fixture.h"
#include "testing/container/control_host.h"
#include "testing/container/dispatch_call.h"
#include "testing/container/dll_export.h"
#include "testing/container/event_recorder.h"
#include "testing/container/message_pump.h"
#include "testing/container/window_capture.h"

namespace {

using base::ComPtr;
using test_container::CallArgs;
using test_container::CallByName;

constexpr DISPID kGreeted = 1;
constexpr DISPID kClicked = 2;

class SampleControl : public sample::RegisteredSample {
 protected:
  void SetUp() override {
    RegisteredSample::SetUp();
    CLSID clsid;
    ASSERT_EQ(CLSIDFromProgID(L"FWSAMPLE.SampleCtrl.1", &clsid), S_OK);
    EXPECT_TRUE(IsEqualCLSID(clsid, CLSID_Sample));
    ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                               control.ReceiveVoid()),
              S_OK);
  }
  base::ComPtr<IDispatch> control;
};

TEST_F(SampleControl, AnswersTheControlInterfacesAndDescribesItself) {
  const IID* interfaces[] = {&DIID__DSample,
                             &IID_IOleObject,
                             &IID_IOleInPlaceObject,
                             &IID_IOleInPlaceActiveObject,
                             &IID_IOleControl,
                             &IID_IViewObject2,
                             &IID_IPersistStreamInit,
                             &IID_IPersistPropertyBag,
                             &IID_IProvideClassInfo2,
                             &IID_IConnectionPointContainer,
                             &IID_ISpecifyPropertyPages};
  for (const IID* iid : interfaces) {
    base::ComPtr<IUnknown> p;
    EXPECT_EQ(control->QueryInterface(*iid, p.ReceiveVoid()), S_OK);
  }
  // One identity whatever the way in.
  base::ComPtr<IUnknown> a, b;
  control->QueryInterface(IID_IUnknown, a.ReceiveVoid());
  control.As<IOleObject>()->QueryInterface(IID_IUnknown, b.ReceiveVoid());
  EXPECT_EQ(a.Get(), b.Get());

  DWORD misc = 0;
  control.As<IOleObject>()->GetMiscStatus(DVASPECT_CONTENT, &misc);
  EXPECT_EQ(misc, 0x20191u);

  auto info = control.As<IProvideClassInfo2>();
  GUID events{};
  ASSERT_EQ(info->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &events), S_OK);
  EXPECT_TRUE(IsEqualIID(events, DIID__DSampleEvents));
  base::ComPtr<ITypeInfo> coclass;
  ASSERT_EQ(info->GetClassInfo(coclass.Receive()), S_OK);
  TYPEATTR* attr = nullptr;
  ASSERT_EQ(coclass->GetTypeAttr(&attr), S_OK);
  EXPECT_TRUE(IsEqualCLSID(attr->guid, CLSID_Sample));
  coclass->ReleaseTypeAttr(attr);

  // Names, also those of parameters, as a host binding named arguments asks for them.
  std::wstring greet = L"greet", name = L"name";
  LPOLESTR names[] = {greet.data(), name.data()};
  DISPID ids[2] = {};
  ASSERT_EQ(control->GetIDsOfNames(IID_NULL, names, 2, LOCALE_USER_DEFAULT, ids), S_OK);
  EXPECT_EQ(ids[0], 2);
  EXPECT_EQ(ids[1], 0);
  std::wstring missing = L"Missing";
  LPOLESTR unknown[] = {missing.data()};
  EXPECT_EQ(control->GetIDsOfNames(IID_NULL, unknown, 1, LOCALE_USER_DEFAULT, ids),
            DISP_E_UNKNOWNNAME);
}

TEST_F(SampleControl, MethodsTakeTextsAndReportThroughLRetCodeInEveryHostsForm) {
  CallArgs greet;
  greet.Text("world").OutLong(-1);
  ASSERT_EQ(CallByName(control.Get(), "Greet", greet).hr, S_OK);
  EXPECT_EQ(greet.LongAt(1), 12);  // "Hello, world"

  // VBScript: small literals as VT_I2, the result variable by reference as a variant.
  CallArgs add;
  add.Short(2).Short(3).OutVariant();
  ASSERT_EQ(CallByName(control.Get(), "Add", add, DISPATCH_METHOD | DISPATCH_PROPERTYGET).hr, S_OK);
  EXPECT_EQ(add.VariantAt(2).vt, VT_I4);
  EXPECT_EQ(add.VariantAt(2).lVal, 5);

  // A long by reference that carries the caller's buffer.
  char buffer[32];
  memset(buffer, 'x', sizeof buffer);
  CallArgs read;
  read.Buffer(buffer).OutLong();
  ASSERT_EQ(CallByName(control.Get(), "ReadName", read).hr, S_OK);
  EXPECT_STREQ(buffer, "world");
  EXPECT_EQ(read.LongAt(1), 6);

  // A script cannot pass a buffer: refused before the control writes anywhere.
  CallArgs scripted;
  scripted.OutVariant().OutLong(7);
  const auto refused = CallByName(control.Get(), "ReadName", scripted);
  EXPECT_EQ(refused.hr, DISP_E_TYPEMISMATCH);
  EXPECT_EQ(refused.argError, 1u);
  EXPECT_EQ(scripted.LongAt(1), 7);
}

TEST_F(SampleControl, FailuresBecomeResultsNotCrashes) {
  CallArgs fail;
  fail.OutLong();
  const auto thrown = CallByName(control.Get(), "Fail", fail);
  EXPECT_EQ(thrown.hr, DISP_E_EXCEPTION);
  EXPECT_EQ(thrown.errorText, L"the sample always fails here");

  CallArgs tooFew;
  tooFew.Long(1).OutLong();
  EXPECT_EQ(CallByName(control.Get(), "Add", tooFew).hr, DISP_E_BADPARAMCOUNT);

  // The control still answers.
  CallArgs add;
  add.Long(40).Long(2).OutLong();
  ASSERT_EQ(CallByName(control.Get(), "Add", add).hr, S_OK);
  EXPECT_EQ(add.LongAt(2), 42);
}

TEST_F(SampleControl, EventsReachEveryConnectedSinkUntilFrozenOrDisconnected) {
  auto first = test_container::EventRecorder::Create(DIID__DSampleEvents);
  auto second = test_container::EventRecorder::Create(DIID__DSampleEvents);
  ASSERT_EQ(first->Connect(control.Get()), S_OK);
  ASSERT_EQ(second->Connect(control.Get()), S_OK);

  CallArgs greet;
  greet.Text("world").OutLong();
  CallByName(control.Get(), "Greet", greet);
  for (auto* sink : {first.Get(), second.Get()}) {
    ASSERT_EQ(sink->Count(kGreeted), 1u);
    const auto* e = sink->Last(kGreeted);
    EXPECT_EQ(e->TextArg(0), L"Hello, world");
    EXPECT_EQ(e->types[1], VT_I4);
    EXPECT_EQ(e->LongArg(1), 12);
  }

  auto ole = control.As<IOleControl>();
  ole->FreezeEvents(TRUE);
  CallByName(control.Get(), "Greet", greet);
  EXPECT_EQ(first->Count(kGreeted), 1u);
  ole->FreezeEvents(FALSE);

  first->Disconnect();
  CallByName(control.Get(), "Greet", greet);
  EXPECT_EQ(first->Count(kGreeted), 1u);
  EXPECT_EQ(second->Count(kGreeted), 2u);
  second->Disconnect();

  base::ComPtr<IConnectionPoint> other;
  EXPECT_EQ(control.As<IConnectionPointContainer>()->FindConnectionPoint(IID_IPropertyNotifySink,
                                                                         other.Receive()),
            CONNECT_E_NOCONNECTION);
}

TEST_F(SampleControl, ModuleStaysLoadedWhileObjectsLive) {
  using CanUnload = HRESULT(STDAPICALLTYPE*)();
  auto canUnload = test_container::DllExport<CanUnload>(sample::Module(), "DllCanUnloadNow");
  ASSERT_NE(canUnload, nullptr);
  EXPECT_EQ(canUnload(), S_FALSE);
  control.Reset();
  EXPECT_EQ(canUnload(), S_OK);

  using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
  auto get = test_container::DllExport<GetClassObject>(sample::Module(), "DllGetClassObject");
  base::ComPtr<IClassFactory> factory;
  EXPECT_EQ(get(IID_IDispatch, IID_IClassFactory, factory.ReceiveVoid()),
            CLASS_E_CLASSNOTAVAILABLE);
  ASSERT_EQ(get(CLSID_Sample, IID_IClassFactory, factory.ReceiveVoid()), S_OK);
  EXPECT_EQ(canUnload(), S_FALSE);  // a factory reference keeps it too
  base::ComPtr<IUnknown> aggregated;
  EXPECT_EQ(factory->CreateInstance(factory.Get(), IID_IUnknown, aggregated.ReceiveVoid()),
            CLASS_E_NOAGGREGATION);
  factory.Reset();
  EXPECT_EQ(canUnload(), S_OK);
}

class SampleInPlace : public sample::RegisteredSample {
 protected:
  // Share of the control's colour in `area` of the container's client area.
  double Painted(COLORREF color, const RECT& area) {
    test_container::PumpFor(50);
    auto image = test_container::CaptureWindow(host.Window());
    return image ? image->ShareOf(color, area) : 0.0;
  }
  test_container::ControlHost host;
};

TEST_F(SampleInPlace, ActivatesInPlacePaintsAndFollowsTheContainersSize) {
  ASSERT_EQ(host.Create(sample::kProgId, 200, 100), S_OK);
  HWND window = host.ControlWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(GetParent(window), host.Window());
  RECT r{};
  GetClientRect(window, &r);
  EXPECT_EQ(r.right, 200);
  EXPECT_EQ(r.bottom, 100);
  EXPECT_EQ(host.Log().inPlaceActivations, 1);

  EXPECT_GT(Painted(sample::kDefaultColor, RECT{0, 0, 200, 100}), 0.99);
  EXPECT_LT(Painted(sample::kDefaultColor, RECT{210, 0, 400, 100}), 0.01);

  CallArgs red;
  red.Long(255).Long(0).Long(0).OutLong();
  ASSERT_EQ(CallByName(host.Dispatch().Get(), "SetColor", red).hr, S_OK);
  EXPECT_EQ(red.LongAt(3), 1);
  EXPECT_GT(Painted(RGB(255, 0, 0), RECT{0, 0, 200, 100}), 0.99);

  ASSERT_EQ(host.Resize(320, 160), S_OK);
  GetClientRect(window, &r);
  EXPECT_EQ(r.right, 320);
  EXPECT_EQ(r.bottom, 160);
  EXPECT_GT(Painted(RGB(255, 0, 0), RECT{200, 100, 320, 160}), 0.99);
  SIZEL extent{};
  host.As<IOleObject>()->GetExtent(DVASPECT_CONTENT, &extent);
  EXPECT_NEAR(extent.cx, 320 * 2540 / 96, 30);

  host.Close();
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(host.Log().inPlaceDeactivations, 1);
}

TEST_F(SampleInPlace, WindowMessagesBecomeEventsAndUiActivationTellsTheFrame) {
  ASSERT_EQ(host.Create(sample::kProgId, 200, 100), S_OK);
  auto events = test_container::EventRecorder::Create(DIID__DSampleEvents);
  ASSERT_EQ(events->Connect(host.Control()), S_OK);
  PostMessageA(host.ControlWindow(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 20));
  ASSERT_TRUE(test_container::PumpUntil([&] { return events->Count(kClicked) == 1; }, 5000));
  EXPECT_EQ(events->Last(kClicked)->LongArg(0), 10);
  EXPECT_EQ(events->Last(kClicked)->LongArg(1), 20);

  ASSERT_EQ(host.Activate(OLEIVERB_UIACTIVATE), S_OK);
  EXPECT_EQ(host.Log().uiActivations, 1);
  EXPECT_EQ(host.Log().activeObjectName, L"Sample Control");
  EXPECT_EQ(GetFocus(), host.ControlWindow());
  events->Disconnect();
}

TEST_F(SampleInPlace, AmbientPropertiesComeFromTheSiteOrTheirDefaults) {
  CallArgs mode;
  mode.OutLong(-1);
  // No site yet: the default, running.
  base::ComPtr<IDispatch> alone;
  ASSERT_EQ(CoCreateInstance(CLSID_Sample, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                             alone.ReceiveVoid()),
            S_OK);
  ASSERT_EQ(CallByName(alone.Get(), "UserMode", mode).hr, S_OK);
  EXPECT_EQ(mode.LongAt(0), 1);

  ASSERT_EQ(host.Create(sample::kProgId, 200, 100), S_OK);
  VARIANT design;
  VariantInit(&design);
  design.vt = VT_BOOL;
  design.boolVal = VARIANT_FALSE;
  host.SetAmbient(DISPID_AMBIENT_USERMODE, design);
  host.As<IOleControl>()->OnAmbientPropertyChange(DISPID_AMBIENT_USERMODE);
  ASSERT_EQ(CallByName(host.Dispatch().Get(), "UserMode", mode).hr, S_OK);
  EXPECT_EQ(mode.LongAt(0), 0);
}

TEST_F(SampleInPlace, TheHostsDrawingCallPaintsWithoutAWindow) {
  ASSERT_EQ(host.Create(sample::kProgId, 200, 100, /*activate=*/false), S_OK);
  EXPECT_EQ(host.ControlWindow(), nullptr);
  auto image = test_container::DrawView(host.Control(), 40, 30);
  ASSERT_TRUE(image.has_value());
  EXPECT_GT(image->ShareOf(sample::kDefaultColor, RECT{0, 0, 40, 30}), 0.99);
}

}  // namespace
