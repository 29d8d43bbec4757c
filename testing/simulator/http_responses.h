// The bytes a camera answers with: the multipart stream's header and part headers, and the
// short answers to commands, refusals and errors.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace camsim {

constexpr char kPartTrailer[] = "\r\n";

std::string_view ReasonPhrase(int status);

// "HTTP/1.1 200 OK" and a multipart/x-mixed-replace content type, with its "boundary="
// parameter unless `withBoundary` is false.
std::string StreamResponseHeader(std::string_view boundary, bool withBoundary);

// One part's header, up to and including its blank line; without "Content-Length:" when
// `contentLength` is empty.
std::string PartHeader(std::string_view boundary, std::optional<uint64_t> contentLength);

// A complete short answer with a text body; the connection closes after it.
std::string StatusResponse(int status, std::string_view body);

// 401 with a Basic challenge.
std::string UnauthorizedResponse();

}  // namespace camsim
