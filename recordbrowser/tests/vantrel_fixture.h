// What the thumbnail and view tests share: the form in a top-level window of the test
// display with a catalogue folder of its own, media copied there from the files the build
// made, the host's sink for OnRemoved, the boxes taken, and waits until the pipeline is idle.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/ansi_text.h"
#include "framework/bitmap.h"
#include "framework/message_box.h"
#include "recordbrowser/tests/host_stand_ins.h"
#include "recordbrowser/vantrel_impl.h"
#include "testing/container/child_process.h"
#include "testing/container/message_pump.h"
#include "testing/container/test_frame.h"
#include "testing/support/temp_folder.h"

namespace vantrel_tests {

struct Box {
  HWND owner;
  std::wstring text;
  std::wstring caption;
  UINT type;
};

// The media the build made (make_thumb_media.sh), beside the test program.
inline std::string MediaSource(const std::string& name) {
  return test_container::ExecutableFolder() + "thumb_media\\" + name;
}

class VantrelFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    base = folder.path() + "\\";
    vantrel::TVantrel::SetBaseFolderForTests(base);
    vantrel::TVantrel::SetCaptureTimeoutForTests(3000);
    liveAtStart = vantrel::LiveItemCount::Live();
    frame = test_container::CreateTestFrame("Vantrel thumbnails", RECT{30, 30, 690, 530});
    ASSERT_TRUE(frame);
  }
  void TearDown() override {
    vantrel.reset();
    if (frame) DestroyWindow(frame);
    vantrel::TVantrel::SetBaseFolderForTests("");
    vantrel::TVantrel::SetCaptureTimeoutForTests(0);
    // Nothing the form held outlives it.
    EXPECT_EQ(vantrel::LiveItemCount::Live(), liveAtStart);
    DeleteFileA((base + "Records.ini").c_str());
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, (base + "Records.ini").c_str());
    testing_support::RemoveFolderAndFiles(base + "Thumb");
  }
  void Create() {
    vantrel = std::make_unique<vantrel::TVantrel>(frame);
    vantrel->EventSink = base::ComPtr<IDispatch>(&sink);
    test_container::PumpPending();
  }
  // A copy of a media file in the catalogue's folder, under `as` (the source's name when
  // empty); its full path.
  std::string Copy(const std::string& name, const std::string& as = {}) {
    const std::string to = base + (as.empty() ? name : as);
    EXPECT_TRUE(CopyFileA(MediaSource(name).c_str(), to.c_str(), FALSE)) << name;
    return to;
  }
  void Add(const std::string& media, const std::string& camera = "Cam",
           double date = 46000, double time = 0.5) {
    const std::wstring file = fw::AnsiToWide(media);
    const std::wstring cam = fw::AnsiToWide(camera);
    ASSERT_EQ(vantrel->AddSurveillanceRecord(file.c_str(), L"Hall", cam.c_str(), date, time),
              S_OK);
  }
  // Until nothing is queued or in flight; false on the time-out.
  bool PumpUntilIdle(DWORD ms = 30000) {
    return test_container::PumpUntil(
        [&] { return vantrel->PipelineItemCount() == 0 && !vantrel->Capturing(); }, ms);
  }
  // Whether the catalogue file holds a record of `media`.
  bool InRecords(const std::string& media) const {
    for (int n = 1; n < 50; ++n) {
      char value[MAX_PATH] = {};
      GetPrivateProfileStringA(("Record" + std::to_string(n)).c_str(), "MediaFile", "", value,
                               MAX_PATH, (base + "Records.ini").c_str());
      if (media == value) return true;
    }
    return false;
  }
  std::string ThumbOf(const std::string& stem) const { return base + "Thumb\\" + stem + ".BMP"; }
  std::vector<std::wstring> BoxTexts() const {
    std::vector<std::wstring> out;
    for (const Box& b : boxes) out.push_back(b.text);
    return out;
  }

  testing_support::TempFolder folder;
  std::string base;
  HWND frame = nullptr;
  long liveAtStart = 0;
  RemovedSink sink;
  std::vector<Box> boxes;
  // Every box is written down; the answer is `answer`.
  int answer = IDOK;
  fw::ScopedMessageBoxInterceptor takeBoxes{[this](HWND owner, const std::wstring& text,
                                                   const std::wstring& caption, UINT type) {
    boxes.push_back({owner, text, caption, type});
    return answer;
  }};
  std::unique_ptr<vantrel::TVantrel> vantrel;
};

// The colour at (x, y) of a bitmap of any depth.
inline COLORREF PixelAt(fw::Bitmap& bitmap, int x, int y) {
  const COLORREF c = GetPixel(bitmap.Dc(), x, y);
  bitmap.ReleaseDc();
  return c;
}

inline bool Near(COLORREF a, COLORREF b, int tolerance = 48) {
  return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance &&
         std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
         std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

}  // namespace vantrel_tests
