// The registered Vantrel.ocx for the record browser's surface tests: registration for the
// program's length, the catalogue of the host (this program's folder) emptied before each
// case, real media files, and the windows of a hosted control.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "VantrelProj_h.h"

namespace vantrel_test {

constexpr char kProgId[] = "VantrelProj.Vantrel";
constexpr char kParkingClass[] = "VantrelFormParking";

enum Event : DISPID {
  kOnActivate = 201,
  kOnClick = 202,
  kOnCreate = 203,
  kOnDblClick = 204,
  kOnDestroy = 205,
  kOnDeactivate = 206,
  kOnKeyPress = 207,
  kOnPaint = 208,
  kOnRemoved = 209,
};

std::string OcxPath();

// Records.ini (read-only or not) and the thumbnails of `folder` (with its trailing
// backslash) gone, and the profile functions' cache of the file dropped.
void EmptyCatalogue(const std::string& folder);
std::string ReadProfile(const std::string& iniPath, const std::string& section,
                        const std::string& key);

// A real 160 x 120 JPEG picture at `path`; false when it cannot be written.
bool WritePicture(const std::string& path);

// The form's window inside a control's window, and a descendant of `root` by class (and
// text, when given).
HWND FormWindow(HWND control);
HWND FindDescendant(HWND root, const char* className, const wchar_t* text = nullptr);
HWND TreeWindow(HWND control);
// Every node of the tree, and the texts of its roots.
int TreeCount(HWND tree);
// Pumps messages until the tree holds `nodes` nodes: a record shows once its thumbnail is
// made.
bool WaitForNodes(HWND tree, int nodes);
std::vector<std::wstring> RootTexts(HWND tree);
std::wstring SelectedText(HWND tree);

class RegisteredVantrel : public ::testing::Test {
 protected:
  static void SetUpTestSuite();
  static void TearDownTestSuite();
  void SetUp() override;
  void TearDown() override;

  // This program's folder: the host's, where the control keeps its catalogue.
  std::string folder_;
  std::string picture_;  // a JPEG picture in a folder of its own

  static inline bool registered_ = false;
};

}  // namespace vantrel_test
