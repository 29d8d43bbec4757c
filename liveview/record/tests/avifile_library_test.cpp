// The AVIFile library is taken once and given back on the thread that took it, whichever
// thread ends a recording, so that thread's OLE initialisation stays balanced.
#include <windows.h>

#include <objbase.h>
#include <vfw.h>

#include <gtest/gtest.h>

#include <mutex>
#include <thread>
#include <vector>

#include "liveview/cameras/tests/camera_test_support.h"
#include "liveview/record/avi_check.h"
#include "liveview/record/avifile_library.h"
#include "liveview/record/slot_recording.h"
#include "liveview/record/tests/recording_test_support.h"

namespace liveview {
namespace {

using testing_support::FrameBytes;
using testing_support::TempFolder;

// The threads AVIFileInit and AVIFileExit were called on, in order.
struct LibraryCalls {
  std::mutex mutex;
  std::vector<DWORD> inits;
  std::vector<DWORD> exits;
};
LibraryCalls& Calls() {
  static LibraryCalls calls;
  return calls;
}
void CountedInit() {
  {
    std::lock_guard<std::mutex> hold(Calls().mutex);
    Calls().inits.push_back(GetCurrentThreadId());
  }
  AVIFileInit();
}
void CountedExit() {
  {
    std::lock_guard<std::mutex> hold(Calls().mutex);
    Calls().exits.push_back(GetCurrentThreadId());
  }
  AVIFileExit();
}

// Earlier cases of the program record on this thread and leave the library taken by it.
class AviFileLibraryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    EndAviFileLibrary();
    ASSERT_FALSE(AviFileLibraryHeld()) << "an earlier case left the library to another thread";
  }
};

TEST_F(AviFileLibraryTest, TakenOnceAndGivenBackOnItsThreadWhateverThreadStopsARecording) {
  SetAviFileLibraryCalls(&CountedInit, &CountedExit);
  TempFolder folder;
  const std::string path = folder.File("threads.avi");
  DWORD ownerThread = 0;
  bool started = false, endedElsewhere = true, endedOnOwner = false, checked = false;

  // A thread of its own plays the control's user-interface thread.
  std::thread owner([&] {
    ownerThread = GetCurrentThreadId();
    SlotRecording slot;
    started = StartRecording(slot, 0, 320, 240, kFormatMotionJpeg, 0, path.c_str());
    // The stream worker writes and ends the recording, as at a stream's end.
    std::thread worker([&] {
      CoInitialize(nullptr);
      for (int i = 0; i < 3; ++i) AddRecordFrame(slot, 0, FrameBytes(3000, 1).data(), 3000, 320, 240);
      StopRecording(slot, 0);
      endedElsewhere = EndAviFileLibrary();
      CoUninitialize();
    });
    worker.join();
    checked = CheckAviFile(path.c_str()) == 1;
    SlotRecording second;
    StartRecording(second, 0, 320, 240, kFormatMotionJpeg, 0, folder.File("second.avi").c_str());
    StopRecording(second, 0);
    endedOnOwner = EndAviFileLibrary();
  });
  owner.join();
  SetAviFileLibraryCalls(nullptr, nullptr);

  EXPECT_TRUE(started);
  EXPECT_TRUE(checked);
  EXPECT_FALSE(endedElsewhere) << "an exit on another thread would unbalance its OLE";
  EXPECT_TRUE(endedOnOwner);
  EXPECT_FALSE(AviFileLibraryHeld());
  EXPECT_EQ(std::vector<DWORD>{ownerThread}, Calls().inits) << "taken once, by the first use";
  EXPECT_EQ(std::vector<DWORD>{ownerThread}, Calls().exits);
}

TEST_F(AviFileLibraryTest, TakingTheLibraryOpensOleOnThatThread) {
  // Why the pairing matters: the thread that takes the library is put into an apartment.
  bool apartment = false;
  std::thread owner([&] {
    EnsureAviFileLibrary();
    const HRESULT hr = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (SUCCEEDED(hr)) CoUninitialize();
    apartment = hr == RPC_E_CHANGED_MODE;
    EndAviFileLibrary();
  });
  owner.join();
  EXPECT_TRUE(apartment);
}

}  // namespace
}  // namespace liveview
