// The usable-AVI check: a recording passes; a missing file, a file that is no AVI, a file
// without a video stream and one whose video stream is empty do not.
#include <windows.h>

#include <vfw.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "liveview/cameras/tests/camera_test_support.h"
#include "liveview/record/avi_check.h"
#include "liveview/record/avi_recorder.h"
#include "liveview/record/slot_recording.h"
#include "liveview/record/tests/recording_test_support.h"

namespace liveview {
namespace {

using testing_support::FrameBytes;
using testing_support::TempFolder;

// Writes a file through the AVIFile library with one stream of the given kind and samples.
void WriteAviWithOneStream(const std::string& path, bool video, int samples) {
  EnsureAviFileLibrary();
  base::ComPtr<IAVIFile> file;
  ASSERT_EQ(S_OK, AVIFileOpenA(file.Receive(), path.c_str(), OF_CREATE | OF_WRITE, nullptr));
  base::ComPtr<IAVIStream> stream;
  if (video) {
    AVISTREAMINFOA info = RecordStreamInfo(320, 240);
    ASSERT_EQ(S_OK, AVIFileCreateStreamA(file.Get(), stream.Receive(), &info));
    BITMAPINFOHEADER format = RecordStreamFormat(320, 240);
    ASSERT_EQ(S_OK, AVIStreamSetFormat(stream.Get(), 0, &format, sizeof format));
  } else {
    WAVEFORMATEX format = {};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 1;
    format.nSamplesPerSec = 8000;
    format.wBitsPerSample = 8;
    format.nBlockAlign = 1;
    format.nAvgBytesPerSec = 8000;
    AVISTREAMINFOA info = {};
    info.fccType = streamtypeAUDIO;
    info.dwScale = 1;
    info.dwRate = 8000;
    info.dwSampleSize = 1;
    ASSERT_EQ(S_OK, AVIFileCreateStreamA(file.Get(), stream.Receive(), &info));
    ASSERT_EQ(S_OK, AVIStreamSetFormat(stream.Get(), 0, &format, sizeof format));
  }
  // Video: one frame a sample; audio: every byte a sample, appended at the stream's end.
  const auto data = FrameBytes(4000, 1);
  for (int i = 0; i < samples; ++i) {
    const LONG start = AVIStreamStart(stream.Get()) + AVIStreamLength(stream.Get());
    const LONG count = video ? 1 : LONG(data.size());
    ASSERT_EQ(S_OK, AVIStreamWrite(stream.Get(), start, count, const_cast<uint8_t*>(data.data()),
                                   LONG(data.size()), video ? AVIIF_KEYFRAME : 0, nullptr,
                                   nullptr))
        << "sample " << i;
  }
}

class CheckAviFileTest : public ::testing::Test {
 protected:
  TempFolder folder_;
};

TEST_F(CheckAviFileTest, RecordingIsUsable) {
  SlotRecording slot;
  const std::string path = folder_.File("good.avi");
  ASSERT_TRUE(StartRecording(slot, 0, 320, 240, kFormatMotionJpeg, 0, path.c_str()));
  for (int i = 0; i < 3; ++i) AddRecordFrame(slot, 0, FrameBytes(3000, 1).data(), 3000, 320, 240);
  StopRecording(slot, 0);
  EXPECT_EQ(1, CheckAviFile(path.c_str()));
}

TEST_F(CheckAviFileTest, FilesWithoutPlayableVideoAreRefused) {
  EXPECT_EQ(0, CheckAviFile(folder_.File("missing.avi").c_str()));
  EXPECT_EQ(0, CheckAviFile(nullptr));

  const std::string text = folder_.File("text.avi");
  std::ofstream(text) << "RIFF but not really an AVI file at all";
  EXPECT_EQ(0, CheckAviFile(text.c_str()));

  const std::string audio = folder_.File("audio.avi");
  WriteAviWithOneStream(audio, false, 3);
  EXPECT_EQ(0, CheckAviFile(audio.c_str()));

  const std::string empty = folder_.File("empty.avi");
  WriteAviWithOneStream(empty, true, 0);
  EXPECT_EQ(0, CheckAviFile(empty.c_str()));

  // The same writer with frames gives a usable file, so the refusals above are the content's.
  const std::string video = folder_.File("video.avi");
  WriteAviWithOneStream(video, true, 2);
  EXPECT_EQ(1, CheckAviFile(video.c_str()));
}

TEST_F(CheckAviFileTest, CheckedFileIsNotHeldOpen) {
  const std::string video = folder_.File("released.avi");
  WriteAviWithOneStream(video, true, 2);
  const std::string audio = folder_.File("released-audio.avi");
  WriteAviWithOneStream(audio, false, 2);
  ASSERT_EQ(1, CheckAviFile(video.c_str()));
  ASSERT_EQ(0, CheckAviFile(audio.c_str()));
  // Whatever the outcome, the file and its stream were released: it can be deleted at once.
  EXPECT_TRUE(DeleteFileA(video.c_str()));
  EXPECT_TRUE(DeleteFileA(audio.c_str()));
}

}  // namespace
}  // namespace liveview
