// The texts of the record catalogue: numbers, dates, times and paths as Records.ini holds
// them. Nothing here calls the system, so these parsers can run over any bytes natively;
// what the system knows (the locale, the code page's lead bytes) comes in as values.
#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vantrel {

// The lead bytes of a double-byte ANSI code page; empty for a single-byte one.
using LeadByteSet = std::bitset<256>;

// A number as the catalogue reads it: decimal with an optional sign, or hexadecimal after
// "0x" / "0X", the whole text (blanks around it aside) and within 32 bits signed. Anything
// else is no number.
std::optional<int32_t> ParseProfileNumber(std::string_view text);

// The locale settings dates and times are written and read with, taken once.
struct DateTimeSettings {
  // A short date picture (d, dd, ddd, dddd, M, MM, MMM, MMMM, y, yy, yyyy, g; '...' quotes;
  // "/" stands for the date separator).
  std::string shortDatePattern = "M/d/yy";
  std::string dateSeparator = "/";
  std::string timeSeparator = ":";
  bool twentyFourHour = false;
  bool hourLeadingZero = false;
  std::string amDesignator = "AM";
  std::string pmDesignator = "PM";
  bool designatorFirst = false;
  std::array<std::string, 12> monthNames{"January",   "February", "March",    "April",
                                         "May",       "June",     "July",     "August",
                                         "September", "October",  "November", "December"};
  std::array<std::string, 12> monthAbbrevs{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                           "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  // Sunday first.
  std::array<std::string, 7> dayNames{"Sunday",   "Monday", "Tuesday", "Wednesday",
                                      "Thursday", "Friday", "Saturday"};
  std::array<std::string, 7> dayAbbrevs{"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  // Lead bytes of the code page the texts above are in, so a double-byte character in a
  // pattern is never taken for a picture letter.
  LeadByteSet leadBytes;
};

// Date-times are days since 30 December 1899, the fraction the time of day. Years 1 to 9999.
constexpr double kFirstDate = -693593.0;  // 1 January 0001
constexpr double kEndDate = 2958466.0;    // 1 January 10000
bool IsValidDateTime(double value);

// The date part of `value` in the short date pattern; the time part as hours (a leading zero
// when asked), ":mm:ss" with the time separator, and the designator of a 12-hour locale.
// Values outside the valid range give an empty text.
std::string FormatDate(double value, const DateTimeSettings& settings);
std::string FormatTime(double value, const DateTimeSettings& settings);

// Reads what the formatters write. Two-digit years fall in the century that starts 50 years
// before `currentYear`. No value for a text that does not follow the settings.
std::optional<double> ParseDate(std::string_view text, const DateTimeSettings& settings,
                                int currentYear);
std::optional<double> ParseTime(std::string_view text, const DateTimeSettings& settings);

// Paths, character by character of the code page: a trail byte is never a separator.
// Where the file name of `path` starts: after its last "\", "/" or ":".
size_t FileNameStart(std::string_view path, const LeadByteSet& lead);
// The extension of `path`'s file name with its dot, or empty.
std::string_view Extension(std::string_view path, const LeadByteSet& lead);
// `thumbFolder` (ending in "\") + the media file's name with its extension replaced by
// ".BMP", or ".BMP" appended when it has none.
std::string ThumbFileName(std::string_view thumbFolder, std::string_view mediaFile,
                          const LeadByteSet& lead);
// `path` names a file directly in `folder` (which ends in "\"), compared ignoring ASCII case.
bool IsDirectlyIn(std::string_view path, std::string_view folder, const LeadByteSet& lead);
// CR and LF become spaces: a stored text stays on its line.
std::string OneLine(std::string_view text);

// Follows a record chain from `begin`: `visit`(N) handles record N and answers its next
// number. The walk ends at a number below 1 (-1 ends every chain) and at a number it has
// visited already, so a chain that loops back visits each record once.
template <class Visit>
void WalkRecordChain(int32_t begin, Visit&& visit);

}  // namespace vantrel

#include <set>

namespace vantrel {

template <class Visit>
void WalkRecordChain(int32_t begin, Visit&& visit) {
  std::set<int32_t> seen;
  for (int32_t n = begin; n >= 1 && seen.insert(n).second;) n = visit(n);
}

}  // namespace vantrel
