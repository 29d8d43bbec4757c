#include "liveview/cameras/name_checks.h"

namespace liveview {
namespace {

bool IsSingleByteIn(std::string_view text, size_t pos, size_t length, std::string_view set) {
  return length == 1 && set.find(text[pos]) != std::string_view::npos;
}

}  // namespace

bool HasInvalidChar(std::string_view text, std::string_view set, unsigned codePage) {
  for (size_t pos = 0; pos < text.size();) {
    const size_t length = common::CharLengthAt(text, pos, codePage);
    if (IsSingleByteIn(text, pos, length, set)) return true;
    pos += length;
  }
  return false;
}

std::string StripInvalidChars(std::string_view text, unsigned codePage) {
  const std::string_view set(InvalidNameChars);
  std::string out;
  out.reserve(text.size());
  for (size_t pos = 0; pos < text.size();) {
    const size_t length = common::CharLengthAt(text, pos, codePage);
    if (!IsSingleByteIn(text, pos, length, set)) out.append(text.substr(pos, length));
    pos += length;
  }
  return out;
}

}  // namespace liveview
