// Recordings of a simulated camera through the real stream client: the worker hands every
// frame to the recorder. The files are checked here through Wine's AVIFile library and left
// in the test folder for the Linux-side reader (check_recording.sh).
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "base/scoped_lock.h"
#include "liveview/notify/control_messages.h"
#include "liveview/record/slot_recording.h"
#include "liveview/stream/stream_worker.h"
#include "liveview/record/tests/recording_e2e_support.h"
#include "liveview/stream/tests/stream_test_support.h"

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
  base::CScopedLock hold(slot.lock);
  return {slot.recording.frameCount, RateRecordedBy(slot.recording)};
}

// Once the camera streams, starts a 320 x 240 recording on its slot. The slot, or nullptr
// (with the failure reported) when the stream or the recording does not start.
StreamSlot* StartRecordingOnStream(StreamFixture& f, const std::string& path, int kilobits) {
  if (!f.WaitForFrames(kCamera, 2, kWaitMs)) {
    ADD_FAILURE() << "the camera sent no frames";
    return nullptr;
  }
  StreamSlot* slot = f.Manager().SlotByWindow(kCamera);
  if (!slot) {
    ADD_FAILURE() << "the camera has no stream slot";
    return nullptr;
  }
  base::CScopedLock hold(slot->lock);
  if (!StartRecording(slot->recording, slot->cameraIndex, 320, 240, kFormatMotionJpeg, kilobits, path.c_str())) {
    ADD_FAILURE() << "the recording did not start";
    return nullptr;
  }
  return slot;
}

// Lets the recording run until `frames` frames are written over at least `spanMs`.
bool RecordAtLeast(StreamSlot& slot, int frames, uint32_t spanMs) {
  return PumpUntil(
      [&] {
        base::CScopedLock hold(slot.lock);
        return slot.recording.frameCount >= frames &&
               slot.recording.lastWritten - slot.recording.start >= spanMs;
      },
      kWaitMs);
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
  StreamSlot* slot = StartRecordingOnStream(f, path, 1024);
  ASSERT_NE(nullptr, slot);
  // Longer than a second, so the rate is measured rather than taken as 1.
  ASSERT_TRUE(RecordAtLeast(*slot, 30, 3000));
  StopSlotRecording(*slot);
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
  StreamSlot* slot = StartRecordingOnStream(f, path, 0);
  ASSERT_NE(nullptr, slot);
  ASSERT_TRUE(RecordAtLeast(*slot, 20, 2000));
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
  StreamSlot* slot = StartRecordingOnStream(f, path, 0);
  ASSERT_NE(nullptr, slot);
  const int before = f.Control().CountState(kCamera, kCamStateFrame);
  ASSERT_TRUE(f.WaitForFrames(kCamera, before + 10, kWaitMs));
  {
    base::CScopedLock hold(slot->lock);
    EXPECT_TRUE(slot->recording.recorder) << "still recording";
    EXPECT_EQ(0, slot->recording.frameCount);
  }
  StopSlotRecording(*slot);
  EXPECT_FALSE(FileExists(path));
}

}  // namespace
}  // namespace liveview
