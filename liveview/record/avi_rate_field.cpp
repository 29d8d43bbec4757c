#include "liveview/record/avi_rate_field.h"

#include <cstring>

#include "base/byte_order.h"

namespace liveview {
namespace {

constexpr size_t kChunkHeader = 8;
constexpr size_t kMainHeaderBytes = 56;
constexpr size_t kStreamCountOffset = 24;   // in the main header
constexpr size_t kStreamRateOffset = 24;    // in the stream header
constexpr size_t kStreamRateEnd = kStreamRateOffset + 4;

bool IsFourCc(const uint8_t* p, const char* code) { return std::memcmp(p, code, 4) == 0; }

// A chunk inside [begin, end): its id, and its data span, which must lie wholly inside.
struct Chunk {
  const uint8_t* id = nullptr;
  size_t data = 0;
  size_t size = 0;
  size_t next = 0;  // where the following chunk starts (sizes are padded to even)
};

bool ReadChunk(const uint8_t* bytes, size_t at, size_t end, Chunk* out) {
  if (at > end || end - at < kChunkHeader) return false;
  const uint32_t size = base::ReadLe32(bytes + at + 4);
  if (size > end - at - kChunkHeader) return false;
  out->id = bytes + at;
  out->data = at + kChunkHeader;
  out->size = size;
  out->next = out->data + size + (size & 1);
  return true;
}

// The stream header of one "strl" list; false when the list holds none or it is damaged.
bool FindStreamHeader(const uint8_t* bytes, const Chunk& list, Chunk* header) {
  const size_t end = list.data + list.size;
  for (size_t at = list.data + 4; at < end;) {
    Chunk chunk;
    if (!ReadChunk(bytes, at, end, &chunk)) return false;
    if (IsFourCc(chunk.id, "strh")) {
      *header = chunk;
      return chunk.size >= kStreamRateEnd;
    }
    at = chunk.next;
  }
  return false;
}

}  // namespace

size_t AviHeaderPrefixSize(const uint8_t* data, size_t size) {
  if (size < kAviLeadBytes) return 0;
  if (!IsFourCc(data, "RIFF") || !IsFourCc(data + 8, "AVI ") || !IsFourCc(data + 12, "LIST") ||
      !IsFourCc(data + 20, "hdrl"))
    return 0;
  const uint32_t listSize = base::ReadLe32(data + 16);
  if (listSize < 4 || listSize > kMaxAviHeaderListBytes) return 0;
  return 20 + size_t(listSize);
}

RateFieldLookup FindVideoRateField(const uint8_t* data, size_t size) {
  RateFieldLookup result;
  const size_t prefix = AviHeaderPrefixSize(data, size);
  if (prefix == 0 || prefix > size) return result;
  // The header list must also lie inside the RIFF chunk it belongs to.
  if (prefix > size_t(base::ReadLe32(data + 4)) + kChunkHeader) return result;

  const size_t end = prefix;
  Chunk mainHeader;
  if (!ReadChunk(data, kAviLeadBytes, end, &mainHeader) || !IsFourCc(mainHeader.id, "avih") ||
      mainHeader.size < kMainHeaderBytes)
    return result;
  const uint32_t streams = base::ReadLe32(data + mainHeader.data + kStreamCountOffset);

  uint32_t seen = 0;
  for (size_t at = mainHeader.next; seen < streams;) {
    Chunk chunk;
    if (!ReadChunk(data, at, end, &chunk)) return result;  // fewer streams than declared
    at = chunk.next;
    if (!IsFourCc(chunk.id, "LIST") || chunk.size < 4 || !IsFourCc(data + chunk.data, "strl"))
      continue;
    ++seen;
    Chunk header;
    if (!FindStreamHeader(data, chunk, &header)) return result;
    if (IsFourCc(data + header.data, "vids")) {
      result.status = RateFieldStatus::kFound;
      result.offset = header.data + kStreamRateOffset;
      return result;
    }
  }
  result.status = RateFieldStatus::kNoVideoStream;
  return result;
}

}  // namespace liveview
