#include "recordbrowser/catalogue/record_text.h"

#include <cmath>
#include <vector>

namespace vantrel {

namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

char FoldAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

size_t CharLength(std::string_view s, size_t pos, const LeadByteSet& lead) {
  return pos + 1 < s.size() && lead[static_cast<unsigned char>(s[pos])] ? 2 : 1;
}

// Case folded only on single-byte characters, so trail bytes compare exactly.
bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b, const LeadByteSet& lead) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size();) {
    const size_t n = CharLength(a, i, lead);
    if (n == 1) {
      if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
    } else if (a.substr(i, n) != b.substr(i, n)) {
      return false;
    }
    i += n;
  }
  return true;
}

// Days from 1 March of year 0 style civil calendar (proleptic Gregorian).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t z, int& y, int& m, int& d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(static_cast<int64_t>(yoe) + era * 400 + (m <= 2));
}

const int64_t kEpoch = DaysFromCivil(1899, 12, 30);

int DaysInMonth(int y, int m) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  return m == 2 && leap ? 29 : days[m - 1];
}

// One element of a date picture: a run of one picture letter, or literal text.
struct Token {
  char letter = 0;  // 'd', 'M', 'y', 'g'; 0 for literal text
  size_t count = 0;
  std::string text;
};

std::vector<Token> Tokenize(const DateTimeSettings& s) {
  std::vector<Token> out;
  const std::string& p = s.shortDatePattern;
  auto literal = [&](std::string_view t) {
    if (out.empty() || out.back().letter != 0) out.push_back({});
    out.back().text += t;
  };
  for (size_t i = 0; i < p.size();) {
    const size_t n = CharLength(p, i, s.leadBytes);
    const char c = p[i];
    if (n == 2) {
      literal(std::string_view(p).substr(i, 2));
      i += 2;
    } else if (c == 'd' || c == 'M' || c == 'y' || c == 'g') {
      size_t j = i;
      while (j < p.size() && p[j] == c) ++j;
      out.push_back({c, j - i, {}});
      i = j;
    } else if (c == '\'') {
      ++i;
      while (i < p.size()) {
        const size_t m = CharLength(p, i, s.leadBytes);
        if (m == 1 && p[i] == '\'') {
          if (i + 1 < p.size() && p[i + 1] == '\'') {
            literal("'");
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        literal(std::string_view(p).substr(i, m));
        i += m;
      }
    } else if (c == '/') {
      literal(s.dateSeparator);
      ++i;
    } else {
      literal(std::string_view(&p[i], 1));
      ++i;
    }
  }
  return out;
}

std::string Padded(int value, size_t width) {
  std::string t = std::to_string(value);
  if (t.size() < width) t.insert(0, width - t.size(), '0');
  return t;
}

// Reads up to `maxDigits` digits at `pos`.
std::optional<int> ReadNumber(std::string_view text, size_t& pos, size_t maxDigits,
                              size_t* digits = nullptr) {
  size_t n = 0;
  int value = 0;
  while (pos + n < text.size() && n < maxDigits && IsDigit(text[pos + n])) {
    value = value * 10 + (text[pos + n] - '0');
    ++n;
  }
  if (n == 0) return std::nullopt;
  pos += n;
  if (digits) *digits = n;
  return value;
}

// The longest of `names` (non-empty) that `text` holds at `pos`, ignoring ASCII case.
template <size_t N>
int ReadName(std::string_view text, size_t& pos, const std::array<std::string, N>& names,
             const LeadByteSet& lead) {
  int best = -1;
  size_t bestLength = 0;
  for (size_t i = 0; i < N; ++i) {
    const std::string& name = names[i];
    if (name.empty() || name.size() <= bestLength || pos + name.size() > text.size()) continue;
    if (EqualsIgnoringAsciiCase(text.substr(pos, name.size()), name, lead)) {
      best = static_cast<int>(i);
      bestLength = name.size();
    }
  }
  if (best >= 0) pos += bestLength;
  return best;
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix,
                            const LeadByteSet& lead) {
  return !prefix.empty() && text.size() >= prefix.size() &&
         EqualsIgnoringAsciiCase(text.substr(0, prefix.size()), prefix, lead);
}

}  // namespace

std::optional<int32_t> ParseProfileNumber(std::string_view text) {
  text = Trim(text);
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    int64_t value = 0;
    for (char c : text.substr(2)) {
      const int h = HexValue(c);
      if (h < 0) return std::nullopt;
      value = value * 16 + h;
      if (value > INT32_MAX) return std::nullopt;
    }
    return static_cast<int32_t>(value);
  }
  bool negative = false;
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return std::nullopt;
  int64_t value = 0;
  for (char c : text) {
    if (!IsDigit(c)) return std::nullopt;
    value = value * 10 + (c - '0');
    if (value > int64_t{INT32_MAX} + 1) return std::nullopt;
  }
  if (negative) value = -value;
  if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
  return static_cast<int32_t>(value);
}

bool IsValidDateTime(double value) {
  return std::isfinite(value) && value >= kFirstDate && value < kEndDate;
}

std::string FormatDate(double value, const DateTimeSettings& s) {
  if (!IsValidDateTime(value)) return {};
  int y, m, d;
  const int64_t days = static_cast<int64_t>(std::trunc(value));
  CivilFromDays(kEpoch + days, y, m, d);
  // 1 January 0001 was a Monday.
  const int weekday = static_cast<int>(((kEpoch + days - DaysFromCivil(1, 1, 1)) % 7 + 7 + 1) % 7);
  std::string out;
  for (const Token& t : Tokenize(s)) {
    switch (t.letter) {
      case 0:
        out += t.text;
        break;
      case 'd':
        out += t.count <= 2   ? Padded(d, t.count)
               : t.count == 3 ? s.dayAbbrevs[weekday]
                              : s.dayNames[weekday];
        break;
      case 'M':
        out += t.count <= 2   ? Padded(m, t.count)
               : t.count == 3 ? s.monthAbbrevs[m - 1]
                              : s.monthNames[m - 1];
        break;
      case 'y':
        out += t.count == 1   ? std::to_string(y % 100)
               : t.count == 2 ? Padded(y % 100, 2)
                              : Padded(y, 4);
        break;
      default:  // eras are not written
        break;
    }
  }
  return out;
}

std::string FormatTime(double value, const DateTimeSettings& s) {
  if (!IsValidDateTime(value)) return {};
  const double fraction = std::fabs(value - std::trunc(value));
  int64_t ms = std::llround(fraction * 86400000.0);
  if (ms >= 86400000) ms = 86399999;
  const int seconds = static_cast<int>(ms / 1000);
  int hour = seconds / 3600;
  const int minute = seconds / 60 % 60;
  const int second = seconds % 60;
  const std::string* designator = nullptr;
  if (!s.twentyFourHour) {
    designator = hour < 12 ? &s.amDesignator : &s.pmDesignator;
    hour %= 12;
    if (hour == 0) hour = 12;
  }
  std::string out = Padded(hour, s.hourLeadingZero ? 2 : 1) + s.timeSeparator + Padded(minute, 2) +
                    s.timeSeparator + Padded(second, 2);
  if (designator && !designator->empty()) {
    out = s.designatorFirst ? *designator + " " + out : out + " " + *designator;
  }
  return out;
}

std::optional<double> ParseDate(std::string_view text, const DateTimeSettings& s, int currentYear) {
  text = Trim(text);
  std::vector<Token> tokens = Tokenize(s);
  // Blanks the pattern writes at either end are gone from the text, as the profile functions
  // drop them from a value; eras write nothing.
  std::vector<Token*> written;
  for (Token& t : tokens) {
    if (t.letter != 'g') written.push_back(&t);
  }
  if (!written.empty() && written.front()->letter == 0) {
    std::string& first = written.front()->text;
    const size_t begin = first.find_first_not_of(" \t");
    first.erase(0, begin == std::string::npos ? first.size() : begin);
  }
  if (!written.empty() && written.back()->letter == 0) {
    std::string& last = written.back()->text;
    const size_t end = last.find_last_not_of(" \t");
    last.erase(end == std::string::npos ? 0 : end + 1);
  }
  int y = -1, m = -1, d = -1;
  size_t pos = 0;
  for (const Token& t : tokens) {
    switch (t.letter) {
      case 0:
        if (text.substr(pos, t.text.size()) != t.text) return std::nullopt;
        pos += t.text.size();
        break;
      case 'd':
        if (t.count <= 2) {
          const auto v = ReadNumber(text, pos, 2);
          if (!v) return std::nullopt;
          d = *v;
        } else if (ReadName(text, pos, t.count == 3 ? s.dayAbbrevs : s.dayNames, s.leadBytes) < 0) {
          return std::nullopt;
        }
        break;
      case 'M':
        if (t.count <= 2) {
          const auto v = ReadNumber(text, pos, 2);
          if (!v) return std::nullopt;
          m = *v;
        } else {
          const int i =
              ReadName(text, pos, t.count == 3 ? s.monthAbbrevs : s.monthNames, s.leadBytes);
          if (i < 0) return std::nullopt;
          m = i + 1;
        }
        break;
      case 'y': {
        size_t digits = 0;
        const auto v = ReadNumber(text, pos, t.count <= 2 ? 2 : 4, &digits);
        if (!v) return std::nullopt;
        y = *v;
        if (digits <= 2) {
          const int base = currentYear - 50;
          y += base - base % 100;
          if (y < base) y += 100;
        }
        break;
      }
      default:
        break;
    }
  }
  if (pos != text.size() || y < 1 || y > 9999 || m < 1 || m > 12 || d < 1 ||
      d > DaysInMonth(y, m)) {
    return std::nullopt;
  }
  return static_cast<double>(DaysFromCivil(y, static_cast<unsigned>(m), static_cast<unsigned>(d)) -
                             kEpoch);
}

std::optional<double> ParseTime(std::string_view text, const DateTimeSettings& s) {
  text = Trim(text);
  int designator = 0;  // 1 morning, 2 afternoon
  auto take = [&](const std::string& name, int which) {
    if (designator) return;
    if (StartsWithIgnoringCase(text, name, s.leadBytes)) {
      text = Trim(text.substr(name.size()));
      designator = which;
    } else if (!name.empty() && text.size() >= name.size() &&
               EqualsIgnoringAsciiCase(text.substr(text.size() - name.size()), name, s.leadBytes)) {
      text = Trim(text.substr(0, text.size() - name.size()));
      designator = which;
    }
  };
  // The longer one first, should one begin with the other.
  if (s.amDesignator.size() >= s.pmDesignator.size()) {
    take(s.amDesignator, 1);
    take(s.pmDesignator, 2);
  } else {
    take(s.pmDesignator, 2);
    take(s.amDesignator, 1);
  }
  size_t pos = 0;
  const auto h = ReadNumber(text, pos, 2);
  if (!h) return std::nullopt;
  auto separator = [&]() {
    if (text.substr(pos, s.timeSeparator.size()) == s.timeSeparator && !s.timeSeparator.empty()) {
      pos += s.timeSeparator.size();
      return true;
    }
    return false;
  };
  if (!separator()) return std::nullopt;
  const auto m = ReadNumber(text, pos, 2);
  if (!m) return std::nullopt;
  int sec = 0;
  if (separator()) {
    const auto v = ReadNumber(text, pos, 2);
    if (!v) return std::nullopt;
    sec = *v;
  }
  if (pos != text.size() || *m > 59 || sec > 59) return std::nullopt;
  int hour = *h;
  if (designator) {
    if (hour < 1 || hour > 12) return std::nullopt;
    hour %= 12;
    if (designator == 2) hour += 12;
  } else if (hour > 23) {
    return std::nullopt;
  }
  return (hour * 3600 + *m * 60 + sec) / 86400.0;
}

size_t FileNameStart(std::string_view path, const LeadByteSet& lead) {
  size_t start = 0;
  for (size_t i = 0; i < path.size();) {
    const size_t n = CharLength(path, i, lead);
    if (n == 1 && (path[i] == '\\' || path[i] == '/' || path[i] == ':')) start = i + 1;
    i += n;
  }
  return start;
}

std::string_view Extension(std::string_view path, const LeadByteSet& lead) {
  const size_t start = FileNameStart(path, lead);
  size_t dot = std::string_view::npos;
  for (size_t i = start; i < path.size();) {
    const size_t n = CharLength(path, i, lead);
    if (n == 1 && path[i] == '.') dot = i;
    i += n;
  }
  return dot == std::string_view::npos ? std::string_view() : path.substr(dot);
}

std::string ThumbFileName(std::string_view thumbFolder, std::string_view mediaFile,
                          const LeadByteSet& lead) {
  std::string_view name = mediaFile.substr(FileNameStart(mediaFile, lead));
  name.remove_suffix(Extension(name, lead).size());
  std::string out(thumbFolder);
  out += name;
  out += ".BMP";
  return out;
}

bool IsDirectlyIn(std::string_view path, std::string_view folder, const LeadByteSet& lead) {
  if (folder.empty() || path.size() <= folder.size()) return false;
  if (!EqualsIgnoringAsciiCase(path.substr(0, folder.size()), folder, lead)) return false;
  // The folder must end on a character boundary of the path.
  size_t i = 0;
  while (i < folder.size()) i += CharLength(path, i, lead);
  if (i != folder.size()) return false;
  const std::string_view name = path.substr(folder.size());
  if (name == "." || name == "..") return false;
  return FileNameStart(name, lead) == 0;
}

std::string OneLine(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return out;
}

}  // namespace vantrel
