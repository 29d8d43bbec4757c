// What the multipart parsers of a stream work on: a slot's receive and frame buffers and where
// the parse stands. Free of sockets and windows, so the parsers build for any host.
#pragma once

#include <cstdint>
#include <memory>

namespace liveview {

// Parse states of a slot's receive buffer.
enum ParseState : int {
  kParseIdle = 0,
  kParseResponseHeader = 1,  // a response header is expected
  kParsePartHeader = 2,      // a part header is expected
  kParsePartLength = 3,      // the current part's length is known
};

struct StreamParse {
  static constexpr int kReceiveCapacity = 1228800;
  static constexpr int kFrameCapacity = 0x80000;
  static constexpr int kBoundarySize = 52;

  int parseState = kParseIdle;
  int boundarySeen = 0;
  std::unique_ptr<char[]> receiveBuffer;  // kReceiveCapacity + 1 bytes, NUL after the data
  int fill = 0;
  char boundary[kBoundarySize] = {};
  int receiveCapacity = kReceiveCapacity;
  int partLength = 0;
  std::unique_ptr<uint8_t[]> frameBuffer;  // kFrameCapacity bytes, from the first part header
  int frameCapacity = 0;
};

}  // namespace liveview
