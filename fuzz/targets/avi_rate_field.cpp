// The rate patch's walk of an AVI file's header list, over the file image the input is, read
// as the patch reads it: the lead bytes, then the whole header list they announce.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "liveview/record/avi_rate_field.h"
#include "support/fuzz_check.h"

using namespace liveview;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < kAviLeadBytes) return 0;
  const size_t prefix = AviHeaderPrefixSize(data, kAviLeadBytes);
  if (prefix == 0) return 0;
  FUZZ_CHECK(prefix >= kAviLeadBytes && prefix <= kMaxAviHeaderListBytes + 20);
  if (prefix > size) return 0;  // a short file: the patch's read fails
  // A copy of exactly the header list, so that a read past it is caught.
  std::vector<uint8_t> header(data, data + prefix);
  const RateFieldLookup field = FindVideoRateField(header.data(), header.size());
  if (field.status != RateFieldStatus::kFound) return 0;
  FUZZ_CHECK(field.offset >= kAviLeadBytes && field.offset + 4 <= prefix);
  // The rate belongs to a stream header of a video stream: "vids" lies 24 bytes before it,
  // inside a "strh" chunk.
  FUZZ_CHECK(std::memcmp(header.data() + field.offset - 24, "vids", 4) == 0);
  FUZZ_CHECK(std::memcmp(header.data() + field.offset - 32, "strh", 4) == 0);
  return 0;
}
