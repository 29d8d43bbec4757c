#include "slot_recording.h"

#include <windows.h>

#include <algorithm>
#include <climits>
#include <memory>

#include "avi_recorder.h"
#include "avifile_library.h"
#include "record_clock.h"
#include "record_post.h"
#include "scoped_lock.h"

namespace liveview {
namespace {
constexpr uint64_t kChunkHeaderBytes = 8;
constexpr uint64_t kIndexEntryBytes = 16;
}  // namespace

uint64_t RecordedFrameBytes(int length) {
  const uint64_t bytes = length > 0 ? uint64_t(length) : 0;
  return kChunkHeaderBytes + bytes + (bytes & 1) + kIndexEntryBytes;
}

unsigned MeasuredFrameRate(int frames, uint32_t startMs, uint32_t lastFrameMs) {
  const uint32_t elapsedMs = lastFrameMs - startMs;
  if (elapsedMs < 1000 || frames <= 0) return 1;
  // In milliseconds: the span ends at the last frame, so whole seconds would cut off up to
  // a second of it and make short recordings play fast (250 frames in 9.96 s are 25 fps).
  const uint64_t rate = uint64_t(frames) * 1000 / elapsedMs;
  return rate == 0 ? 1 : unsigned(std::min<uint64_t>(rate, UINT_MAX));
}

bool StartRecording(StreamSlot& slot, int width, int height, int streamFormat,
                    int kilobitsPerSecond, const char* fileName) {
  // A recorder is never dropped unfinished: its file would stay without index or rate.
  StopRecording(slot);

  EnsureAviFileLibrary();
  auto recorder = std::make_unique<CAviRecorder>();
  if (!recorder->OpenFile(fileName)) return false;
  slot.recordWidth = width;
  slot.recordHeight = height;
  recorder->SetStreamFormat(streamFormat);
  recorder->SetBitRate(kilobitsPerSecond);
  // Unchecked: without a stream the first write fails, which stops the recording.
  recorder->CreateVideoStream(width, height);
  slot.recorder = std::move(recorder);

  slot.totalBytes = 0;
  slot.frameCount = 0;
  slot.recordStart = RecordClockNow();
  slot.lastRecordTime = slot.recordStart;
  PostRecordState(slot.cameraIndex, true);
  slot.lastFrameTick = GetTickCount();
  return true;
}

int AddRecordFrame(StreamSlot& slot, const uint8_t* frame, int length, int decodedWidth,
                   int decodedHeight) {
  if (!slot.recorder || decodedWidth != slot.recordWidth || decodedHeight != slot.recordHeight)
    return 0;
  const uint64_t total = slot.totalBytes + RecordedFrameBytes(length);
  if (total > kRecordByteLimit) {
    StopRecording(slot);
    return 1;
  }
  if (!slot.recorder->WriteFrame(frame, length)) {
    StopRecording(slot);
    return 0;
  }
  slot.totalBytes = static_cast<uint32_t>(total);
  ++slot.frameCount;
  slot.lastRecordTime = RecordClockNow();
  return 1;
}

int StopRecording(StreamSlot& slot) {
  if (!slot.recorder) return 1;
  // Up to the last frame written: a feed that went silent before the stop does not count.
  const unsigned rate = MeasuredFrameRate(slot.frameCount, slot.recordStart, slot.lastRecordTime);
  slot.recorder->CloseFile(rate);
  slot.recorder->ReleaseFile();
  PostRecordState(slot.cameraIndex, false);
  slot.recorder.reset();
  return 1;
}

int StopRecordingLocked(StreamSlot& slot) {
  common::CScopedLock hold(slot.lock);
  return StopRecording(slot);
}

}  // namespace liveview
