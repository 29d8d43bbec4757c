#include "simulator/http_connection.h"

#include <algorithm>
#include <utility>

#include "simulator/basic_credentials.h"
#include "simulator/http_request.h"
#include "simulator/http_responses.h"
#include "simulator/jpeg_writer.h"
#include "simulator/net_address.h"
#include "simulator/test_picture.h"

namespace camsim {
namespace {

using std::chrono::milliseconds;

constexpr milliseconds kMaxWait{20};
// A request header larger than this is not from any client we serve; it is dropped.
constexpr size_t kMaxPendingRequestBytes = 64 * 1024;
constexpr size_t kSendChunk = 64 * 1024;
// Time to deliver what is queued before closing, and then for the client to close.
constexpr milliseconds kFlushTimeout{2000};
constexpr milliseconds kLingerTimeout{500};

RequestKind Classify(const HttpRequest& request) {
  if (request.method != "GET") return RequestKind::Other;
  const std::string path = request.Path();
  if (path == "/cgi-bin/sf.cgi") return RequestKind::Stream;
  if (path == "/cgi-bin/action" && request.target.rfind("/cgi-bin/action?action=", 0) == 0)
    return RequestKind::Command;
  return RequestKind::Other;
}

}  // namespace

HttpConnection::HttpConnection(CameraState& camera, UniqueSocket socket, uint32_t id)
    : camera_(camera), socket_(std::move(socket)), id_(id) {}

void HttpConnection::Run(const std::atomic<bool>& stop) {
  CloseReason reason = CloseReason::ByCamera;
  try {
    reason = Serve(stop);
  } catch (...) {
    // Out of memory, most likely; the connection simply ends.
  }
  socket_.Reset();
  camera_.Log().CloseConnection(id_, reason);
}

CloseReason HttpConnection::Serve(const std::atomic<bool>& stop) {
  if (!SetNonBlocking(socket_.Get())) return CloseReason::ByCamera;
  while (true) {
    if (stop.load()) return CloseReason::Stopped;
    Clock::time_point now = Clock::now();

    if (mode_ == Mode::Streaming) StreamTick(now);
    if (mode_ == Mode::Holding && now >= holdUntil_) BeginClosing(now);
    if (mode_ == Mode::Closing) {
      if (!halfClosed_ && outSent_ >= out_.size()) {
        // Half-close and keep reading: closing with unread requests in the receive buffer
        // would reset the connection, and the client could lose the answer it has not read.
        shutdown(socket_.Get(), SD_SEND);
        halfClosed_ = true;
        closeDeadline_ = now + kLingerTimeout;
      }
      if (now >= closeDeadline_) return CloseReason::ByCamera;
    }

    const bool wantWrite = outSent_ < out_.size();
    const auto wait = std::clamp(NextWake(now) - now, Clock::duration::zero(),
                                 std::chrono::duration_cast<Clock::duration>(kMaxWait));
    fd_set readable;
    fd_set writable;
    FD_ZERO(&readable);
    FD_ZERO(&writable);
    FD_SET(socket_.Get(), &readable);
    if (wantWrite) FD_SET(socket_.Get(), &writable);
    const long micros = static_cast<long>(std::chrono::duration_cast<std::chrono::microseconds>(wait).count());
    timeval timeout{0, micros};
    const int ready = select(0, &readable, wantWrite ? &writable : nullptr, nullptr, &timeout);
    if (ready == SOCKET_ERROR) return CloseReason::ByCamera;

    if (FD_ISSET(socket_.Get(), &readable) && !ReadAvailable())
      return mode_ == Mode::Closing ? CloseReason::ByCamera : CloseReason::PeerClosed;
    if (wantWrite && FD_ISSET(socket_.Get(), &writable) && !Flush())
      return mode_ == Mode::Closing ? CloseReason::ByCamera : CloseReason::PeerClosed;
  }
}

Clock::time_point HttpConnection::NextWake(Clock::time_point now) const {
  switch (mode_) {
    case Mode::Streaming:
      if (pausedUntil_) return *pausedUntil_;
      return nextDue_;
    case Mode::Holding:
      return holdUntil_;
    case Mode::Closing:
      return closeDeadline_;
    default:
      return now + kMaxWait;
  }
}

bool HttpConnection::ReadAvailable() {
  char buffer[4096];
  const int n = recv(socket_.Get(), buffer, sizeof buffer, 0);
  if (n == 0) return false;
  if (n == SOCKET_ERROR) return WSAGetLastError() == WSAEWOULDBLOCK;

  const Clock::time_point received = Clock::now();
  in_.append(buffer, static_cast<size_t>(n));
  while (auto block = TakeHeaderBlock(in_)) HandleBlock(*block, received, true);
  if (in_.size() > kMaxPendingRequestBytes) {
    HandleBlock(in_.substr(0, 256), received, false);
    in_.clear();
    if (mode_ != Mode::Closing) BeginClosing(received);
  }
  return true;
}

bool HttpConnection::Flush() {
  while (outSent_ < out_.size()) {
    const int chunk = static_cast<int>(std::min(out_.size() - outSent_, kSendChunk));
    const int n = send(socket_.Get(), out_.data() + outSent_, chunk, 0);
    if (n == SOCKET_ERROR) return WSAGetLastError() == WSAEWOULDBLOCK;
    outSent_ += static_cast<size_t>(n);
  }
  out_.clear();
  outSent_ = 0;
  return true;
}

void HttpConnection::HandleBlock(const std::string& block, Clock::time_point received,
                                 bool complete) {
  RecordedRequest record;
  record.connection = id_;
  record.sequence = sequence_++;
  record.received = received;
  record.block = block;
  record.kind = RequestKind::Malformed;
  std::optional<BasicCredentials> credentials;
  // An overlong header is kept only in part, and recorded as what it is: not a request.
  auto request = complete ? ParseRequest(block) : std::nullopt;
  if (request) {
    record.kind = Classify(*request);
    if (const std::string* auth = request->Header("Authorization"))
      credentials = ParseBasicAuthorization(*auth);
    record.request = std::move(*request);
  }
  if (credentials) {
    record.hadCredentials = true;
    record.user = credentials->user;
    record.password = credentials->password;
  }
  record.authorised = record.kind != RequestKind::Malformed && camera_.Accepts(credentials);
  const RequestKind kind = record.kind;
  const bool authorised = record.authorised;
  camera_.Log().AddRequest(std::move(record));
  Answer(kind, authorised);
}

void HttpConnection::Answer(RequestKind kind, bool authorised) {
  // Only the first request of a connection is answered; a client's repeats on a running
  // stream are recorded and otherwise ignored, as the camera's stream just goes on.
  if (mode_ != Mode::Awaiting) return;
  const Clock::time_point now = Clock::now();

  if (kind == RequestKind::Malformed) {
    out_ += StatusResponse(400, "400 Bad Request");
    BeginClosing(now);
    return;
  }
  if (kind != RequestKind::Stream) {
    if (camera_.ActiveFaults().staySilent) {
      mode_ = Mode::Silent;
    } else if (!authorised) {
      out_ += UnauthorizedResponse();
      BeginClosing(now);
    } else {
      out_ += kind == RequestKind::Command ? StatusResponse(200, "OK")
                                           : StatusResponse(404, "404 Not Found");
      BeginClosing(now);
    }
    return;
  }

  if (camera_.ActiveFaults().staySilent) {
    camera_.TakeFaultsForStream();
    mode_ = Mode::Silent;
    return;
  }
  if (!authorised) {
    out_ += UnauthorizedResponse();
    BeginClosing(now);
    return;
  }
  faults_ = camera_.TakeFaultsForStream();
  if (faults_.statusCode && *faults_.statusCode != 200) {
    const int status = *faults_.statusCode;
    out_ += StatusResponse(status, std::to_string(status) + " " + std::string(ReasonPhrase(status)));
    BeginClosing(now);
    return;
  }
  StartStream();
}

void HttpConnection::StartStream() {
  config_ = camera_.Config();
  period_ = std::chrono::duration_cast<Clock::duration>(std::chrono::microseconds(1000000 / config_.fps));
  mode_ = Mode::Streaming;
  camera_.Log().MarkStreaming(id_);
  out_ += StreamResponseHeader(config_.boundary, !faults_.omitBoundary);
  // The first part goes out with the header: a client reads the two back to back.
  nextDue_ = Clock::now();
  StreamTick(nextDue_);
}

void HttpConnection::StreamTick(Clock::time_point now) {
  if (pausedUntil_) {
    if (now < *pausedUntil_) return;
    pausedUntil_.reset();
    nextDue_ = now;
  }
  if (now < nextDue_) return;

  nextDue_ += period_;
  if (nextDue_ <= now) nextDue_ = now + period_;  // fell behind: keep the rate, drop the backlog
  // A client that reads slower than the camera sends loses frames, as with a real camera,
  // instead of the queue growing without bound.
  if (outSent_ < out_.size() && partIndex_ > 0) return;

  const int index = partIndex_;
  if (faults_.pause && !pauseDone_ && index == faults_.pause->atFrame) {
    pauseDone_ = true;
    pausedUntil_ = now + milliseconds(std::max(0, faults_.pause->milliseconds));
    return;
  }
  if (faults_.closeAtFrame && index == *faults_.closeAtFrame) {
    BeginClosing(now);
    return;
  }

  int width = config_.width;
  int height = config_.height;
  if (faults_.resize && index >= faults_.resize->atFrame) {
    width = faults_.resize->width;
    height = faults_.resize->height;
  }
  const uint32_t number = camera_.NextFrameNumber();
  std::vector<uint8_t> jpeg =
      config_.replayFrames > 0
          ? camera_.ReplayFrame(number, width, height)
          : EncodeJpeg(RenderTestPicture(config_.name, number, width, height, config_.captionTop),
                       config_.jpegQuality);
  if (jpeg.empty()) {
    BeginClosing(now);
    return;
  }
  ++partIndex_;

  if (faults_.shortBodyAtFrame && index == *faults_.shortBodyAtFrame) {
    out_ += PartHeader(config_.boundary, jpeg.size());
    out_.append(reinterpret_cast<const char*>(jpeg.data()), jpeg.size() / 2);
    camera_.Log().AddFrame(id_);
    mode_ = Mode::Holding;
    holdUntil_ = now + milliseconds(std::max(0, faults_.shortBodyHoldMs));
    return;
  }
  if (faults_.corruptJpegAtFrame && index == *faults_.corruptJpegAtFrame)
    jpeg.resize(jpeg.size() / 2);

  std::optional<uint64_t> length = jpeg.size();
  if (faults_.missingContentLengthAtFrame && index == *faults_.missingContentLengthAtFrame)
    length.reset();
  if (faults_.hugeContentLengthAtFrame && index == *faults_.hugeContentLengthAtFrame)
    length = faults_.hugeContentLength;

  out_ += PartHeader(config_.boundary, length);
  out_.append(reinterpret_cast<const char*>(jpeg.data()), jpeg.size());
  out_ += kPartTrailer;
  camera_.Log().AddFrame(id_);
}

void HttpConnection::BeginClosing(Clock::time_point now) {
  mode_ = Mode::Closing;
  closeDeadline_ = now + kFlushTimeout;
}

}  // namespace camsim
