// Records motion JPEG into an AVI file through the Windows AVIFile library: one video stream
// "MJPG", one key-frame sample per camera frame, the frame's bytes unchanged.
#pragma once

#include <windows.h>

#include <vfw.h>

#include "base/com_ptr.h"
#include "liveview/record/recorder.h"

namespace liveview {

// The rate a new file's stream is created with; the real one is patched in when it ends.
constexpr DWORD kInitialRecordRate = 20;
// Above this the measured rate is written as this.
constexpr unsigned kMaxRecordRate = 30;
// A file is kept only when its stream's largest sample is above this (a real JPEG frame).
constexpr DWORD kMinKeptSampleBytes = 512;

// The stream info and format a recording of width x height is created with.
AVISTREAMINFOA RecordStreamInfo(int width, int height);
BITMAPINFOHEADER RecordStreamFormat(int width, int height);

// The AVIFile library must be initialised (EnsureAviFileLibrary) before OpenFile.
class CAviRecorder : public CRecorder {
 public:
  CAviRecorder() = default;
  ~CAviRecorder() override;

  int OpenFile(const char* fileName) override;
  int CreateVideoStream(int width, int height) override;
  int WriteFrame(const void* data, int length) override;
  int CloseFile(unsigned framesPerSecond) override;
  void ReleaseFile() override;
  int PatchRate(unsigned framesPerSecond) override;

  // As the host gave it; it does not change what is written.
  void SetBitRate(int kilobitsPerSecond) { bitRate_ = kilobitsPerSecond; }
  int BitRate() const { return bitRate_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  int FramesWritten() const { return framesWritten_; }

 private:
  int width_ = 0;
  int height_ = 0;
  int bitRate_ = 0;
  base::ComPtr<IAVIFile> file_;
  base::ComPtr<IAVIStream> stream_;
  int framesWritten_ = 0;
};

}  // namespace liveview
