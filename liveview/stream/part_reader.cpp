#include "liveview/stream/part_reader.h"

#include "liveview/stream/stream_parser.h"

namespace liveview {
namespace {

// The part length of the first part of a connection: the response header's own
// "Content-Length:", else the part header that follows it.
bool FindFirstPartLength(StreamParse& parse, PartInput& input, int blockLength) {
  int result = ParsePartHeader(parse);
  if (result == kParseOversized) return false;
  if (result > 0) return true;
  if (input.WaitReadable(kFirstPartWaitMs) <= 0) return false;
  char* buffer = parse.receiveBuffer.get();
  const int more = input.ReadHeaderBlock(buffer + blockLength,
                                         StreamParse::kReceiveCapacity - blockLength);
  if (more <= 0) return false;
  parse.parseState = kParsePartHeader;
  result = ParseHeaderBlock(parse, blockLength + more);
  return result != kParseOversized && parse.partLength > 0;
}

}  // namespace

PartResult ReadStreamPart(StreamParse& parse, PartInput& input, bool frameSeen) {
  parse.fill = 0;
  parse.partLength = 0;
  parse.parseState = kParseResponseHeader;
  const int block = input.ReadHeaderBlock(parse.receiveBuffer.get(), StreamParse::kReceiveCapacity);
  if (input.StopWanted()) return PartResult::kStopped;
  if (block <= 0) return PartResult::kFailed;
  if (frameSeen) parse.parseState = kParsePartHeader;

  const int parsed = ParseHeaderBlock(parse, block);
  if (parsed == kParseNotAuthorised) return PartResult::kNotAuthorised;
  if (parsed <= 0) return PartResult::kFailed;

  if (parse.partLength == 0 && !FindFirstPartLength(parse, input, block)) {
    return PartResult::kFailed;
  }
  if (parse.partLength <= 0 || parse.partLength > parse.frameCapacity) return PartResult::kFailed;

  // The body read waits by itself when nothing of it is there yet.
  if (input.ReadBody(parse.frameBuffer.get(), parse.partLength) < parse.partLength) {
    return PartResult::kFailed;
  }
  return PartResult::kPart;
}

}  // namespace liveview
