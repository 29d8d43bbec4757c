#include "simulator/discovery_responder.h"

#include <algorithm>

#include "simulator/net_address.h"

namespace camsim {
namespace {

constexpr long kReceiveWaitMicros = 20000;
constexpr size_t kRecordLimit = 10000;

}  // namespace

size_t DiscoveryActivity::Count(ReceivedDatagram::Kind kind) const {
  return static_cast<size_t>(std::count_if(datagrams.begin(), datagrams.end(),
                                           [kind](const ReceivedDatagram& d) { return d.kind == kind; }));
}

DiscoveryResponder::DiscoveryResponder(DiscoveryConfig config)
    : config_(std::move(config)), port_(config_.listenPort) {}

DiscoveryResponder::~DiscoveryResponder() { Stop(); }

bool DiscoveryResponder::Start() {
  if (Running()) return true;
  if (!winsock_.Ok()) return false;
  const auto bindAddress = ParseIPv4(config_.bindAddress);
  if (!bindAddress) return false;
  if (!config_.replyAddress.empty() && !ParseIPv4(config_.replyAddress)) return false;

  UniqueSocket s(socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP));
  if (!s.Valid()) return false;
  BOOL on = TRUE;
  setsockopt(s.Get(), SOL_SOCKET, SO_BROADCAST, reinterpret_cast<const char*>(&on), sizeof on);
  const sockaddr_in address = MakeSockaddr(*bindAddress, port_);
  if (bind(s.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) return false;
  port_ = LocalPort(s.Get());
  socket_ = std::move(s);
  stop_ = false;
  try {
    thread_ = std::thread([this] {
      try {
        ReceiveLoop();
      } catch (...) {
        // Nothing may leave a thread; the responder just stops answering.
      }
    });
  } catch (...) {
    socket_.Reset();
    return false;
  }
  return true;
}

void DiscoveryResponder::Stop() {
  if (!thread_.joinable()) return;
  stop_ = true;
  thread_.join();
  socket_.Reset();
}

size_t DiscoveryResponder::AddCamera(const DiscoveryIdentity& camera) {
  std::lock_guard<std::mutex> lock(mutex_);
  cameras_.push_back(camera);
  return cameras_.size() - 1;
}

void DiscoveryResponder::SetCamera(size_t index, const DiscoveryIdentity& camera) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (index < cameras_.size()) cameras_[index] = camera;
}

std::vector<DiscoveryIdentity> DiscoveryResponder::Cameras() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return cameras_;
}

DiscoveryActivity DiscoveryResponder::Snapshot() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return activity_;
}

void DiscoveryResponder::ClearLog() {
  std::lock_guard<std::mutex> lock(mutex_);
  activity_ = DiscoveryActivity{};
  changed_.notify_all();
}

bool DiscoveryResponder::WaitUntil(const std::function<bool(const DiscoveryActivity&)>& done,
                                   std::chrono::milliseconds timeout) const {
  std::unique_lock<std::mutex> lock(mutex_);
  return changed_.wait_for(lock, timeout, [&] { return done(activity_); });
}

bool DiscoveryResponder::WaitForDatagrams(ReceivedDatagram::Kind kind, size_t count,
                                          std::chrono::milliseconds timeout) const {
  return WaitUntil([&](const DiscoveryActivity& a) { return a.Count(kind) >= count; }, timeout);
}

void DiscoveryResponder::ReceiveLoop() {
  std::vector<char> buffer(65536);
  while (!stop_) {
    try {
      fd_set readable;
      FD_ZERO(&readable);
      FD_SET(socket_.Get(), &readable);
      timeval timeout{0, kReceiveWaitMicros};
      if (select(0, &readable, nullptr, nullptr, &timeout) <= 0) continue;
      sockaddr_in from{};
      int fromSize = sizeof from;
      const int n = recvfrom(socket_.Get(), buffer.data(), static_cast<int>(buffer.size()), 0,
                             reinterpret_cast<sockaddr*>(&from), &fromSize);
      // Errors are not fatal for a UDP socket: WSAECONNRESET only says that an earlier
      // reply found no listener.
      if (n < 0) continue;
      ReceivedDatagram datagram;
      datagram.received = Clock::now();
      datagram.fromAddress = ntohl(from.sin_addr.s_addr);
      datagram.fromPort = ntohs(from.sin_port);
      datagram.bytes.assign(buffer.begin(), buffer.begin() + n);
      Handle(std::move(datagram));
    } catch (...) {
      // Allocation failed; drop this datagram and go on.
    }
  }
}

void DiscoveryResponder::Handle(ReceivedDatagram datagram) {
  const auto type = DatagramType(datagram.bytes);
  if (type == kSearchRequestType) {
    datagram.kind = ReceivedDatagram::Kind::Search;
  } else if (auto fields = DecodeSetAddressRequest(datagram.bytes)) {
    datagram.kind = ReceivedDatagram::Kind::SetAddress;
    datagram.setAddress = fields;
  }
  const uint32_t asker = datagram.fromAddress;
  const bool isSearch = datagram.kind == ReceivedDatagram::Kind::Search;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (datagram.setAddress) {
      for (size_t i = 0; i < cameras_.size(); ++i) {
        DiscoveryIdentity& camera = cameras_[i];
        if (camera.mac != datagram.setAddress->mac) continue;
        camera.address = datagram.setAddress->address;
        camera.mask = datagram.setAddress->mask;
        camera.gateway = datagram.setAddress->gateway;
        if (datagram.matchedCamera < 0) datagram.matchedCamera = static_cast<int>(i);
      }
    }
    if (activity_.datagrams.size() >= kRecordLimit)
      activity_.datagrams.erase(activity_.datagrams.begin(),
                                activity_.datagrams.begin() + kRecordLimit / 10);
    activity_.datagrams.push_back(std::move(datagram));
    changed_.notify_all();
  }
  if (isSearch) SendReplies(asker);
}

void DiscoveryResponder::SendReplies(uint32_t askerAddress) {
  const uint32_t destination =
      config_.replyAddress.empty() ? askerAddress : ParseIPv4(config_.replyAddress).value_or(askerAddress);
  const sockaddr_in to = MakeSockaddr(destination, config_.replyPort);
  uint64_t sent = 0;
  for (const DiscoveryIdentity& camera : Cameras()) {
    const std::vector<uint8_t> reply = EncodeSearchReply(camera);
    const char* bytes = reinterpret_cast<const char*>(reply.data());
    const size_t first = camera.splitAt > 0 && camera.splitAt < reply.size() ? camera.splitAt : reply.size();
    bool ok = sendto(socket_.Get(), bytes, static_cast<int>(first), 0,
                     reinterpret_cast<const sockaddr*>(&to), sizeof to) == static_cast<int>(first);
    if (ok && first < reply.size()) {
      const int rest = static_cast<int>(reply.size() - first);
      ok = sendto(socket_.Get(), bytes + first, rest, 0, reinterpret_cast<const sockaddr*>(&to),
                  sizeof to) == rest;
    }
    if (ok) ++sent;
  }
  std::lock_guard<std::mutex> lock(mutex_);
  activity_.repliesSent += sent;
  changed_.notify_all();
}

}  // namespace camsim
