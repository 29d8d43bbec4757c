// Self-registration through the system's own regsvr32, checked in the registry before,
// during and after.
#include <gtest/gtest.h>
#include <windows.h>

#include <olectl.h>

#include <algorithm>

#include "framework/class_registration.h"
#include "fwsample_h.h"
#include "sample_classes.h"
#include "sample_fixture.h"
#include "testing/container/child_process.h"
#include "testing/container/registry_dump.h"

namespace {

using test_container::DumpRegistryTree;

std::string Key(REFGUID id) { return fw::GuidToString(id); }

// Everything the sample module could have put into HKEY_CLASSES_ROOT, and any class
// anywhere whose server is the sample's file.
std::vector<std::string> Traces() {
  std::vector<std::string> lines;
  const std::string roots[] = {
      "CLSID\\" + Key(CLSID_Sample),
      "CLSID\\" + Key(CLSID_SampleForm),
      "CLSID\\" + Key(kSamplePageClsid),
      sample::kProgId,
      sample::kFormProgId,
      "TypeLib\\" + Key(LIBID_FwSampleLib),
      "Interface\\" + Key(DIID__DSample),
      "Interface\\" + Key(DIID__DSampleEvents),
      "Interface\\" + Key(IID_ISampleForm),
      "Interface\\" + Key(DIID_ISampleFormEvents),
  };
  for (const std::string& root : roots) {
    const auto tree = DumpRegistryTree(HKEY_CLASSES_ROOT, root);
    lines.insert(lines.end(), tree.begin(), tree.end());
  }
  const std::string path = sample::DllPath();
  for (const std::string& clsid : test_container::SubkeyNames(HKEY_CLASSES_ROOT, "CLSID")) {
    const std::string server =
        test_container::DefaultValue(HKEY_CLASSES_ROOT, "CLSID\\" + clsid + "\\InprocServer32");
    if (lstrcmpiA(server.c_str(), path.c_str()) == 0) lines.push_back("server of " + clsid);
  }
  std::sort(lines.begin(), lines.end());
  lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
  return lines;
}

bool Has(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

std::optional<DWORD> Regsvr32(const std::string& options) {
  return test_container::RunProcess("regsvr32.exe /s " + options + " \"" + sample::DllPath() + "\"",
                                    60000);
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
           "TypeLib\\" + Key(LIBID_FwSampleLib) + "\\1.0",
       }) {
    EXPECT_TRUE(Has(during, line)) << line;
  }
  EXPECT_FALSE(Has(during, "CLSID\\" + Key(CLSID_SampleForm) + "\\Insertable"));
  EXPECT_FALSE(Has(during, "FWSAMPLE.SampleForm.1\\Insertable"));
  EXPECT_TRUE(std::any_of(during.begin(), during.end(), [](const std::string& l) {
    return l.rfind("Interface\\" + Key(DIID__DSampleEvents), 0) == 0;
  }));

  ASSERT_EQ(Regsvr32("/u"), std::optional<DWORD>(0));
  const auto after = Traces();
  EXPECT_EQ(after, before);
  for (const std::string& line : after) ADD_FAILURE() << "left behind: " << line;
}

TEST(Registration, VersionResourceOffersSelfRegistration) {
  const std::string path = sample::DllPath();
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
  ASSERT_GT(size, 0u);
  std::vector<char> data(size);
  ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, data.data()));
  void* value = nullptr;
  UINT length = 0;
  EXPECT_TRUE(
      VerQueryValueA(data.data(), "\\StringFileInfo\\040904B0\\OLESelfRegister", &value, &length));
}

TEST(Registration, UnregisteringWhatIsNotThereReportsTheTypeLibrary) {
  Regsvr32("/u");
  EXPECT_EQ(sample::CallExport("DllUnregisterServer"), static_cast<HRESULT>(SELFREG_E_TYPELIB));
  EXPECT_TRUE(Traces().empty());
}

}  // namespace
