// The 6-bit letter encoding behind the password texts of the discovery protocol.
// Unlike RFC 4648 Base64 it never pads: a short last group still yields four letters, the
// missing ones being letter 0 of the alphabet.
#pragma once

#include <string>
#include <string_view>

namespace common {

enum class Encode64Alphabet {
  kCrypt,     // "abc...zABC...Z0123456789./"
  kStandard,  // "ABC...Zabc...z0123456789+/"
};

// Where a short last group's one or two bytes sit in its 24-bit value.
enum class Encode64ShortGroup {
  kHighBits,  // first byte in bits 23-16, as in a full group (the discovery control)
  kLowBits,   // the bytes as a plain number in the low bits (the address-setup tool)
};

// Four letters for every started group of three bytes; empty input gives an empty text.
std::string Encode64(std::string_view bytes, Encode64Alphabet alphabet,
                     Encode64ShortGroup shortGroup = Encode64ShortGroup::kHighBits);

}  // namespace common
