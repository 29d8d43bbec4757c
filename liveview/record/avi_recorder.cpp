#include "liveview/record/avi_recorder.h"

#include <algorithm>

#include "liveview/record/avi_rate_patch.h"

namespace liveview {

AVISTREAMINFOA RecordStreamInfo(int width, int height) {
  AVISTREAMINFOA info = {};
  info.fccType = streamtypeVIDEO;
  info.fccHandler = mmioFOURCC('M', 'J', 'P', 'G');
  info.dwScale = 1;
  info.dwRate = kInitialRecordRate;
  info.rcFrame = RECT{0, 0, width, height};
  return info;
}

BITMAPINFOHEADER RecordStreamFormat(int width, int height) {
  BITMAPINFOHEADER format = {};
  format.biSize = sizeof format;
  format.biWidth = width;
  format.biHeight = height;
  format.biPlanes = 1;
  format.biBitCount = 24;
  format.biCompression = mmioFOURCC('M', 'J', 'P', 'G');
  return format;
}

CAviRecorder::~CAviRecorder() { ReleaseFile(); }

int CAviRecorder::OpenFile(const char* fileName) {
  if (!fileName) return 0;
  DeleteFileA(fileName);  // a file of that name is replaced; it may not exist
  ReleaseFile();
  if (FAILED(AVIFileOpenA(file_.Receive(), fileName, OF_CREATE | OF_READWRITE, nullptr))) {
    (void)file_.Detach();  // a failed call hands out nothing to release
    return 0;
  }
  SetFileName(fileName);
  return 1;
}

int CAviRecorder::CreateVideoStream(int width, int height) {
  if (!file_) return 0;
  AVISTREAMINFOA info = RecordStreamInfo(width, height);
  base::ComPtr<IAVIStream> stream;
  if (FAILED(AVIFileCreateStreamA(file_.Get(), stream.Receive(), &info))) {
    (void)stream.Detach();
    return 0;
  }
  BITMAPINFOHEADER format = RecordStreamFormat(width, height);
  if (FAILED(AVIStreamSetFormat(stream.Get(), 0, &format, sizeof format))) return 0;
  stream_ = std::move(stream);
  width_ = width;
  height_ = height;
  return 1;
}

int CAviRecorder::WriteFrame(const void* data, int length) {
  if (!stream_ || !data || length <= 0) return 0;
  if (FAILED(AVIStreamWrite(stream_.Get(), framesWritten_, 1, const_cast<void*>(data), length,
                            AVIIF_KEYFRAME, nullptr, nullptr)))
    return 0;
  ++framesWritten_;
  return 1;
}

int CAviRecorder::CloseFile(unsigned framesPerSecond) {
  if (!stream_) {
    // A file whose video stream could not be made holds nothing playable.
    const bool opened = bool(file_);
    ReleaseFile();
    if (opened) DeleteFileA(FileName().c_str());
    return 0;
  }
  AVISTREAMINFOA info = {};
  const bool keep = FAILED(AVIStreamInfoA(stream_.Get(), &info, sizeof info)) ||
                    (info.dwLength > 0 && info.dwSuggestedBufferSize > kMinKeptSampleBytes &&
                     info.rcFrame.right > 0);
  ReleaseFile();  // the library completes the file on disk here
  if (!keep) {
    DeleteFileA(FileName().c_str());
    return 0;
  }
  return PatchRate(framesPerSecond);
}

void CAviRecorder::ReleaseFile() {
  stream_.Reset();
  file_.Reset();
}

int CAviRecorder::PatchRate(unsigned framesPerSecond) {
  // A rate of 0 would make the file unplayable.
  const unsigned rate = std::clamp(framesPerSecond, 1u, kMaxRecordRate);
  return WriteAviVideoRate(FileName(), rate);
}

}  // namespace liveview
