// Snapshots, recordings and the last picture: what the host takes from a camera's stream
// slot and window. The slot lock keeps the worker's frame hand-off out while they are used,
// and everything is checked again under it: between the lookup of the slot and its lock the
// stream may end, or the slot may be claimed for another window.
#include <atomic>
#include <cstdio>
#include <cstring>
#include <vector>

#include "base/scoped_lock.h"
#include "liveview/cameras/camera_table.h"
#include "liveview/control/tessaly_ctrl.h"
#include "liveview/notify/control_messages.h"
#include "liveview/record/slot_recording.h"
#include "liveview/stream/thread_manager.h"

namespace liveview {
namespace {

CCameraTable& Table() { return *CCameraTable::Instance(); }
CThreadManager& Streams() { return *CThreadManager::Instance(); }

constexpr int kMotionJpegFormat = 0;

size_t WriteWhole(const void* bytes, size_t length, FILE* file) {
  return std::fwrite(bytes, 1, length, file);
}

std::atomic<CTessalyCtrl::SnapshotWriter> g_snapshotWriter{&WriteWhole};

}  // namespace

CTessalyCtrl::SnapshotWriter CTessalyCtrl::SetSnapshotWriter(SnapshotWriter writer) {
  return g_snapshotWriter.exchange(writer ? writer : &WriteWhole);
}

bool CTessalyCtrl::UnderBoundSlot(int index,
                                  const std::function<void(StreamSlot&, CWatchWnd&)>& use) {
  CWatchWnd* window = WindowAt(index);
  if (!window) return false;
  const int number = window->Number();
  StreamSlot* slot = Streams().SlotByWindow(number);
  if (!slot) return false;
  base::CScopedLock hold(slot->lock);
  if (slot->host.empty() || slot->windowIndex != number || slot->window != window) return false;
  use(*slot, *window);
  return true;
}

bool CTessalyCtrl::CopyLastPicture(const std::string& namedCameraText, fw::CallerBuffer out,
                                   long* length) {
  const int index = Table().FindByDomainName(namedCameraText);
  if (index < 0 || Table().GetState(index) != kCamStateFrame) return false;
  bool copied = false;
  UnderBoundSlot(index, [&](StreamSlot&, CWatchWnd& window) {
    int size = 0;
    const uint8_t* picture = window.GetLastBmp(&size);
    if (!picture || size <= 0 || size > *length) return;
    std::memcpy(out.Bytes(), picture, static_cast<size_t>(size));
    *length = size;
    copied = true;
  });
  return copied;
}

int CTessalyCtrl::WriteSnapshotFile(const std::string& file, const uint8_t* bytes,
                                    size_t length) {
  FILE* f = std::fopen(file.c_str(), "wb");
  if (!f) return 0;
  const bool written = g_snapshotWriter.load()(bytes, length, f) == length;
  const bool closed = std::fclose(f) == 0;
  if (written && closed) return 1;
  // A host would take a cut JPEG for the picture.
  std::remove(file.c_str());
  return 0;
}

void CTessalyCtrl::SnapPicture(const std::string& pszURLPort, const std::string& pszFile, long,
                               long, long* lRetCode) {
  if (pszURLPort.empty() || pszFile.empty()) return;
  const int index = Table().FindByDomainName(pszURLPort);
  if (index < 0 || Table().GetState(index) != kCamStateFrame) return;
  std::vector<uint8_t> jpeg;
  UnderBoundSlot(index, [&](StreamSlot&, CWatchWnd& window) {
    int length = 0;
    const uint8_t* frame = window.GetLastJpeg(&length);
    // Copied here: the worker replaces the frame as soon as the lock is left.
    if (frame && length > 0) jpeg.assign(frame, frame + length);
  });
  if (jpeg.empty()) return;
  const int written = WriteSnapshotFile(pszFile, jpeg.data(), jpeg.size());
  Table().SetSnapshotPath(index, pszFile);
  if (!written) return;
  *lRetCode = 1;
  snapshotFiles_[index].push_back(pszFile);
  if (!PostMessageA(GetSafeHwnd(), WM_CAM_SNAPPED, static_cast<WPARAM>(index), 0)) {
    snapshotFiles_[index].pop_back();
  }
}

void CTessalyCtrl::Record(const std::string& pszURLPort, const std::string& pszFile, long, long,
                          long, long lBitRate, long* lRetCode) {
  if (pszURLPort.empty() || pszFile.empty()) return;
  const int index = Table().FindByDomainName(pszURLPort);
  if (index < 0 || Table().GetState(index) != kCamStateFrame) return;
  int width = 0;
  int height = 0;
  bool started = false;
  UnderBoundSlot(index, [&](StreamSlot& slot, CWatchWnd& window) {
    // A second recorder would end the first one's file behind the host's back.
    if (slot.recording.recorder) return;
    // The size the worker compares each decoded frame with. The record's size is only
    // what the last size message said: 0 x 0 for a camera just added, and it misses a
    // change of the height alone.
    width = window.GetVideoWidth();
    height = window.GetVideoHeight();
    if (width <= 0 || height <= 0) return;
    started = StartRecording(slot.recording, slot.cameraIndex, width, height, kMotionJpegFormat,
                             static_cast<int>(lBitRate), pszFile.c_str());
  });
  if (!started) return;
  Table().SetRecordingPath(index, pszFile);
  Table().SetRecording(index, 1);
  Table().SetRecordFormat(index, kMotionJpegFormat);
  Table().SetRecordWidth(index, width);
  Table().SetRecordHeight(index, height);
  Table().SetRecordBitRate(index, static_cast<int>(lBitRate));
  if (CWatchWnd* window = WindowAt(index)) {
    window->SetRecording(1);
    window->Invalidate(false);
  }
  *lRetCode = 1;
}

void CTessalyCtrl::StopRecord(const std::string& pszURLPort, long* lRetCode) {
  if (pszURLPort.empty()) return;
  const int index = Table().FindByDomainName(pszURLPort);
  if (index < 0) return;
  UnderBoundSlot(index, [](StreamSlot& slot, CWatchWnd&) {
    StopRecording(slot.recording, slot.cameraIndex);
  });
  Table().SetRecording(index, 0);
  if (CWatchWnd* window = WindowAt(index)) {
    window->SetRecording(0);
    window->Invalidate(false);
  }
  *lRetCode = 1;
}

}  // namespace liveview
