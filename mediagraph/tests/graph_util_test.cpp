#include <dshow.h>
#include <errors.h>
#include <gtest/gtest.h>
#include <windows.h>

#include "mediagraph/media_graph_util.h"

namespace {

using namespace mediagraph;

// Every program of this folder runs its cases in one COM apartment.
class ComEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  }
  void TearDown() override { CoUninitialize(); }
};
const auto* const kCom = ::testing::AddGlobalTestEnvironment(new ComEnvironment);

TEST(LinearScales, VolumeAndBalance) {
  struct Case {
    long linear, volume, balance;
  } cases[] = {
      {0, -10000, 0},    {1, -9247, -753},    {10, -7397, -2603},      {10000, 0, -10000},
      {-1, -10000, 753}, {-10, -10000, 2603}, {-10000, -10000, 10000}, {5000, -752, -9248},
  };
  for (const Case& c : cases) {
    if (c.linear >= 0) {
      EXPECT_EQ(c.volume, LinearToVolume(c.linear)) << c.linear;
    }
    EXPECT_EQ(c.balance, LinearToBalance(c.linear)) << c.linear;
  }
}

TEST(GraphErrors, MessageIsTheSystemTextWithTheCode) {
  struct Case {
    HRESULT code;
    const char* suffix;
  } cases[] = {
      {static_cast<HRESULT>(0x80040216), " ($80040216)."},
      {static_cast<HRESULT>(0x80070002), " ($80070002)."},
      {E_NOTIMPL, " ($80004001)."},
  };
  for (const Case& c : cases) {
    char text[256] = {};
    AMGetErrorTextA(c.code, text, sizeof text);
    EXPECT_EQ(GraphErrorText(c.code), text);
    try {
      CheckGraphResult(c.code);
      ADD_FAILURE() << "no exception for " << std::hex << c.code;
    } catch (const EDirectShowException& e) {
      EXPECT_EQ(std::string(text) + c.suffix, e.what());
      EXPECT_EQ(c.code, e.ResultCode());
      EXPECT_EQ(c.code, e.Code());
    }
  }
  // As Wine words a code it has no text for.
  EXPECT_EQ("Error: 0x80040216 ($80040216).",
            std::string(EDirectShowException(static_cast<HRESULT>(0x80040216)).what()));
  EXPECT_EQ("Error: 0x80040216 ($80040216).",
            std::string(EMediaGraphException(static_cast<HRESULT>(0x80040216)).what()));
  EXPECT_EQ(static_cast<HRESULT>(0x80040216),
            EMediaGraphException(static_cast<HRESULT>(0x80040216)).ResultCode());
}

TEST(GraphErrors, SuccessCodesPassThrough) {
  for (HRESULT code :
       {S_OK, S_FALSE, static_cast<HRESULT>(0x00040242), static_cast<HRESULT>(0x7FFFFFFF)}) {
    EXPECT_EQ(code, CheckGraphResult(code));
  }
}

TEST(RunningObjectTable, ItemNameUsesUpperCaseHexOfTheValues) {
  EXPECT_EQ("FilterGraph 0012ABCD pid 1F",
            RotItemName(reinterpret_cast<IUnknown*>(0x12ABCD), 0x1F));
  EXPECT_EQ("FilterGraph FFFF0000 pid 8", RotItemName(reinterpret_cast<IUnknown*>(0xFFFF0000u), 8));
}

}  // namespace
