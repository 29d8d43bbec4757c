// What the end-to-end recording tests share: checking a finished recording through Wine's
// AVIFile library, and the notes the Linux-side reader (check_recording.sh) compares with.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "common/md5.h"
#include "liveview/decode/jpeg_decoder.h"
#include "liveview/record/avi_recorder.h"
#include "liveview/record/slot_recording.h"
#include "liveview/record/tests/recording_test_support.h"

namespace liveview {
namespace testing_support {

// The rate the recorder wrote when it stopped, from the slot's own count and times.
inline unsigned RateRecordedBy(const SlotRecording& slot) {
  return std::clamp(MeasuredFrameRate(slot.frameCount, slot.start, slot.lastWritten),
                    1u, kMaxRecordRate);
}

// Every sample, read back through the AVIFile library, is a key frame that decodes to the
// recording's size; the stream has the expected count and rate.
inline void ExpectPlayableRecording(const std::string& path, size_t frames, int width,
                                    int height, unsigned rate) {
  const AviReadBack back = ReadAviBack(path);
  ASSERT_TRUE(back.opened) << path;
  EXPECT_EQ(mmioFOURCC('M', 'J', 'P', 'G'), back.info.fccHandler);
  EXPECT_EQ(rate, back.info.dwRate);
  EXPECT_EQ(1u, back.info.dwScale);
  ASSERT_EQ(frames, back.samples.size());
  CJpegDecoder decoder;
  for (size_t i = 0; i < back.samples.size(); ++i) {
    const auto& sample = back.samples[i];
    EXPECT_TRUE(back.keyFrames[i]) << "frame " << i;
    ASSERT_EQ(1, decoder.Decode(sample.data(), int(sample.size()))) << "frame " << i;
    decoder.GetInfoHeader();
    EXPECT_EQ(width, decoder.GetWidth()) << "frame " << i;
    EXPECT_EQ(height, decoder.GetHeight()) << "frame " << i;
    decoder.EndFrame();
  }
}

inline std::string Md5Text(const std::vector<uint8_t>& bytes) {
  const auto digest = common::ComputeMd5(
      std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  std::string text;
  if (!digest) return text;
  for (uint8_t b : *digest) {
    char hex[3];
    std::snprintf(hex, sizeof hex, "%02x", b);
    text += hex;
  }
  return text;
}

// FILE.avi.txt beside the recording; `frames` lists the recorded frames when known.
inline void WriteRecordingNotes(const std::string& path, size_t frameCount, int width,
                                int height, unsigned rate,
                                const std::vector<std::vector<uint8_t>>& frames = {}) {
  std::ofstream notes(path + ".txt", std::ios::binary | std::ios::trunc);
  notes << "frames=" << frameCount << "\nwidth=" << width << "\nheight=" << height
        << "\nrate=" << rate << "\n";
  for (const auto& frame : frames) notes << "md5=" << Md5Text(frame) << "\n";
}

// A fresh start: neither an old recording nor old notes can be read for this run's.
inline void RemoveRecording(const std::string& path) {
  DeleteFileA(path.c_str());
  DeleteFileA((path + ".txt").c_str());
}

}  // namespace testing_support
}  // namespace liveview
