// Test helpers for the camera table and the layers above it: names that resolve without a
// network, a private temporary folder for settings files, the default settings.
#pragma once

#include <gtest/gtest.h>

#include "liveview/cameras/camera_record.h"
#include "temp_folder.h"

namespace liveview {
namespace testing_support {

// Names that resolve without any network, and one that never resolves.
inline constexpr char kLoopbackAddress[] = "127.0.0.1";
inline constexpr char kLoopbackName[] = "localhost";
inline constexpr char kUnresolvableName[] = "no-such-host.invalid";

using ::testing_support::ReadLines;
using ::testing_support::TempFolder;
using ::testing_support::WriteTextFile;

// The five settings as a fresh table and a missing settings file give them.
inline void ExpectDefaultSettings(const CameraSettings& s) {
  EXPECT_EQ(s.autoInvite, 1);
  EXPECT_EQ(s.splitter, 4);
  EXPECT_EQ(s.showSubtitle, 1);
  EXPECT_EQ(s.reconnect, 1);
  EXPECT_EQ(s.interval, 5);
}

}  // namespace testing_support
}  // namespace liveview
