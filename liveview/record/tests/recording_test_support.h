// Test helpers for recording: a record clock the test drives, files read whole, and an AVI
// file read back through the AVIFile library.
#pragma once

#include <windows.h>

#include <vfw.h>

#include <atomic>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "base/com_ptr.h"
#include "liveview/record/avifile_library.h"
#include "liveview/record/record_clock.h"

namespace liveview {
namespace testing_support {

// Replaces the record clock for the test's life; the test moves it with Set.
class FakeRecordClock {
 public:
  explicit FakeRecordClock(uint32_t start = 1000) {
    Now().store(start);
    SetRecordClock(&Read);
  }
  ~FakeRecordClock() { SetRecordClock(nullptr); }
  FakeRecordClock(const FakeRecordClock&) = delete;
  FakeRecordClock& operator=(const FakeRecordClock&) = delete;

  void Set(uint32_t ms) { Now().store(ms); }
  void Advance(uint32_t ms) { Now() += ms; }
  uint32_t Get() const { return Now().load(); }

 private:
  static std::atomic<uint32_t>& Now() {
    static std::atomic<uint32_t> now{0};
    return now;
  }
  static uint32_t Read() { return Now().load(); }
};

inline std::vector<uint8_t> ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

inline bool FileExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

inline uint32_t ReadLe32At(const std::vector<uint8_t>& bytes, size_t at) {
  return uint32_t(bytes[at]) | uint32_t(bytes[at + 1]) << 8 | uint32_t(bytes[at + 2]) << 16 |
         uint32_t(bytes[at + 3]) << 24;
}

// Bytes that stand for a frame: the recorder writes them as they are.
inline std::vector<uint8_t> FrameBytes(size_t length, uint8_t seed) {
  std::vector<uint8_t> frame(length);
  for (size_t i = 0; i < length; ++i) frame[i] = uint8_t(seed + i * 7);
  return frame;
}

// An AVI file's first video stream as the AVIFile library reads it back.
struct AviReadBack {
  bool opened = false;
  AVISTREAMINFOA info = {};
  std::vector<uint8_t> format;
  std::vector<std::vector<uint8_t>> samples;
  std::vector<bool> keyFrames;
};

inline AviReadBack ReadAviBack(const std::string& path) {
  EnsureAviFileLibrary();
  AviReadBack result;
  base::ComPtr<IAVIFile> file;
  if (FAILED(AVIFileOpenA(file.Receive(), path.c_str(), OF_READ, nullptr))) {
    (void)file.Detach();
    return result;
  }
  base::ComPtr<IAVIStream> stream;
  if (FAILED(AVIFileGetStream(file.Get(), stream.Receive(), streamtypeVIDEO, 0))) {
    (void)stream.Detach();
    return result;
  }
  if (FAILED(AVIStreamInfoA(stream.Get(), &result.info, sizeof result.info))) return result;
  LONG formatSize = 0;
  AVIStreamReadFormat(stream.Get(), 0, nullptr, &formatSize);
  result.format.resize(formatSize > 0 ? size_t(formatSize) : 0);
  if (formatSize > 0) AVIStreamReadFormat(stream.Get(), 0, result.format.data(), &formatSize);
  const LONG end = AVIStreamStart(stream.Get()) + AVIStreamLength(stream.Get());
  for (LONG i = AVIStreamStart(stream.Get()); i < end; ++i) {
    LONG bytes = 0;
    if (FAILED(AVIStreamRead(stream.Get(), i, 1, nullptr, 0, &bytes, nullptr))) return result;
    std::vector<uint8_t> sample(bytes > 0 ? size_t(bytes) : 0);
    if (bytes > 0 && FAILED(AVIStreamRead(stream.Get(), i, 1, sample.data(), bytes, nullptr,
                                          nullptr)))
      return result;
    result.samples.push_back(std::move(sample));
    result.keyFrames.push_back(AVIStreamIsKeyFrame(stream.Get(), i));
  }
  result.opened = true;
  return result;
}

}  // namespace testing_support
}  // namespace liveview
