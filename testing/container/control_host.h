// A container for one ActiveX control in a real top-level window on the test display:
// client site, in-place site, in-place frame, control site and ambient properties, the
// way a dialog or form host offers them.
//
//   test_container::ControlHost host;
//   ASSERT_EQ(host.Create("FWSAMPLE.SampleCtrl.1", 200, 100), S_OK);
//   host.Resize(300, 150);
//   base::ComPtr<IDispatch> d = host.Dispatch();
#pragma once

#include <windows.h>

#include <ocidl.h>

#include <map>
#include <string>

#include "base/com_ptr.h"
#include "base/scoped_variant.h"

namespace test_container {

// What the control asked of its site, for tests that check the protocol.
struct SiteLog {
  int inPlaceActivations = 0;
  int uiActivations = 0;
  int uiDeactivations = 0;
  int inPlaceDeactivations = 0;
  int posRectChanges = 0;
  int propertyFrameRequests = 0;
  int focusChanges = 0;
  std::wstring activeObjectName;
  // The frame's EnableModeless calls; modeless is enabled when they balance.
  int modelessDisables = 0;
  int modelessEnables = 0;
};

class HostSite;

class ControlHost {
 public:
  ControlHost();
  ControlHost(const ControlHost&) = delete;
  ControlHost& operator=(const ControlHost&) = delete;
  ~ControlHost();  // closes the control and destroys the window

  // Creates the control by ProgID (or class id), initialises it (InitNew) and, unless
  // `activate` is false, activates it in place at (0, 0, width, height).
  HRESULT Create(const std::string& progId, int width, int height, bool activate = true);
  HRESULT Create(REFCLSID clsid, int width, int height, bool activate = true);
  // Loads the control from a stream instead of InitNew.
  HRESULT CreateFromStream(REFCLSID clsid, IStream* stream, int width, int height);

  HRESULT Activate(LONG verb = OLEIVERB_INPLACEACTIVATE);
  // New size: SetExtent, then SetObjectRects, as containers do.
  HRESULT Resize(int width, int height);
  // Close, SetClientSite(null), release.
  void Close();

  IUnknown* Control() const { return control_.Get(); }
  base::ComPtr<IDispatch> Dispatch() const;
  template <class T>
  base::ComPtr<T> As() const {
    return control_.As<T>();
  }
  // The top-level window of the container and the control's own window.
  HWND Window() const { return window_; }
  HWND ControlWindow() const;
  RECT ControlRect() const { return rect_; }

  const SiteLog& Log() const;
  // Ambient property answered by the site's IDispatch (DISPID_AMBIENT_*).
  void SetAmbient(DISPID id, const VARIANT& value);

 private:
  friend class HostSite;
  HRESULT Attach(int width, int height, IStream* stream, bool activate);

  HWND window_ = nullptr;
  HostSite* site_ = nullptr;
  base::ComPtr<IUnknown> control_;
  base::ComPtr<IOleObject> object_;
  RECT rect_{};
};

}  // namespace test_container
