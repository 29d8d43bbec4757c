// The "host:port" texts that name cameras throughout the control, and the small text rules
// (trimming, caseless comparison) that the camera table applies to them.
#pragma once

#include <string>
#include <string_view>

namespace liveview {

// "%s:%d" of host and port.
std::string FormatCameraText(std::string_view host, int port);

struct CameraTextParts {
  std::string host;      // before the last ':' (all of the text when it has none)
  bool hasPort = false;  // a ':' was present
  std::string portText;  // after the last ':', as given
  int port = 0;          // portText read like atoi; 0 when there is no ':'
};

// Trims white space at both ends, then splits at the last ':'. Without a ':' the caller
// decides the port (the camera table looks for a record with that address).
CameraTextParts ParseCameraText(std::string_view text);

// atoi's reading: leading white space, an optional sign, then digits up to the first other
// character; 0 when there are none. Saturates instead of overflowing.
int ParseLeadingInt(std::string_view text);

// White space as isspace knows it in the C locale; never a byte of a double-byte character.
std::string TrimWhiteSpace(std::string_view text);

// Host names and addresses are ASCII, so only ASCII letters fold.
bool EqualsIgnoreCase(std::string_view a, std::string_view b);

}  // namespace liveview
