#include "simulator/activity_log.h"

#include <algorithm>

namespace camsim {

size_t Activity::CountRequests(RequestKind kind) const {
  return static_cast<size_t>(std::count_if(requests.begin(), requests.end(),
                                           [kind](const RecordedRequest& r) { return r.kind == kind; }));
}

Activity ActivityLog::Snapshot() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return activity_;
}

std::vector<RecordedRequest> ActivityLog::Requests() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return activity_.requests;
}

std::vector<ConnectionRecord> ActivityLog::Connections() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return activity_.connections;
}

uint64_t ActivityLog::FramesSent() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return activity_.framesSent;
}

void ActivityLog::Clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  // Open connections stay listed so that their later events still find a record.
  std::vector<ConnectionRecord> open;
  for (const auto& c : activity_.connections) {
    if (c.reason == CloseReason::Open) open.push_back(c);
  }
  activity_ = Activity{};
  activity_.connections = std::move(open);
  changed_.notify_all();
}

void ActivityLog::SetLimit(size_t records) {
  std::lock_guard<std::mutex> lock(mutex_);
  limit_ = std::max<size_t>(records, 10);
  TrimLocked();
}

void ActivityLog::TrimLocked() {
  auto& requests = activity_.requests;
  if (requests.size() > limit_) requests.erase(requests.begin(), requests.begin() + limit_ / 10);
  auto& connections = activity_.connections;
  if (connections.size() > limit_) {
    size_t dropped = 0;
    connections.erase(std::remove_if(connections.begin(), connections.end(),
                                     [&](const ConnectionRecord& c) {
                                       if (dropped >= limit_ / 10 || c.reason == CloseReason::Open)
                                         return false;
                                       ++dropped;
                                       return true;
                                     }),
                      connections.end());
  }
}

bool ActivityLog::WaitUntil(const std::function<bool(const Activity&)>& done,
                            std::chrono::milliseconds timeout) const {
  std::unique_lock<std::mutex> lock(mutex_);
  return changed_.wait_for(lock, timeout, [&] { return done(activity_); });
}

bool ActivityLog::WaitForRequests(RequestKind kind, size_t count,
                                  std::chrono::milliseconds timeout) const {
  return WaitUntil([&](const Activity& a) { return a.CountRequests(kind) >= count; }, timeout);
}

bool ActivityLog::WaitForFrames(uint64_t count, std::chrono::milliseconds timeout) const {
  return WaitUntil([&](const Activity& a) { return a.framesSent >= count; }, timeout);
}

bool ActivityLog::WaitForConnections(size_t count, std::chrono::milliseconds timeout) const {
  return WaitUntil([&](const Activity& a) { return a.connections.size() >= count; }, timeout);
}

bool ActivityLog::WaitForClosedConnections(size_t count, std::chrono::milliseconds timeout) const {
  return WaitUntil(
      [&](const Activity& a) {
        return static_cast<size_t>(std::count_if(
                   a.connections.begin(), a.connections.end(),
                   [](const ConnectionRecord& c) { return c.reason != CloseReason::Open; })) >= count;
      },
      timeout);
}

uint32_t ActivityLog::OpenConnection() {
  std::lock_guard<std::mutex> lock(mutex_);
  ConnectionRecord record;
  record.id = nextConnection_++;
  record.accepted = Clock::now();
  activity_.connections.push_back(record);
  TrimLocked();
  changed_.notify_all();
  return record.id;
}

void ActivityLog::AddRequest(RecordedRequest request) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (const ConnectionRecord* c = Find(request.connection)) {
    request.framesBefore = c->framesSent;
    request.lastFrameBefore = c->lastFrame;
  }
  activity_.requests.push_back(std::move(request));
  TrimLocked();
  changed_.notify_all();
}

void ActivityLog::MarkStreaming(uint32_t connection) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (ConnectionRecord* c = Find(connection)) c->streaming = true;
  changed_.notify_all();
}

void ActivityLog::AddFrame(uint32_t connection) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (ConnectionRecord* c = Find(connection)) {
    ++c->framesSent;
    c->lastFrame = Clock::now();
  }
  ++activity_.framesSent;
  changed_.notify_all();
}

void ActivityLog::CloseConnection(uint32_t connection, CloseReason reason) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (ConnectionRecord* c = Find(connection)) {
    if (c->reason == CloseReason::Open) {
      c->reason = reason;
      c->closed = Clock::now();
    }
  }
  changed_.notify_all();
}

ConnectionRecord* ActivityLog::Find(uint32_t connection) {
  for (auto& c : activity_.connections) {
    if (c.id == connection) return &c;
  }
  return nullptr;
}

}  // namespace camsim
