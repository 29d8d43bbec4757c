// Byte-level reading of a camera's multipart answer: the response header, then one part
// header per frame. Works on a slot's receive buffer only; no socket or window is touched.
#pragma once

#include "liveview/stream/stream_parse_state.h"

namespace liveview {

// Results of the parsers besides a length.
enum ParseResult : int {
  kParseMalformed = -1,      // no status line, a line cut off, or no "boundary="
  kParseRefused = -2,        // a status line without "200"
  kParseNotAuthorised = -3,  // a status line with "401"
  kParseOversized = -4,      // a part longer than the frame buffer
};

// Position of the next CR LF at or after `from` within `length` bytes, or -1.
int FindLineEnd(const char* data, int length, int from);

// Takes the `length` bytes now at the start of the receive buffer (a NUL is written after
// them). In parse state 2 or 3 a part header with a usable length gives that length and
// state 3; kParseOversized is returned as it is. Otherwise the block is read as a response
// header: a negative result is returned, success gives state 2 and the block length.
int ParseHeaderBlock(StreamParse& slot, int length);

// Over the slot's `fill` bytes. 0 on success, with `fill` the count of the bytes after the
// blank line, moved to the start of the buffer (with none, the header stays there); else kParseMalformed, kParseRefused or
// kParseNotAuthorised. The boundary text keeps at most kBoundarySize - 1 characters.
int ParseResponseHeader(StreamParse& slot);

// Only in parse state 2 (else 0). Sets the part length from "Content-Length:" in the buffer
// and gives it; 0 when there is none or it is not positive; kParseOversized (and part
// length 0) when it exceeds the frame buffer. The frame buffer is made on the first
// usable length.
int ParsePartHeader(StreamParse& slot);

}  // namespace liveview
