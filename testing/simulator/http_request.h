// Byte-level reading of the requests a camera receives: cutting header blocks out of the
// bytes received so far, and splitting a block into request line and headers.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace camsim {

struct HttpRequest {
  std::string requestLine;
  std::string method;
  std::string target;   // as sent, query included
  std::string version;  // may be empty (an HTTP/0.9-style line)
  std::vector<std::pair<std::string, std::string>> headers;  // in order; values trimmed

  // First header of that name, compared without regard to letter case.
  const std::string* Header(std::string_view name) const;
  std::string Path() const;
  // Value of a query parameter, undecoded; nothing when the target has none of that name.
  std::optional<std::string> QueryValue(std::string_view name) const;
};

// Removes one complete header block (up to and including the blank line that ends it) from
// the front of `pending` and returns it. Blank lines ahead of a request are dropped. Nothing
// while the block is still incomplete. Lines may end in CR LF or, when typed by hand, LF.
std::optional<std::string> TakeHeaderBlock(std::string& pending);

// Nothing when the request line is not "METHOD SP target [SP version]".
std::optional<HttpRequest> ParseRequest(std::string_view block);

}  // namespace camsim
