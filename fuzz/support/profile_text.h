// INI text read the way the profile functions read a file: sections and keys kept in file
// order (lookups without regard to case take the first), blanks around names and values
// dropped, one pair of double or single quotes taken off a value, comment lines and lines
// outside a section skipped. Shared by the fuzz build's profile functions and the
// catalogue's target, which stand in for GetPrivateProfileString.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace fuzz_support {

struct ProfileEntry {
  std::string key;
  std::string value;
};
struct ProfileSection {
  std::string name;
  std::vector<ProfileEntry> entries;
};

// `text` without the blanks, tabs and carriage returns at its ends.
std::string TrimProfileBlanks(std::string_view text);

std::vector<ProfileSection> ParseProfileText(std::string_view text);

}  // namespace fuzz_support
