// What a simulated camera saw and did, kept for tests to inspect. Every change wakes the
// waiters, so a test waits for an event rather than sleeping.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "simulator/http_request.h"

namespace camsim {

using Clock = std::chrono::steady_clock;

enum class RequestKind {
  Stream,     // GET /cgi-bin/sf.cgi
  Command,    // GET /cgi-bin/action?action=...
  Other,      // any other well-formed request
  Malformed,  // a header block whose request line could not be read
};

struct RecordedRequest {
  RequestKind kind = RequestKind::Other;
  uint32_t connection = 0;  // serial of the connection it came on, from 1
  int sequence = 0;         // its place among that connection's requests, from 0
  Clock::time_point received;
  std::string block;        // the header block as received
  HttpRequest request;      // empty for Malformed
  bool hadCredentials = false;  // a readable Basic Authorization header was present
  std::string user;
  std::string password;
  bool authorised = false;  // credentials accepted (or the camera accepts anything)
  // The connection's stream as it stood when this request came: frames sent on it so far,
  // and when the last of them went (meaningful when framesBefore > 0).
  int framesBefore = 0;
  Clock::time_point lastFrameBefore;
};

enum class CloseReason {
  Open,        // still open
  PeerClosed,  // the client closed or reset it
  ByCamera,    // the camera ended it: an error answer, a scripted fault, a send failure
  Stopped,     // the camera was stopped
};

struct ConnectionRecord {
  uint32_t id = 0;
  Clock::time_point accepted;
  Clock::time_point closed;  // meaningful once reason is not Open
  CloseReason reason = CloseReason::Open;
  bool streaming = false;    // a stream was started on it
  int framesSent = 0;        // parts handed to the socket, faulty ones included
  Clock::time_point lastFrame;  // when the last of them was, once framesSent > 0
};

struct Activity {
  std::vector<RecordedRequest> requests;
  std::vector<ConnectionRecord> connections;
  uint64_t framesSent = 0;

  size_t CountRequests(RequestKind kind) const;
};

class ActivityLog {
 public:
  Activity Snapshot() const;
  std::vector<RecordedRequest> Requests() const;
  std::vector<ConnectionRecord> Connections() const;
  uint64_t FramesSent() const;
  void Clear();
  // A long-running camera (the demo's) would otherwise grow without end: past this many
  // requests or connections the oldest tenth is dropped.
  void SetLimit(size_t records);

  // Waits until `done` holds for the activity; false on timeout. `done` runs under the
  // log's lock and must not call back into the log.
  bool WaitUntil(const std::function<bool(const Activity&)>& done,
                 std::chrono::milliseconds timeout) const;
  bool WaitForRequests(RequestKind kind, size_t count, std::chrono::milliseconds timeout) const;
  bool WaitForFrames(uint64_t count, std::chrono::milliseconds timeout) const;
  bool WaitForConnections(size_t count, std::chrono::milliseconds timeout) const;
  bool WaitForClosedConnections(size_t count, std::chrono::milliseconds timeout) const;

  // Writers, used by the camera.
  uint32_t OpenConnection();
  // Fills in the request's framesBefore and lastFrameBefore from its connection.
  void AddRequest(RecordedRequest request);
  void MarkStreaming(uint32_t connection);
  void AddFrame(uint32_t connection);
  void CloseConnection(uint32_t connection, CloseReason reason);

 private:
  ConnectionRecord* Find(uint32_t connection);
  void TrimLocked();

  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  Activity activity_;
  uint32_t nextConnection_ = 1;
  size_t limit_ = 50000;
};

}  // namespace camsim
