// Base64 (RFC 4648, standard alphabet, "=" padding, one line with no breaks).
// The settings file stores passwords in it and HTTP Basic credentials travel in it; both
// have fixed-size fields, so every call takes the caller's limit and fails rather than cut.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace common {

// Characters the encoded form of `byteCount` bytes takes, without a terminating NUL.
constexpr size_t Base64EncodedLength(size_t byteCount) { return (byteCount + 2) / 3 * 4; }

// The encoded text, or nothing when it would be longer than `maxChars` characters.
std::optional<std::string> Base64Encode(std::string_view bytes, size_t maxChars);

// C-area form: writes the text and its NUL into out[0..outSize). Returns false, with out
// untouched, when text and NUL do not fit.
bool Base64EncodeTo(std::string_view bytes, char* out, size_t outSize);

// The decoded bytes, or nothing when `text` is not canonical Base64 (length not a multiple
// of four, a character outside the alphabet, misplaced padding) or decodes to more than
// `maxBytes` bytes.
std::optional<std::string> Base64Decode(std::string_view text, size_t maxBytes);

}  // namespace common
