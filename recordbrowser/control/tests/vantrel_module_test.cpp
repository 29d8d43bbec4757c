// Vantrel.ocx through the clients a user has: regsvr32 and the registry before, during and
// after; the version resource and the exports; the registered type library; Wine's cscript
// adding records by VBScript; Wine's AtlAxWin hosting the control; a small host program run
// from two folders, each with its own catalogue.
#include <gtest/gtest.h>
#include <windows.h>

#include <olectl.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "base/com_ptr.h"
#include "framework/class_registration.h"
#include "testing/container/atl_host.h"
#include "testing/container/child_process.h"
#include "testing/container/message_pump.h"
#include "testing/container/module_clients.h"
#include "testing/container/window_capture.h"
#include "testing/support/temp_folder.h"
#include "vantrel_fixture.h"

namespace {

using namespace vantrel_test;
using test_container::HasLine;
using test_container::HasLineStartingWith;

std::string Key(REFGUID id) { return fw::GuidToString(id); }

std::vector<std::string> Traces() {
  return test_container::RegistrationTraces(
      {"CLSID\\" + Key(CLSID_Vantrel), kProgId, "TypeLib\\" + Key(LIBID_VantrelProj),
       "Interface\\" + Key(IID_IVantrel), "Interface\\" + Key(DIID_IVantrelEvents)},
      OcxPath());
}

TEST(VantrelModule, Regsvr32RegistersTheControlAndItsLibraryAndUnregistersWithoutATrace) {
  test_container::Regsvr32(OcxPath(), "/u");
  const auto before = Traces();
  ASSERT_TRUE(before.empty()) << before.front();

  ASSERT_EQ(test_container::Regsvr32(OcxPath()), std::optional<DWORD>(0));
  const auto during = Traces();
  const std::string path = OcxPath();
  const std::string control = "CLSID\\" + Key(CLSID_Vantrel);
  const std::string lib = "TypeLib\\" + Key(LIBID_VantrelProj);
  for (const std::string& line : {
           control + ": @ = Vantrel Control",
           control + "\\InprocServer32: @ = " + path,
           control + "\\InprocServer32: ThreadingModel = Apartment",
           control + "\\ProgID: @ = VantrelProj.Vantrel",
           control + "\\Control",
           control + "\\MiscStatus: @ = 73728",
           control + "\\MiscStatus\\1: @ = 73728",
           control + "\\ToolboxBitmap32: @ = " + path + ", 1",
           control + "\\TypeLib: @ = " + Key(LIBID_VantrelProj),
           control + "\\Version: @ = 1.0",
           std::string("VantrelProj.Vantrel: @ = Vantrel Control"),
           "VantrelProj.Vantrel\\CLSID: @ = " + Key(CLSID_Vantrel),
           lib + "\\1.0: @ = VantrelProj Library",
       }) {
    EXPECT_TRUE(HasLine(during, line)) << line;
  }
  EXPECT_TRUE(HasLineStartingWith(during, lib + "\\1.0\\409\\win32: @ = "));
  EXPECT_FALSE(HasLineStartingWith(during, control + "\\Insertable"));
  EXPECT_FALSE(HasLineStartingWith(during, "VantrelProj.Vantrel\\Insertable"));
  EXPECT_TRUE(HasLineStartingWith(during, "Interface\\" + Key(IID_IVantrel)));
  EXPECT_TRUE(HasLineStartingWith(during, "Interface\\" + Key(DIID_IVantrelEvents)));

  ASSERT_EQ(test_container::Regsvr32(OcxPath(), "/u"), std::optional<DWORD>(0));
  for (const std::string& line : Traces()) ADD_FAILURE() << "left behind: " << line;
}

TEST(VantrelModule, VersionResourceOffersSelfRegistrationAndOnlyTheFourExportsAreThere) {
  EXPECT_EQ(test_container::VersionText(OcxPath(), "OLESelfRegister"), "");
  EXPECT_EQ(test_container::VersionText(OcxPath(), "OriginalFilename"), "Vantrel.ocx");
  EXPECT_EQ(test_container::ExportedFunctionCount(OcxPath()), 4u);
  EXPECT_EQ(test_container::ExportedNames(OcxPath()),
            (std::vector<std::string>{"DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer",
                                      "DllUnregisterServer"}));
}

class VantrelLibrary : public RegisteredVantrel {};

std::wstring Name(ITypeInfo* info, MEMBERID id) {
  BSTR name = nullptr;
  info->GetDocumentation(id, &name, nullptr, nullptr, nullptr);
  std::wstring text = name ? name : L"";
  SysFreeString(name);
  return text;
}

TEST_F(VantrelLibrary, TheRegisteredLibraryDescribesEveryMemberAndEventWithItsId) {
  base::ComPtr<ITypeLib> lib;
  ASSERT_EQ(LoadRegTypeLib(LIBID_VantrelProj, 1, 0, 0x0409, lib.Receive()), S_OK);
  TLIBATTR* libAttr = nullptr;
  ASSERT_EQ(lib->GetLibAttr(&libAttr), S_OK);
  EXPECT_EQ(libAttr->lcid, 0x0409u);
  EXPECT_TRUE(libAttr->wLibFlags & LIBFLAG_FCONTROL);
  lib->ReleaseTLibAttr(libAttr);

  // The dispatch half of the dual interface, and its vtable half with IVantrel's own members.
  base::ComPtr<ITypeInfo> dispatchHalf;
  ASSERT_EQ(lib->GetTypeInfoOfGuid(IID_IVantrel, dispatchHalf.Receive()), S_OK);
  TYPEATTR* attr = nullptr;
  ASSERT_EQ(dispatchHalf->GetTypeAttr(&attr), S_OK);
  EXPECT_EQ(attr->typekind, TKIND_DISPATCH);
  EXPECT_EQ(attr->wTypeFlags & (TYPEFLAG_FDUAL | TYPEFLAG_FDISPATCHABLE),
            TYPEFLAG_FDUAL | TYPEFLAG_FDISPATCHABLE);
  dispatchHalf->ReleaseTypeAttr(attr);
  HREFTYPE vtableRef = 0;
  ASSERT_EQ(dispatchHalf->GetRefTypeOfImplType(static_cast<UINT>(-1), &vtableRef), S_OK);
  base::ComPtr<ITypeInfo> dual;
  ASSERT_EQ(dispatchHalf->GetRefTypeInfo(vtableRef, dual.Receive()), S_OK);
  ASSERT_EQ(dual->GetTypeAttr(&attr), S_OK);
  EXPECT_EQ(attr->typekind, TKIND_INTERFACE);
  EXPECT_TRUE(attr->wTypeFlags & TYPEFLAG_FOLEAUTOMATION);
  // name -> id and the kinds of access
  std::map<std::wstring, std::pair<MEMBERID, int>> members;
  for (UINT i = 0; i < attr->cFuncs; ++i) {
    FUNCDESC* f = nullptr;
    ASSERT_EQ(dual->GetFuncDesc(i, &f), S_OK);
    auto& m = members[Name(dual.Get(), f->memid)];
    m.first = f->memid;
    m.second |= f->invkind;
    dual->ReleaseFuncDesc(f);
  }
  dual->ReleaseTypeAttr(attr);
  constexpr int kGet = INVOKE_PROPERTYGET, kPut = INVOKE_PROPERTYPUT, kRef = INVOKE_PROPERTYPUTREF;
  const std::map<std::wstring, std::pair<MEMBERID, int>> expected = {
      {L"Visible", {201, kGet | kPut}},
      {L"AutoScroll", {202, kGet | kPut}},
      {L"AutoSize", {203, kGet | kPut}},
      {L"AxBorderStyle", {204, kGet | kPut}},
      {L"Caption", {-518, kGet | kPut}},
      {L"Color", {-501, kGet | kPut}},
      {L"Font", {-512, kGet | kPut | kRef}},
      {L"KeyPreview", {205, kGet | kPut}},
      {L"PixelsPerInch", {206, kGet | kPut}},
      {L"PrintScale", {207, kGet | kPut}},
      {L"Scaled", {208, kGet | kPut}},
      {L"Active", {209, kGet}},
      {L"DropTarget", {210, kGet | kPut}},
      {L"HelpFile", {211, kGet | kPut}},
      {L"ScreenSnap", {212, kGet | kPut}},
      {L"SnapBuffer", {213, kGet | kPut}},
      {L"DoubleBuffered", {214, kGet | kPut}},
      {L"AlignDisabled", {215, kGet}},
      {L"VisibleDockClientCount", {216, kGet}},
      {L"Enabled", {-514, kGet | kPut}},
      {L"AddSurveillanceRecord", {217, INVOKE_FUNC}},
      {L"FontColor", {218, kGet | kPut}},
  };
  EXPECT_EQ(members, expected);

  base::ComPtr<ITypeInfo> events;
  ASSERT_EQ(lib->GetTypeInfoOfGuid(DIID_IVantrelEvents, events.Receive()), S_OK);
  ASSERT_EQ(events->GetTypeAttr(&attr), S_OK);
  std::map<std::wstring, MEMBERID> fired;
  for (UINT i = 0; i < attr->cFuncs; ++i) {
    FUNCDESC* f = nullptr;
    ASSERT_EQ(events->GetFuncDesc(i, &f), S_OK);
    fired[Name(events.Get(), f->memid)] = f->memid;
    events->ReleaseFuncDesc(f);
  }
  events->ReleaseTypeAttr(attr);
  const std::map<std::wstring, MEMBERID> expectedEvents = {
      {L"OnActivate", 201}, {L"OnClick", 202},      {L"OnCreate", 203},
      {L"OnDblClick", 204}, {L"OnDestroy", 205},    {L"OnDeactivate", 206},
      {L"OnKeyPress", 207}, {L"OnPaint", 208},      {L"OnRemoved", 209}};
  EXPECT_EQ(fired, expectedEvents);

  base::ComPtr<ITypeInfo> coclass;
  ASSERT_EQ(lib->GetTypeInfoOfGuid(CLSID_Vantrel, coclass.Receive()), S_OK);
  ASSERT_EQ(coclass->GetTypeAttr(&attr), S_OK);
  EXPECT_TRUE(attr->wTypeFlags & TYPEFLAG_FCONTROL);
  EXPECT_TRUE(attr->wTypeFlags & TYPEFLAG_FCANCREATE);
  coclass->ReleaseTypeAttr(attr);
  EXPECT_EQ(Name(coclass.Get(), MEMBERID_NIL), L"Vantrel");
}

// cscript's folder is the host's: its catalogue lands beside cscript.exe.
class VantrelScripts : public RegisteredVantrel {
 protected:
  void SetUp() override {
    RegisteredVantrel::SetUp();
    char system[MAX_PATH];
    GetSystemDirectoryA(system, MAX_PATH);
    hostFolder_ = std::string(system) + "\\";
    EmptyCatalogue(hostFolder_);
  }
  void TearDown() override {
    EmptyCatalogue(hostFolder_);
    RegisteredVantrel::TearDown();
  }
  std::string hostFolder_;
};

TEST_F(VantrelScripts, CscriptAddsARecordByVbscriptAndReadsTheProperties) {
  const std::string script =
      "Dim o\r\n"
      "Set o = CreateObject(\"VantrelProj.Vantrel\")\r\n"
      "If o.Caption <> \"Vantrel\" Then WScript.Quit 10\r\n"
      "If o.Visible <> True Or o.PixelsPerInch <> 96 Or o.SnapBuffer <> 10 Then WScript.Quit 11\r\n"
      "o.AutoScroll = 5\r\n"
      "If o.AutoScroll <> -1 Then WScript.Quit 12\r\n"
      "Dim media\r\n"
      "media = \"" + picture_ + "\"\r\n"
      "o.AddSurveillanceRecord media, \"Hall\", \"Cam 1\", DateSerial(2026, 12, 11), "
      "TimeSerial(10, 20, 30)\r\n"
      "o.AddSurveillanceRecord \"C:\\no\\such.avi\", \"Hall\", \"Cam 1\", 46000, 0.5\r\n"
      "On Error Resume Next\r\n"
      "o.AddSurveillanceRecord media, \"Hall\", \"Cam 1\", \"today\", 0\r\n"
      "If Err.Number = 0 Then WScript.Quit 13\r\n"
      "WScript.Quit 42\r\n";
  EXPECT_EQ(test_container::RunCscript("vantrel_add.vbs", script), std::optional<DWORD>(42));
  const std::string ini = hostFolder_ + "Records.ini";
  EXPECT_EQ(ReadProfile(ini, "Configuration", "BeginRecord"), "1");
  EXPECT_EQ(ReadProfile(ini, "Configuration", "EndRecord"), "1");
  EXPECT_EQ(ReadProfile(ini, "Record1", "MediaFile"), picture_);
  EXPECT_EQ(ReadProfile(ini, "Record1", "Area"), "Hall");
  EXPECT_EQ(ReadProfile(ini, "Record1", "Camera"), "Cam 1");
  EXPECT_EQ(ReadProfile(ini, "Record2", "MediaFile"), "<none>");
}

class VantrelInAtl : public RegisteredVantrel {};

TEST_F(VantrelInAtl, AtlAxWinHostsTheFormFillingItsWindow) {
  test_container::AtlAxHost host;
  ASSERT_EQ(host.Create(kProgId, RECT{30, 30, 730, 550}, 500, 400), S_OK)
      << "Wine's ATL did not host the control";
  const HWND axis = host.Container();
  const HWND own = host.ControlWindow();
  EXPECT_EQ(GetParent(own), axis);
  HWND form = FormWindow(own);
  ASSERT_NE(form, nullptr);
  RECT r{};
  GetClientRect(form, &r);
  EXPECT_EQ(r.right, 500);
  EXPECT_EQ(r.bottom, 400);
  EXPECT_EQ(RootTexts(TreeWindow(own)),
            (std::vector<std::wstring>{L"Sorted by time", L"Sorted by cameras"}));

  MoveWindow(axis, 0, 0, 640, 480, TRUE);
  test_container::PumpFor(100);
  GetClientRect(form, &r);
  EXPECT_EQ(r.right, 640);
  EXPECT_EQ(r.bottom, 480);
  // The detail panel right of its labels shows the form's colour, the desktop's.
  const auto image = test_container::CaptureWindow(axis);
  ASSERT_TRUE(image.has_value());
  EXPECT_GT(image->ShareOf(GetSysColor(COLOR_BACKGROUND), RECT{560, 2, 636, 44}), 0.95);
}

// The host program from two folders: each run keeps its catalogue beside its own copy.
class VantrelHosts : public RegisteredVantrel {};

void RemoveThumbs(const std::string& folder) { EmptyCatalogue(folder + "\\"); }

TEST_F(VantrelHosts, AHostCopiedIntoTwoFoldersMakesTwoCatalogues) {
  const std::string host = test_container::PathBesideTests("vantrel_host.exe");
  testing_support::TempFolder first, second;
  const std::string otherPicture = first.File("elsewhere.jpg");
  ASSERT_TRUE(WritePicture(otherPicture));
  struct Run {
    const testing_support::TempFolder* folder;
    std::string media;
  };
  const Run runs[] = {{&first, picture_}, {&second, otherPicture}};
  for (const Run& run : runs) {
    const std::string copy = run.folder->File("host.exe");
    ASSERT_TRUE(CopyFileA(host.c_str(), copy.c_str(), FALSE));
    EXPECT_EQ(test_container::RunProcess("\"" + copy + "\" \"" + run.media + "\"", 60000),
              std::optional<DWORD>(0));
  }
  for (const Run& run : runs) {
    const std::string ini = run.folder->File("Records.ini");
    EXPECT_EQ(ReadProfile(ini, "Record1", "MediaFile"), run.media) << ini;
    EXPECT_EQ(ReadProfile(ini, "Record2", "MediaFile"), "<none>") << ini;
    EXPECT_NE(GetFileAttributesA(run.folder->File("Thumb").c_str()), INVALID_FILE_ATTRIBUTES);
    RemoveThumbs(run.folder->path());
  }
  EXPECT_EQ(GetFileAttributesA((folder_ + "Records.ini").c_str()), INVALID_FILE_ATTRIBUTES);
}

// The demo's host: the registered control in Wine's ATL container, handed a picture, and a
// picture of its window written out.
TEST_F(VantrelHosts, TheDemoHostHandsOverItsMediaAndWritesAPictureOfTheControl) {
  const std::string demo = test_container::PathBesideTests("..\\demo\\vantrel_demo_host.exe");
  testing_support::TempFolder out;
  const std::string picture = out.File("vantrel-demo.bmp");
  EXPECT_EQ(test_container::RunProcess(
                "\"" + demo + "\" --picture \"" + picture + "\" --wait 5 \"" + picture_ + "\"", 120000),
            std::optional<DWORD>(0));
  const std::string demoFolder = test_container::PathBesideTests("..\\demo\\");
  EXPECT_EQ(ReadProfile(demoFolder + "Records.ini", "Record1", "MediaFile"), picture_);
  EmptyCatalogue(demoFolder);
  BITMAPFILEHEADER file{};
  BITMAPINFOHEADER info{};
  const HANDLE bmp = CreateFileA(picture.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                                 nullptr);
  ASSERT_NE(bmp, INVALID_HANDLE_VALUE);
  DWORD read = 0;
  ReadFile(bmp, &file, sizeof file, &read, nullptr);
  ReadFile(bmp, &info, sizeof info, &read, nullptr);
  CloseHandle(bmp);
  EXPECT_EQ(file.bfType, 0x4D42);
  EXPECT_EQ(info.biWidth, 760);
  EXPECT_EQ(info.biHeight, 520);
}

}  // namespace
