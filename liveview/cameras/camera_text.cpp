#include "liveview/cameras/camera_text.h"

#include <climits>

namespace liveview {
namespace {

bool IsWhiteSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

char FoldAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

std::string FormatCameraText(std::string_view host, int port) {
  std::string text(host);
  text += ':';
  text += std::to_string(port);
  return text;
}

CameraTextParts ParseCameraText(std::string_view text) {
  const std::string trimmed = TrimWhiteSpace(text);
  CameraTextParts parts;
  const size_t colon = trimmed.rfind(':');
  if (colon == std::string::npos) {
    parts.host = trimmed;
    return parts;
  }
  parts.host = trimmed.substr(0, colon);
  parts.hasPort = true;
  parts.portText = trimmed.substr(colon + 1);
  parts.port = ParseLeadingInt(parts.portText);
  return parts;
}

int ParseLeadingInt(std::string_view text) {
  size_t pos = 0;
  while (pos < text.size() && IsWhiteSpace(text[pos])) ++pos;
  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) negative = text[pos++] == '-';
  long long value = 0;
  for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
    value = value * 10 + (text[pos] - '0');
    if (value > static_cast<long long>(INT_MAX) + 1) break;
  }
  if (negative) value = -value;
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

std::string TrimWhiteSpace(std::string_view text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && IsWhiteSpace(text[begin])) ++begin;
  while (end > begin && IsWhiteSpace(text[end - 1])) --end;
  return std::string(text.substr(begin, end - begin));
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  }
  return true;
}

}  // namespace liveview
