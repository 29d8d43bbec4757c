// Walking ANSI text by characters of a code page, so that a double-byte character is never
// split and its trail byte is never taken for an ASCII character of its own.
#pragma once

#include <cstddef>
#include <cstring>
#include <string_view>

namespace common {

// The user's ANSI code page (CP_ACP), without pulling <windows.h> into every header.
constexpr unsigned kAnsiCodePage = 0;

// Bytes of the character that starts at text[pos]: 2 for a lead byte of `codePage` with a byte
// after it, else 1. A lead byte at the very end counts as a character of its own.
size_t CharLengthAt(std::string_view text, size_t pos, unsigned codePage);

// The longest leading part of `text` of at most `maxBytes` bytes that ends on a character
// boundary.
std::string_view CutToCharBoundary(std::string_view text, size_t maxBytes, unsigned codePage);

// Fills a fixed text field with as much of `text` as fits before its NUL, cut at a
// character boundary; the field always ends in a NUL.
template <size_t N>
void CopyToField(char (&field)[N], std::string_view text, unsigned codePage) {
  const std::string_view kept = CutToCharBoundary(text, N - 1, codePage);
  std::memcpy(field, kept.data(), kept.size());
  field[kept.size()] = '\0';
}

}  // namespace common
