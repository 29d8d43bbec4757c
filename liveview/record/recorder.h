// A recording's file writer. The control records motion JPEG only: the frames are written
// exactly as the camera sent them.
#pragma once

#include <string>

namespace liveview {

// Stream formats of a recording; the control always uses kFormatMotionJpeg.
enum RecordFormat : int { kFormatMotionJpeg = 0 };

class CRecorder {
 public:
  CRecorder(const CRecorder&) = delete;
  CRecorder& operator=(const CRecorder&) = delete;
  virtual ~CRecorder() = default;

  // 1 on success, 0 on failure, for each of these.
  virtual int OpenFile(const char* fileName) = 0;
  virtual int CreateVideoStream(int width, int height) = 0;
  virtual int WriteFrame(const void* data, int length) = 0;
  // Completes the file, keeps or deletes it, and patches its rate when kept.
  virtual int CloseFile(unsigned framesPerSecond) = 0;
  virtual void ReleaseFile() = 0;
  virtual int PatchRate(unsigned framesPerSecond) = 0;

  int StreamFormat() const { return streamFormat_; }
  void SetStreamFormat(int format) { streamFormat_ = format; }
  const std::string& FileName() const { return fileName_; }

 protected:
  CRecorder() = default;
  void SetFileName(std::string name) { fileName_ = std::move(name); }

 private:
  int streamFormat_ = kFormatMotionJpeg;
  std::string fileName_;
};

}  // namespace liveview
