// The profile functions of the fuzz build: INI text held in memory instead of a file, read
// and written the way GetPrivateProfileString and GetPrivateProfileInt do for the settings
// files (sections and keys without regard to case, blanks around keys and values dropped, a
// value in a pair of double or single quotes taken without
// them, strings cut to the caller's 260 bytes).
#pragma once

#include <string>
#include <string_view>

namespace fuzz_support {

// The file every ProfileFile of the process reads and writes from now on; an empty text
// with `exists` false is a missing file.
void SetProfileImage(std::string_view text, bool exists = true);

// The file as the writes left it.
std::string ProfileImage();

}  // namespace fuzz_support
