// What the system's locale and code page say about the catalogue's texts, as values for
// the parsers of record_text.h.
#pragma once

#include <windows.h>

#include "recordbrowser/catalogue/record_text.h"

namespace vantrel {

// The short date pattern ("m/d/yy" without one), separators, 12 or 24 hours, leading zero,
// designators and their place, month and day names of `locale`, as ANSI text. `flags`
// LOCALE_NOUSEROVERRIDE leaves out the user's own changes to the user's locale.
DateTimeSettings ReadDateTimeSettings(LCID locale, DWORD flags = 0);
// The settings of the thread that loaded this module, read once at load.
const DateTimeSettings& LoadTimeDateTimeSettings();

LeadByteSet LeadBytesOf(UINT codePage);
// The year of the clock now, for two-digit years.
int CurrentYear();

}  // namespace vantrel
