#include "recordbrowser/catalogue/locale_settings.h"

namespace vantrel {

namespace {

std::string Info(LCID locale, LCTYPE type, DWORD flags) {
  char buffer[256];
  const int n = GetLocaleInfoA(locale, type | flags, buffer, sizeof buffer);
  return n > 0 ? std::string(buffer) : std::string();
}

// Read by the thread that loads the module, while the module's statics are made.
const DateTimeSettings g_loadSettings = ReadDateTimeSettings(GetThreadLocale());

}  // namespace

DateTimeSettings ReadDateTimeSettings(LCID locale, DWORD flags) {
  DateTimeSettings s;
  s.leadBytes = LeadBytesOf(CP_ACP);
  const std::string pattern = Info(locale, LOCALE_SSHORTDATE, flags);
  if (!pattern.empty()) s.shortDatePattern = pattern;
  s.dateSeparator = Info(locale, LOCALE_SDATE, flags);
  s.timeSeparator = Info(locale, LOCALE_STIME, flags);
  s.twentyFourHour = Info(locale, LOCALE_ITIME, flags) == "1";
  s.hourLeadingZero = Info(locale, LOCALE_ITLZERO, flags) == "1";
  s.amDesignator = Info(locale, LOCALE_S1159, flags);
  s.pmDesignator = Info(locale, LOCALE_S2359, flags);
  s.designatorFirst = Info(locale, LOCALE_ITIMEMARKPOSN, flags) == "1";
  for (int i = 0; i < 12; ++i) {
    const std::string name = Info(locale, LOCALE_SMONTHNAME1 + i, flags);
    const std::string abbrev = Info(locale, LOCALE_SABBREVMONTHNAME1 + i, flags);
    if (!name.empty()) s.monthNames[i] = name;
    if (!abbrev.empty()) s.monthAbbrevs[i] = abbrev;
  }
  // The system counts days from Monday; the settings from Sunday.
  for (int i = 0; i < 7; ++i) {
    const int sundayFirst = (i + 1) % 7;
    const std::string name = Info(locale, LOCALE_SDAYNAME1 + i, flags);
    const std::string abbrev = Info(locale, LOCALE_SABBREVDAYNAME1 + i, flags);
    if (!name.empty()) s.dayNames[sundayFirst] = name;
    if (!abbrev.empty()) s.dayAbbrevs[sundayFirst] = abbrev;
  }
  return s;
}

const DateTimeSettings& LoadTimeDateTimeSettings() { return g_loadSettings; }

LeadByteSet LeadBytesOf(UINT codePage) {
  LeadByteSet lead;
  for (int b = 0x80; b < 0x100; ++b) {
    if (IsDBCSLeadByteEx(codePage, static_cast<BYTE>(b))) lead.set(static_cast<size_t>(b));
  }
  return lead;
}

int CurrentYear() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return now.wYear;
}

}  // namespace vantrel
