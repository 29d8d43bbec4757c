// Self-registration through the system's regsvr32, checked in the registry before, during
// and after; the version resource; the string tables; every member by name.
#include <gtest/gtest.h>
#include <windows.h>

#include <olectl.h>

#include <optional>
#include <string>
#include <vector>

#include "base/com_ptr.h"
#include "framework/class_registration.h"
#include "framework/resources.h"
#include "tessaly_fixture.h"
#include "tessaly_h.h"
#include "testing/container/child_process.h"
#include "testing/container/control_host.h"
#include "testing/container/dispatch_call.h"
#include "testing/container/module_clients.h"
#include "testing/container/registry_dump.h"

namespace {

using test_container::HasLine;
using test_container::HasLineStartingWith;

using tessaly_test::OcxPath;

const CLSID kPageClsid = {
    0xD2B93225, 0x9566, 0x4F33, {0xA5, 0x2A, 0x00, 0xCF, 0x85, 0xC1, 0xA9, 0xF6}};

std::string Key(REFGUID id) { return fw::GuidToString(id); }

// Everything the module could have put into HKEY_CLASSES_ROOT, and any class whose
// server is the module's file.
std::vector<std::string> Traces() {
  return test_container::RegistrationTraces(
      {"CLSID\\" + Key(CLSID_Tessaly), "CLSID\\" + Key(kPageClsid), tessaly_test::kProgId,
       tessaly_test::kPageProgId, "TypeLib\\" + Key(LIBID_TESSALYLib),
       "Interface\\" + Key(DIID__DTessaly), "Interface\\" + Key(DIID__DTessalyEvents)},
      OcxPath());
}

std::optional<DWORD> Regsvr32(const std::string& options) {
  return test_container::Regsvr32(OcxPath(), options);
}

TEST(TessalyRegistration, Regsvr32RegistersBothClassesAndTheLibraryAndUnregistersWithoutATrace) {
  Regsvr32("/u");
  const auto before = Traces();
  ASSERT_TRUE(before.empty()) << before.front();

  ASSERT_EQ(Regsvr32(""), std::optional<DWORD>(0));
  const auto during = Traces();
  const std::string path = OcxPath();
  const std::string control = "CLSID\\" + Key(CLSID_Tessaly);
  const std::string page = "CLSID\\" + Key(kPageClsid);
  const std::string lib = "TypeLib\\" + Key(LIBID_TESSALYLib);
  for (const std::string& line : {
           control + ": @ = Tessaly Control",
           control + "\\InprocServer32: @ = " + path,
           control + "\\InprocServer32: ThreadingModel = Apartment",
           control + "\\ProgID: @ = TESSALY.TessalyCtrl.1",
           control + "\\Control",
           control + "\\Insertable",
           control + "\\MiscStatus: @ = 131473",
           control + "\\MiscStatus\\1: @ = 131473",
           control + "\\ToolboxBitmap32: @ = " + path + ", 1",
           control + "\\TypeLib: @ = " + Key(LIBID_TESSALYLib),
           control + "\\Version: @ = 1.0",
           std::string("TESSALY.TessalyCtrl.1: @ = Tessaly Control"),
           "TESSALY.TessalyCtrl.1\\CLSID: @ = " + Key(CLSID_Tessaly),
           std::string("TESSALY.TessalyCtrl.1\\Insertable"),
           page + ": @ = Tessaly Property Page",
           page + "\\InprocServer32: @ = " + path,
           page + "\\ProgID: @ = TESSALY.TessalyPropPage.1",
           std::string("TESSALY.TessalyPropPage.1: @ = Tessaly Property Page"),
           "TESSALY.TessalyPropPage.1\\CLSID: @ = " + Key(kPageClsid),
           lib + "\\1.0: @ = Tessaly ActiveX Control module",
       }) {
    EXPECT_TRUE(HasLine(during, line)) << line;
  }
  EXPECT_TRUE(HasLineStartingWith(during, "Interface\\" + Key(DIID__DTessalyEvents)));
  EXPECT_TRUE(HasLineStartingWith(during, "Interface\\" + Key(DIID__DTessaly)));

  ASSERT_EQ(Regsvr32("/u"), std::optional<DWORD>(0));
  const auto after = Traces();
  EXPECT_EQ(after, before);
  for (const std::string& line : after) ADD_FAILURE() << "left behind: " << line;
}

TEST(TessalyRegistration, VersionResourceNamesTheModuleAndOffersSelfRegistration) {
  const std::string path = OcxPath();
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
  ASSERT_GT(size, 0u);
  std::vector<char> data(size);
  ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, data.data()));
  const auto text = [&](const char* name) -> std::string {
    void* value = nullptr;
    UINT length = 0;
    const std::string query = std::string("\\StringFileInfo\\040904B0\\") + name;
    if (!VerQueryValueA(data.data(), query.c_str(), &value, &length)) return "<missing>";
    return std::string(static_cast<const char*>(value));
  };
  EXPECT_EQ(text("FileVersion"), "1, 0, 2, 403");
  EXPECT_EQ(text("FileDescription"), "Tessaly ActiveX Control Module");
  EXPECT_EQ(text("OLESelfRegister"), "");
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
  EXPECT_EQ(fixed->dwFileVersionLS, 0x00020193u);
}

TEST(TessalyRegistration, UnregisteringWhatIsNotThereReportsTheTypeLibrary) {
  Regsvr32("/u");
  EXPECT_EQ(tessaly_test::CallExport("DllUnregisterServer"),
            static_cast<HRESULT>(SELFREG_E_TYPELIB));
  EXPECT_TRUE(Traces().empty());
}

TEST(TessalyResources, BothStringTablesHoldTheTypeNamesAndTheTexts) {
  HMODULE module = LoadLibraryExA(OcxPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(module, nullptr);
  const LANGID english = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
  const LANGID chinese = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED);
  struct Case {
    UINT id;
    LANGID language;
    std::wstring text;
  };
  const Case cases[] = {
      {1, english, L"Tessaly Control"},
      {2, english, L"Tessaly Property Page"},
      {1, chinese, L"Tessaly Control"},
      {2, chinese, L"Tessaly Property Page"},
      {200, english, L"General"},
      {225, english, L"Window %d Camera : %s"},
      {229, english, L"Confirm"},
      {233, english, L"A duplicate camera is deleted automatically!"},
      {225, chinese, L"\u7A97\u53E3\u5E8F\u53F7:%d, \u6444\u50CF\u5934:%s"},
      {229, chinese, L"\u786E\u5B9A"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(fw::LoadResStringForLanguage(module, c.id, c.language), c.text)
        << "string " << c.id << " of language " << c.language;
  }
  FreeLibrary(module);
}

class TessalyMembers : public tessaly_test::RegisteredTessaly {};

TEST_F(TessalyMembers, EveryMemberAnswersByNameWithItsIdAndRefusesOneArgumentTooFew) {
  test_container::ControlHost host;
  ASSERT_EQ(host.Create(tessaly_test::kProgId, 200, 150, false), S_OK);
  base::ComPtr<IDispatch> dispatch = host.Dispatch();
  ASSERT_TRUE(dispatch);
  struct Member {
    const char* name;
    DISPID id;
    UINT arguments;
  };
  const Member members[] = {
      {"SetCliInfo", 1, 7},         {"LookPic", 2, 2},           {"StopPic", 3, 2},
      {"ExecCmd", 4, 3},            {"DestroyCli", 5, 2},        {"SetSplitterMethod", 6, 2},
      {"SetFullScreen", 7, 1},      {"ShowPropertiesDlgs", 8, 2}, {"GetHostName", 9, 3},
      {"GetWndIndex", 10, 2},       {"GetTotalCameras", 11, 1},  {"GetHostBasicInfo", 12, 2},
      {"SnapPicture", 13, 5},       {"Record", 14, 7},           {"StopRecord", 15, 2},
      {"SetDefaultWnd", 16, 2},     {"ShowInfoDlg", 17, 2},      {"SetBkgndPic", 18, 2},
      {"SetFontColor", 19, 4},      {"Get", 20, 6},              {"Set", 21, 4},
  };
  for (const Member& m : members) {
    SCOPED_TRACE(m.name);
    std::wstring wide(m.name, m.name + strlen(m.name));
    LPOLESTR names[] = {&wide[0]};
    DISPID id = 0;
    ASSERT_EQ(dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), S_OK);
    EXPECT_EQ(id, m.id);
    // One argument too few: all longs, so the count is what fails.
    std::vector<VARIANT> args(m.arguments - 1);
    for (VARIANT& v : args) {
      VariantInit(&v);
      v.vt = VT_I4;
      v.lVal = 0;
    }
    DISPPARAMS params{args.empty() ? nullptr : args.data(), nullptr,
                      static_cast<UINT>(args.size()), 0};
    EXPECT_EQ(dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                               nullptr, nullptr, nullptr),
              DISP_E_BADPARAMCOUNT);
  }
  std::wstring about = L"AboutBox";
  LPOLESTR names[] = {&about[0]};
  DISPID id = 0;
  ASSERT_EQ(dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), S_OK);
  EXPECT_EQ(id, DISPID_ABOUTBOX);
}

TEST_F(TessalyMembers, ThePropertyPageIsListedAndNamedGeneral) {
  test_container::ControlHost host;
  ASSERT_EQ(host.Create(tessaly_test::kProgId, 200, 150, false), S_OK);
  auto pages = host.As<ISpecifyPropertyPages>();
  ASSERT_TRUE(pages);
  CAUUID list{};
  ASSERT_EQ(pages->GetPages(&list), S_OK);
  ASSERT_EQ(list.cElems, 1u);
  EXPECT_TRUE(IsEqualGUID(list.pElems[0], kPageClsid));
  CoTaskMemFree(list.pElems);
  CLSID byProgId{};
  ASSERT_EQ(CLSIDFromProgID(L"TESSALY.TessalyPropPage.1", &byProgId), S_OK);
  EXPECT_TRUE(IsEqualGUID(byProgId, kPageClsid));
  base::ComPtr<IPropertyPage> page;
  ASSERT_EQ(CoCreateInstance(kPageClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IPropertyPage,
                             reinterpret_cast<void**>(page.Receive())),
            S_OK);
  PROPPAGEINFO info{};
  info.cb = sizeof(info);
  ASSERT_EQ(page->GetPageInfo(&info), S_OK);
  EXPECT_STREQ(info.pszTitle, L"General");
  EXPECT_GT(info.size.cx, 0);
  EXPECT_GT(info.size.cy, 0);
  CoTaskMemFree(info.pszTitle);
  CoTaskMemFree(info.pszDocString);
  CoTaskMemFree(info.pszHelpFile);
}

// Before activation the control has no window: every member leaves lRetCode at its first
// value.
TEST_F(TessalyMembers, WithoutAWindowEveryMemberLeavesItsResultAtItsFirstValue) {
  test_container::ControlHost host;
  ASSERT_EQ(host.Create(tessaly_test::kProgId, 200, 150, false), S_OK);
  base::ComPtr<IDispatch> dispatch = host.Dispatch();
  ASSERT_TRUE(dispatch);
  EXPECT_EQ(host.ControlWindow(), nullptr);
  char buffer[1024] = {};
  struct Case {
    const char* name;
    std::function<void(test_container::CallArgs&)> fill;
    long first;
  };
  const Case cases[] = {
      {"SetSplitterMethod", [](auto& a) { a.Long(2).OutLong(7); }, 0},
      {"SetDefaultWnd", [](auto& a) { a.Long(3).OutLong(7); }, 0},
      {"SetFontColor", [](auto& a) { a.Long(1).Long(2).Long(3).OutLong(7); }, 0},
      {"GetWndIndex", [](auto& a) { a.Text("127.0.0.1:80").OutLong(7); }, -1},
      {"SetCliInfo",
       [](auto& a) { a.Long(0).Text("127.0.0.1").Long(80).Text("u").Text("p").Text("n").OutLong(7); },
       0},
      {"GetTotalCameras", [](auto& a) { a.OutLong(7); }, 0},
      {"GetHostName", [&](auto& a) { a.Long(0).Buffer(buffer).OutLong(7); }, 0},
      {"SetFullScreen", [](auto& a) { a.OutLong(7); }, 0},
      {"ExecCmd", [](auto& a) { a.Text("127.0.0.1:80").Long(2).OutLong(7); }, 0},
      {"LookPic", [](auto& a) { a.Text("127.0.0.1:80").OutLong(7); }, 0},
      {"StopPic", [](auto& a) { a.Text("127.0.0.1:80").OutLong(7); }, 0},
      {"DestroyCli", [](auto& a) { a.Text("127.0.0.1:80").OutLong(7); }, 0},
      {"ShowPropertiesDlgs", [](auto& a) { a.Long(0).OutLong(7); }, 0},
      {"GetHostBasicInfo", [](auto& a) { a.Text("127.0.0.1:80").OutLong(7); }, 0},
      {"ShowInfoDlg", [](auto& a) { a.Text("127.0.0.1:80").OutLong(7); }, 0},
      {"SetBkgndPic", [](auto& a) { a.Text("c:\\windows\\none.bmp").OutLong(7); }, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test_container::CallArgs args;
    c.fill(args);
    const auto r = test_container::CallByName(dispatch.Get(), c.name, args);
    EXPECT_EQ(r.hr, S_OK);
    EXPECT_EQ(args.LongAt(args.Count() - 1), c.first);
  }
}

}  // namespace
