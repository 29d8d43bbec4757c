#include "support/profile_image.h"
#include "support/profile_text.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <strings.h>
#include <utility>
#include <vector>

#include "liveview/cameras/profile_file.h"

namespace fuzz_support {
namespace {

using Entry = ProfileEntry;
using Section = ProfileSection;

bool g_exists = false;
std::vector<Section> g_sections;

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
  g_sections = ParseProfileText(text);
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
