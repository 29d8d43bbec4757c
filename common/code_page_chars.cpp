#include "common/code_page_chars.h"

#include <windows.h>

namespace common {

size_t CharLengthAt(std::string_view text, size_t pos, unsigned codePage) {
  if (pos + 1 < text.size() && IsDBCSLeadByteEx(codePage, static_cast<BYTE>(text[pos]))) return 2;
  return 1;
}

std::string_view CutToCharBoundary(std::string_view text, size_t maxBytes, unsigned codePage) {
  if (text.size() <= maxBytes) return text;
  size_t end = 0;
  while (end < text.size()) {
    const size_t next = end + CharLengthAt(text, end, codePage);
    if (next > maxBytes) break;
    end = next;
  }
  return text.substr(0, end);
}

}  // namespace common
