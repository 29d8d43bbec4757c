// What a stream's end and a frame hand-off do to a slot's recording and window, with a
// recorder that only notes what it is asked to do.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "base/scoped_lock.h"
#include "liveview/notify/control_messages.h"
#include "liveview/record/slot_recording.h"
#include "liveview/stream/stream_worker.h"
#include "liveview/stream/tests/stream_test_support.h"

namespace liveview {
namespace {

using stream_test::PumpFor;
using stream_test::PumpUntil;
using stream_test::StreamFixture;

// Notes the camera and window index its slot still had when the recorder was ended.
struct RecorderNotes {
  bool destroyed = false;
  int cameraAtEnd = -2;
  int windowAtEnd = -2;
  int framesWritten = 0;
};

class NotingRecorder : public CRecorder {
 public:
  NotingRecorder(StreamSlot* slot, RecorderNotes* notes) : slot_(slot), notes_(notes) {}
  ~NotingRecorder() override {
    notes_->destroyed = true;
    notes_->cameraAtEnd = slot_->cameraIndex;
    notes_->windowAtEnd = slot_->windowIndex;
  }
  int OpenFile(const char*) override { return 1; }
  int CreateVideoStream(int, int) override { return 1; }
  int WriteFrame(const void*, int) override {
    ++notes_->framesWritten;
    return 1;
  }
  int CloseFile(unsigned) override { return 0; }
  void ReleaseFile() override {}
  int PatchRate(unsigned) override { return 1; }

 private:
  StreamSlot* slot_;
  RecorderNotes* notes_;
};

class StreamSlotTest : public ::testing::Test, public StreamFixture {};

TEST_F(StreamSlotTest, StreamEndStopsTheRecordingWhileTheSlotStillNamesItsCamera) {
  AddCamera(4);
  ASSERT_EQ(Start(4), 1);
  ASSERT_TRUE(WaitForFrames(4, 1));
  StreamSlot* slot = Manager().SlotByWindow(4);
  ASSERT_NE(slot, nullptr);
  RecorderNotes notes;
  {
    base::CScopedLock hold(slot->lock);
    slot->recording.recorder = std::make_unique<NotingRecorder>(slot, &notes);
  }
  Manager().StopStream(Manager().SlotIndexByWindow(4));
  EXPECT_TRUE(notes.destroyed);
  EXPECT_EQ(notes.cameraAtEnd, 4);
  EXPECT_EQ(notes.windowAtEnd, 4);
  EXPECT_EQ(slot->recording.recorder, nullptr);
}

TEST_F(StreamSlotTest, LeftoverRecorderIsEndedByTheNextWorker) {
  AddCamera(2);
  StreamSlot* slot = Manager().SlotAt(0);
  RecorderNotes notes;
  {
    base::CScopedLock hold(slot->lock);
    slot->recording.recorder = std::make_unique<NotingRecorder>(slot, &notes);
  }
  ASSERT_EQ(Start(2), 1);
  ASSERT_TRUE(PumpUntil([&] {
    base::CScopedLock hold(slot->lock);
    return notes.destroyed;
  }));
  EXPECT_EQ(notes.cameraAtEnd, 2);
  Manager().StopStream(0);
}

TEST_F(StreamSlotTest, FrameThatDoesNotDecodeIsNeverRecorded) {
  StreamSlot slot;
  slot.window = &Window(0);
  slot.recording.width = 320;
  slot.recording.height = 240;
  RecorderNotes notes;
  slot.recording.recorder = std::make_unique<NotingRecorder>(&slot, &notes);
  const std::string garbage(4000, '\x5a');
  {
    base::CScopedLock hold(slot.lock);
    DeliverFrame(reinterpret_cast<const uint8_t*>(garbage.data()),
                 static_cast<int>(garbage.size()), slot);
  }
  EXPECT_EQ(notes.framesWritten, 0);
  EXPECT_NE(slot.recording.lastFeedTick, 0u) << "an undecodable frame still keeps the feed alive";
  slot.recording.recorder.reset();
}

TEST_F(StreamSlotTest, ExceptionPathPostsStoppedAndFreesTheSlot) {
  StreamSlot slot;
  slot.host = "127.0.0.1";
  slot.window = &Window(7);
  slot.windowIndex = 7;
  slot.cameraIndex = 7;
  slot.running.store(1);
  EndAfterException(slot);
  PumpFor(20);
  EXPECT_EQ(Control().States(7), std::vector<int>{kCamStateStopped});
  EXPECT_TRUE(slot.host.empty());
  EXPECT_EQ(slot.window, nullptr);
  EXPECT_EQ(slot.cameraIndex, -1);
  EXPECT_EQ(slot.running.load(), 0);
  EXPECT_EQ(slot.stopRequest.load(), 1);
}

TEST_F(StreamSlotTest, SocketIsClosedOnceByWhoeverTakesItFirst) {
  StreamSlot slot;
  const SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
  ASSERT_NE(s, INVALID_SOCKET);
  slot.socket.store(s);
  CloseSlotSocket(slot);
  EXPECT_EQ(slot.socket.load(), 0u);
  // A second close finds 0 and leaves alone whatever handle has that value now.
  const SOCKET next = socket(AF_INET, SOCK_STREAM, 0);
  CloseSlotSocket(slot);
  int type = 0;
  int size = sizeof(type);
  EXPECT_EQ(getsockopt(next, SOL_SOCKET, SO_TYPE, reinterpret_cast<char*>(&type), &size), 0);
  closesocket(next);
}

}  // namespace
}  // namespace liveview
