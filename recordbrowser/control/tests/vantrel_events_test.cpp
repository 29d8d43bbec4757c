// The record browser's events with the test container's recorder: the form's key, paint,
// click, double-click and activation forwarded to the one sink the control keeps, removals
// from the catalogue, OnDestroy once and before anything goes, and a host that lets the
// control go inside an event or while the Goto menu is open.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>
#include <olectl.h>

#include <functional>
#include <string>

#include "base/com_ptr.h"
#include "framework/window.h"
#include "testing/container/control_host.h"
#include "testing/container/event_recorder.h"
#include "testing/container/message_pump.h"
#include "testing/container/modal_script.h"
#include "testing/container/popup_menu.h"
#include "vantrel_fixture.h"

namespace {

using namespace vantrel_test;
using base::ComPtr;
using test_container::EventRecorder;

// Advises `sink` on the control's event connection point without keeping the point, as
// hosts do that hold only the cookie: the connection then keeps no reference on the control.
HRESULT Advise(IUnknown* control, IUnknown* sink, DWORD* cookie) {
  ComPtr<IConnectionPointContainer> container;
  HRESULT hr = control->QueryInterface(IID_IConnectionPointContainer, container.ReceiveVoid());
  if (FAILED(hr)) return hr;
  ComPtr<IConnectionPoint> point;
  hr = container->FindConnectionPoint(DIID_IVantrelEvents, point.Receive());
  if (FAILED(hr)) return hr;
  return point->Advise(sink, cookie);
}

class VantrelEvents : public RegisteredVantrel {
 protected:
  void SetUp() override {
    RegisteredVantrel::SetUp();
    HostTheControl();
  }
  // The control made in host_, its windows found, and events_ its sink from now on.
  void HostTheControl() {
    ASSERT_EQ(host_.Create(kProgId, 610, 453), S_OK);
    vantrel_ = host_.As<IVantrel>();
    control_ = host_.ControlWindow();
    form_ = FormWindow(control_);
    tree_ = TreeWindow(control_);
    ASSERT_TRUE(vantrel_ && form_ && tree_);
    if (!events_) events_ = EventRecorder::Create(DIID_IVantrelEvents);
    DWORD cookie = 0;
    ASSERT_EQ(Advise(host_.Control(), static_cast<IDispatch*>(events_.Get()), &cookie), S_OK);
    test_container::PumpFor(30);
    events_->Clear();
  }
  void TearDown() override {
    vantrel_.Reset();
    host_.Close();
    test_container::PumpFor(20);
    EXPECT_EQ(events_->Count(kOnCreate), 0u);
    RegisteredVantrel::TearDown();
  }
  void SelectFirstRoot() {
    auto root = SendMessageW(tree_, TVM_GETNEXTITEM, TVGN_ROOT, 0);
    SendMessageW(tree_, TVM_SELECTITEM, TVGN_CARET, root);
  }
  // The deepest window of the form at a point of its client area.
  HWND WindowAt(int x, int y) {
    HWND window = form_;
    POINT at{x, y};
    for (;;) {
      HWND child = ChildWindowFromPointEx(window, at, CWP_SKIPINVISIBLE);
      if (!child || child == window) return window;
      MapWindowPoints(window, child, &at, 1);
      window = child;
    }
  }

  test_container::ControlHost host_;
  ComPtr<IVantrel> vantrel_;
  ComPtr<EventRecorder> events_;
  HWND control_ = nullptr;
  HWND form_ = nullptr;
  HWND tree_ = nullptr;
};

TEST_F(VantrelEvents, ASinkWithoutTheEventInterfaceIsRefusedAndGetsNothing) {
  const IID other = {0x1f2e3d4c, 0x5b6a, 0x4978, {0x86, 0x95, 0xa4, 0xb3, 0xc2, 0xd1, 0xe0, 0xf0}};
  auto stranger = EventRecorder::Create(other);
  DWORD cookie = 0;
  EXPECT_EQ(Advise(host_.Control(), static_cast<IDispatch*>(stranger.Get()), &cookie),
            CONNECT_E_CANNOTCONNECT);
  EXPECT_EQ(cookie, 0u);
  wchar_t missing[] = L"C:\\no\\such\\clip.avi";
  EXPECT_EQ(vantrel_->AddSurveillanceRecord(missing, nullptr, nullptr, 46000, 0), S_OK);
  EXPECT_TRUE(stranger->Events().empty());
  EXPECT_EQ(events_->Count(kOnRemoved), 1u);
}

TEST_F(VantrelEvents, OnlyTheNewestSinkHearsTheEventsAndTheOneBeforeItAfterItLeaves) {
  auto newer = EventRecorder::Create(DIID_IVantrelEvents);
  ASSERT_EQ(newer->Connect(host_.Control()), S_OK);
  wchar_t missing[] = L"C:\\no\\such\\clip.avi";
  ASSERT_EQ(vantrel_->AddSurveillanceRecord(missing, nullptr, nullptr, 46000, 0), S_OK);
  EXPECT_EQ(newer->Count(kOnRemoved), 1u);
  EXPECT_EQ(events_->Count(kOnRemoved), 0u);
  newer->Disconnect();
  ASSERT_EQ(vantrel_->AddSurveillanceRecord(missing, nullptr, nullptr, 46000, 0), S_OK);
  EXPECT_EQ(newer->Count(kOnRemoved), 1u);
  EXPECT_EQ(events_->Count(kOnRemoved), 1u);
}

TEST_F(VantrelEvents, AMissingFileIsReportedRemovedWithASinkAndSilentlyDroppedWithout) {
  wchar_t missing[] = L"C:\\no\\such\\clip.avi";
  ASSERT_EQ(vantrel_->AddSurveillanceRecord(missing, nullptr, nullptr, 46000, 0), S_OK);
  ASSERT_EQ(events_->Count(kOnRemoved), 1u);
  const auto* removed = events_->Last(kOnRemoved);
  EXPECT_EQ(removed->TextArg(0), missing);
  EXPECT_EQ(removed->LongArg(1), 0);
  EXPECT_EQ(removed->types, (std::vector<VARTYPE>{VT_BSTR, VT_I4}));
  EXPECT_EQ(ReadProfile(folder_ + "Records.ini", "Record1", "MediaFile"), "<none>");

  // A second control in the same process, with no sink at all.
  test_container::ControlHost other;
  ASSERT_EQ(other.Create(kProgId, 200, 150), S_OK);
  EXPECT_EQ(other.As<IVantrel>()->AddSurveillanceRecord(missing, nullptr, nullptr, 46000, 0), S_OK);
  EXPECT_EQ(events_->Count(kOnRemoved), 1u);
  other.Close();
}

TEST_F(VantrelEvents, AKeyReachesTheHostWhichMayChangeOrCancelIt) {
  struct Case {
    const char* name;
    bool keyPreview;
    bool toTree;   // else to the form itself
    wchar_t typed;
    int hostSets;  // -1: left alone
    bool fired;
    const wchar_t* selected;  // the tree's selection after the key
  };
  const Case cases[] = {
      {"no preview, the tree's own", false, true, L'S', -1, false, L"Sorted by cameras"},
      {"preview, left alone", true, true, L'S', -1, true, L"Sorted by cameras"},
      {"preview, cancelled", true, true, L'S', 0, true, L"Sorted by time"},
      {"preview, changed, low byte taken", true, true, L'x', 0x100 + 'S', true,
       L"Sorted by cameras"},
      {"to the form", false, false, L'a', -1, true, L"Sorted by time"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // The tree's incremental search starts afresh after a pause.
    Sleep(600);
    SelectFirstRoot();
    ASSERT_EQ(vantrel_->put_KeyPreview(c.keyPreview ? VARIANT_TRUE : VARIANT_FALSE), S_OK);
    events_->Clear();
    events_->SetHook([&](DISPID id, DISPPARAMS* params) {
      if (id == kOnKeyPress && c.hostSets >= 0 && params->cArgs == 1 &&
          params->rgvarg[0].vt == (VT_BYREF | VT_I2)) {
        *params->rgvarg[0].piVal = static_cast<short>(c.hostSets);
      }
    });
    // A repeat count of 1, as a typed key has: the tree ignores a key without one.
    SendMessageW(c.toTree ? tree_ : form_, WM_CHAR, c.typed, 1);
    events_->SetHook(nullptr);
    ASSERT_EQ(events_->Count(kOnKeyPress), c.fired ? 1u : 0u);
    if (c.fired) {
      EXPECT_EQ(events_->Last(kOnKeyPress)->types, (std::vector<VARTYPE>{VT_BYREF | VT_I2}));
    }
    EXPECT_EQ(SelectedText(tree_), c.selected);
  }
}

TEST_F(VantrelEvents, UiActivationByFocusClickAndVerbIsReportedAndItsEndToo) {
  VARIANT_BOOL active = VARIANT_TRUE;
  ASSERT_EQ(vantrel_->get_Active(&active), S_OK);
  EXPECT_EQ(active, VARIANT_FALSE);

  SetFocus(tree_);
  EXPECT_EQ(events_->Count(kOnActivate), 1u);
  ASSERT_EQ(vantrel_->get_Active(&active), S_OK);
  EXPECT_EQ(active, VARIANT_TRUE);
  EXPECT_EQ(GetFocus(), tree_);

  auto inPlace = host_.As<IOleInPlaceObject>();
  ASSERT_EQ(inPlace->UIDeactivate(), S_OK);
  EXPECT_EQ(events_->Count(kOnDeactivate), 1u);
  ASSERT_EQ(vantrel_->get_Active(&active), S_OK);
  EXPECT_EQ(active, VARIANT_FALSE);

  // A click inside the form asks its parents to activate first.
  SendMessageW(tree_, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(host_.Window()),
               MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN));
  EXPECT_EQ(events_->Count(kOnActivate), 2u);
  ASSERT_EQ(inPlace->UIDeactivate(), S_OK);
  EXPECT_EQ(events_->Count(kOnDeactivate), 2u);

  ASSERT_EQ(host_.Activate(OLEIVERB_UIACTIVATE), S_OK);
  EXPECT_EQ(events_->Count(kOnActivate), 3u);
  ASSERT_EQ(host_.Activate(OLEIVERB_UIACTIVATE), S_OK);
  EXPECT_EQ(events_->Count(kOnActivate), 3u);
  ASSERT_EQ(inPlace->InPlaceDeactivate(), S_OK);
  EXPECT_EQ(events_->Count(kOnDeactivate), 3u);
}

TEST_F(VantrelEvents, PaintsClicksAndDoubleClicksOfTheFormsOwnArea) {
  const size_t paints = events_->Count(kOnPaint);
  RedrawWindow(form_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  EXPECT_EQ(events_->Count(kOnPaint), paints + 1);
  RedrawWindow(form_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  EXPECT_EQ(events_->Count(kOnPaint), paints + 2);

  const LPARAM at = MAKELPARAM(5, 5);
  SendMessageW(form_, WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageW(form_, WM_LBUTTONUP, 0, at);
  EXPECT_EQ(events_->Count(kOnClick), 1u);
  SendMessageW(form_, WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageW(form_, WM_LBUTTONUP, 0, at);
  SendMessageW(form_, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
  SendMessageW(form_, WM_LBUTTONUP, 0, at);
  EXPECT_EQ(events_->Count(kOnClick), 2u);
  EXPECT_EQ(events_->Count(kOnDblClick), 1u);
  // A button released outside the form is no click.
  SendMessageW(form_, WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageW(form_, WM_LBUTTONUP, 0, MAKELPARAM(-20, 5));
  EXPECT_EQ(events_->Count(kOnClick), 2u);

  // The panels on the form are not the form.
  HWND panel = WindowAt(580, 10);
  ASSERT_NE(panel, form_);
  SendMessageW(panel, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
  SendMessageW(panel, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
  SendMessageW(panel, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(2, 2));
  EXPECT_EQ(events_->Count(kOnClick), 2u);
  EXPECT_EQ(events_->Count(kOnDblClick), 1u);
}

TEST_F(VantrelEvents, EventsWaitWhileTheContainerFreezesThem) {
  auto control = host_.As<IOleControl>();
  ASSERT_EQ(control->FreezeEvents(TRUE), S_OK);
  const LPARAM at = MAKELPARAM(5, 5);
  SendMessageW(form_, WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageW(form_, WM_LBUTTONUP, 0, at);
  EXPECT_EQ(events_->Count(kOnClick), 0u);
  ASSERT_EQ(control->FreezeEvents(FALSE), S_OK);
  SendMessageW(form_, WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageW(form_, WM_LBUTTONUP, 0, at);
  EXPECT_EQ(events_->Count(kOnClick), 1u);
}

TEST_F(VantrelEvents, OnDestroyComesOnceWhileTheFormAndItsRecordsAreStillThere) {
  std::wstring media(picture_.begin(), picture_.end());
  ASSERT_EQ(vantrel_->AddSurveillanceRecord(&media[0], nullptr, nullptr, 46000.0, 0.0), S_OK);
  ASSERT_TRUE(WaitForNodes(tree_, 4));
  bool formThere = false;
  int nodes = 0;
  events_->SetHook([&](DISPID id, DISPPARAMS*) {
    if (id != kOnDestroy) return;
    formThere = IsWindow(form_) != FALSE;
    nodes = TreeCount(tree_);
  });
  vantrel_.Reset();
  host_.Close();
  test_container::PumpFor(20);
  events_->SetHook(nullptr);
  EXPECT_EQ(events_->Count(kOnDestroy), 1u);
  EXPECT_EQ(events_->Events().back().id, kOnDestroy);
  EXPECT_TRUE(formThere);
  EXPECT_EQ(nodes, 4);
  EXPECT_FALSE(IsWindow(form_));
}

TEST_F(VantrelEvents, AHostThatLetsTheControlGoInsideAnEventFindsItGoneAfterwards) {
  struct Case {
    const char* name;
    DISPID event;
    bool inFormMessage;  // fired while one of the form's messages is handled
    std::function<void()> cause;
  };
  const Case cases[] = {
      {"a key", kOnKeyPress, true, [&] { SendMessageW(form_, WM_CHAR, L'k', 0); }},
      {"a click", kOnClick, true,
       [&] {
         SendMessageW(form_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
         SendMessageW(form_, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
       }},
      {"a removal", kOnRemoved, false,
       [&] {
         wchar_t missing[] = L"C:\\no\\such\\clip.avi";
         ComPtr<IVantrel> held = vantrel_;
         vantrel_.Reset();
         EXPECT_EQ(held->AddSurveillanceRecord(missing, nullptr, nullptr, 46000, 0), S_OK);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (!host_.Control()) {
      ASSERT_NO_FATAL_FAILURE(HostTheControl());
    }
    HWND form = form_;
    events_->SetHook([&](DISPID id, DISPPARAMS*) {
      if (id != c.event) return;
      vantrel_.Reset();
      host_.Close();
    });
    c.cause();
    events_->SetHook(nullptr);
    EXPECT_EQ(events_->Count(c.event), 1u);
    EXPECT_EQ(events_->Count(kOnDestroy), 1u);
    // The form outlives its own message, hidden, and goes once the message is done.
    EXPECT_EQ(IsWindow(form) != FALSE, c.inFormMessage);
    if (c.inFormMessage) {
      EXPECT_FALSE(IsWindowVisible(form));
    }
    test_container::PumpFor(30);
    EXPECT_FALSE(IsWindow(form));
    EXPECT_EQ(FindWindowA(kParkingClass, nullptr), nullptr);
  }
}

// The Goto menu's loop runs inside the click on the Goto button. A host that lets the
// control go meanwhile (on a timer of its own; here the script's) finds it gone afterwards,
// and an item chosen in the menu after that is not taken: nothing runs on the form once the
// control's window is gone, and nothing is heard after the control went.
TEST_F(VantrelEvents, AHostThatLetsTheControlGoWhileTheGotoMenuIsOpenFindsItGoneAfterwards) {
  struct Case {
    const char* name;
    std::function<void()> letGo;
    bool closed;  // else the control's window went and the form is parked with its records
  };
  const Case cases[] = {
      {"deactivated in place",
       [&] { EXPECT_EQ(host_.As<IOleInPlaceObject>()->InPlaceDeactivate(), S_OK); }, false},
      {"closed and released",
       [&] {
         vantrel_.Reset();
         host_.Close();
       },
       true},
      // Last: the container's window is not made again.
      {"the container's window destroyed", [&] { DestroyWindow(host_.Window()); }, false},
  };
  std::wstring media(picture_.begin(), picture_.end());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (!host_.Control()) {
      EmptyCatalogue(folder_);
      ASSERT_NO_FATAL_FAILURE(HostTheControl());
    } else if (!host_.ControlWindow()) {
      ASSERT_EQ(host_.Activate(), S_OK);
      control_ = host_.ControlWindow();
    }
    if (TreeCount(tree_) < 4) {
      ASSERT_EQ(vantrel_->AddSurveillanceRecord(&media[0], nullptr, nullptr, 46000.0, 0.0), S_OK);
    }
    ASSERT_TRUE(WaitForNodes(tree_, 4));
    // The date group selected, its record in the list selected: the menu offers the camera
    // group and the root.
    TreeView_SelectItem(tree_, TreeView_GetChild(tree_, TreeView_GetRoot(tree_)));
    HWND list = FindDescendant(control_, WC_LISTVIEWA);
    ASSERT_TRUE(test_container::PumpUntil([&] { return ListView_GetItemCount(list) == 1; }, 5000));
    ListView_SetItemState(list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    HWND button = FindDescendant(control_, fw::kDefaultChildClass, L"Goto");
    ASSERT_NE(button, nullptr);
    const auto selected = TreeView_GetSelection(tree_);
    ASSERT_NE(selected, nullptr);
    HWND form = form_;
    HWND tree = tree_;

    events_->Clear();
    size_t heard = 0;
    test_container::ModalScript script;
    script.Then("the menu open, the control let go, an item chosen", [&] {
      HWND menu = test_container::OpenPopupMenuOfThisThread();
      if (!menu || !IsWindowVisible(menu)) return false;
      c.letGo();
      heard = events_->Events().size();
      // Where the menu outlives the control's window, its first item is chosen.
      if (test_container::OpenPopupMenuOfThisThread() == menu) {
        for (WPARAM key : {VK_DOWN, VK_RETURN}) {
          PostMessageA(menu, WM_KEYDOWN, key, 0);
          PostMessageA(menu, WM_KEYUP, key, 0xC0000000);
        }
      }
      return true;
    });
    script.Start();
    SendMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageW(button, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_TRUE(script.Finished());
    EXPECT_EQ(host_.ControlWindow(), nullptr);
    EXPECT_EQ(TreeView_GetSelection(tree), selected) << "the chosen item was taken";
    test_container::PumpFor(50);
    // The control's last reference was the menu's: OnDestroy comes as the loop ends, and
    // nothing after it.
    const auto& events = events_->Events();
    EXPECT_EQ(events.size(), heard + (c.closed ? 1 : 0));
    EXPECT_EQ(events_->Count(kOnDestroy), c.closed ? 1u : 0u);
    if (c.closed) {
      EXPECT_EQ(events.back().id, kOnDestroy);
      EXPECT_FALSE(IsWindow(form));
    } else {
      ASSERT_TRUE(IsWindow(form));
      EXPECT_EQ(GetParent(form), FindWindowA(kParkingClass, nullptr));
      EXPECT_EQ(TreeCount(tree), 4);
      EXPECT_EQ(TreeView_GetSelection(tree), selected);
    }
  }
}

}  // namespace
