// A stream slot's recording: started and stopped by the control, fed by the slot's worker.
// Every operation but StopRecordingLocked expects the slot lock held.
#pragma once

#include <cstdint>

#include "stream_slot.h"

namespace liveview {

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
bool StartRecording(StreamSlot& slot, int width, int height, int streamFormat,
                    int kilobitsPerSecond, const char* fileName);
// Writes one received frame unchanged when a recording runs and the decoded size is the
// recording size; 1 when the frame was taken or ended the recording at its size limit.
int AddRecordFrame(StreamSlot& slot, const uint8_t* frame, int length, int decodedWidth,
                   int decodedHeight);
// Always 1; nothing to do without a recorder.
int StopRecording(StreamSlot& slot);
// Takes the slot lock itself.
int StopRecordingLocked(StreamSlot& slot);

}  // namespace liveview
