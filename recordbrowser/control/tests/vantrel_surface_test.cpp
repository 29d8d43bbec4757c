// The record browser control in the test container: every property of IVantrel, what the
// colours, fonts, borders and states do to the form on the display, the records through the
// vtable and through IDispatch, and the form's life across activation.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>
#include <olectl.h>

#include <string>
#include <vector>

#include "base/com_ptr.h"
#include "base/scoped_bstr.h"
#include "base/scoped_variant.h"
#include "framework/window.h"
#include "testing/container/control_host.h"
#include "testing/container/dispatch_call.h"
#include "testing/container/message_pump.h"
#include "testing/container/window_capture.h"
#include "vantrel_fixture.h"

namespace {

using namespace vantrel_test;
using base::ComPtr;

class VantrelSurface : public RegisteredVantrel {
 protected:
  void SetUp() override {
    RegisteredVantrel::SetUp();
    ASSERT_EQ(host_.Create(kProgId, 610, 453), S_OK);
    dispatch_ = host_.Dispatch();
    vantrel_ = host_.As<IVantrel>();
    ASSERT_TRUE(dispatch_ && vantrel_);
    control_ = host_.ControlWindow();
    form_ = FormWindow(control_);
    ASSERT_NE(form_, nullptr);
    test_container::PumpFor(50);
  }
  void TearDown() override {
    vantrel_.Reset();
    dispatch_.Reset();
    host_.Close();
    RegisteredVantrel::TearDown();
  }
  std::optional<test_container::Image> Capture() {
    RedrawWindow(control_, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    test_container::PumpFor(50);
    return test_container::CaptureWindow(control_);
  }

  test_container::ControlHost host_;
  ComPtr<IDispatch> dispatch_;
  ComPtr<IVantrel> vantrel_;
  HWND control_ = nullptr;
  HWND form_ = nullptr;
};

base::ScopedVariant Long(long value) { return base::ScopedVariant(value); }
base::ScopedVariant Text(const wchar_t* text) { return base::ScopedVariant(std::wstring_view(text)); }

// What a property answers, as text: "I4 5", "BOOL -1", "BSTR abc".
std::wstring Shown(const VARIANT& v) {
  switch (v.vt) {
    case VT_BOOL:
      return L"BOOL " + std::to_wstring(v.boolVal);
    case VT_I4:
      return L"I4 " + std::to_wstring(v.lVal);
    case VT_UI4:
      return L"UI4 " + std::to_wstring(v.ulVal);
    case VT_BSTR:
      return L"BSTR " + std::wstring(v.bstrVal ? v.bstrVal : L"");
    default:
      return L"type " + std::to_wstring(v.vt);
  }
}

std::wstring Get(IDispatch* d, const char* name) {
  auto r = test_container::GetProperty(d, name);
  if (r.hr != S_OK) return L"failed " + std::to_wstring(r.hr);
  return Shown(r.value.Ref());
}

TEST_F(VantrelSurface, EveryPropertyStartsAtItsDefault) {
  const std::pair<const char*, std::wstring> defaults[] = {
      {"Visible", L"BOOL -1"},        {"AutoScroll", L"BOOL 0"},
      {"AutoSize", L"BOOL 0"},        {"AxBorderStyle", L"I4 0"},
      {"Caption", L"BSTR Vantrel"},   {"Color", L"UI4 " + std::to_wstring(0x80000001)},
      {"KeyPreview", L"BOOL 0"},      {"PixelsPerInch", L"I4 96"},
      {"PrintScale", L"I4 1"},        {"Scaled", L"BOOL -1"},
      {"Active", L"BOOL 0"},          {"DropTarget", L"BOOL 0"},
      {"HelpFile", L"BSTR "},         {"ScreenSnap", L"BOOL 0"},
      {"SnapBuffer", L"I4 10"},       {"DoubleBuffered", L"BOOL 0"},
      {"AlignDisabled", L"BOOL 0"},   {"VisibleDockClientCount", L"I4 0"},
      {"Enabled", L"BOOL -1"},        {"FontColor", L"I4 16777215"},
  };
  for (const auto& [name, shown] : defaults) EXPECT_EQ(Get(dispatch_.Get(), name), shown) << name;
}

TEST_F(VantrelSurface, EveryWritablePropertyReadsBackWhatWasPut) {
  struct Case {
    const char* name;
    base::ScopedVariant put;
    std::wstring get;
  };
  Case cases[] = {
      {"AutoScroll", Long(5), L"BOOL -1"},
      {"AutoSize", Long(1), L"BOOL -1"},
      {"KeyPreview", Long(-1), L"BOOL -1"},
      {"Scaled", Long(0), L"BOOL 0"},
      {"DropTarget", Long(2), L"BOOL -1"},
      {"ScreenSnap", Long(1), L"BOOL -1"},
      {"DoubleBuffered", Long(1), L"BOOL -1"},
      {"PixelsPerInch", Long(120), L"I4 120"},
      {"PrintScale", Long(2), L"I4 2"},
      {"SnapBuffer", Long(25), L"I4 25"},
      {"HelpFile", Text(L"vantrel.hlp"), L"BSTR vantrel.hlp"},
      {"Caption", Text(L"Records of the hall"), L"BSTR Records of the hall"},
      {"Color", Long(0x00336699), L"UI4 " + std::to_wstring(0x00336699)},
      {"Color", Long(0x8000000F), L"UI4 " + std::to_wstring(0x8000000F)},
      {"FontColor", Long(0x000000FF), L"I4 255"},
      {"AxBorderStyle", Long(2), L"I4 2"},
      {"Enabled", Long(0), L"BOOL 0"},
      {"Enabled", Long(1), L"BOOL -1"},
      {"Visible", Long(0), L"BOOL 0"},
      {"Visible", Long(1), L"BOOL -1"},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(test_container::PutProperty(dispatch_.Get(), c.name, c.put.Ref()).hr, S_OK);
    EXPECT_EQ(Get(dispatch_.Get(), c.name), c.get);
  }
  // Read-only, and values no property takes.
  for (const char* name : {"Active", "AlignDisabled", "VisibleDockClientCount"}) {
    EXPECT_NE(test_container::PutProperty(dispatch_.Get(), name, Long(1).Ref()).hr, S_OK) << name;
  }
  EXPECT_EQ(vantrel_->put_AxBorderStyle(static_cast<TxActiveFormBorderStyle>(4)),
            CTL_E_INVALIDPROPERTYVALUE);
  EXPECT_EQ(vantrel_->put_Color(0x7F000000), CTL_E_INVALIDPROPERTYVALUE);
}

TEST_F(VantrelSurface, AnyNonZeroBooleanThroughTheVtableIsTrueAndShowsTheForm) {
  for (VARIANT_BOOL shown : {static_cast<VARIANT_BOOL>(1), VARIANT_TRUE, static_cast<VARIANT_BOOL>(7)}) {
    SCOPED_TRACE(shown);
    ASSERT_EQ(vantrel_->put_Visible(VARIANT_FALSE), S_OK);
    EXPECT_FALSE(IsWindowVisible(form_));
    ASSERT_EQ(vantrel_->put_Visible(shown), S_OK);
    EXPECT_TRUE(IsWindowVisible(form_));
    VARIANT_BOOL value = 0;
    ASSERT_EQ(vantrel_->get_Visible(&value), S_OK);
    EXPECT_EQ(value, VARIANT_TRUE);
    ASSERT_EQ(vantrel_->put_DoubleBuffered(shown), S_OK);
    ASSERT_EQ(vantrel_->get_DoubleBuffered(&value), S_OK);
    EXPECT_EQ(value, VARIANT_TRUE);
  }
}

TEST_F(VantrelSurface, ColourAndFontColourShowInThePanelsTheTreeTheListAndTheLabels) {
  const COLORREF back = RGB(0x99, 0x66, 0x33);
  const COLORREF text = RGB(255, 0, 0);
  ASSERT_EQ(vantrel_->put_Color(back), S_OK);
  ASSERT_EQ(vantrel_->put_FontColor(static_cast<long>(text)), S_OK);
  const auto image = Capture();
  ASSERT_TRUE(image.has_value());
  // The detail panel right of its labels, the empty tree below its roots, the empty list.
  EXPECT_GT(image->ShareOf(back, RECT{560, 2, 606, 44}), 0.95);
  EXPECT_GT(image->ShareOf(back, RECT{10, 300, 150, 440}), 0.95);
  EXPECT_GT(image->ShareOf(back, RECT{200, 100, 600, 440}), 0.95);
  // The caption label's text and the tree's.
  EXPECT_GT(image->ShareOf(text, RECT{163 + 8, 4, 163 + 100, 20}, 40), 0.05);
  EXPECT_GT(image->ShareOf(text, RECT{0, 0, 160, 40}, 40), 0.02);
}

TEST_F(VantrelSurface, FontIsCopiedFromAnOleFontAndReportedAsOne) {
  FONTDESC desc{sizeof desc, const_cast<LPOLESTR>(L"Arial"), {}, FW_BOLD, ANSI_CHARSET, TRUE,
                FALSE, FALSE};
  desc.cySize.int64 = 180000;  // 18 points
  ComPtr<IFontDisp> font;
  ASSERT_EQ(OleCreateFontIndirect(&desc, IID_IFontDisp, font.ReceiveVoid()), S_OK);
  ASSERT_EQ(vantrel_->putref_Font(font.Get()), S_OK);

  // An OLE font names the face it found: what the host's font says is what the form takes.
  base::ScopedBstr given;
  font.As<IFont>()->get_Name(given.Receive());
  ComPtr<IFontDisp> back;
  ASSERT_EQ(vantrel_->get_Font(back.Receive()), S_OK);
  ComPtr<IFont> read = back.As<IFont>();
  ASSERT_TRUE(read);
  base::ScopedBstr name;
  read->get_Name(name.Receive());
  EXPECT_EQ(name.View(), given.View());
  EXPECT_NE(name.View(), L"MS Sans Serif");
  CY size{};
  read->get_Size(&size);
  EXPECT_EQ(size.int64, 180000);
  SHORT weight = 0;
  read->get_Weight(&weight);
  EXPECT_EQ(weight, FW_BOLD);
  BOOL italic = FALSE;
  read->get_Italic(&italic);
  EXPECT_TRUE(italic);
  SHORT charset = 0;
  read->get_Charset(&charset);
  EXPECT_EQ(charset, ANSI_CHARSET);

  // Put by value copies as well; a null font is refused.
  desc.cySize.int64 = 82500;
  desc.sWeight = FW_NORMAL;
  desc.fItalic = FALSE;
  ComPtr<IFontDisp> small;
  ASSERT_EQ(OleCreateFontIndirect(&desc, IID_IFontDisp, small.ReceiveVoid()), S_OK);
  ASSERT_EQ(vantrel_->put_Font(small.Get()), S_OK);
  ASSERT_EQ(vantrel_->get_Font(back.Receive()), S_OK);
  back.As<IFont>()->get_Size(&size);
  EXPECT_EQ(size.int64, 82500);
  EXPECT_EQ(vantrel_->put_Font(nullptr), E_POINTER);
  EXPECT_EQ(vantrel_->putref_Font(nullptr), E_POINTER);
}

TEST_F(VantrelSurface, TheFormsFontSizesItsLabels) {
  // The caption label shows the selected root and takes the size of its text.
  HWND label = FindDescendant(form_, fw::kDefaultChildClass, L"Sorted by time");
  ASSERT_NE(label, nullptr);
  RECT before{};
  GetClientRect(label, &before);
  FONTDESC desc{sizeof desc, const_cast<LPOLESTR>(L"Arial"), {}, FW_NORMAL, ANSI_CHARSET, FALSE,
                FALSE, FALSE};
  desc.cySize.int64 = 240000;
  ComPtr<IFontDisp> font;
  ASSERT_EQ(OleCreateFontIndirect(&desc, IID_IFontDisp, font.ReceiveVoid()), S_OK);
  ASSERT_EQ(vantrel_->put_Font(font.Get()), S_OK);
  RECT after{};
  GetClientRect(label, &after);
  EXPECT_GT(after.bottom, before.bottom + 10);
  EXPECT_GT(after.right, before.right);
}

TEST_F(VantrelSurface, CaptionTravelsInTheAnsiCodePageAndANullOneIsEmpty) {
  ASSERT_EQ(vantrel_->put_Caption(nullptr), S_OK);
  base::ScopedBstr caption;
  ASSERT_EQ(vantrel_->get_Caption(caption.Receive()), S_OK);
  EXPECT_EQ(caption.View(), L"");
  base::ScopedBstr text(std::wstring(L"Hall \u4e2d"));
  ASSERT_EQ(vantrel_->put_Caption(text.Get()), S_OK);
  base::ScopedBstr back;
  ASSERT_EQ(vantrel_->get_Caption(back.Receive()), S_OK);
  // What the ANSI code page makes of it, there and back.
  char ansi[32] = {};
  wchar_t expected[32] = {};
  WideCharToMultiByte(CP_ACP, 0, L"Hall \u4e2d", -1, ansi, sizeof ansi, nullptr, nullptr);
  MultiByteToWideChar(CP_ACP, 0, ansi, -1, expected, 32);
  EXPECT_EQ(back.View(), expected);
}

TEST_F(VantrelSurface, BorderStylesFrameTheControlAndTheFormFillsWhatIsLeft) {
  struct Case {
    TxActiveFormBorderStyle style;
    bool border;
    bool clientEdge;
    bool modalFrame;
  };
  const Case cases[] = {{afbSingle, true, false, false},
                        {afbSunken, false, true, false},
                        {afbRaised, false, false, true},
                        {afbNone, false, false, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.style);
    ASSERT_EQ(vantrel_->put_AxBorderStyle(c.style), S_OK);
    const LONG style = GetWindowLongA(control_, GWL_STYLE);
    const LONG exStyle = GetWindowLongA(control_, GWL_EXSTYLE);
    EXPECT_EQ((style & WS_BORDER) != 0, c.border);
    EXPECT_EQ((exStyle & WS_EX_CLIENTEDGE) != 0, c.clientEdge);
    EXPECT_EQ((exStyle & WS_EX_DLGMODALFRAME) != 0, c.modalFrame);
    RECT client{}, form{}, window{};
    GetClientRect(control_, &client);
    GetClientRect(form_, &form);
    GetWindowRect(control_, &window);
    EXPECT_EQ(form.right, client.right);
    EXPECT_EQ(form.bottom, client.bottom);
    EXPECT_EQ(window.right - window.left, 610);
    EXPECT_EQ(client.right < 610, c.style != afbNone);
  }
}

TEST_F(VantrelSurface, EnabledDecidesWhetherTheFormTakesInput) {
  ASSERT_EQ(vantrel_->put_Enabled(VARIANT_FALSE), S_OK);
  EXPECT_FALSE(IsWindowEnabled(form_));
  ASSERT_EQ(vantrel_->put_Enabled(static_cast<VARIANT_BOOL>(1)), S_OK);
  EXPECT_TRUE(IsWindowEnabled(form_));
}

// --- records ---

TEST_F(VantrelSurface, ARealRecordThroughTheVtableWithPlainWideArrays) {
  wchar_t media[MAX_PATH] = {};
  MultiByteToWideChar(CP_ACP, 0, picture_.c_str(), -1, media, MAX_PATH);
  wchar_t area[] = L"Hall";
  wchar_t camera[] = L"Door camera";
  ASSERT_EQ(vantrel_->AddSurveillanceRecord(media, area, camera, 46000.0, 0.5), S_OK);
  const std::string ini = folder_ + "Records.ini";
  EXPECT_EQ(ReadProfile(ini, "Record1", "MediaFile"), picture_);
  EXPECT_EQ(ReadProfile(ini, "Record1", "Area"), "Hall");
  EXPECT_EQ(ReadProfile(ini, "Record1", "Camera"), "Door camera");
  EXPECT_EQ(ReadProfile(ini, "Record1", "ThumbFile"), folder_ + "Thumb\\0912.BMP");
  // A date group under the time root, a camera group under the camera root.
  EXPECT_TRUE(WaitForNodes(TreeWindow(control_), 4));
  // Null texts are empty; a date that is no date-time is refused.
  EXPECT_EQ(vantrel_->AddSurveillanceRecord(media, nullptr, nullptr, 46000.0, 0.0), S_OK);
  EXPECT_EQ(ReadProfile(ini, "Record2", "Camera"), "");
  EXPECT_EQ(vantrel_->AddSurveillanceRecord(media, area, camera, 1e300, 0.0), E_INVALIDARG);
}

// One argument of AddSurveillanceRecord in the forms hosts pass.
struct Arg {
  VARTYPE vt;
  std::wstring text;
  double number = 0;
};

TEST_F(VantrelSurface, ARecordThroughIDispatchTakesTextsAndDatesInEveryHostsForm) {
  std::wstring media(picture_.begin(), picture_.end());
  struct Case {
    const char* name;
    std::vector<Arg> args;  // in declaration order
    HRESULT hr;
    UINT argError;          // as Invoke counts, last argument 0
    const char* camera;     // what the record holds, null when none is added
  };
  const Case cases[] = {
      {"BSTRs and dates",
       {{VT_BSTR, media}, {VT_BSTR, L"Hall"}, {VT_BSTR, L"Cam A"}, {VT_DATE, L"", 46000},
        {VT_DATE, L"", 0.5}},
       S_OK, 0, "Cam A"},
      {"variables by reference, a double and an integer",
       {{VT_BYREF | VT_VARIANT, media}, {VT_BYREF | VT_VARIANT, L"Hall"},
        {VT_BYREF | VT_BSTR, L"Cam B"}, {VT_R8, L"", 46001}, {VT_I4, L"", 0}},
       S_OK, 0, "Cam B"},
      {"a number for a text", {{VT_BSTR, media}, {VT_I4, L"", 5}, {VT_BSTR, L"C"}, {VT_DATE, L"", 1},
        {VT_DATE, L"", 0}},
       DISP_E_TYPEMISMATCH, 3, nullptr},
      {"a text for a date", {{VT_BSTR, media}, {VT_BSTR, L"H"}, {VT_BSTR, L"C"},
        {VT_BSTR, L"today"}, {VT_DATE, L"", 0}},
       DISP_E_TYPEMISMATCH, 1, nullptr},
  };
  int records = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<VARIANT> values(c.args.size());
    std::vector<VARIANT> inner(c.args.size());
    std::vector<BSTR> strings(c.args.size(), nullptr);
    for (size_t i = 0; i < c.args.size(); ++i) {
      const Arg& a = c.args[i];
      VARIANT& v = values[c.args.size() - 1 - i];  // last first
      VariantInit(&v);
      VariantInit(&inner[i]);
      v.vt = a.vt;
      if (a.vt == VT_BSTR) {
        v.bstrVal = SysAllocString(a.text.c_str());
      } else if (a.vt == (VT_BYREF | VT_BSTR)) {
        strings[i] = SysAllocString(a.text.c_str());
        v.pbstrVal = &strings[i];
      } else if (a.vt == (VT_BYREF | VT_VARIANT)) {
        inner[i].vt = VT_BSTR;
        inner[i].bstrVal = SysAllocString(a.text.c_str());
        v.pvarVal = &inner[i];
      } else if (a.vt == VT_I4) {
        v.lVal = static_cast<long>(a.number);
      } else {
        v.dblVal = a.number;  // VT_R8 and VT_DATE alike
      }
    }
    DISPPARAMS params{values.data(), nullptr, static_cast<UINT>(values.size()), 0};
    UINT argError = 99;
    EXCEPINFO error{};
    const HRESULT hr = dispatch_->Invoke(217, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD,
                                         &params, nullptr, &error, &argError);
    EXPECT_EQ(hr, c.hr);
    if (FAILED(c.hr)) {
      EXPECT_EQ(argError, c.argError);
    }
    for (size_t i = 0; i < values.size(); ++i) {
      if (values[i].vt == VT_BSTR) VariantClear(&values[i]);
      VariantClear(&inner[i]);
      SysFreeString(strings[i]);
    }
    if (c.camera) {
      ++records;
      EXPECT_EQ(ReadProfile(folder_ + "Records.ini", "Record" + std::to_string(records), "Camera"),
                c.camera);
    }
  }
  EXPECT_EQ(ReadProfile(folder_ + "Records.ini", "Configuration", "EndRecord"),
            std::to_string(records));
  // By name, as script hosts find it.
  std::wstring name = L"AddSurveillanceRecord";
  LPOLESTR names[] = {&name[0]};
  DISPID id = 0;
  ASSERT_EQ(dispatch_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), S_OK);
  EXPECT_EQ(id, 217);
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  EXPECT_EQ(dispatch_->Invoke(217, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none, nullptr,
                              nullptr, nullptr),
            DISP_E_BADPARAMCOUNT);
}

TEST_F(VantrelSurface, AReadOnlyCatalogueFailsWithItsTextAsErrorInformation) {
  const std::string ini = folder_ + "Records.ini";
  WritePrivateProfileStringA("Configuration", "BeginRecord", "-1", ini.c_str());
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, ini.c_str());
  ASSERT_TRUE(SetFileAttributesA(ini.c_str(), FILE_ATTRIBUTE_READONLY));
  // Wine run as root writes a read-only file all the same: it is held open against writers
  // too, as a program reading it would.
  const HANDLE reader = CreateFileA(ini.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(reader, INVALID_HANDLE_VALUE);
  std::wstring media(picture_.begin(), picture_.end());

  const HRESULT hr = vantrel_->AddSurveillanceRecord(&media[0], nullptr, nullptr, 46000.0, 0.0);
  EXPECT_TRUE(FAILED(hr));
  ComPtr<IErrorInfo> info;
  ASSERT_EQ(GetErrorInfo(0, info.Receive()), S_OK);
  base::ScopedBstr description;
  info->GetDescription(description.Receive());
  EXPECT_EQ(std::wstring(description.View()).rfind(L"Unable to write to ", 0), 0u)
      << std::wstring(description.View());

  test_container::CallArgs args;
  args.WideText(media).Text("Hall").Text("Cam").Double(46000.0).Double(0.0);
  const auto r = test_container::CallByName(dispatch_.Get(), "AddSurveillanceRecord", args);
  EXPECT_EQ(r.hr, DISP_E_EXCEPTION);
  EXPECT_EQ(r.errorCode, hr);
  EXPECT_EQ(r.errorText.rfind(L"Unable to write to ", 0), 0u) << r.errorText;
  EXPECT_EQ(r.errorSource, L"VantrelProj.Vantrel");
  CloseHandle(reader);
  SetFileAttributesA(ini.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(VantrelSurface, DeactivatingParksTheFormWithItsRecordsAndReactivatingBringsItBack) {
  std::wstring media(picture_.begin(), picture_.end());
  ASSERT_EQ(vantrel_->AddSurveillanceRecord(&media[0], nullptr, nullptr, 46000.0, 0.0), S_OK);
  HWND tree = TreeWindow(control_);
  ASSERT_TRUE(WaitForNodes(tree, 4));

  ASSERT_EQ(host_.As<IOleInPlaceObject>()->InPlaceDeactivate(), S_OK);
  EXPECT_EQ(host_.ControlWindow(), nullptr);
  ASSERT_TRUE(IsWindow(form_));
  EXPECT_EQ(GetParent(form_), FindWindowA(kParkingClass, nullptr));
  EXPECT_EQ(TreeCount(tree), 4);

  ASSERT_EQ(host_.Activate(), S_OK);
  control_ = host_.ControlWindow();
  ASSERT_NE(control_, nullptr);
  EXPECT_EQ(FormWindow(control_), form_);
  EXPECT_EQ(TreeCount(tree), 4);
  ASSERT_EQ(host_.Resize(500, 300), S_OK);
  RECT r{};
  GetClientRect(form_, &r);
  EXPECT_EQ(r.right, 500);
  EXPECT_EQ(r.bottom, 300);
}

// A container that destroys its window before it deactivates the control: the form leaves
// the control's window as that goes, with its records.
TEST_F(VantrelSurface, AContainerWindowDestroyedUnderTheControlLeavesTheFormParked) {
  std::wstring media(picture_.begin(), picture_.end());
  ASSERT_EQ(vantrel_->AddSurveillanceRecord(&media[0], nullptr, nullptr, 46000.0, 0.0), S_OK);
  HWND tree = TreeWindow(control_);
  ASSERT_TRUE(WaitForNodes(tree, 4));
  DestroyWindow(host_.Window());
  test_container::PumpFor(20);
  EXPECT_FALSE(IsWindow(control_));
  ASSERT_TRUE(IsWindow(form_));
  EXPECT_EQ(GetParent(form_), FindWindowA(kParkingClass, nullptr));
  EXPECT_EQ(TreeCount(tree), 4);
}

TEST_F(VantrelSurface, TwoControlsHaveAFormEachAndTheParkingWindowGoesWithTheLast) {
  test_container::ControlHost second;
  ASSERT_EQ(second.Create(kProgId, 300, 200, false), S_OK);
  HWND parking = FindWindowA(kParkingClass, nullptr);
  ASSERT_NE(parking, nullptr);
  // Not yet active: its form waits in the parking window.
  HWND parked = GetWindow(parking, GW_CHILD);
  ASSERT_NE(parked, nullptr);
  EXPECT_NE(parked, form_);
  ASSERT_EQ(second.Activate(), S_OK);
  EXPECT_EQ(FormWindow(second.ControlWindow()), parked);
  second.Close();
  test_container::PumpFor(20);
  EXPECT_FALSE(IsWindow(parked));
  EXPECT_EQ(FindWindowA(kParkingClass, nullptr), parking);

  vantrel_.Reset();
  dispatch_.Reset();
  host_.Close();
  test_container::PumpFor(20);
  EXPECT_FALSE(IsWindow(form_));
  EXPECT_EQ(FindWindowA(kParkingClass, nullptr), nullptr);
}

}  // namespace
