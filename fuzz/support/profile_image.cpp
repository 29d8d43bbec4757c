#include "support/profile_image.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <strings.h>
#include <utility>
#include <vector>

#include "liveview/cameras/profile_file.h"

namespace fuzz_support {
namespace {

struct Entry {
  std::string key;
  std::string value;
};
struct Section {
  std::string name;
  std::vector<Entry> entries;
};

bool g_exists = false;
std::vector<Section> g_sections;

std::string Trim(std::string_view text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && (text[begin] == ' ' || text[begin] == '\t' || text[begin] == '\r')) ++begin;
  while (end > begin && (text[end - 1] == ' ' || text[end - 1] == '\t' || text[end - 1] == '\r'))
    --end;
  return std::string(text.substr(begin, end - begin));
}

bool Same(const std::string& a, const char* b) { return strcasecmp(a.c_str(), b) == 0; }

Section* FindSection(const char* name) {
  for (Section& s : g_sections)
    if (Same(s.name, name)) return &s;
  return nullptr;
}

const Entry* FindEntry(const char* section, const char* key) {
  const Section* s = FindSection(section);
  if (!s) return nullptr;
  for (const Entry& e : s->entries)
    if (Same(e.key, key)) return &e;
  return nullptr;
}

}  // namespace

void SetProfileImage(std::string_view text, bool exists) {
  g_exists = exists;
  g_sections.clear();
  Section* current = nullptr;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    const std::string line = Trim(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      const size_t close = line.find(']');
      g_sections.push_back({Trim(line.substr(1, close == std::string::npos ? line.size() - 1
                                                                            : close - 1)),
                            {}});
      current = &g_sections.back();
      continue;
    }
    if (!current) continue;
    const size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    std::string value = Trim(std::string_view(line).substr(equals + 1));
    if (value.size() >= 2 && value.front() == value.back() &&
        (value.front() == '"' || value.front() == '\''))
      value = value.substr(1, value.size() - 2);
    current->entries.push_back({Trim(std::string_view(line).substr(0, equals)), value});
  }
}

std::string ProfileImage() {
  std::string text;
  for (const Section& s : g_sections) {
    text += "[" + s.name + "]\n";
    for (const Entry& e : s.entries) text += e.key + "=" + e.value + "\n";
  }
  return text;
}

}  // namespace fuzz_support

namespace liveview {

using namespace fuzz_support;

bool ProfileFile::CanOpenForReading() const { return g_exists; }

int ProfileFile::ReadInt(const char* section, const char* key, int defaultValue) const {
  const Entry* e = FindEntry(section, key);
  if (!e) return defaultValue;
  // GetPrivateProfileInt: the leading decimal number, 0 without digits.
  errno = 0;
  const long long value = std::strtoll(e->value.c_str(), nullptr, 10);
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

std::string ProfileFile::ReadString(const char* section, const char* key) const {
  const Entry* e = FindEntry(section, key);
  if (!e) return std::string();
  return e->value.substr(0, 259);
}

bool ProfileFile::WriteInt(const char* section, const char* key, int value) const {
  return WriteString(section, key, std::to_string(value));
}

bool ProfileFile::WriteString(const char* section, const char* key,
                              const std::string& value) const {
  g_exists = true;
  Section* s = FindSection(section);
  if (!s) {
    g_sections.push_back({section, {}});
    s = &g_sections.back();
  }
  for (Entry& e : s->entries) {
    if (Same(e.key, key)) {
      e.value = value;
      return true;
    }
  }
  s->entries.push_back({key, value});
  return true;
}

std::string EntryKey(const char* name, int n) { return std::string(name) + "_" + std::to_string(n); }

}  // namespace liveview
