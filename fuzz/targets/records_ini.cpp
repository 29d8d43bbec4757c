// Records.ini as the catalogue reads it, the input being the file's text after a first byte
// that picks the locale: the record chain walked from BeginRecord with the catalogue's number
// parser, each record's date and time read, written and read again, its thumbnail name
// chosen. The number, date and time parsers also run on the whole input as one value.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>
#include <strings.h>
#include <vector>

#include "recordbrowser/catalogue/record_text.h"
#include "support/fuzz_check.h"
#include "support/profile_text.h"

using namespace vantrel;

namespace {

constexpr int kCurrentYear = 2026;
constexpr char kThumbFolder[] = "C:\\Records\\Thumb\\";

LeadByteSet Gbk() {
  LeadByteSet lead;
  for (int b = 0x81; b <= 0xFE; ++b) lead.set(b);
  return lead;
}

// The locales of the suites' shapes, and one whose pattern, separators and designators come
// from the image's [Locale] section; only that one may be ambiguous.
constexpr size_t kLocales = 8;
DateTimeSettings Locale(size_t which) {
  DateTimeSettings s;  // M/d/yy, 12 hours, designator after
  switch (which) {
    case 1:
      s.shortDatePattern = "M/d/yyyy";
      break;
    case 2:
      s.shortDatePattern = "d.M.yyyy";
      s.dateSeparator = ".";
      s.twentyFourHour = true;
      s.hourLeadingZero = true;
      s.amDesignator = s.pmDesignator = "";
      break;
    case 3:
      s.shortDatePattern = "yyyy-MM-dd";
      s.dateSeparator = "-";
      s.hourLeadingZero = true;
      s.designatorFirst = true;
      break;
    case 4:  // code page 936: designators and a month name in Chinese characters
      s.shortDatePattern = "yyyy/M/d";
      s.amDesignator = "\xc9\xcf\xce\xe7";
      s.pmDesignator = "\xcf\xc2\xce\xe7";
      s.designatorFirst = true;
      s.leadBytes = Gbk();
      break;
    case 5:
      s.shortDatePattern = "dddd, MMMM d, yyyy";
      break;
    case 6:
      s.shortDatePattern = "d-MMM-yy '\xd4\xc2' ''";
      s.monthAbbrevs[4] = "\xce\xe5\xd4\xc2";
      s.leadBytes = Gbk();
      break;
    default:
      break;
  }
  return s;
}

using fuzz_support::ProfileEntry;
using fuzz_support::ProfileSection;
using fuzz_support::TrimProfileBlanks;

// What GetPrivateProfileString answers the catalogue: sections and keys without regard to
// case, the first of each, blanks dropped, one pair of quotes taken off, at most 2047
// characters.
class Image {
 public:
  explicit Image(std::string_view text) : sections_(fuzz_support::ParseProfileText(text)) {}

  bool HasSection(const std::string& name) const { return Find(name) != nullptr; }
  size_t SectionCount() const { return sections_.size(); }

  std::string Text(const std::string& section, const char* key) const {
    if (const ProfileSection* s = Find(section)) {
      for (const ProfileEntry& e : s->entries)
        if (strcasecmp(e.key.c_str(), key) == 0) return e.value.substr(0, 2047);
    }
    return {};
  }
  int32_t Number(const std::string& section, const char* key, int32_t fallback) const {
    return ParseProfileNumber(Text(section, key)).value_or(fallback);
  }

 private:
  const ProfileSection* Find(const std::string& name) const {
    for (const ProfileSection& s : sections_)
      if (strcasecmp(s.name.c_str(), name.c_str()) == 0) return &s;
    return nullptr;
  }
  std::vector<ProfileSection> sections_;
};

std::string RecordSection(int32_t n) { return "Record" + std::to_string(n); }

// The catalogue's own reading of a number, against the C library's.
void CheckNumber(std::string_view raw) {
  const auto value = ParseProfileNumber(raw);
  const std::string text = TrimProfileBlanks(raw);  // the parser drops blanks and tabs only
  if (!value) return;
  FUZZ_CHECK(text.find('\0') == std::string::npos);
  const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  char* end = nullptr;
  const long long reference = std::strtoll(text.c_str() + (hex ? 2 : 0), &end, hex ? 16 : 10);
  FUZZ_CHECK(reference == *value);
  FUZZ_CHECK(ParseProfileNumber(std::to_string(*value)) == value);
}

// A date or time that was read is written and read back to itself.
void CheckDate(std::string_view text, const DateTimeSettings& s, bool exact) {
  const auto date = ParseDate(text, s, kCurrentYear);
  if (date) {
    FUZZ_CHECK(IsValidDateTime(*date) && *date == std::trunc(*date));
    const std::string written = FormatDate(*date, s);
    FUZZ_CHECK(!written.empty());
    if (exact) FUZZ_CHECK(ParseDate(written, s, kCurrentYear) == date);
  }
  const auto time = ParseTime(text, s);
  if (time) {
    FUZZ_CHECK(*time >= 0 && *time < 1);
    const std::string written = FormatTime(*time, s);
    const auto back = ParseTime(written, s);
    if (exact) FUZZ_CHECK(back && std::fabs(*back - *time) < 1e-9);
  }
}

// What the catalogue writes reads back with the same settings: a date from a number of the
// image, and a time of whole seconds from it.
void CheckWrittenReadsBack(int32_t seed, const DateTimeSettings& s) {
  const uint32_t span = static_cast<uint32_t>(kEndDate - kFirstDate);
  const double day = kFirstDate + static_cast<uint32_t>(seed) % span;
  const std::string date = FormatDate(day, s);
  const auto back = ParseDate(date, s, kCurrentYear);
  FUZZ_CHECK(back);
  if (s.shortDatePattern.find("yyyy") != std::string::npos) FUZZ_CHECK(*back == day);
  FUZZ_CHECK(FormatDate(*back, s) == date);
  const double time = static_cast<uint32_t>(seed) % 86400 / 86400.0;
  // Before 30 December 1899 the time counts away from zero as well.
  const auto t = ParseTime(FormatTime(day < 0 ? day - time : day + time, s), s);
  FUZZ_CHECK(t && std::fabs(*t - time) < 1e-9);
}

// The thumbnail the catalogue deletes with a record lies directly in the thumbnail folder.
void CheckThumb(const std::string& stored, const std::string& media, const LeadByteSet& lead) {
  std::string thumb;
  if (IsDirectlyIn(stored, kThumbFolder, lead)) {
    thumb = stored;
  } else if (FileNameStart(media, lead) != media.size()) {
    thumb = ThumbFileName(kThumbFolder, media, lead);
  }
  FUZZ_CHECK(thumb.empty() || IsDirectlyIn(thumb, kThumbFolder, lead));
  FUZZ_CHECK(FileNameStart(media, lead) <= media.size());
  const std::string_view ext = Extension(media, lead);
  FUZZ_CHECK(ext.empty() || ext[0] == '.');
  const std::string line = OneLine(media);
  FUZZ_CHECK(line.size() == media.size() && line.find_first_of("\r\n") == std::string::npos);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const size_t which = data[0] % kLocales;
  const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
  const Image image(text);

  DateTimeSettings settings = Locale(which);
  const bool madeUp = which == kLocales - 1;
  if (madeUp) {
    settings.shortDatePattern = image.Text("Locale", "sShortDate");
    settings.dateSeparator = image.Text("Locale", "sDate");
    settings.timeSeparator = image.Text("Locale", "sTime");
    settings.amDesignator = image.Text("Locale", "s1159");
    settings.pmDesignator = image.Text("Locale", "s2359");
    settings.twentyFourHour = image.Number("Locale", "iTime", 0) != 0;
    settings.designatorFirst = image.Number("Locale", "iTimePrefix", 0) != 0;
    if (image.Number("Locale", "ACP", 0) == 936) settings.leadBytes = Gbk();
  }

  CheckNumber(text);
  CheckDate(text, settings, !madeUp);

  const int32_t begin = image.Number("Configuration", "BeginRecord", -1);
  CheckNumber(image.Text("Configuration", "BeginRecord"));
  CheckNumber(image.Text("Configuration", "EndRecord"));
  std::set<int32_t> visited;
  size_t missing = 0;
  WalkRecordChain(begin, [&](int32_t n) {
    FUZZ_CHECK(n >= 1 && visited.insert(n).second);
    const std::string section = RecordSection(n);
    if (!image.HasSection(section)) ++missing;
    const std::string media = image.Text(section, "MediaFile");
    CheckDate(image.Text(section, "Date"), settings, !madeUp);
    CheckDate(image.Text(section, "Time"), settings, !madeUp);
    CheckThumb(image.Text(section, "ThumbFile"), media, settings.leadBytes);
    CheckNumber(image.Text(section, "Previous"));
    if (!madeUp) CheckWrittenReadsBack(image.Number(section, "Previous", n), settings);
    CheckNumber(image.Text(section, "Next"));
    return image.Number(section, "Next", -1);
  });
  // A section that is not there ends its chain: only the last record visited may be missing.
  FUZZ_CHECK(missing <= 1 && visited.size() <= image.SectionCount() + 1);
  return 0;
}
