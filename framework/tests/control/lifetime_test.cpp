// The sample control's lifetime in two hosts, the test container and Wine's ATL container
// window: the host releasing it inside an event, a message box, a modal dialog and a child
// window's popup menu; drawing that throws; deactivation and activation again; the module
// unloading once the last object is gone.
#include <gtest/gtest.h>
#include <windows.h>

#include <olectl.h>

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <utility>

#include "base/com_ptr.h"
#include "fwsample_h.h"
#include "sample_fixture.h"
#include "testing/container/atl_host.h"
#include "testing/container/control_host.h"
#include "testing/container/debug_output.h"
#include "testing/container/dispatch_call.h"
#include "testing/container/dll_export.h"
#include "testing/container/event_recorder.h"
#include "testing/container/message_pump.h"
#include "testing/container/modal_script.h"
#include "testing/container/popup_menu.h"
#include "testing/container/window_capture.h"

namespace {

using base::ComPtr;
using test_container::CallArgs;
using test_container::CallByName;
using test_container::FindThreadDialog;
using test_container::ModalScript;

constexpr DISPID kClicked = 2;
constexpr DISPID kAnnounced = 3;
constexpr int kWidth = 200;
constexpr int kHeight = 100;

// A host of the sample, active in place. Control() is the host's own reference: calls made
// through it hold none of the test's, so the host's release is the last one.
class Host {
 public:
  virtual ~Host() = default;
  virtual HRESULT Create() = 0;
  virtual IUnknown* Control() const = 0;
  // The window the control's window sits in.
  virtual HWND Parent() const = 0;
  // The host lets the control go, as when its form or page closes.
  virtual void Drop() = 0;
  virtual ComPtr<IOleClientSite> Site() const {
    ComPtr<IOleClientSite> site;
    if (auto object = As<IOleObject>()) object->GetClientSite(site.Receive());
    return site;
  }

  template <class T>
  ComPtr<T> As() const {
    ComPtr<T> p;
    if (Control()) Control()->QueryInterface(__uuidof(T), p.ReceiveVoid());
    return p;
  }
  IDispatch* Dispatch() const {
    ComPtr<IDispatch> d = As<IDispatch>();
    return d.Get();  // the host keeps it alive
  }
  HWND ControlWindow() const {
    HWND window = nullptr;
    if (auto inPlace = As<IOleInPlaceObject>()) inPlace->GetWindow(&window);
    return window;
  }
};

class ContainerHost : public Host {
 public:
  HRESULT Create() override { return host_.Create(sample::kProgId, kWidth, kHeight); }
  IUnknown* Control() const override { return host_.Control(); }
  HWND Parent() const override { return host_.Window(); }
  void Drop() override { host_.Close(); }
  test_container::ControlHost& Container() { return host_; }

 private:
  test_container::ControlHost host_;
};

class AtlHost : public Host {
 public:
  ~AtlHost() override {
    if (frame_) DestroyWindow(frame_);
    test_container::PumpPending();
  }
  HRESULT Create() override {
    auto getControl = test_container::AtlAxWinReady();
    if (!getControl) return E_NOTIMPL;
    frame_ = CreateWindowExA(0, "STATIC", "ATL host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 500,
                             300, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    axis_ = CreateWindowExA(0, "AtlAxWin", sample::kProgId, WS_CHILD | WS_VISIBLE, 0, 0, kWidth,
                            kHeight, frame_, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!axis_) return E_FAIL;
    ComPtr<IUnknown> control;
    if (FAILED(getControl(axis_, control.Receive())) || !control) return E_FAIL;
    control_ = control.Get();  // ATL holds its own reference until its window goes
    return test_container::PumpUntil([&] { return ControlWindow() != nullptr; }, 5000) ? S_OK
                                                                                       : E_FAIL;
  }
  IUnknown* Control() const override { return axis_ ? control_ : nullptr; }
  HWND Parent() const override { return axis_; }
  void Drop() override {
    if (axis_) DestroyWindow(std::exchange(axis_, nullptr));
  }

 private:
  HWND frame_ = nullptr;
  HWND axis_ = nullptr;
  IUnknown* control_ = nullptr;
};

struct HostKind {
  const char* name;
  std::function<std::unique_ptr<Host>()> make;
};

void PrintTo(const HostKind& kind, std::ostream* out) { *out << kind.name; }

const HostKind kHosts[] = {
    {"TestContainer", [] { return std::unique_ptr<Host>(new ContainerHost); }},
    {"AtlAxWin", [] { return std::unique_ptr<Host>(new AtlHost); }},
};

long CallForLong(IDispatch* control, const char* member) {
  CallArgs args;
  args.OutLong(-1);
  EXPECT_EQ(CallByName(control, member, args).hr, S_OK) << member;
  return args.LongAt(0);
}

// A fresh sample, created, asked and released.
long AskNewSample(const char* member) {
  ComPtr<IDispatch> other;
  EXPECT_EQ(CoCreateInstance(CLSID_Sample, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                             other.ReceiveVoid()),
            S_OK);
  return other ? CallForLong(other.Get(), member) : -1;
}

bool ModuleUnloads() {
  CoFreeUnusedLibraries();
  return sample::LoadedModule() == nullptr;
}

class SampleLifetime : public sample::UnloadableSample,
                       public ::testing::WithParamInterface<HostKind> {
 protected:
  void SetUp() override {
    UnloadableSample::SetUp();
    host = GetParam().make();
    ASSERT_EQ(host->Create(), S_OK);
    ASSERT_NE(host->ControlWindow(), nullptr);
  }
  void TearDown() override {
    if (host) host->Drop();
    host.reset();
  }

  // The released control is gone, and was never deleted while its own code ran.
  void ExpectGoneInOrder() {
    test_container::PumpFor(50);
    EXPECT_EQ(AskNewSample("DeletedTooEarly"), 0);
    EXPECT_EQ(sample::CanUnloadNow(), S_OK) << "an object or a lock is left";
  }

  std::unique_ptr<Host> host;
};

TEST_P(SampleLifetime, HostReleasesTheControlInsideAnEvent) {
  IDispatch* control = host->Dispatch();
  auto events = test_container::EventRecorder::Create(DIID__DSampleEvents);
  ASSERT_EQ(events->Connect(control), S_OK);
  events->SetHook([&](DISPID id, DISPPARAMS*) {
    if (id != kAnnounced) return;
    events->Disconnect();
    host->Drop();
  });
  EXPECT_EQ(CallForLong(control, "Announce"), 0) << "the caller should see its window gone";
  EXPECT_EQ(events->Count(kAnnounced), 1u);
  ExpectGoneInOrder();
}

// The host lets the control go from a timer while the control's member runs a modal loop
// whose window has `caption`; then the loop's window is closed, if it is still there.
void ReleaseInsideModalLoop(Host& host, const char* member, const std::string& caption,
                            CallArgs& args) {
  ModalScript script;
  script
      .Then("the loop's window is up",
            [&] {
              if (!FindThreadDialog(caption)) return false;
              host.Drop();
              return true;
            })
      .Then("its window is closed", [&] {
        if (HWND window = FindThreadDialog(caption)) PostMessageA(window, WM_COMMAND, IDOK, 0);
        return true;
      });
  script.Start();
  EXPECT_EQ(CallByName(host.Dispatch(), member, args).hr, S_OK);
  EXPECT_TRUE(script.Finished());
}

TEST_P(SampleLifetime, HostReleasesTheControlInsideAMessageBox) {
  CallArgs args;
  args.WideText(L"Release me").OutLong(-1);
  ReleaseInsideModalLoop(*host, "ShowBox", "Sample", args);
  EXPECT_EQ(args.LongAt(1), 0) << "the caller should see its window gone";
  ExpectGoneInOrder();
}

TEST_P(SampleLifetime, HostReleasesTheControlInsideAModalDialog) {
  CallArgs args;
  args.OutLong(-1);
  ReleaseInsideModalLoop(*host, "RunDialog", std::string(), args);
  EXPECT_EQ(args.LongAt(0), 0) << "the caller should see its window gone";
  ExpectGoneInOrder();
}

HWND OpenPopupMenu() { return test_container::OpenPopupMenuOfThisThread(); }

// The text of a message box, read as UTF-16.
BOOL CALLBACK ReadStaticText(HWND child, LPARAM l) {
  wchar_t cls[16] = {}, line[64] = {};
  GetClassNameW(child, cls, 16);
  if (lstrcmpiW(cls, L"Static") == 0 && GetWindowTextW(child, line, 64) > 0) {
    *reinterpret_cast<std::wstring*>(l) = line;
  }
  return TRUE;
}

TEST_P(SampleLifetime, ChildWindowDeletedByItsOwnerWhileItsPopupMenuIsOpen) {
  HWND child =
      reinterpret_cast<HWND>(static_cast<LONG_PTR>(CallForLong(host->Dispatch(), "ShowChild")));
  ASSERT_TRUE(IsWindow(child));
  bool menuSeen = false;
  ModalScript script;
  script
      .Then("the menu is open",
            [&] {
              if (!OpenPopupMenu()) return false;
              menuSeen = true;
              // The control's window goes, and the control deletes its child with it.
              host->Drop();
              return true;
            })
      .Then("the menu is ended", [&] {
        EndMenu();
        return true;
      });
  script.Start();
  PostMessageA(child, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 5));
  EXPECT_TRUE(
      test_container::PumpUntil([&] { return script.Finished() && !IsWindow(child); }, 30000));
  EXPECT_TRUE(menuSeen);
  ExpectGoneInOrder();
}

TEST_P(SampleLifetime, DrawingThatThrowsStillValidatesTheWindow) {
  IDispatch* control = host->Dispatch();
  HWND window = host->ControlWindow();
  test_container::PumpFor(100);
  test_container::DebugOutputCapture debug;
  CallArgs fail;
  fail.Long(1).OutLong();
  ASSERT_EQ(CallByName(control, "FailDrawing", fail).hr, S_OK);
  InvalidateRect(window, nullptr, TRUE);
  test_container::PumpFor(1000);
  EXPECT_FALSE(GetUpdateRect(window, nullptr, FALSE)) << "the update region is left invalid";
  CallArgs heal;
  heal.Long(0).OutLong();
  ASSERT_EQ(CallByName(control, "FailDrawing", heal).hr, S_OK);
  EXPECT_EQ(heal.LongAt(1) - fail.LongAt(1), 1) << "one paint, not a paint loop";
  EXPECT_EQ(debug.CountContaining("the sample fails to draw"), 1u);

  InvalidateRect(window, nullptr, TRUE);
  test_container::PumpFor(100);
  auto image = test_container::CaptureWindow(host->Parent());
  ASSERT_TRUE(image.has_value());
  EXPECT_GT(image->ShareOf(sample::kDefaultColor, RECT{0, 0, kWidth, kHeight}), 0.99);
}

// Each case starts from the state the one before left: active in place, or UI active.
TEST_P(SampleLifetime, DeactivatedAndActivatedAgainTheWindowComesBackAndWorks) {
  struct Case {
    const char* name;
    bool deactivate;  // else only hidden
    LONG verb;
  };
  const Case cases[] = {
      {"deactivated, then in place", true, OLEIVERB_INPLACEACTIVATE},
      {"deactivated, then UI active", true, OLEIVERB_UIACTIVATE},
      {"hidden, then UI active", false, OLEIVERB_UIACTIVATE},
      {"hidden, then in place", false, OLEIVERB_INPLACEACTIVATE},
      {"deactivated, then primary verb", true, OLEIVERB_PRIMARY},
  };
  auto object = host->As<IOleObject>();
  auto inPlace = host->As<IOleInPlaceObject>();
  const RECT rect{0, 0, kWidth, kHeight};
  long clicks = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HWND first = host->ControlWindow();
    ASSERT_NE(first, nullptr);
    ASSERT_EQ(object->DoVerb(OLEIVERB_HIDE, nullptr, host->Site().Get(), 0, host->Parent(), &rect),
              S_OK);
    EXPECT_FALSE(IsWindowVisible(first));
    if (c.deactivate) {
      EXPECT_EQ(inPlace->UIDeactivate(), S_OK);
      EXPECT_EQ(inPlace->InPlaceDeactivate(), S_OK);
      EXPECT_FALSE(IsWindow(first));
      EXPECT_EQ(host->ControlWindow(), nullptr);
    }

    ASSERT_EQ(object->DoVerb(c.verb, nullptr, host->Site().Get(), 0, host->Parent(), &rect), S_OK);
    HWND again = host->ControlWindow();
    ASSERT_NE(again, nullptr);
    EXPECT_TRUE(IsWindowVisible(again));
    EXPECT_EQ(GetParent(again), host->Parent());
    if (c.verb != OLEIVERB_INPLACEACTIVATE) {
      EXPECT_EQ(GetFocus(), again) << "UI activation gives the control the focus";
    }
    InvalidateRect(again, nullptr, TRUE);
    test_container::PumpFor(100);
    auto image = test_container::CaptureWindow(host->Parent());
    ASSERT_TRUE(image.has_value());
    EXPECT_GT(image->ShareOf(sample::kDefaultColor, RECT{0, 0, kWidth, kHeight}), 0.99);

    auto events = test_container::EventRecorder::Create(DIID__DSampleEvents);
    ASSERT_EQ(events->Connect(host->Control()), S_OK);
    PostMessageA(again, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 20));
    EXPECT_TRUE(test_container::PumpUntil([&] { return events->Count(kClicked) == 1; }, 5000));
    events->Disconnect();
    ++clicks;
  }
  EXPECT_EQ(clicks, 5);
}

TEST_P(SampleLifetime, ModuleUnloadsAfterTheLastReleaseAndServesAgain) {
  ASSERT_NE(CallForLong(host->Dispatch(), "ShowChild"), 0);
  host->Drop();
  host.reset();
  EXPECT_TRUE(ModuleUnloads()) << "DllCanUnloadNow: " << sample::CanUnloadNow();

  host = GetParam().make();
  ASSERT_EQ(host->Create(), S_OK);
  EXPECT_NE(sample::LoadedModule(), nullptr);
  ASSERT_NE(host->ControlWindow(), nullptr);
  test_container::PumpFor(100);
  auto image = test_container::CaptureWindow(host->Parent());
  ASSERT_TRUE(image.has_value());
  EXPECT_GT(image->ShareOf(sample::kDefaultColor, RECT{0, 0, kWidth, kHeight}), 0.99);
  CallArgs add;
  add.Long(20).Long(22).OutLong();
  ASSERT_EQ(CallByName(host->Dispatch(), "Add", add).hr, S_OK);
  EXPECT_EQ(add.LongAt(2), 42);

  // The second life leaves no lock either.
  host->Drop();
  host.reset();
  EXPECT_TRUE(ModuleUnloads()) << "DllCanUnloadNow: " << sample::CanUnloadNow();
}

// A guarded thread of the module: while it runs nothing unloads the module, even with every
// object released; a body that throws ends only its thread, with a failure code, and the
// module unloads once it has ended.
class GuardedWorker : public sample::UnloadableSample {};

TEST_F(GuardedWorker, KeepsTheModuleWhileItRunsAndEndsWithAFailureCodeWhenItThrows) {
  struct Case {
    const char* name;
    long fail;
    DWORD exitCode;
    size_t logged;
  };
  const Case cases[] = {
      {"returns", 0, 7, 0},
      {"throws", 1, static_cast<DWORD>(E_UNEXPECTED), 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test_container::DebugOutputCapture debug;
    HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(release, nullptr);
    HANDLE thread = nullptr;
    {
      ComPtr<IDispatch> control;
      ASSERT_EQ(CoCreateInstance(CLSID_Sample, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                 control.ReceiveVoid()),
                S_OK);
      CallArgs args;
      args.Long(static_cast<long>(reinterpret_cast<LONG_PTR>(release))).Long(c.fail).OutLong();
      ASSERT_EQ(CallByName(control.Get(), "StartWorker", args).hr, S_OK);
      thread = reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(args.LongAt(2)));
      ASSERT_NE(thread, nullptr);
    }
    EXPECT_EQ(sample::CanUnloadNow(), S_FALSE) << "the running thread holds no lock";
    CoFreeUnusedLibraries();
    EXPECT_NE(sample::LoadedModule(), nullptr) << "unloaded under its thread";

    SetEvent(release);
    ASSERT_EQ(WaitForSingleObject(thread, 10000), WAIT_OBJECT_0);
    DWORD code = 0;
    GetExitCodeThread(thread, &code);
    CloseHandle(thread);
    CloseHandle(release);
    EXPECT_EQ(code, c.exitCode);
    EXPECT_EQ(debug.CountContaining("the sample worker fails"), c.logged);
    EXPECT_TRUE(ModuleUnloads()) << "DllCanUnloadNow: " << sample::CanUnloadNow();
  }
}

INSTANTIATE_TEST_SUITE_P(Hosts, SampleLifetime, ::testing::ValuesIn(kHosts),
                         [](const ::testing::TestParamInfo<HostKind>& info) {
                           return std::string(info.param.name);
                         });

// The protocol as the test container's frame sees it: one disable and one enable per
// outermost loop; the control's own modeless state off while its or the host's loop runs.
class ModalProtocol : public sample::UnloadableSample {
 protected:
  ContainerHost host;
};

TEST_F(ModalProtocol, LoopsTellTheFrameAndTheUiActiveControlAndBoxesShowWideTexts) {
  ASSERT_EQ(host.Create(), S_OK);
  const std::wstring text = L"\u793a\u4f8b \u00fcn\u00efcode";  // not in the ANSI code page
  struct Case {
    const char* name;
    LONG verb;
    long modelessDuringLoop;
  };
  const Case cases[] = {
      {"in place", OLEIVERB_INPLACEACTIVATE, 1},
      {"UI active", OLEIVERB_UIACTIVATE, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(host.Container().Activate(c.verb), S_OK);
    const test_container::SiteLog before = host.Container().Log();
    test_container::SiteLog during;
    long modeless = -1;
    std::wstring shown;
    ModalScript script;
    script.Then("the box is up", [&] {
      HWND box = FindThreadDialog("Sample");
      if (!box) return false;
      during = host.Container().Log();
      modeless = CallForLong(host.Dispatch(), "ModelessEnabled");
      EnumChildWindows(box, &ReadStaticText, reinterpret_cast<LPARAM>(&shown));
      return PostMessageA(box, WM_COMMAND, IDOK, 0) != FALSE;
    });
    script.Start();
    CallArgs args;
    args.WideText(text).OutLong(-1);
    ASSERT_EQ(CallByName(host.Dispatch(), "ShowBox", args).hr, S_OK);
    EXPECT_TRUE(script.Finished());
    EXPECT_EQ(args.LongAt(1), 1);
    EXPECT_EQ(shown, text);
    EXPECT_EQ(during.modelessDisables - before.modelessDisables, 1);
    EXPECT_EQ(during.modelessEnables, before.modelessEnables);
    EXPECT_EQ(modeless, c.modelessDuringLoop);
    const test_container::SiteLog& after = host.Container().Log();
    EXPECT_EQ(after.modelessEnables - before.modelessEnables, 1);
    EXPECT_EQ(CallForLong(host.Dispatch(), "ModelessEnabled"), 1);
  }

  // The host's own modal loops, nested.
  auto active = host.As<IOleInPlaceActiveObject>();
  active->EnableModeless(FALSE);
  active->EnableModeless(FALSE);
  active->EnableModeless(TRUE);
  EXPECT_EQ(CallForLong(host.Dispatch(), "ModelessEnabled"), 0);
  active->EnableModeless(TRUE);
  EXPECT_EQ(CallForLong(host.Dispatch(), "ModelessEnabled"), 1);
}

TEST_F(ModalProtocol, ThrowingConstructorGivesTheModuleLockBack) {
  ComPtr<IDispatch> control;
  ASSERT_EQ(CoCreateInstance(CLSID_Sample, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                             control.ReceiveVoid()),
            S_OK);
  EXPECT_EQ(CallForLong(control.Get(), "FailNextCreation"), 1);
  control.Reset();
  ComPtr<IDispatch> refused;
  EXPECT_TRUE(FAILED(CoCreateInstance(CLSID_Sample, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                      refused.ReceiveVoid())));
  EXPECT_FALSE(refused);
  EXPECT_EQ(sample::CanUnloadNow(), S_OK);
  EXPECT_TRUE(ModuleUnloads());
}

}  // namespace
