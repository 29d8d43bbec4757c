// The thumbnail pipeline on the test display under Wine's DirectShow, with media the build
// made from code: pictures and videos become 120 x 90 thumbnails at their source's depth,
// videos one at a time in queue order, failing ones retried after the others and dropped
// after three attempts, a capture that stalls ended by its time-out, and forms destroyed in
// the middle of it all leaving no item behind.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "liveview/decode/tests/jpeg_fixture.h"
#include "liveview/record/avi_recorder.h"
#include "liveview/record/avifile_library.h"
#include "recordbrowser/tests/vantrel_fixture.h"
#include "testing/support/time_scale.h"

namespace {

using vantrel_tests::Near;
using vantrel_tests::PixelAt;

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kLime = RGB(0, 255, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kYellow = RGB(255, 255, 0);
// Greyscale of the same quadrants, as ImageMagick makes it (Rec. 709 luma).
constexpr COLORREF Grey(int v) { return RGB(v, v, v); }

struct Quadrants {
  COLORREF topLeft, topRight, bottomLeft, bottomRight;
};
constexpr Quadrants kQuadrants{kRed, kLime, kBlue, kYellow};

// The thumbnails the tests made, kept beside the program with the colours they must show, for
// ImageMagick to read on the Linux side (check_thumbnails.sh).
void KeepForLinuxSide(const std::string& thumb, const std::string& name, const Quadrants& q) {
  const std::string folder = test_container::ExecutableFolder() + "thumbs_out\\";
  CreateDirectoryA(folder.c_str(), nullptr);
  CopyFileA(thumb.c_str(), (folder + name + ".bmp").c_str(), FALSE);
  std::ofstream expected(folder + name + ".expected");
  const POINT at[4] = {{30, 22}, {90, 22}, {30, 67}, {90, 67}};
  const COLORREF colour[4] = {q.topLeft, q.topRight, q.bottomLeft, q.bottomRight};
  for (int i = 0; i < 4; ++i) {
    expected << at[i].x << ' ' << at[i].y << ' ' << int(GetRValue(colour[i])) << ' '
             << int(GetGValue(colour[i])) << ' ' << int(GetBValue(colour[i])) << '\n';
  }
}

// 120 x 90 at `bits`, the quadrants' colours at their centres (so the first frame, the
// right way up).
void ExpectThumbnail(const std::string& path, int bits, const Quadrants& q, int tolerance = 48) {
  fw::Bitmap thumb;
  ASSERT_NO_THROW(thumb.LoadBmpFile(path)) << path;
  EXPECT_EQ(thumb.Width(), 120);
  EXPECT_EQ(thumb.Height(), 90);
  EXPECT_EQ(thumb.BitsPerPixel(), bits);
  EXPECT_PRED3(Near, PixelAt(thumb, 30, 22), q.topLeft, tolerance);
  EXPECT_PRED3(Near, PixelAt(thumb, 90, 22), q.topRight, tolerance);
  EXPECT_PRED3(Near, PixelAt(thumb, 30, 67), q.bottomLeft, tolerance);
  EXPECT_PRED3(Near, PixelAt(thumb, 90, 67), q.bottomRight, tolerance);
}

class Thumbnails : public vantrel_tests::VantrelFixture {
 protected:
  void SetUp() override {
    VantrelFixture::SetUp();
    Create();
  }
  // The items of the first date group, in insertion order.
  std::vector<std::string> DateGroupMedia() const {
    auto* tree = vantrel->TreeViewSurveillance;
    const form::TreeNode group = tree->FirstChild(tree->FirstChild(nullptr));
    std::vector<std::string> media;
    if (!group) return media;
    for (const vantrel::TRecordItem* item :
         static_cast<vantrel::RecordGroup*>(tree->NodeData(group))->Items)
      media.push_back(item->MediaFile);
    return media;
  }
};

// The JPEG reader reduces by 1/2 to 1/8 only while the picture stays 120 x 90 or larger, and
// gives colour and greyscale pictures as 24-bit rows.
TEST(JpegReader, ReducesWhileTheThumbnailsSizeIsKept) {
  const struct {
    int width, height;
    bool grey;
    int outWidth, outHeight;
  } cases[] = {
      {640, 480, false, 160, 120}, {1000, 760, false, 125, 95}, {250, 190, true, 125, 95},
      {239, 179, false, 120, 90},   {237, 180, false, 237, 180}, {130, 100, true, 130, 100},
      {41, 7, false, 41, 7},
      {961, 721, false, 121, 91},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
    jpegfixture::Picture picture;
    picture.width = c.width;
    picture.height = c.height;
    picture.components = c.grey ? 1 : 3;
    picture.colorSpace = c.grey ? JCS_GRAYSCALE : JCS_RGB;
    picture.pixel = [&](int x, int, uint8_t* p) {
      p[0] = x < c.width / 2 ? 40 : 220;
      if (!c.grey) p[1] = p[2] = 0;
    };
    const auto file = jpegfixture::MakeJpeg(picture);
    vantrel::JpegPicture out;
    ASSERT_EQ(vantrel::DecodeJpegFile(file.data(), file.size(), {}, &out), "");
    EXPECT_EQ(out.width, c.outWidth);
    EXPECT_EQ(out.height, c.outHeight);
    fw::Bitmap bitmap;
    vantrel::JpegPictureToBitmap(out, bitmap);
    EXPECT_EQ(bitmap.BitsPerPixel(), 24);
    const COLORREF left = PixelAt(bitmap, out.width / 8, out.height / 2);
    const COLORREF right = PixelAt(bitmap, out.width * 7 / 8, out.height / 2);
    EXPECT_PRED3(Near, left, c.grey ? RGB(40, 40, 40) : RGB(40, 0, 0), 24);
    EXPECT_PRED3(Near, right, c.grey ? RGB(220, 220, 220) : RGB(220, 0, 0), 24);
  }
  // What is no picture names why, and leaves nothing.
  const std::string text = "not a picture";
  vantrel::JpegPicture out;
  EXPECT_NE(vantrel::DecodeJpegFile(reinterpret_cast<const uint8_t*>(text.data()), text.size(),
                                    {}, &out),
            "");
  EXPECT_TRUE(out.rows.empty());
  EXPECT_EQ(vantrel::DecodeJpegFile(nullptr, 0, {}, &out), "is empty");
}

TEST_F(Thumbnails, PicturesKeepTheirDepthAndColours) {
  const COLORREF greyRed = Grey(54), greyLime = Grey(182), greyBlue = Grey(18),
                 greyYellow = Grey(237);
  const struct {
    const char* file;
    int bits;
    Quadrants colours;
  } cases[] = {
      {"colour.jpg", 24, kQuadrants},
      {"grey.jpg", 24, {greyRed, greyLime, greyBlue, greyYellow}},
      {"bits1.bmp", 1, {RGB(0, 0, 0), RGB(255, 255, 255), RGB(255, 255, 255), RGB(0, 0, 0)}},
      {"bits4.bmp", 4, kQuadrants},
      {"bits8.bmp", 8, kQuadrants},
      {"bits24.bmp", 24, kQuadrants},
      {"bits32.bmp", 32, kQuadrants},
  };
  for (const auto& c : cases) Add(Copy(c.file));
  ASSERT_TRUE(PumpUntilIdle());
  EXPECT_TRUE(boxes.empty()) << (boxes.empty() ? "" : fw::WideToAnsi(boxes[0].text));
  EXPECT_EQ(vantrel->ViewItemCount(), std::size(cases));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const std::string stem = std::string(c.file).substr(0, std::string(c.file).find('.'));
    ExpectThumbnail(ThumbOf(stem), c.bits, c.colours, 24);
    KeepForLinuxSide(ThumbOf(stem), "picture_" + stem, c.colours);
    if (c.bits <= 8) {
      // The source's own colour table.
      fw::Bitmap source, thumb;
      source.LoadBmpFile(base + c.file);
      thumb.LoadBmpFile(ThumbOf(stem));
      const auto a = source.ColorTable(), b = thumb.ColorTable();
      ASSERT_EQ(a.size(), b.size());
      for (size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(RGB(a[i].rgbRed, a[i].rgbGreen, a[i].rgbBlue),
                  RGB(b[i].rgbRed, b[i].rgbGreen, b[i].rgbBlue))
            << i;
      }
    }
  }
}

TEST_F(Thumbnails, APictureThatCannotBeReadShowsItsBoxAndIsLeftForTheNextLoad) {
  const std::string misnamed = Copy("named.JPEG");    // a JPEG for the BMP loader
  const std::string text = Copy("text.AVI", "notes.jpg");  // text for the JPEG reader
  const std::string good = Copy("bits24.bmp");
  Add(misnamed);
  Add(text);
  Add(good);
  ASSERT_TRUE(PumpUntilIdle());
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_NE(boxes[0].text.find(fw::AnsiToWide(misnamed)), std::wstring::npos);
  EXPECT_NE(boxes[0].text.find(L"not a BMP file"), std::wstring::npos) << boxes[0].text;
  EXPECT_NE(boxes[1].text.find(L"JPEG file \"" + fw::AnsiToWide(text)), std::wstring::npos)
      << boxes[1].text;
  EXPECT_EQ(boxes[0].owner, vantrel->GetSafeHwnd());
  // Only the good one is shown; the others stay in Records.ini, their items freed.
  EXPECT_EQ(DateGroupMedia(), std::vector<std::string>{good});
  EXPECT_EQ(vantrel->ViewItemCount(), 1u);
  EXPECT_EQ(vantrel::LiveItemCount::Live(), liveAtStart + 1);
  EXPECT_TRUE(InRecords(misnamed));
  EXPECT_TRUE(InRecords(text));
  EXPECT_EQ(GetFileAttributesA(ThumbOf("named").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(Thumbnails, TwoVideosInQueueOrderAndOnePostedTwiceIsQueuedOnce) {
  const std::string first = Copy("quadrants.avi");
  const std::string second = Copy("turned.avi");
  Add(first);
  Add(second);
  // Both posted; the first starts its capture, the second waits. The queue messages alone:
  // with the captures' own messages as well, a quick machine finishes both captures within
  // one pump, before the queue could be looked at.
  const auto dispatchQueueMessages = [&] {
    MSG message;
    while (PeekMessageA(&message, vantrel->GetSafeHwnd(), vantrel::WM_QUEUEVIDEO,
                        vantrel::WM_QUEUEVIDEO, PM_REMOVE)) {
      DispatchMessageA(&message);
    }
  };
  dispatchQueueMessages();
  ASSERT_EQ(vantrel->CaptureQueue.size(), 2u);
  vantrel::TRecordItem* waiting = vantrel->CaptureQueue[1];
  EXPECT_EQ(waiting->MediaFile, second);
  PostMessageA(vantrel->GetSafeHwnd(), vantrel::WM_QUEUEVIDEO, reinterpret_cast<WPARAM>(waiting), 0);
  dispatchQueueMessages();
  EXPECT_EQ(vantrel->CaptureQueue.size(), 2u);
  ASSERT_TRUE(PumpUntilIdle());
  EXPECT_TRUE(boxes.empty()) << (boxes.empty() ? "" : fw::WideToAnsi(boxes[0].text));
  EXPECT_EQ(DateGroupMedia(), (std::vector<std::string>{first, second}));
  EXPECT_FALSE(vantrel->FilterGraph->Active());
  ExpectThumbnail(ThumbOf("quadrants"), 32, kQuadrants);
  ExpectThumbnail(ThumbOf("turned"), 32, {kBlue, kYellow, kRed, kLime});
  KeepForLinuxSide(ThumbOf("quadrants"), "video_quadrants", kQuadrants);
  KeepForLinuxSide(ThumbOf("turned"), "video_turned", {kBlue, kYellow, kRed, kLime});
}

TEST_F(Thumbnails, AVideoOfTheLiveViewRecorder) {
  const std::string path = base + "recorded.avi";
  liveview::EnsureAviFileLibrary();
  {
    jpegfixture::Picture picture;
    picture.width = 352;
    picture.height = 288;
    picture.pixel = [](int x, int y, uint8_t* p) {
      const bool right = x >= 176, bottom = y >= 144;
      const COLORREF c = bottom ? (right ? kYellow : kBlue) : (right ? kLime : kRed);
      p[0] = GetRValue(c);
      p[1] = GetGValue(c);
      p[2] = GetBValue(c);
    };
    const auto frame = jpegfixture::MakeJpeg(picture);
    liveview::CAviRecorder recorder;
    ASSERT_EQ(1, recorder.OpenFile(path.c_str()));
    ASSERT_EQ(1, recorder.CreateVideoStream(352, 288));
    for (int i = 0; i < 5; ++i) {
      ASSERT_EQ(1, recorder.WriteFrame(frame.data(), static_cast<int>(frame.size())));
    }
    ASSERT_EQ(1, recorder.CloseFile(10));
  }
  Add(path);
  ASSERT_TRUE(PumpUntilIdle());
  EXPECT_TRUE(boxes.empty());
  ExpectThumbnail(ThumbOf("recorded"), 32, kQuadrants);
}

TEST_F(Thumbnails, FailingVideosAreRetriedAfterTheOthersAndDroppedAfterThreeAttempts) {
  const std::string text = Copy("text.AVI");
  const std::string audio = Copy("audio_only.avi");
  const std::string good = Copy("quadrants.avi");
  // The order the captures start in: the queue's head as the graph comes up.
  std::vector<std::string> starts;
  vantrel->FilterGraph->OnActivate = [&](mediagraph::TFilterGraph*) {
    starts.push_back(vantrel->CaptureQueue.front()->MediaFile);
  };
  Add(text);
  Add(audio);
  Add(good);
  ASSERT_TRUE(PumpUntilIdle(60000));
  EXPECT_EQ(starts, (std::vector<std::string>{text, audio, good, text, audio, text, audio}));
  // The good one finished among them; the others left the queue, their records kept.
  EXPECT_EQ(DateGroupMedia(), std::vector<std::string>{good});
  ExpectThumbnail(ThumbOf("quadrants"), 32, kQuadrants);
  EXPECT_TRUE(InRecords(text));
  EXPECT_TRUE(InRecords(audio));
  EXPECT_EQ(vantrel::LiveItemCount::Live(), liveAtStart + 1);
  // Neither renders under Wine (no sound driver for the audio): a box each time, with the
  // graph's text and code.
  ASSERT_EQ(boxes.size(), 6u);
  for (const auto& box : boxes) {
    EXPECT_NE(box.text.find(L"($"), std::wstring::npos) << box.text;
    EXPECT_EQ(box.owner, vantrel->GetSafeHwnd());
  }
}

// Samples that never reach the form: a capture ends at its time-out when that comes first,
// else when the graph says the stream is complete; either way three times, then the video
// leaves the queue.
TEST_F(Thumbnails, ACaptureWithoutSampleEndsAtItsTimeOutOrAtTheStreamsEnd) {
  const struct {
    const char* name;
    const char* media;
    DWORD timeoutMs;
    int completions;  // EC_COMPLETE heard
    DWORD atLeastMs;  // for the three attempts together
  } cases[] = {
      // 10.1 s of frames; the time-out leaves a first sample time to reach the grabber,
      // which a slower machine takes longer to bring.
      {"time-out first", "long.avi", testing_support::Scaled(1000), 0,
       3 * testing_support::Scaled(1000)},
      // 1.1 s of frames, then EC_COMPLETE.
      {"the stream's end first", "quadrants.avi", 30000, 3, 3 * 900},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string video = Copy(c.media);
    vantrel::TVantrel::SetCaptureTimeoutForTests(c.timeoutMs);
    std::atomic<int> swallowed{0};
    vantrel->SampleGrabber->OnBuffer = [&](mediagraph::TSampleGrabber*, double, BYTE*, long) {
      ++swallowed;
    };
    int completions = 0;
    vantrel->FilterGraph->OnGraphComplete = [&](mediagraph::TFilterGraph*, HRESULT, IBaseFilter*) {
      ++completions;
    };
    const DWORD began = GetTickCount();
    Add(video);
    ASSERT_TRUE(PumpUntilIdle(60000));
    const DWORD took = GetTickCount() - began;
    EXPECT_GT(swallowed.load(), 0);
    EXPECT_EQ(completions, c.completions);
    EXPECT_GE(took, c.atLeastMs);
    EXPECT_TRUE(DateGroupMedia().empty());
    EXPECT_TRUE(InRecords(video));
    EXPECT_TRUE(boxes.empty());
    EXPECT_FALSE(vantrel->FilterGraph->Active());
  }
}

TEST_F(Thumbnails, AnMpegOneVideo) {
  const std::string mpg = Copy("quadrants.mpg");
  Add(mpg);
  ASSERT_TRUE(PumpUntilIdle(60000));
  // Wine's DirectShow cannot decode MPEG-1 here: the capture fails three times (a box when
  // the render raises) and the record stays for the next load. Where it decodes, the
  // thumbnail is the first frame.
  if (GetFileAttributesA(ThumbOf("quadrants").c_str()) != INVALID_FILE_ATTRIBUTES) {
    ExpectThumbnail(ThumbOf("quadrants"), 32, kQuadrants);
    EXPECT_EQ(DateGroupMedia(), std::vector<std::string>{mpg});
  } else {
    std::printf("MPEG-1 not decoded here: %s\n",
                boxes.empty() ? "no sample" : fw::WideToAnsi(boxes.front().text).c_str());
    EXPECT_TRUE(DateGroupMedia().empty());
    EXPECT_TRUE(InRecords(mpg));
    EXPECT_LE(boxes.size(), 3u);
  }
}

TEST_F(Thumbnails, FormsDestroyedMidCaptureLeaveNoItem) {
  vantrel.reset();
  const std::string videoA = Copy("quadrants.avi");
  const std::string videoB = Copy("turned.avi");
  const std::string picture = Copy("bits24.bmp");
  for (int round = 0; round < 20; ++round) {
    SCOPED_TRACE(round);
    Create();
    Add(videoA);
    Add(videoB);
    Add(picture);
    // Destroyed at a different point of the work each round: before anything ran, with
    // messages queued, while the graph runs, after a thumbnail or two.
    test_container::PumpFor(static_cast<DWORD>(round * 15));
    vantrel.reset();
    EXPECT_EQ(vantrel::LiveItemCount::Live(), liveAtStart) << "items left";
    // Nothing comes late for the form that went.
    test_container::PumpFor(20);
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, (base + "Records.ini").c_str());
    DeleteFileA((base + "Records.ini").c_str());
  }
  EXPECT_TRUE(boxes.empty()) << (boxes.empty() ? "" : fw::WideToAnsi(boxes[0].text));
}

}  // namespace
