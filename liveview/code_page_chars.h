// Walking ANSI text by characters of a code page, so that a double-byte character is never
// split and its trail byte is never taken for an ASCII character of its own.
#pragma once

#include <cstddef>
#include <string_view>

namespace liveview {

// The user's ANSI code page (CP_ACP), without pulling <windows.h> into every header.
constexpr unsigned kAnsiCodePage = 0;

// Bytes of the character that starts at text[pos]: 2 for a lead byte of `codePage` with a byte
// after it, else 1. A lead byte at the very end counts as a character of its own.
size_t CharLengthAt(std::string_view text, size_t pos, unsigned codePage);

// The longest leading part of `text` of at most `maxBytes` bytes that ends on a character
// boundary.
std::string_view CutToCharBoundary(std::string_view text, size_t maxBytes, unsigned codePage);

}  // namespace liveview
