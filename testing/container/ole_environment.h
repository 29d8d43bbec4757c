// OLE for the whole of a test program's main thread, as a control's host has it: register
// once per program with
//   const auto* const g_ole = ::testing::AddGlobalTestEnvironment(new OleEnvironment);
#pragma once

#include <ole2.h>

#include <gtest/gtest.h>

namespace test_container {

class OleEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { ASSERT_EQ(OleInitialize(nullptr), S_OK); }
  void TearDown() override { OleUninitialize(); }
};

}  // namespace test_container
