// A stream slot's recording: started and stopped by the control, fed by the slot's worker.
// The slot embeds it and guards it with its own lock, which every operation expects held;
// `cameraIndex` is the wParam of the WM_CAM_RECORD messages the operations post.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>

#include "liveview/record/recorder.h"

namespace liveview {

// No frame for this long counts as a stale feed, which ends a running recording.
constexpr DWORD kStaleFeedMs = 10000;

struct SlotRecording {
  // Kept after a recording stops, until the next one starts.
  std::unique_ptr<CRecorder> recorder;
  int width = 0;
  int height = 0;
  uint32_t totalBytes = 0;      // what the file has grown by through its frames
  uint32_t start = 0;           // record clock (timeGetTime) at the start
  uint32_t lastWritten = 0;     // record clock of the last frame written
  int frameCount = 0;           // frames written
  uint32_t lastFeedTick = 0;    // record clock of the last frame offered, or of the start
};

// A recording stops before its file would grow past this many bytes, well short of the 2 GiB
// where AVI offsets fail; the room left holds the file's headers.
constexpr uint32_t kRecordByteLimit = 0x7FF40000;

// What one frame of `length` bytes adds to the file: its chunk header, its bytes, the pad byte
// of an odd length, and its index entry.
uint64_t RecordedFrameBytes(int length);

// Frames per second from a recording's start to its last frame, measured in milliseconds
// and truncated; 1 when that span is under a second or the quotient is 0.
unsigned MeasuredFrameRate(int frames, uint32_t startMs, uint32_t lastFrameMs);

// Stops a recording the slot already has first. False when the file cannot be created: the
// slot is left with no recorder.
bool StartRecording(SlotRecording& recording, int cameraIndex, int width, int height, int streamFormat,
                    int kilobitsPerSecond, const char* fileName);
// Writes one received frame unchanged when a recording runs and the decoded size is the
// recording size; 1 when the frame was taken or ended the recording at its size limit.
int AddRecordFrame(SlotRecording& recording, int cameraIndex, const uint8_t* frame, int length,
                   int decodedWidth, int decodedHeight);
// Always 1; nothing to do without a recorder.
int StopRecording(SlotRecording& recording, int cameraIndex);
// Ends a running recording whose feed has brought no frame for kStaleFeedMs.
void StopRecordingIfStale(SlotRecording& recording, int cameraIndex);

}  // namespace liveview
