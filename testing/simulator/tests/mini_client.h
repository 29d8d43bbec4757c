// A deliberately small HTTP client for the simulator's tests, written apart from both the
// simulator and the product: blocking socket, select-bounded reads, text searches.
#pragma once

#include <winsock2.h>

#include <cstdint>
#include <optional>
#include <string>

namespace camsim_test {

class MiniClient {
 public:
  MiniClient();
  ~MiniClient();
  MiniClient(const MiniClient&) = delete;
  MiniClient& operator=(const MiniClient&) = delete;

  // False when the connection is refused or not made in time.
  bool Connect(uint16_t port, int timeoutMs = 5000);
  bool Send(const std::string& bytes);
  void Close();

  // Everything up to and including `delimiter`; nothing on timeout or end of stream.
  std::optional<std::string> ReadUntil(const std::string& delimiter, int timeoutMs);
  std::optional<std::string> ReadExactly(size_t count, int timeoutMs);
  // Whatever arrives until the peer closes; nothing if it has not closed in time.
  std::optional<std::string> ReadToEnd(int timeoutMs);
  // True when no byte at all arrives within the time and the connection stays open.
  bool StaysQuiet(int timeoutMs);

  bool PeerClosed() const { return eof_; }

 private:
  // Receives what is there within the time into the buffer; false on timeout or end.
  bool Fill(int timeoutMs);

  SOCKET socket_ = INVALID_SOCKET;
  std::string buffer_;
  bool eof_ = false;
};

// What the product sends for a stream, with Base64 of "user:password" already made.
std::string StreamRequest(const std::string& base64Credentials);
constexpr char kAdminAdmin[] = "YWRtaW46YWRtaW4=";  // admin:admin

struct StreamHead {
  std::string statusLine;
  std::string header;  // the whole response header
  std::string boundary;  // empty when the header has no "boundary="
};
std::optional<StreamHead> ReadStreamHead(MiniClient& client, int timeoutMs);

struct Part {
  std::string header;
  std::optional<size_t> contentLength;
  std::string body;
};
// One part's header; and its body when the header gives a length.
std::optional<Part> ReadPart(MiniClient& client, int timeoutMs);

}  // namespace camsim_test
