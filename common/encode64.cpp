#include "common/encode64.h"

namespace common {
namespace {

constexpr char kCryptLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789./";
constexpr char kStandardLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

}  // namespace

std::string Encode64(std::string_view bytes, Encode64Alphabet alphabet,
                     Encode64ShortGroup shortGroup) {
  const char* letters = alphabet == Encode64Alphabet::kCrypt ? kCryptLetters : kStandardLetters;
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  for (size_t i = 0; i < bytes.size(); i += 3) {
    const size_t count = bytes.size() - i < 3 ? bytes.size() - i : 3;
    unsigned value = 0;
    for (size_t k = 0; k < count; ++k) value = value << 8 | static_cast<unsigned char>(bytes[i + k]);
    if (shortGroup == Encode64ShortGroup::kHighBits) value <<= 8 * (3 - count);
    out += letters[value >> 18 & 63];
    out += letters[value >> 12 & 63];
    out += letters[value >> 6 & 63];
    out += letters[value & 63];
  }
  return out;
}

}  // namespace common
