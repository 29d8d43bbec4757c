// Whether a file is an AVI with playable video: what the control answers to `Get` code 9.
#pragma once

namespace liveview {

// 1 when the file opens as AVI, has a length, and its first video stream has a rate, frames
// and a sample size; else 0. Takes the AVIFile library (EnsureAviFileLibrary) if not yet held.
int CheckAviFile(const char* fileName);

}  // namespace liveview
