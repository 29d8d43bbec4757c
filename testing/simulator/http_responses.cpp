#include "simulator/http_responses.h"

namespace camsim {

std::string_view ReasonPhrase(int status) {
  switch (status) {
    case 200: return "OK";
    case 204: return "No Content";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 400: return "Bad Request";
    case 401: return "Unauthorized";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    case 503: return "Service Unavailable";
    default: return "Status";
  }
}

std::string StreamResponseHeader(std::string_view boundary, bool withBoundary) {
  std::string header =
      "HTTP/1.1 200 OK\r\n"
      "Server: camsim\r\n"
      "Connection: close\r\n"
      "Cache-Control: no-cache\r\n"
      "Pragma: no-cache\r\n"
      "Content-Type: multipart/x-mixed-replace";
  if (withBoundary) {
    header += ";boundary=";
    header += boundary;
  }
  header += "\r\n\r\n";
  return header;
}

std::string PartHeader(std::string_view boundary, std::optional<uint64_t> contentLength) {
  std::string header = "--";
  header += boundary;
  header += "\r\nContent-Type: image/jpeg\r\n";
  if (contentLength) header += "Content-Length: " + std::to_string(*contentLength) + "\r\n";
  header += "\r\n";
  return header;
}

std::string StatusResponse(int status, std::string_view body) {
  std::string response = "HTTP/1.1 " + std::to_string(status) + " ";
  response += ReasonPhrase(status);
  response +=
      "\r\nServer: camsim\r\n"
      "Connection: close\r\n"
      "Content-Type: text/plain\r\n"
      "Content-Length: " +
      std::to_string(body.size()) + "\r\n\r\n";
  response += body;
  return response;
}

std::string UnauthorizedResponse() {
  std::string body = "401 Unauthorized";
  return "HTTP/1.1 401 Unauthorized\r\n"
         "Server: camsim\r\n"
         "WWW-Authenticate: Basic realm=\"camera\"\r\n"
         "Connection: close\r\n"
         "Content-Type: text/plain\r\n"
         "Content-Length: " +
         std::to_string(body.size()) + "\r\n\r\n" + body;
}

}  // namespace camsim
