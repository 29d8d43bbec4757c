// libjpeg's standard error manager made silent for live frames, with a way back out of the
// library: a fatal error long-jumps to `exit`, which the caller arms with setjmp around its
// libjpeg calls. Code between the setjmp and the library must hold only trivially
// destructible locals, since the jump skips destructors.
#pragma once

#include <csetjmp>
#include <cstdio>  // jpeglib.h needs FILE

#include <jpeglib.h>

struct JpegErrorManager {
  jpeg_error_mgr pub;  // first member: libjpeg only ever sees this part
  std::jmp_buf exit;
};

// Add-on message codes: the table of the IJG sample applications' image writers.
constexpr int kFirstAddonMessage = 1000;
constexpr int kLastAddonMessage = 1043;
constexpr int kErrBmpColorSpace = 1005;    // "BMP output must be grayscale or RGB"
constexpr int kErrTooManyColors = 1039;

// Fills `manager` with the standard manager, then: fatal errors go to JpegErrorExit,
// messages are never shown or printed, and the add-on table is installed. Returns the
// pointer to store in the decompression object's `err`.
jpeg_error_mgr* InitJpegErrorManager(JpegErrorManager* manager);

// Formats the current message and drops it (a camera stream must never stop on a dialog
// or a console line), then jumps to the manager's `exit`.
[[noreturn]] void JpegErrorExit(j_common_ptr cinfo);
