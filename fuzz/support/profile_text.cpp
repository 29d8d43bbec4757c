#include "support/profile_text.h"

namespace fuzz_support {

std::string TrimProfileBlanks(std::string_view text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && (text[begin] == ' ' || text[begin] == '\t' || text[begin] == '\r')) ++begin;
  while (end > begin && (text[end - 1] == ' ' || text[end - 1] == '\t' || text[end - 1] == '\r'))
    --end;
  return std::string(text.substr(begin, end - begin));
}

std::vector<ProfileSection> ParseProfileText(std::string_view text) {
  std::vector<ProfileSection> sections;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    const std::string line = TrimProfileBlanks(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      const size_t close = line.find(']');
      sections.push_back({TrimProfileBlanks(line.substr(
                              1, close == std::string::npos ? line.size() - 1 : close - 1)),
                          {}});
      continue;
    }
    const size_t equals = line.find('=');
    if (sections.empty() || equals == std::string::npos) continue;
    std::string value = TrimProfileBlanks(std::string_view(line).substr(equals + 1));
    if (value.size() >= 2 && value.front() == value.back() &&
        (value.front() == '"' || value.front() == '\''))
      value = value.substr(1, value.size() - 2);
    sections.back().entries.push_back(
        {TrimProfileBlanks(std::string_view(line).substr(0, equals)), value});
  }
  return sections;
}

}  // namespace fuzz_support
