#include "liveview/record/slot_recording.h"

#include <windows.h>

#include <algorithm>
#include <climits>
#include <memory>

#include "liveview/record/avi_recorder.h"
#include "liveview/record/avifile_library.h"
#include "liveview/record/record_clock.h"
#include "liveview/record/record_post.h"

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

bool StartRecording(SlotRecording& recording, int cameraIndex, int width, int height, int streamFormat,
                    int kilobitsPerSecond, const char* fileName) {
  // A recorder is never dropped unfinished: its file would stay without index or rate.
  StopRecording(recording, cameraIndex);

  EnsureAviFileLibrary();
  auto recorder = std::make_unique<CAviRecorder>();
  if (!recorder->OpenFile(fileName)) return false;
  recording.width = width;
  recording.height = height;
  recorder->SetStreamFormat(streamFormat);
  recorder->SetBitRate(kilobitsPerSecond);
  // Unchecked: without a stream the first write fails, which stops the recording and
  // deletes the file.
  recorder->CreateVideoStream(width, height);
  recording.recorder = std::move(recorder);

  recording.totalBytes = 0;
  recording.frameCount = 0;
  recording.start = RecordClockNow();
  recording.lastWritten = recording.start;
  PostRecordState(cameraIndex, true, recording.recorder->FileName());
  recording.lastFeedTick = RecordClockNow();
  return true;
}

int AddRecordFrame(SlotRecording& recording, int cameraIndex, const uint8_t* frame, int length,
                   int decodedWidth, int decodedHeight) {
  // Any frame keeps the feed alive, also one of another size that is not written.
  recording.lastFeedTick = RecordClockNow();
  if (!recording.recorder || decodedWidth != recording.width || decodedHeight != recording.height)
    return 0;
  const uint64_t total = recording.totalBytes + RecordedFrameBytes(length);
  if (total > kRecordByteLimit) {
    StopRecording(recording, cameraIndex);
    return 1;
  }
  if (!recording.recorder->WriteFrame(frame, length)) {
    StopRecording(recording, cameraIndex);
    return 0;
  }
  recording.totalBytes = static_cast<uint32_t>(total);
  ++recording.frameCount;
  recording.lastWritten = RecordClockNow();
  return 1;
}

int StopRecording(SlotRecording& recording, int cameraIndex) {
  if (!recording.recorder) return 1;
  // Up to the last frame written: a feed that went silent before the stop does not count.
  const unsigned rate = MeasuredFrameRate(recording.frameCount, recording.start, recording.lastWritten);
  recording.recorder->CloseFile(rate);
  recording.recorder->ReleaseFile();
  PostRecordState(cameraIndex, false, recording.recorder->FileName());
  recording.recorder.reset();
  return 1;
}

void StopRecordingIfStale(SlotRecording& recording, int cameraIndex) {
  if (recording.recorder && RecordClockNow() - recording.lastFeedTick > kStaleFeedMs) {
    StopRecording(recording, cameraIndex);
  }
}

}  // namespace liveview
