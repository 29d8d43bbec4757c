// Recordings of a simulated camera's frames, checked here through Wine's AVIFile library and
// left in the test folder for the Linux-side reader (check_recording.sh).
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "liveview/record/slot_recording.h"
#include "liveview/record/tests/recording_e2e_support.h"
#include "simulator/jpeg_writer.h"
#include "simulator/test_picture.h"

namespace liveview {
namespace {

using namespace testing_support;

// The camera's own JPEG frames handed in at 10 per second of the record clock, as the stream
// client does for each frame it receives.
TEST(RecordingEndToEnd, SimulatedCameraFramesThroughTheSlot) {
  const std::string path = "recording_slot.avi";
  RemoveRecording(path);
  FakeRecordClock clock;
  SlotRecording slot;
  ASSERT_TRUE(StartRecording(slot, 0, 320, 240, kFormatMotionJpeg, 1024, path.c_str()));

  std::vector<std::vector<uint8_t>> frames;
  for (uint32_t n = 0; n < 40; ++n) {
    frames.push_back(camsim::EncodeJpeg(camsim::RenderTestPicture("Record", n, 320, 240), 75));
    ASSERT_FALSE(frames.back().empty());
    clock.Advance(100);
    ASSERT_EQ(1, AddRecordFrame(slot, 0, frames.back().data(), int(frames.back().size()), 320, 240));
  }
  StopRecording(slot, 0);

  const unsigned rate = RateRecordedBy(slot);
  EXPECT_EQ(10u, rate);
  ExpectPlayableRecording(path, frames.size(), 320, 240, rate);
  EXPECT_EQ(frames, ReadAviBack(path).samples);
  WriteRecordingNotes(path, frames.size(), 320, 240, rate, frames);
}

}  // namespace
}  // namespace liveview
