#include "liveview/stream/stream_parser.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace liveview {
namespace {

constexpr char kBoundaryKey[] = "boundary=";
constexpr char kContentLengthKey[] = "Content-Length:";

// `needle` within the `length` bytes at `data` (which may hold NULs).
const char* FindIn(const char* data, int length, const char* needle) {
  const int n = static_cast<int>(std::strlen(needle));
  for (int i = 0; i + n <= length; ++i) {
    if (std::memcmp(data + i, needle, n) == 0) return data + i;
  }
  return nullptr;
}

// atoi's reading of a decimal number, but without its overflow: anything past the frame
// buffer is only "too large".
long long ReadLength(const char* text) {
  while (*text == ' ' || *text == '\t' || *text == '\r' || *text == '\n' || *text == '\v' ||
         *text == '\f') {
    ++text;
  }
  bool negative = false;
  if (*text == '+' || *text == '-') negative = *text++ == '-';
  long long value = 0;
  while (*text >= '0' && *text <= '9') {
    value = value * 10 + (*text++ - '0');
    if (value > StreamParse::kFrameCapacity) {
      value = static_cast<long long>(StreamParse::kFrameCapacity) + 1;
      break;
    }
  }
  return negative ? -value : value;
}

}  // namespace

int FindLineEnd(const char* data, int length, int from) {
  for (int i = from < 0 ? 0 : from; i + 1 < length; ++i) {
    if (data[i] == '\r' && data[i + 1] == '\n') return i;
  }
  return -1;
}

int ParseHeaderBlock(StreamParse& slot, int length) {
  slot.fill = length;
  slot.receiveBuffer[length] = '\0';
  if (slot.parseState == kParsePartHeader || slot.parseState == kParsePartLength) {
    const int result = ParsePartHeader(slot);
    if (result > 0) {
      slot.parseState = kParsePartLength;
      return result;
    }
    if (result == kParseOversized) return result;
  }
  const int result = ParseResponseHeader(slot);
  if (result < 0) return result;
  slot.parseState = kParsePartHeader;
  return length;
}

int ParseResponseHeader(StreamParse& slot) {
  char* data = slot.receiveBuffer.get();
  const int fill = slot.fill;
  const int statusEnd = FindLineEnd(data, fill, 0);
  if (statusEnd < 0) return kParseMalformed;
  if (FindIn(data, statusEnd, "401")) return kParseNotAuthorised;
  if (!FindIn(data, statusEnd, "200")) return kParseRefused;

  int pos = statusEnd + 2;
  for (;;) {
    if (pos >= fill) return kParseMalformed;  // the data ended before the blank line
    const int end = FindLineEnd(data, fill, pos);
    if (end < 0) return kParseMalformed;
    if (end == pos) {
      pos += 2;
      break;
    }
    if (const char* key = FindIn(data + pos, end - pos, kBoundaryKey)) {
      const char* value = key + sizeof(kBoundaryKey) - 1;
      int n = static_cast<int>(data + end - value);
      if (n > StreamParse::kBoundarySize - 1) n = StreamParse::kBoundarySize - 1;
      std::memcpy(slot.boundary, value, n);
      slot.boundary[n] = '\0';
      slot.boundarySeen = 1;
    }
    pos = end + 2;
  }
  if (slot.boundarySeen != 1) return kParseMalformed;
  const int rest = fill - pos;
  // Without bytes behind the blank line the header stays where it is: a "Content-Length:"
  // it carries counts for the first part.
  if (rest > 0) {
    std::memmove(data, data + pos, rest);
    data[rest] = '\0';
  }
  slot.fill = rest;
  return 0;
}

int ParsePartHeader(StreamParse& slot) {
  if (slot.parseState != kParsePartHeader) return 0;
  slot.partLength = 0;
  const char* key = std::strstr(slot.receiveBuffer.get(), kContentLengthKey);
  if (!key) return 0;
  const long long length = ReadLength(key + sizeof(kContentLengthKey) - 1);
  if (length <= 0) return 0;
  if (length > StreamParse::kFrameCapacity) return kParseOversized;
  if (!slot.frameBuffer) {
    slot.frameBuffer = std::make_unique<uint8_t[]>(StreamParse::kFrameCapacity);
    slot.frameCapacity = StreamParse::kFrameCapacity;
  }
  slot.partLength = static_cast<int>(length);
  return slot.partLength;
}

}  // namespace liveview
