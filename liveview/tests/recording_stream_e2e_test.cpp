// Recordings of a simulated camera through the real stream client: the worker hands every
// frame to the recorder. The files are checked here through Wine's AVIFile library and left
// in the test folder for the Linux-side reader (check_recording.sh).
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "control_messages.h"
#include "recording_e2e_support.h"
#include "scoped_lock.h"
#include "slot_recording.h"
#include "stream_test_support.h"

namespace liveview {
namespace {

using namespace testing_support;
using stream_test::PumpUntil;
using stream_test::StreamFixture;

constexpr int kCamera = 0;
constexpr DWORD kWaitMs = 30000;

std::vector<int> RecordStates(StreamFixture& f) {
  std::vector<int> states;
  for (const auto& m : f.Control().Messages())
    if (m.message == WM_CAM_RECORD && int(m.wParam) == kCamera) states.push_back(int(m.lParam));
  return states;
}

struct Outcome {
  int frames = 0;
  unsigned rate = 0;
};

Outcome RecordedSoFar(StreamSlot& slot) {
  common::CScopedLock hold(slot.lock);
  return {slot.frameCount, RateRecordedBy(slot)};
}

camsim::CameraConfig Camera320x240(int fps) {
  camsim::CameraConfig config;
  config.width = 320;
  config.height = 240;
  config.fps = fps;
  return config;
}

// The host starts and stops the recording (Record and StopRecord) while frames flow.
TEST(RecordingEndToEnd, SimulatedCameraThroughTheStreamClient) {
  const std::string path = "recording_stream.avi";
  RemoveRecording(path);
  StreamFixture f;
  f.AddCamera(kCamera, Camera320x240(10));
  ASSERT_EQ(1, f.Start(kCamera));
  ASSERT_TRUE(f.WaitForFrames(kCamera, 2, kWaitMs));
  StreamSlot* slot = f.Manager().SlotByWindow(kCamera);
  ASSERT_NE(nullptr, slot);
  {
    common::CScopedLock hold(slot->lock);
    ASSERT_TRUE(StartRecording(*slot, 320, 240, kFormatMotionJpeg, 1024, path.c_str()));
  }
  // Longer than a second, so the rate is measured rather than taken as 1.
  ASSERT_TRUE(PumpUntil(
      [&] {
        common::CScopedLock hold(slot->lock);
        return slot->frameCount >= 30 && slot->lastRecordTime - slot->recordStart >= 3000;
      },
      kWaitMs));
  StopRecordingLocked(*slot);
  const Outcome recorded = RecordedSoFar(*slot);
  ASSERT_TRUE(PumpUntil([&] { return RecordStates(f).size() >= 2; }, kWaitMs));
  EXPECT_EQ((std::vector<int>{1, 0}), RecordStates(f));

  ExpectPlayableRecording(path, size_t(recorded.frames), 320, 240, recorded.rate);
  WriteRecordingNotes(path, size_t(recorded.frames), 320, 240, recorded.rate);
}

// The camera ends the stream; the worker's own reset finishes the recording on its thread.
TEST(RecordingEndToEnd, StreamEndFinishesTheRecordingOnTheWorker) {
  const std::string path = "recording_stream_end.avi";
  RemoveRecording(path);
  StreamFixture f;
  camsim::HttpCamera& camera = f.AddCamera(kCamera, Camera320x240(20));
  f.SetReconnect(0, 1);
  ASSERT_EQ(1, f.Start(kCamera));
  ASSERT_TRUE(f.WaitForFrames(kCamera, 2, kWaitMs));
  StreamSlot* slot = f.Manager().SlotByWindow(kCamera);
  ASSERT_NE(nullptr, slot);
  {
    common::CScopedLock hold(slot->lock);
    ASSERT_TRUE(StartRecording(*slot, 320, 240, kFormatMotionJpeg, 0, path.c_str()));
  }
  ASSERT_TRUE(PumpUntil(
      [&] {
        common::CScopedLock hold(slot->lock);
        return slot->frameCount >= 20 && slot->lastRecordTime - slot->recordStart >= 2000;
      },
      kWaitMs));
  camera.Stop();  // closes the running connection; without reconnect the worker ends

  ASSERT_TRUE(PumpUntil([&] { return RecordStates(f).size() >= 2; }, kWaitMs));
  EXPECT_EQ((std::vector<int>{1, 0}), RecordStates(f));
  const Outcome recorded = RecordedSoFar(*slot);
  ExpectPlayableRecording(path, size_t(recorded.frames), 320, 240, recorded.rate);
  WriteRecordingNotes(path, size_t(recorded.frames), 320, 240, recorded.rate);
}

// The camera sends 640 x 480 while the recording was asked for 320 x 240: nothing is written,
// the recording goes on until stopped, and its empty file is deleted.
TEST(RecordingEndToEnd, PicturesOfAnotherSizeAreNotRecorded) {
  const std::string path = "recording_other_size.avi";
  RemoveRecording(path);
  StreamFixture f;
  camsim::CameraConfig config = Camera320x240(20);
  config.width = 640;
  config.height = 480;
  f.AddCamera(kCamera, config);
  ASSERT_EQ(1, f.Start(kCamera));
  ASSERT_TRUE(f.WaitForFrames(kCamera, 2, kWaitMs));
  StreamSlot* slot = f.Manager().SlotByWindow(kCamera);
  ASSERT_NE(nullptr, slot);
  {
    common::CScopedLock hold(slot->lock);
    ASSERT_TRUE(StartRecording(*slot, 320, 240, kFormatMotionJpeg, 0, path.c_str()));
  }
  const int before = f.Control().CountState(kCamera, kCamStateFrame);
  ASSERT_TRUE(f.WaitForFrames(kCamera, before + 10, kWaitMs));
  {
    common::CScopedLock hold(slot->lock);
    EXPECT_TRUE(slot->recorder) << "still recording";
    EXPECT_EQ(0, slot->frameCount);
  }
  StopRecordingLocked(*slot);
  EXPECT_FALSE(FileExists(path));
}

}  // namespace
}  // namespace liveview
