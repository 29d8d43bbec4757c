#include "liveview/stream/tests/raw_camera.h"

#include <string>

namespace liveview {
namespace stream_test {
namespace {

bool ReadableWithin(SOCKET s, long microseconds) {
  fd_set set;
  FD_ZERO(&set);
  FD_SET(s, &set);
  timeval timeout{0, microseconds};
  return select(0, &set, nullptr, nullptr, &timeout) > 0;
}

}  // namespace

RawCamera::RawCamera(Script script) : script_(std::move(script)) {
  listener_.Reset(socket(AF_INET, SOCK_STREAM, 0));
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(listener_.Get(), reinterpret_cast<sockaddr*>(&address), sizeof(address));
  int size = sizeof(address);
  getsockname(listener_.Get(), reinterpret_cast<sockaddr*>(&address), &size);
  port_ = ntohs(address.sin_port);
  listen(listener_.Get(), 4);
  thread_ = std::thread([this] { Serve(); });
}

RawCamera::~RawCamera() {
  stop_.store(true);
  const SOCKET serving = serving_.load();
  if (serving != INVALID_SOCKET) shutdown(serving, SD_BOTH);
  thread_.join();
}

void RawCamera::Serve() {
  while (!stop_.load()) {
    if (!ReadableWithin(listener_.Get(), 20000)) continue;
    camsim::UniqueSocket client(accept(listener_.Get(), nullptr, nullptr));
    if (!client.Valid()) continue;
    const int number = ++connections_;
    std::string request;
    char byte;
    while (!stop_.load() && request.find("\r\n\r\n") == std::string::npos) {
      if (!ReadableWithin(client.Get(), 20000)) continue;
      if (recv(client.Get(), &byte, 1, 0) <= 0) break;
      request += byte;
    }
    if (request.find("\r\n\r\n") != std::string::npos) {
      serving_.store(client.Get());
      // Stopping may have begun before the connection was published.
      if (!stop_.load()) script_(client.Get(), number);
      serving_.store(INVALID_SOCKET);
    }
  }
}

bool RawCamera::SendAll(SOCKET client, const std::string& bytes) {
  size_t sent = 0;
  while (sent < bytes.size()) {
    const int n = send(client, bytes.data() + sent, static_cast<int>(bytes.size() - sent), 0);
    if (n <= 0) return false;
    sent += n;
  }
  return true;
}

void RawCamera::HoldOpen(SOCKET client) const {
  char sink[4096];
  while (!stop_.load()) {
    if (!ReadableWithin(client, 20000)) continue;
    if (recv(client, sink, sizeof(sink), 0) <= 0) return;
  }
}

std::string MultipartHeader(const std::string& extraLines) {
  return "HTTP/1.0 200 OK\r\nContent-Type: multipart/x-mixed-replace;boundary=b\r\n" +
         extraLines + "\r\n";
}

std::string Part(const std::string& body) {
  return "--b\r\nContent-Type: image/jpeg\r\nContent-Length: " + std::to_string(body.size()) +
         "\r\n\r\n" + body + "\r\n";
}

}  // namespace stream_test
}  // namespace liveview
