#include "mini_client.h"

#include <cstdlib>

namespace camsim_test {
namespace {

DWORD Now() { return GetTickCount(); }

int Remaining(DWORD start, int timeoutMs) {
  const DWORD elapsed = Now() - start;
  return elapsed >= static_cast<DWORD>(timeoutMs) ? 0 : timeoutMs - static_cast<int>(elapsed);
}

}  // namespace

MiniClient::MiniClient() {
  WSADATA data;
  WSAStartup(MAKEWORD(2, 2), &data);
}

MiniClient::~MiniClient() {
  Close();
  WSACleanup();
}

bool MiniClient::Connect(uint16_t port, int timeoutMs) {
  Close();
  socket_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (socket_ == INVALID_SOCKET) return false;
  u_long nonBlocking = 1;
  ioctlsocket(socket_, FIONBIO, &nonBlocking);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  to.sin_port = htons(port);
  if (connect(socket_, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0 &&
      WSAGetLastError() != WSAEWOULDBLOCK) {
    Close();
    return false;
  }
  fd_set writable, failed;
  FD_ZERO(&writable);
  FD_ZERO(&failed);
  FD_SET(socket_, &writable);
  FD_SET(socket_, &failed);
  timeval timeout{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
  if (select(0, nullptr, &writable, &failed, &timeout) <= 0 || FD_ISSET(socket_, &failed)) {
    Close();
    return false;
  }
  int error = 0;
  int size = sizeof error;
  getsockopt(socket_, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size);
  if (error != 0) {
    Close();
    return false;
  }
  u_long blocking = 0;
  ioctlsocket(socket_, FIONBIO, &blocking);
  return true;
}

bool MiniClient::Send(const std::string& bytes) {
  size_t sent = 0;
  while (sent < bytes.size()) {
    const int n = send(socket_, bytes.data() + sent, static_cast<int>(bytes.size() - sent), 0);
    if (n <= 0) return false;
    sent += static_cast<size_t>(n);
  }
  return true;
}

void MiniClient::Close() {
  if (socket_ != INVALID_SOCKET) closesocket(socket_);
  socket_ = INVALID_SOCKET;
  buffer_.clear();
  eof_ = false;
}

bool MiniClient::Fill(int timeoutMs) {
  if (eof_ || socket_ == INVALID_SOCKET) return false;
  fd_set readable;
  FD_ZERO(&readable);
  FD_SET(socket_, &readable);
  timeval timeout{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
  if (select(0, &readable, nullptr, nullptr, &timeout) <= 0) return false;
  char chunk[8192];
  const int n = recv(socket_, chunk, sizeof chunk, 0);
  if (n <= 0) {
    eof_ = true;
    return false;
  }
  buffer_.append(chunk, static_cast<size_t>(n));
  return true;
}

std::optional<std::string> MiniClient::ReadUntil(const std::string& delimiter, int timeoutMs) {
  const DWORD start = Now();
  while (true) {
    const size_t at = buffer_.find(delimiter);
    if (at != std::string::npos) {
      std::string out = buffer_.substr(0, at + delimiter.size());
      buffer_.erase(0, at + delimiter.size());
      return out;
    }
    if (!Fill(Remaining(start, timeoutMs)) && (eof_ || Remaining(start, timeoutMs) == 0))
      return std::nullopt;
  }
}

std::optional<std::string> MiniClient::ReadExactly(size_t count, int timeoutMs) {
  const DWORD start = Now();
  while (buffer_.size() < count) {
    if (!Fill(Remaining(start, timeoutMs)) && (eof_ || Remaining(start, timeoutMs) == 0))
      return std::nullopt;
  }
  std::string out = buffer_.substr(0, count);
  buffer_.erase(0, count);
  return out;
}

std::optional<std::string> MiniClient::ReadToEnd(int timeoutMs) {
  const DWORD start = Now();
  while (!eof_) {
    if (!Fill(Remaining(start, timeoutMs)) && !eof_ && Remaining(start, timeoutMs) == 0)
      return std::nullopt;
  }
  std::string out;
  out.swap(buffer_);
  return out;
}

bool MiniClient::StaysQuiet(int timeoutMs) {
  if (!buffer_.empty()) return false;
  return !Fill(timeoutMs) && !eof_;
}

std::string StreamRequest(const std::string& base64Credentials) {
  return "GET /cgi-bin/sf.cgi HTTP/1.1\r\nConnection: Keep-Alive\r\nAuthorization: Basic " +
         base64Credentials + "\r\n\r\n";
}

std::optional<StreamHead> ReadStreamHead(MiniClient& client, int timeoutMs) {
  auto header = client.ReadUntil("\r\n\r\n", timeoutMs);
  if (!header) return std::nullopt;
  StreamHead head;
  head.header = *header;
  head.statusLine = header->substr(0, header->find("\r\n"));
  const size_t at = header->find("boundary=");
  if (at != std::string::npos) {
    const size_t start = at + 9;
    head.boundary = header->substr(start, header->find("\r\n", start) - start);
  }
  return head;
}

std::optional<Part> ReadPart(MiniClient& client, int timeoutMs) {
  auto header = client.ReadUntil("\r\n\r\n", timeoutMs);
  if (!header) return std::nullopt;
  Part part;
  part.header = *header;
  const size_t at = header->find("Content-Length:");
  if (at == std::string::npos) return part;
  part.contentLength = std::strtoull(header->c_str() + at + 15, nullptr, 10);
  auto body = client.ReadExactly(*part.contentLength, timeoutMs);
  if (!body) return std::nullopt;
  part.body = *body;
  return part;
}

}  // namespace camsim_test
