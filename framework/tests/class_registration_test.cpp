#include "framework/class_registration.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "framework/registry.h"
#include "testing/container/registry_dump.h"

namespace {

// {6E0C2D14-55A1-4F0B-9A7E-3C2B1D0E4F5A}
const CLSID kClsid = {0x6e0c2d14, 0x55a1, 0x4f0b, {0x9a, 0x7e, 0x3c, 0x2b, 0x1d, 0x0e, 0x4f, 0x5a}};
// {B7A5C3D1-0E2F-4A6B-8C9D-1E2F3A4B5C6D}
const GUID kLibid = {0xb7a5c3d1, 0x0e2f, 0x4a6b, {0x8c, 0x9d, 0x1e, 0x2f, 0x3a, 0x4b, 0x5c, 0x6d}};

fw::ControlRegistration Control(unsigned flags) {
  return {
      kClsid, "PLAN.PlanCtrl.1", "Plan Control", "C:\\x\\plan.ocx", 1, flags, 0x20191, kLibid, 1,
      0};
}

bool Has(const std::vector<fw::RegistryEntry>& plan, const std::string& key,
         const std::string& name, const std::string& text) {
  return std::any_of(plan.begin(), plan.end(), [&](const fw::RegistryEntry& e) {
    return e.key == key && e.valueName == name && e.text == text;
  });
}
bool HasKey(const std::vector<fw::RegistryEntry>& plan, const std::string& key) {
  return std::any_of(plan.begin(), plan.end(),
                     [&](const fw::RegistryEntry& e) { return e.key == key; });
}

TEST(ClassRegistration, GuidTextIsBracedUpperCase) {
  EXPECT_EQ(fw::GuidToString(kClsid), "{6E0C2D14-55A1-4F0B-9A7E-3C2B1D0E4F5A}");
}

TEST(ClassRegistration, ControlPlanHoldsEveryKeyHostsLookFor) {
  const auto plan =
      fw::PlanControlRegistration(Control(fw::kRegInsertable | fw::kRegApartmentThreading));
  const std::string k = "CLSID\\{6E0C2D14-55A1-4F0B-9A7E-3C2B1D0E4F5A}";
  EXPECT_TRUE(Has(plan, k, "", "Plan Control"));
  EXPECT_TRUE(Has(plan, k + "\\InprocServer32", "", "C:\\x\\plan.ocx"));
  EXPECT_TRUE(Has(plan, k + "\\InprocServer32", "ThreadingModel", "Apartment"));
  EXPECT_TRUE(Has(plan, k + "\\ProgID", "", "PLAN.PlanCtrl.1"));
  EXPECT_TRUE(HasKey(plan, k + "\\Control"));
  EXPECT_TRUE(HasKey(plan, k + "\\Insertable"));
  EXPECT_TRUE(Has(plan, k + "\\MiscStatus", "", "131473"));  // 0x20191
  EXPECT_TRUE(Has(plan, k + "\\MiscStatus\\1", "", "131473"));
  EXPECT_TRUE(Has(plan, k + "\\ToolboxBitmap32", "", "C:\\x\\plan.ocx, 1"));
  EXPECT_TRUE(Has(plan, k + "\\TypeLib", "", "{B7A5C3D1-0E2F-4A6B-8C9D-1E2F3A4B5C6D}"));
  EXPECT_TRUE(Has(plan, k + "\\Version", "", "1.0"));
  EXPECT_TRUE(Has(plan, "PLAN.PlanCtrl.1", "", "Plan Control"));
  EXPECT_TRUE(Has(plan, "PLAN.PlanCtrl.1\\CLSID", "", "{6E0C2D14-55A1-4F0B-9A7E-3C2B1D0E4F5A}"));
  EXPECT_TRUE(HasKey(plan, "PLAN.PlanCtrl.1\\Insertable"));
}

TEST(ClassRegistration, FlagsDecideInsertableAndThreadingModel) {
  const auto plan = fw::PlanControlRegistration(Control(0));
  EXPECT_FALSE(HasKey(plan, "CLSID\\{6E0C2D14-55A1-4F0B-9A7E-3C2B1D0E4F5A}\\Insertable"));
  EXPECT_FALSE(HasKey(plan, "PLAN.PlanCtrl.1\\Insertable"));
  EXPECT_FALSE(std::any_of(plan.begin(), plan.end(), [](const fw::RegistryEntry& e) {
    return e.valueName == "ThreadingModel";
  }));

  const auto page = fw::PlanPropertyPageRegistration(
      {kClsid, "Plan Property Page", "C:\\x\\plan.ocx", fw::kRegApartmentThreading});
  ASSERT_EQ(page.size(), 3u);
  EXPECT_TRUE(Has(page, "CLSID\\{6E0C2D14-55A1-4F0B-9A7E-3C2B1D0E4F5A}", "", "Plan Property Page"));
}

// The real registry, in a key of the test's own.
TEST(ClassRegistration, RemovingTakesExactlyWhatWritingPutAndLeavesForeignData) {
  const std::string base = "Software\\FwRegistrationTest";
  RegDeleteTreeA(HKEY_CURRENT_USER, base.c_str());
  fw::RegKey root;
  ASSERT_EQ(root.Create(HKEY_CURRENT_USER, base), ERROR_SUCCESS);
  const std::vector<fw::RegistryEntry> plan = {
      {"CLSID\\{A}", "", "Name"},
      {"CLSID\\{A}\\InprocServer32", "", "x.dll"},
      {"CLSID\\{A}\\InprocServer32", "ThreadingModel", "Apartment"},
      {"CLSID\\{A}\\Control", "", "", false},
      {"Prog.1", "", "Name"},
      {"Prog.1\\CLSID", "", "{A}"},
  };
  ASSERT_EQ(fw::WriteRegistryEntries(root.Get(), plan), S_OK);
  EXPECT_EQ(test_container::DefaultValue(root.Get(), "CLSID\\{A}\\InprocServer32"), "x.dll");

  // Someone else's value under the ProgID and another class beside ours.
  fw::RegKey foreign;
  ASSERT_EQ(foreign.Create(root.Get(), "Prog.1"), ERROR_SUCCESS);
  ASSERT_EQ(foreign.SetText("Owner", "other"), ERROR_SUCCESS);
  foreign.Close();
  ASSERT_EQ(foreign.Create(root.Get(), "CLSID\\{B}"), ERROR_SUCCESS);
  foreign.Close();

  ASSERT_EQ(fw::RemoveRegistryEntries(root.Get(), plan), S_OK);
  EXPECT_FALSE(test_container::RegistryKeyExists(root.Get(), "CLSID\\{A}"));
  EXPECT_TRUE(test_container::RegistryKeyExists(root.Get(), "CLSID\\{B}"));
  EXPECT_EQ(test_container::DumpRegistryTree(root.Get(), "Prog.1"),
            (std::vector<std::string>{"Prog.1", "Prog.1: Owner = other"}));
  // A second removal finds nothing to do and says so without failing.
  EXPECT_EQ(fw::RemoveRegistryEntries(root.Get(), plan), S_OK);
  root.Close();
  RegDeleteTreeA(HKEY_CURRENT_USER, base.c_str());
}

// Unregistration after others have changed what this module wrote: only what still holds
// this module's text goes; a class or ProgID another module has taken over stays whole.
TEST(ClassRegistration, RemovalLeavesWhatAnotherModuleWroteSince) {
  const std::string base = "Software\\FwRegistrationTakeover";
  const std::string clsidKey = "CLSID\\{6E0C2D14-55A1-4F0B-9A7E-3C2B1D0E4F5A}";
  struct Change {
    const char* key;
    const char* value;
    const char* text;
  };
  struct Case {
    const char* name;
    Change change;
    std::vector<std::string> kept;  // trees (roots) left exactly as changed
    std::vector<std::string> gone;
  };
  const Case cases[] = {
      {"another module serves the class now",
       {"CLSID\\{6E0C2D14-55A1-4F0B-9A7E-3C2B1D0E4F5A}\\InprocServer32", "", "C:\\y\\other.ocx"},
       {clsidKey, "PLAN.PlanCtrl.1"},
       {}},
      {"the ProgID names another class now",
       {"PLAN.PlanCtrl.1\\CLSID", "", "{00000000-1111-2222-3333-444444444444}"},
       {"PLAN.PlanCtrl.1"},
       {clsidKey}},
      {"one value was changed",
       {"CLSID\\{6E0C2D14-55A1-4F0B-9A7E-3C2B1D0E4F5A}\\InprocServer32", "ThreadingModel", "Both"},
       {},
       {clsidKey + "\\ProgID", clsidKey + "\\MiscStatus", "PLAN.PlanCtrl.1"}},
      {"nothing was changed but the case of the path",
       {"CLSID\\{6E0C2D14-55A1-4F0B-9A7E-3C2B1D0E4F5A}\\InprocServer32", "", "c:\\X\\PLAN.ocx"},
       {},
       {clsidKey, "PLAN.PlanCtrl.1"}},
  };
  const auto plan =
      fw::PlanControlRegistration(Control(fw::kRegInsertable | fw::kRegApartmentThreading));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RegDeleteTreeA(HKEY_CURRENT_USER, base.c_str());
    fw::RegKey root;
    ASSERT_EQ(root.Create(HKEY_CURRENT_USER, base), ERROR_SUCCESS);
    ASSERT_EQ(fw::WriteRegistryEntries(root.Get(), plan), S_OK);
    fw::RegKey changed;
    ASSERT_EQ(changed.Create(root.Get(), c.change.key), ERROR_SUCCESS);
    ASSERT_EQ(changed.SetText(c.change.value, c.change.text), ERROR_SUCCESS);
    changed.Close();
    std::vector<std::vector<std::string>> before;
    for (const std::string& tree : c.kept) {
      before.push_back(test_container::DumpRegistryTree(root.Get(), tree));
    }

    ASSERT_EQ(fw::RemoveRegistryEntries(root.Get(), plan), S_OK);
    for (size_t i = 0; i < c.kept.size(); ++i) {
      EXPECT_EQ(test_container::DumpRegistryTree(root.Get(), c.kept[i]), before[i]) << c.kept[i];
    }
    for (const std::string& key : c.gone) {
      EXPECT_FALSE(test_container::RegistryKeyExists(root.Get(), key)) << key;
    }
    if (std::string(c.change.value) == "ThreadingModel") {
      EXPECT_EQ(test_container::DumpRegistryTree(root.Get(), clsidKey + "\\InprocServer32"),
                (std::vector<std::string>{clsidKey + "\\InprocServer32",
                                          clsidKey + "\\InprocServer32: ThreadingModel = Both"}));
    }
    root.Close();
  }
  RegDeleteTreeA(HKEY_CURRENT_USER, base.c_str());
}

TEST(ClassRegistration, PropertyPageWithAProgIdGetsItsProgIdKey) {
  const std::string k = "CLSID\\{6E0C2D14-55A1-4F0B-9A7E-3C2B1D0E4F5A}";
  const auto page = fw::PlanPropertyPageRegistration(
      {kClsid, "Plan Property Page", "C:\\x\\plan.ocx", 0, "PLAN.PlanPropPage.1"});
  EXPECT_TRUE(Has(page, k, "", "Plan Property Page"));
  EXPECT_TRUE(Has(page, k + "\\InprocServer32", "", "C:\\x\\plan.ocx"));
  EXPECT_TRUE(Has(page, k + "\\ProgID", "", "PLAN.PlanPropPage.1"));
  EXPECT_TRUE(Has(page, "PLAN.PlanPropPage.1", "", "Plan Property Page"));
  EXPECT_TRUE(Has(page, "PLAN.PlanPropPage.1\\CLSID", "", "{6E0C2D14-55A1-4F0B-9A7E-3C2B1D0E4F5A}"));
}

}  // namespace
