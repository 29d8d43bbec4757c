#include "simulator/http_request.h"

#include <cctype>

namespace camsim {
namespace {

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
}

// Splits off the next line; the terminator (LF, with an optional CR before it) is dropped.
std::string_view NextLine(std::string_view& rest) {
  const size_t lf = rest.find('\n');
  std::string_view line = rest.substr(0, lf);
  rest = lf == std::string_view::npos ? std::string_view() : rest.substr(lf + 1);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

}  // namespace

const std::string* HttpRequest::Header(std::string_view name) const {
  for (const auto& [key, value] : headers) {
    if (EqualsNoCase(key, name)) return &value;
  }
  return nullptr;
}

std::string HttpRequest::Path() const { return target.substr(0, target.find('?')); }

std::optional<std::string> HttpRequest::QueryValue(std::string_view name) const {
  const size_t question = target.find('?');
  if (question == std::string::npos) return std::nullopt;
  std::string_view query = std::string_view(target).substr(question + 1);
  while (!query.empty()) {
    const size_t amp = query.find('&');
    const std::string_view pair = query.substr(0, amp);
    const size_t eq = pair.find('=');
    if (pair.substr(0, eq) == name)
      return std::string(eq == std::string_view::npos ? std::string_view() : pair.substr(eq + 1));
    if (amp == std::string_view::npos) break;
    query.remove_prefix(amp + 1);
  }
  return std::nullopt;
}

std::optional<std::string> TakeHeaderBlock(std::string& pending) {
  size_t start = 0;
  while (start < pending.size() && (pending[start] == '\r' || pending[start] == '\n')) ++start;
  pending.erase(0, start);

  // The block ends at the first line that is empty, whichever line ending it uses.
  size_t pos = 0;
  while (true) {
    const size_t lf = pending.find('\n', pos);
    if (lf == std::string::npos) return std::nullopt;
    const size_t next = lf + 1;
    if (next < pending.size() && pending[next] == '\n') {
      std::string block = pending.substr(0, next + 1);
      pending.erase(0, next + 1);
      return block;
    }
    if (next + 1 < pending.size() && pending[next] == '\r' && pending[next + 1] == '\n') {
      std::string block = pending.substr(0, next + 2);
      pending.erase(0, next + 2);
      return block;
    }
    if (next >= pending.size() || (pending[next] == '\r' && next + 1 >= pending.size()))
      return std::nullopt;
    pos = next;
  }
}

std::optional<HttpRequest> ParseRequest(std::string_view block) {
  HttpRequest request;
  std::string_view rest = block;
  const std::string_view line = NextLine(rest);
  request.requestLine = std::string(line);

  const size_t firstSpace = line.find(' ');
  if (firstSpace == 0 || firstSpace == std::string_view::npos) return std::nullopt;
  request.method = std::string(line.substr(0, firstSpace));
  std::string_view afterMethod = line.substr(firstSpace + 1);
  const size_t secondSpace = afterMethod.find(' ');
  request.target = std::string(afterMethod.substr(0, secondSpace));
  if (secondSpace != std::string_view::npos)
    request.version = std::string(Trim(afterMethod.substr(secondSpace + 1)));
  if (request.target.empty() || request.target.find(' ') != std::string::npos) return std::nullopt;

  while (!rest.empty()) {
    const std::string_view header = NextLine(rest);
    if (header.empty()) break;
    const size_t colon = header.find(':');
    if (colon == std::string_view::npos || colon == 0) continue;  // not a header; a camera shrugs
    request.headers.emplace_back(std::string(Trim(header.substr(0, colon))),
                                 std::string(Trim(header.substr(colon + 1))));
  }
  return request;
}

}  // namespace camsim
