// Writes a finished AVI file's video frame rate in place: the rate field of its first video
// stream header and nothing else (the main header stays as the AVIFile library wrote it).
#pragma once

#include <cstdint>
#include <string>

namespace liveview {

// 1 when the rate was written, or when the file holds no video stream to patch. 0 when the
// file cannot be opened, is not a sound AVI header, or the write fails; the file is then left
// in place, never deleted.
int WriteAviVideoRate(const std::string& fileName, uint32_t rate);

}  // namespace liveview
