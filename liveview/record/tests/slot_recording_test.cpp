// Recording a stream slot into an AVI file: the rate the file ends with, the files that are
// kept or deleted, the byte limit, and the control window's posts.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/scoped_handle.h"
#include "liveview/cameras/tests/camera_test_support.h"
#include "liveview/notify/tests/control_recorder.h"
#include "liveview/record/avi_recorder.h"
#include "liveview/record/avifile_library.h"
#include "liveview/record/slot_recording.h"
#include "liveview/record/tests/recording_test_support.h"

namespace liveview {
namespace {

using testing_support::FakeRecordClock;
using testing_support::FileExists;
using testing_support::FrameBytes;
using testing_support::ReadAviBack;
using testing_support::ReadLe32At;
using testing_support::ReadWholeFile;
using testing_support::ControlRecorder;
using testing_support::TempFolder;

constexpr int kWidth = 320;
constexpr int kHeight = 240;
constexpr size_t kRateOffset = 132;
constexpr int kCamera = 5;

class SlotRecordingTest : public ::testing::Test {
 protected:
  ~SlotRecordingTest() override { StopRecording(slot_, kCamera); }

  bool Start(const std::string& name) {
    path_ = folder_.File(name);
    return StartRecording(slot_, kCamera, kWidth, kHeight, kFormatMotionJpeg, 2048, path_.c_str());
  }
  int Add(const std::vector<uint8_t>& frame, int width = kWidth, int height = kHeight) {
    return AddRecordFrame(slot_, kCamera, frame.data(), int(frame.size()), width, height);
  }

  TempFolder folder_;
  FakeRecordClock clock_;
  ControlRecorder control_;
  SlotRecording slot_;
  std::string path_;
};

struct RateCase {
  int frames;
  uint32_t durationMs;  // from the start to the last frame
  uint32_t rate;
};

class RecordedRateTest : public SlotRecordingTest,
                         public ::testing::WithParamInterface<RateCase> {};

TEST_P(RecordedRateTest, FileGetsFramesPerSecondUpToTheLastFrameCappedAt30) {
  const RateCase c = GetParam();
  ASSERT_TRUE(Start("rate.avi"));
  const auto frame = FrameBytes(2000, 1);
  const uint32_t start = clock_.Get();
  for (int i = 1; i <= c.frames; ++i) {
    clock_.Set(start + uint32_t(uint64_t(c.durationMs) * i / c.frames));
    ASSERT_EQ(1, Add(frame));
  }
  StopRecording(slot_, kCamera);

  const auto bytes = ReadWholeFile(path_);
  ASSERT_GT(bytes.size(), kRateOffset + 4);
  EXPECT_EQ(c.rate, ReadLe32At(bytes, kRateOffset));
  EXPECT_EQ(c.rate, ReadAviBack(path_).info.dwRate);
}

INSTANTIATE_TEST_SUITE_P(Cases, RecordedRateTest,
                         ::testing::Values(RateCase{600, 30000, 20}, RateCase{300, 10000, 30},
                                           RateCase{1000, 10000, 30}, RateCase{5, 999, 1},
                                           RateCase{7, 2500, 2}, RateCase{250, 9960, 25},
                                           RateCase{15, 2900, 5}),
                         [](const ::testing::TestParamInfo<RateCase>& info) {
                           return std::to_string(info.param.frames) + "In" +
                                  std::to_string(info.param.durationMs) + "Ms";
                         });

TEST_F(SlotRecordingTest, RateCountsUpToTheLastFrameNotAStopAfterSilence) {
  ASSERT_TRUE(Start("silent.avi"));
  const auto frame = FrameBytes(2000, 2);
  for (int i = 0; i < 100; ++i) {
    clock_.Advance(100);
    ASSERT_EQ(1, Add(frame));
  }
  // The feed goes silent; the stale-feed stop comes more than ten seconds later.
  clock_.Advance(10500);
  StopRecording(slot_, kCamera);
  EXPECT_EQ(10u, ReadLe32At(ReadWholeFile(path_), kRateOffset));
}

TEST_F(SlotRecordingTest, FramesAreWrittenUnchangedAsKeyFramesOfAnMjpgStream) {
  ASSERT_TRUE(Start("frames.avi"));
  std::vector<std::vector<uint8_t>> frames;
  for (size_t length : {1500, 2001, 777, 4096}) frames.push_back(FrameBytes(length, uint8_t(length)));
  for (const auto& frame : frames) ASSERT_EQ(1, Add(frame));
  StopRecording(slot_, kCamera);

  const auto back = ReadAviBack(path_);
  ASSERT_TRUE(back.opened);
  EXPECT_EQ(frames, back.samples);
  for (bool key : back.keyFrames) EXPECT_TRUE(key);
  EXPECT_EQ(mmioFOURCC('M', 'J', 'P', 'G'), back.info.fccHandler);
  EXPECT_EQ(1u, back.info.dwScale);
  EXPECT_EQ(kWidth, back.info.rcFrame.right);
  EXPECT_EQ(kHeight, back.info.rcFrame.bottom);

  const BITMAPINFOHEADER expected = RecordStreamFormat(kWidth, kHeight);
  ASSERT_EQ(sizeof expected, back.format.size());
  EXPECT_EQ(0, std::memcmp(&expected, back.format.data(), sizeof expected));
  EXPECT_EQ(40u, expected.biSize);
  EXPECT_EQ(24, expected.biBitCount);
  EXPECT_EQ(mmioFOURCC('M', 'J', 'P', 'G'), expected.biCompression);
}

TEST_F(SlotRecordingTest, StreamIsCreatedAsVideoMjpgAtRate20) {
  const AVISTREAMINFOA info = RecordStreamInfo(kWidth, kHeight);
  AVISTREAMINFOA expected = {};
  expected.fccType = mmioFOURCC('v', 'i', 'd', 's');
  expected.fccHandler = mmioFOURCC('M', 'J', 'P', 'G');
  expected.dwScale = 1;
  expected.dwRate = 20;
  expected.rcFrame = RECT{0, 0, kWidth, kHeight};
  EXPECT_EQ(0, std::memcmp(&expected, &info, sizeof info));
}

TEST_F(SlotRecordingTest, RateIsPatchedAt132AndNothingElseChanges) {
  ASSERT_TRUE(Start("patch.avi"));
  for (int i = 0; i < 3; ++i) ASSERT_EQ(1, Add(FrameBytes(3000, uint8_t(i))));
  // Finish the file without the stop's patch, to compare against.
  slot_.recorder->ReleaseFile();
  const auto before = ReadWholeFile(path_);
  ASSERT_EQ(20u, ReadLe32At(before, kRateOffset));

  ASSERT_EQ(1, slot_.recorder->PatchRate(25));
  slot_.recorder.reset();
  const auto after = ReadWholeFile(path_);
  ASSERT_EQ(before.size(), after.size());
  const uint8_t rate25[] = {0x19, 0x00, 0x00, 0x00};
  EXPECT_EQ(0, std::memcmp(rate25, after.data() + kRateOffset, 4));
  for (size_t i = 0; i < after.size(); ++i) {
    if (i >= kRateOffset && i < kRateOffset + 4) continue;
    ASSERT_EQ(before[i], after[i]) << "byte " << i;
  }
}

// A recorder whose finished file is cut short behind the stream header, as a failing disk
// might leave it, before the rate is patched.
class CutBeforePatchRecorder : public CAviRecorder {
 public:
  int PatchRate(unsigned framesPerSecond) override {
    base::ScopedHandle file(CreateFileA(FileName().c_str(), GENERIC_WRITE, 0, nullptr,
                                      OPEN_EXISTING, 0, nullptr));
    cut = file && SetFilePointer(file.Get(), kCutAt, nullptr, FILE_BEGIN) == kCutAt &&
          SetEndOfFile(file.Get());
    file.Reset();
    return CAviRecorder::PatchRate(framesPerSecond);
  }
  static constexpr DWORD kCutAt = 140;
  bool cut = false;
};

TEST_F(SlotRecordingTest, FailedRatePatchLeavesTheFileInPlaceUnpatched) {
  path_ = folder_.File("kept.avi");
  EnsureAviFileLibrary();
  CutBeforePatchRecorder recorder;
  ASSERT_EQ(1, recorder.OpenFile(path_.c_str()));
  ASSERT_EQ(1, recorder.CreateVideoStream(kWidth, kHeight));
  for (int i = 0; i < 3; ++i) ASSERT_EQ(1, recorder.WriteFrame(FrameBytes(3000, 1).data(), 3000));

  EXPECT_EQ(0, recorder.CloseFile(12));
  ASSERT_TRUE(recorder.cut);
  const auto bytes = ReadWholeFile(path_);
  ASSERT_EQ(CutBeforePatchRecorder::kCutAt, bytes.size()) << "kept, not deleted";
  EXPECT_EQ(kInitialRecordRate, ReadLe32At(bytes, kRateOffset)) << "unpatched";
}

TEST_F(SlotRecordingTest, RecordingStoppedBeforeAnyFrameLeavesNoFile) {
  ASSERT_TRUE(Start("empty.avi"));
  EXPECT_TRUE(FileExists(path_));
  EXPECT_EQ(1, StopRecording(slot_, kCamera));
  EXPECT_FALSE(FileExists(path_));
  EXPECT_FALSE(slot_.recorder);
}

TEST_F(SlotRecordingTest, FileWhoseVideoStreamCouldNotBeMadeIsDeleted) {
  // What a failed AVIFileCreateStream leaves: a file open and no stream.
  EnsureAviFileLibrary();
  path_ = folder_.File("nostream.avi");
  CAviRecorder recorder;
  ASSERT_EQ(1, recorder.OpenFile(path_.c_str()));
  EXPECT_EQ(0, recorder.WriteFrame(FrameBytes(5000, 1).data(), 5000));
  EXPECT_EQ(0, recorder.CloseFile(25));
  EXPECT_FALSE(FileExists(path_));
}

TEST_F(SlotRecordingTest, FramesOfAnotherSizeAreSkippedAndTheEmptyFileDeleted) {
  ASSERT_TRUE(Start("resized.avi"));
  const auto frame = FrameBytes(5000, 3);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(0, Add(frame, 640, 480));
  EXPECT_TRUE(slot_.recorder) << "a frame of another size does not stop the recording";
  EXPECT_EQ(0, slot_.frameCount);
  StopRecording(slot_, kCamera);
  EXPECT_FALSE(FileExists(path_));
}

TEST_F(SlotRecordingTest, FileOfOnlyTinyFramesIsDeleted) {
  ASSERT_TRUE(Start("tiny.avi"));
  ASSERT_EQ(1, Add(FrameBytes(kMinKeptSampleBytes, 4)));
  StopRecording(slot_, kCamera);
  EXPECT_FALSE(FileExists(path_));
}

TEST_F(SlotRecordingTest, StartAndStopArePostedToTheControlWindow) {
  ASSERT_TRUE(Start("posts.avi"));
  EXPECT_EQ((std::vector<std::pair<int, int>>{{kCamera, 1}}), control_.TakeRecordPosts());
  Add(FrameBytes(1000, 5));
  StopRecording(slot_, kCamera);
  StopRecording(slot_, kCamera);  // nothing left to stop: no second post
  EXPECT_EQ((std::vector<std::pair<int, int>>{{kCamera, 0}}), control_.TakeRecordPosts());
}

TEST_F(SlotRecordingTest, StartOnARecordingSlotFinishesTheFirstFile) {
  ASSERT_TRUE(Start("first.avi"));
  const std::string first = path_;
  ASSERT_EQ(1, Add(FrameBytes(3000, 6)));
  ASSERT_TRUE(Start("second.avi"));
  ASSERT_EQ(1, Add(FrameBytes(3000, 7)));
  StopRecording(slot_, kCamera);

  const auto back = ReadAviBack(first);
  ASSERT_TRUE(back.opened) << "the first recording was finished, not dropped";
  EXPECT_EQ(1u, back.samples.size());
  EXPECT_EQ(1u, ReadAviBack(path_).samples.size());
  EXPECT_EQ((std::vector<std::pair<int, int>>{{kCamera, 1}, {kCamera, 0}, {kCamera, 1}, {kCamera, 0}}),
            control_.TakeRecordPosts());
}

TEST_F(SlotRecordingTest, FileThatCannotBeCreatedLeavesNoRecorder) {
  path_ = folder_.File("no such folder\\x.avi");
  EXPECT_FALSE(StartRecording(slot_, kCamera, kWidth, kHeight, kFormatMotionJpeg, 0, path_.c_str()));
  EXPECT_FALSE(StartRecording(slot_, kCamera, kWidth, kHeight, kFormatMotionJpeg, 0, nullptr));
  EXPECT_FALSE(slot_.recorder);
  EXPECT_EQ(0, Add(FrameBytes(1000, 8)));
  EXPECT_TRUE(control_.TakeRecordPosts().empty());
}

TEST_F(SlotRecordingTest, StartReplacesAnExistingFileAndSetsTheFeedTick) {
  path_ = folder_.File("old.avi");
  {
    std::ofstream old(path_, std::ios::binary);
    old << "not a recording";
  }
  slot_.lastFeedTick = 0;
  ASSERT_TRUE(Start("old.avi"));
  EXPECT_NE(0u, slot_.lastFeedTick);
  ASSERT_EQ(1, Add(FrameBytes(3000, 9)));
  StopRecording(slot_, kCamera);
  EXPECT_EQ(1u, ReadAviBack(path_).samples.size());
}

// The file grows by each frame's bytes, its pad byte, its chunk header and its index entry;
// the byte count must follow exactly what the file grows by.
TEST_F(SlotRecordingTest, ByteCountFollowsWhatTheFileGrowsBy) {
  ASSERT_TRUE(Start("one.avi"));
  ASSERT_EQ(1, Add(FrameBytes(1001, 1)));
  const uint32_t oneFrameCount = slot_.totalBytes;
  StopRecording(slot_, kCamera);
  const size_t oneFrameFile = ReadWholeFile(path_).size();

  ASSERT_TRUE(Start("many.avi"));
  ASSERT_EQ(1, Add(FrameBytes(1001, 1)));
  for (size_t length : {1000, 1001, 4097, 600}) ASSERT_EQ(1, Add(FrameBytes(length, 2)));
  const uint32_t manyFramesCount = slot_.totalBytes;
  StopRecording(slot_, kCamera);
  const size_t manyFramesFile = ReadWholeFile(path_).size();

  EXPECT_EQ(RecordedFrameBytes(1001), oneFrameCount);
  EXPECT_EQ(manyFramesFile - oneFrameFile, size_t(manyFramesCount - oneFrameCount));
}

struct LimitCase {
  int length;
  uint32_t roomLeft;  // bytes below the limit when the frame arrives
  bool written;
};

class ByteLimitTest : public SlotRecordingTest, public ::testing::WithParamInterface<LimitCase> {};

TEST_P(ByteLimitTest, FrameThatWouldPassTheLimitEndsTheRecording) {
  const LimitCase c = GetParam();
  ASSERT_TRUE(Start("limit.avi"));
  ASSERT_EQ(1, Add(FrameBytes(2000, 1)));
  control_.TakeRecordPosts();
  slot_.totalBytes = kRecordByteLimit - c.roomLeft;

  EXPECT_EQ(1, Add(FrameBytes(size_t(c.length), 2)));
  EXPECT_EQ(c.written, bool(slot_.recorder));
  if (c.written) {
    EXPECT_EQ(kRecordByteLimit - c.roomLeft + RecordedFrameBytes(c.length), slot_.totalBytes);
    StopRecording(slot_, kCamera);
  } else {
    EXPECT_EQ((std::vector<std::pair<int, int>>{{kCamera, 0}}), control_.TakeRecordPosts());
  }
  EXPECT_EQ(c.written ? 2u : 1u, ReadAviBack(path_).samples.size());
}

// A frame of n bytes adds 8 + n + (n & 1) + 16.
INSTANTIATE_TEST_SUITE_P(Cases, ByteLimitTest,
                         ::testing::Values(LimitCase{1000, 1024, true},
                                           LimitCase{1000, 1023, false},
                                           LimitCase{1001, 1026, true},
                                           LimitCase{1001, 1025, false},
                                           // JPEG bytes alone would still fit here.
                                           LimitCase{1000, 1010, false}),
                         [](const ::testing::TestParamInfo<LimitCase>& info) {
                           return std::to_string(info.param.length) + "BytesWith" +
                                  std::to_string(info.param.roomLeft) + "Left";
                         });

TEST(RecordedFrameBytesTest, CountsHeaderPadAndIndexEntry) {
  EXPECT_EQ(8u + 1000 + 16, RecordedFrameBytes(1000));
  EXPECT_EQ(8u + 1001 + 1 + 16, RecordedFrameBytes(1001));
  // The largest frame the stream client hands in, over a full file, stays short of 2 GiB.
  EXPECT_LT(uint64_t(kRecordByteLimit) + RecordedFrameBytes(0x80000), 0x80000000ull);
}

}  // namespace
}  // namespace liveview
