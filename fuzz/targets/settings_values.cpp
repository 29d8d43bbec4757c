// Tessaly.ini as the loader reads it, the input being the file's text: its numbers, its Base64
// passwords, and its names stripped of the nine characters by characters of code page 936.
// The loaded table is saved and loaded again twice; the second load must give the first one
// back. The value parsers are also run on the whole input as one value.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/base64.h"
#include "liveview/cameras/camera_table.h"
#include "liveview/cameras/camera_text.h"
#include "liveview/cameras/name_checks.h"
#include "support/fuzz_check.h"
#include "support/profile_image.h"

using namespace liveview;

namespace {

constexpr unsigned kChinese = 936;

void Load(CCameraTable& table) {
  table.SetSettingsPath("C:\\fuzz\\log\\Tessaly.ini");
  FUZZ_CHECK(table.Load() == 1);
}

std::string Reloaded(const CCameraTable& table, CCameraTable& into) {
  fuzz_support::SetProfileImage("", false);
  FUZZ_CHECK(table.Save() == 1);
  const std::string image = fuzz_support::ProfileImage();
  fuzz_support::SetProfileImage(image);
  Load(into);
  return image;
}

bool SameFloat(float a, float b) { return a == b || (std::isnan(a) && std::isnan(b)); }

void CheckSame(const CCameraTable& a, const CCameraTable& b) {
  for (int i = 0; i < CCameraTable::kCameraCount; ++i) {
    const CameraRecord& x = *a.RecordAt(i);
    const CameraRecord& y = *b.RecordAt(i);
    FUZZ_CHECK(x.domainName == y.domainName && x.address == y.address && x.port == y.port);
    FUZZ_CHECK(x.user == y.user && x.password == y.password && x.nick == y.nick && x.mac == y.mac);
    FUZZ_CHECK(x.videoWidth == y.videoWidth && x.videoHeight == y.videoHeight);
    FUZZ_CHECK(x.quality == y.quality && x.brightness == y.brightness && x.contrast == y.contrast);
    FUZZ_CHECK(x.panScan == y.panScan && x.tiltScan == y.tiltScan && SameFloat(x.zoom, y.zoom));
  }
  const CameraSettings& s = a.Settings();
  const CameraSettings& t = b.Settings();
  FUZZ_CHECK(s.autoInvite == t.autoInvite && s.splitter == t.splitter);
  FUZZ_CHECK(s.showSubtitle == t.showSubtitle && s.reconnect == t.reconnect);
  FUZZ_CHECK(s.interval == t.interval);
}

void CheckValueParsers(const std::string& text) {
  if (const auto decoded = common::Base64Decode(text, 127)) {
    FUZZ_CHECK(decoded->size() <= 127);
    FUZZ_CHECK(common::Base64Encode(*decoded, 1000).value_or("") == text);
  }
  if (text.size() <= 127) {
    const auto encoded = common::Base64Encode(text, common::Base64EncodedLength(text.size()));
    FUZZ_CHECK(encoded && common::Base64Decode(*encoded, 127).value_or("-") == text);
  }
  const std::string stripped = StripInvalidChars(text, kChinese);
  FUZZ_CHECK(!HasInvalidChar(stripped, InvalidNameChars, kChinese));
  FUZZ_CHECK(StripInvalidChars(stripped, kChinese) == stripped);
  FUZZ_CHECK(HasInvalidChar(text, InvalidNameChars, kChinese) == (stripped != text));

  const int number = ParseLeadingInt(text);
  const long long wide = std::strtoll(text.c_str(), nullptr, 10);
  if (text.find('\0') == std::string::npos && wide > INT32_MIN && wide < INT32_MAX)
    FUZZ_CHECK(number == wide);
  const CameraTextParts parts = ParseCameraText(text);
  FUZZ_CHECK(parts.hasPort == (TrimWhiteSpace(text).find(':') != std::string::npos));
  if (parts.hasPort) FUZZ_CHECK(parts.port == ParseLeadingInt(parts.portText));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  CheckValueParsers(text);

  fuzz_support::SetProfileImage(text);
  CCameraTable loaded;
  Load(loaded);
  for (int i = 0; i < CCameraTable::kCameraCount; ++i) {
    const CameraRecord& r = *loaded.RecordAt(i);
    FUZZ_CHECK(!HasInvalidChar(r.user, InvalidNameChars, kChinese));
    FUZZ_CHECK(!HasInvalidChar(r.nick, InvalidNameChars, kChinese));
    FUZZ_CHECK(r.domainName.empty() || (r.port >= 1 && !r.nick.empty()));
  }
  const int splitter = loaded.Settings().splitter;
  FUZZ_CHECK(splitter >= 1 && splitter <= 4);

  CCameraTable first;
  CCameraTable second;
  Reloaded(loaded, first);
  // The first save keeps every text the loader took, whatever quotes or blanks it holds.
  for (int i = 0; i < CCameraTable::kCameraCount; ++i) {
    const CameraRecord& x = *loaded.RecordAt(i);
    const CameraRecord& y = *first.RecordAt(i);
    FUZZ_CHECK(x.domainName == y.domainName && x.user == y.user && x.nick == y.nick &&
               x.mac == y.mac);
  }
  Reloaded(first, second);
  CheckSame(first, second);
  return 0;
}
