// The characters a camera's name and user name may not hold. The modify dialog refuses them
// and the settings loader removes them, so a name the loader keeps is one the dialog accepts.
#pragma once

#include <string>
#include <string_view>

#include "common/code_page_chars.h"

namespace liveview {

// Backslash, slash, colon, asterisk, question mark, double quote, less-than, greater-than,
// vertical bar: the dialog's note lists them in this order.
inline constexpr char InvalidNameChars[] = "\\/:*?\"<>|";

// True when `text` holds a one-byte character that is in `set`. The text is walked by
// characters of `codePage`, so the trail byte of a double-byte character (0x5C and 0x7C occur
// in code page 936) never counts. False for an empty text.
bool HasInvalidChar(std::string_view text, std::string_view set,
                    unsigned codePage = common::kAnsiCodePage);

// `text` without its characters from InvalidNameChars, walked the same way, so a double-byte
// character is kept whole.
std::string StripInvalidChars(std::string_view text, unsigned codePage = common::kAnsiCodePage);

}  // namespace liveview
