// CThreadManager: the stream client's 16 slots, one worker thread per open camera. The
// control's user-interface thread starts, stops, moves and swaps the streams; the workers
// report their connection state to the control window by posted messages.
#pragma once

#include <windows.h>

#include <memory>
#include <string_view>

#include "base/winsock_session.h"
#include "liveview/stream/stream_slot.h"

namespace liveview {

class CWatchWnd;

class CThreadManager {
 public:
  static constexpr int kSlotCount = 16;

  // The process-wide manager with its 16 slots, created on first use. Release stops every
  // stream and deletes it (the control's destructor); the next Instance starts afresh.
  static CThreadManager* Instance();
  static void Release();

  CThreadManager();
  ~CThreadManager();
  CThreadManager(const CThreadManager&) = delete;
  CThreadManager& operator=(const CThreadManager&) = delete;

  // Opens the camera of `cameraText` ("%s:%d" of its resolved address and port, as the
  // camera table knows it) in `window`. 1 when the stream runs afterwards, also when that
  // host (ignoring case) and port already ran; 0 when the camera is not in the table, no slot
  // is free, its credentials are too long to send, or no worker could be started.
  int StartStream(CWatchWnd* window, std::string_view cameraText);
  // Stops the slot's worker and returns once it has ended and the slot is free. 0 only for
  // an index outside 0 to 15.
  int StopStream(int index);
  void StopAllStreams();
  // Asks the worker of that host (compared exactly) and port to end at its next check; it
  // does not wait. 1 when such a slot exists.
  int RequestStop(std::string_view cameraText);
  // Binds the running stream of the camera to another window. 1, or 0 when none runs.
  int MoveStream(std::string_view cameraText, CWatchWnd* window);
  // Exchanges two slots of the table (with their window and camera indexes).
  void SwapSlots(int a, int b);

  // While it lives, every slot's post lock and lock are held: no worker reads a camera index
  // or a window number to post under it, so the control can move cameras to other indexes
  // and note the move behind what is queued, as one step. Only on the control's thread, and
  // nothing in it may wait for a worker.
  class IndexHold {
   public:
    explicit IndexHold(CThreadManager& manager);
    ~IndexHold();
    IndexHold(const IndexHold&) = delete;
    IndexHold& operator=(const IndexHold&) = delete;

   private:
    CThreadManager& manager_;
  };
  // Under an IndexHold, after the cameras of indexes a and b were exchanged: the last states
  // still owed under either go out under the other.
  void ExchangeOwedStates(int a, int b);
  // Under an IndexHold, once the camera at `index` is gone: the last states still owed under
  // it go out under no camera (-1), which the control ignores.
  void DropOwedStates(int index);
  // The first slot in use that is bound to that window number, or -1 / nullptr.
  int SlotIndexByWindow(int windowIndex);
  StreamSlot* SlotByWindow(int windowIndex);
  // The slot at a table position, or nullptr outside 0 to 15.
  StreamSlot* SlotAt(int index);

 private:
  // The control starts Winsock too; the count keeps it up as long as either needs it.
  base::WinsockSession winsock_{MAKEWORD(1, 1)};
  std::unique_ptr<StreamSlot> slots_[kSlotCount];
};

}  // namespace liveview
