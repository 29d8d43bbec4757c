// Self-registration through the system's own regsvr32, checked in the registry before,
// during and after.
#include <gtest/gtest.h>
#include <windows.h>

#include <olectl.h>

#include <optional>
#include <string>
#include <vector>

#include "framework/class_registration.h"
#include "fwsample_h.h"
#include "sample_classes.h"
#include "sample_fixture.h"
#include "testing/container/child_process.h"
#include "testing/container/module_clients.h"
#include "testing/container/registry_dump.h"

namespace {

using test_container::HasLine;
using test_container::HasLineStartingWith;

using test_container::DumpRegistryTree;

std::string Key(REFGUID id) { return fw::GuidToString(id); }

// Everything the sample module could have put into HKEY_CLASSES_ROOT, and any class
// anywhere whose server is the sample's file.
std::vector<std::string> Traces() {
  return test_container::RegistrationTraces({
      "CLSID\\" + Key(CLSID_Sample),
      "CLSID\\" + Key(CLSID_SampleForm),
      "CLSID\\" + Key(kSamplePageClsid),
      sample::kProgId,
      sample::kFormProgId,
      "FWSAMPLE.SamplePropPage.1",
      "TypeLib\\" + Key(LIBID_FwSampleLib),
      "Interface\\" + Key(DIID__DSample),
      "Interface\\" + Key(DIID__DSampleEvents),
      "Interface\\" + Key(IID_ISampleForm),
      "Interface\\" + Key(DIID_ISampleFormEvents),
  }, sample::DllPath());
}

std::optional<DWORD> Regsvr32(const std::string& options) {
  return test_container::Regsvr32(sample::DllPath(), options);
}

TEST(Registration, Regsvr32RegistersEveryClassAndUnregistersWithoutATrace) {
  Regsvr32("/u");  // whatever an earlier run left
  const auto before = Traces();
  ASSERT_TRUE(before.empty()) << before.front();

  ASSERT_EQ(Regsvr32(""), std::optional<DWORD>(0));
  const auto during = Traces();
  const std::string path = sample::DllPath();
  const std::string control = "CLSID\\" + Key(CLSID_Sample);
  for (const std::string& line : {
           control + ": @ = Sample Control",
           control + "\\InprocServer32: @ = " + path,
           control + "\\InprocServer32: ThreadingModel = Apartment",
           control + "\\ProgID: @ = FWSAMPLE.SampleCtrl.1",
           control + "\\Control",
           control + "\\Insertable",
           control + "\\MiscStatus: @ = 131473",
           control + "\\MiscStatus\\1: @ = 131473",
           control + "\\ToolboxBitmap32: @ = " + path + ", 1",
           control + "\\TypeLib: @ = " + Key(LIBID_FwSampleLib),
           control + "\\Version: @ = 1.0",
           std::string("FWSAMPLE.SampleCtrl.1: @ = Sample Control"),
           "FWSAMPLE.SampleCtrl.1\\CLSID: @ = " + Key(CLSID_Sample),
           std::string("FWSAMPLE.SampleCtrl.1\\Insertable"),
           "CLSID\\" + Key(CLSID_SampleForm) + "\\MiscStatus: @ = 73728",
           "CLSID\\" + Key(kSamplePageClsid) + ": @ = Sample Property Page",
           "CLSID\\" + Key(kSamplePageClsid) + "\\InprocServer32: @ = " + path,
           "CLSID\\" + Key(kSamplePageClsid) + "\\ProgID: @ = FWSAMPLE.SamplePropPage.1",
           std::string("FWSAMPLE.SamplePropPage.1: @ = Sample Property Page"),
           "FWSAMPLE.SamplePropPage.1\\CLSID: @ = " + Key(kSamplePageClsid),
           "TypeLib\\" + Key(LIBID_FwSampleLib) + "\\1.0",
       }) {
    EXPECT_TRUE(HasLine(during, line)) << line;
  }
  EXPECT_FALSE(HasLine(during, "CLSID\\" + Key(CLSID_SampleForm) + "\\Insertable"));
  EXPECT_FALSE(HasLine(during, "FWSAMPLE.SampleForm.1\\Insertable"));
  EXPECT_TRUE(HasLineStartingWith(during, "Interface\\" + Key(DIID__DSampleEvents)));

  ASSERT_EQ(Regsvr32("/u"), std::optional<DWORD>(0));
  const auto after = Traces();
  EXPECT_EQ(after, before);
  for (const std::string& line : after) ADD_FAILURE() << "left behind: " << line;
}

// Another module registers one of the sample's class ids, or takes over one of its ProgIDs,
// after the sample did: the sample's unregistration leaves that registration whole and
// removes everything else it wrote.
TEST(Registration, UnregisteringLeavesWhatAnotherModuleRegisteredSince) {
  const std::string control = "CLSID\\" + Key(CLSID_Sample);
  const std::string otherClass = "{00000000-1111-2222-3333-444444444444}";
  struct Case {
    const char* name;
    std::string key;
    std::string text;
    std::vector<std::string> kept;  // left exactly as the other module made them
  };
  const Case cases[] = {
      {"the control's class id", control + "\\InprocServer32", "C:\\other\\other.ocx",
       {control, sample::kProgId}},
      {"the form's ProgID", std::string(sample::kFormProgId) + "\\CLSID", otherClass,
       {sample::kFormProgId}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Regsvr32("/u");
    ASSERT_EQ(Regsvr32(""), std::optional<DWORD>(0));
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, c.key.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(c.text.c_str()),
                   static_cast<DWORD>(c.text.size() + 1));
    RegCloseKey(key);
    std::vector<std::vector<std::string>> before;
    for (const std::string& tree : c.kept) {
      before.push_back(DumpRegistryTree(HKEY_CLASSES_ROOT, tree));
    }

    ASSERT_EQ(Regsvr32("/u"), std::optional<DWORD>(0));
    std::vector<std::string> left = Traces();
    for (size_t i = 0; i < c.kept.size(); ++i) {
      EXPECT_EQ(DumpRegistryTree(HKEY_CLASSES_ROOT, c.kept[i]), before[i]) << c.kept[i];
      for (const std::string& line : before[i]) {
        left.erase(std::remove(left.begin(), left.end(), line), left.end());
      }
    }
    // What nobody else took is gone.
    for (const std::string& line : left) ADD_FAILURE() << "left behind: " << line;
    for (const std::string& tree : c.kept) RegDeleteTreeA(HKEY_CLASSES_ROOT, tree.c_str());
  }
  EXPECT_TRUE(Traces().empty());
}

TEST(Registration, VersionResourceOffersSelfRegistration) {
  EXPECT_NE(test_container::VersionText(sample::DllPath(), "OLESelfRegister"), "<missing>");
}

TEST(Registration, UnregisteringWhatIsNotThereReportsTheTypeLibrary) {
  Regsvr32("/u");
  EXPECT_EQ(sample::CallExport("DllUnregisterServer"), static_cast<HRESULT>(SELFREG_E_TYPELIB));
  EXPECT_TRUE(Traces().empty());
}

}  // namespace
