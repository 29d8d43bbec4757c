// Prints how fast the record browser makes thumbnails (videos through the graph, JPEG and BMP
// pictures), and how long it takes to start with a group of many records and to show that
// group's thumbnails.
//   thumbnail_bench.exe [videos=10] [pictures=50] [records=1000]
// Media are made here from code: 640 x 480 motion-JPEG AVIs of the live view's recorder,
// JPEG pictures of the same frame, 24-bit BMPs.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "framework/ansi_text.h"
#include "framework/bitmap.h"
#include "framework/message_box.h"
#include "liveview/decode/tests/jpeg_fixture.h"
#include "liveview/record/avi_recorder.h"
#include "liveview/record/avifile_library.h"
#include "recordbrowser/catalogue/locale_settings.h"
#include "recordbrowser/vantrel_impl.h"
#include "testing/container/message_pump.h"
#include "testing/support/temp_folder.h"

namespace {

double Seconds(LARGE_INTEGER a, LARGE_INTEGER b) {
  LARGE_INTEGER f;
  QueryPerformanceFrequency(&f);
  return static_cast<double>(b.QuadPart - a.QuadPart) / static_cast<double>(f.QuadPart);
}

LARGE_INTEGER Now() {
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return t;
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
}

struct Form {
  HWND frame;
  std::unique_ptr<vantrel::TVantrel> vantrel;
  explicit Form(const std::string& base) {
    vantrel::TVantrel::SetBaseFolderForTests(base);
    frame = CreateWindowA("STATIC", "thumbnail_bench", WS_POPUP | WS_VISIBLE, 0, 0, 640, 480,
                          nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    vantrel = std::make_unique<vantrel::TVantrel>(frame);
  }
  ~Form() {
    vantrel.reset();
    DestroyWindow(frame);
  }
  bool Idle(DWORD ms) {
    return test_container::PumpUntil(
        [&] { return vantrel->PipelineItemCount() == 0 && !vantrel->Capturing(); }, ms);
  }
};

// Adds `count` copies of `source` (named name_N.ext) and times them to the last thumbnail.
double Throughput(const std::string& base, const std::string& source, const char* ext, int count) {
  for (int i = 0; i < count; ++i) {
    CopyFileA(source.c_str(), (base + "m" + std::to_string(i) + ext).c_str(), FALSE);
  }
  Form form(base);
  const LARGE_INTEGER t0 = Now();
  for (int i = 0; i < count; ++i) {
    const std::wstring file = fw::AnsiToWide(base + "m" + std::to_string(i) + ext);
    form.vantrel->AddSurveillanceRecord(file.c_str(), L"Hall", L"Cam", 46000, 0.5);
  }
  if (!form.Idle(600000)) std::printf("  (not finished)\n");
  const double s = Seconds(t0, Now());
  const size_t made = form.vantrel->ViewItemCount();
  if (made != static_cast<size_t>(count)) std::printf("  (%u of %d made)\n", unsigned(made), count);
  testing_support::RemoveFolderAndFiles(base + "Thumb");
  return s > 0 ? made / s : 0;
}

}  // namespace

int main(int argc, char** argv) {
  const int videos = argc > 1 ? std::atoi(argv[1]) : 10;
  const int pictures = argc > 2 ? std::atoi(argv[2]) : 50;
  const int records = argc > 3 ? std::atoi(argv[3]) : 1000;
  OleInitialize(nullptr);
  fw::ProcessMessageBoxInterceptor boxes([](HWND, const std::wstring& text, const std::wstring&, UINT) {
    std::printf("  box: %s\n", fw::WideToAnsi(text).c_str());
    return IDOK;
  });

  testing_support::TempFolder media;
  const std::string source = media.path() + "\\";
  const auto frame = jpegfixture::SolidJpeg(640, 480, 200, 60, 30);
  WriteBytes(source + "picture.jpg", frame);
  {
    fw::Bitmap bmp;
    bmp.SetSize(640, 480);
    bmp.SaveBmpFile(source + "picture.bmp");
  }
  liveview::EnsureAviFileLibrary();
  {
    liveview::CAviRecorder recorder;
    recorder.OpenFile((source + "video.avi").c_str());
    recorder.CreateVideoStream(640, 480);
    for (int i = 0; i < 25; ++i) recorder.WriteFrame(frame.data(), static_cast<int>(frame.size()));
    recorder.CloseFile(25);
  }

  {
    testing_support::TempFolder run;
    std::printf("videos (640 x 480 MJPG AVI): %.1f per second over %d\n",
                Throughput(run.path() + "\\", source + "video.avi", ".avi", videos), videos);
  }
  {
    testing_support::TempFolder run;
    std::printf("JPEG pictures (640 x 480): %.1f per second over %d\n",
                Throughput(run.path() + "\\", source + "picture.jpg", ".jpg", pictures), pictures);
  }
  {
    testing_support::TempFolder run;
    std::printf("BMP pictures (640 x 480, 24 bits): %.1f per second over %d\n",
                Throughput(run.path() + "\\", source + "picture.bmp", ".bmp", pictures), pictures);
  }

  // A catalogue of `records` pictures of one date and camera whose thumbnails exist: start-up
  // puts them into their groups at once, then the date group is shown.
  {
    testing_support::TempFolder run;
    const std::string base = run.path() + "\\";
    CreateDirectoryA((base + "Thumb").c_str(), nullptr);
    fw::Bitmap thumb;
    thumb.SetSize(120, 90);
    const std::string date = vantrel::FormatDate(46000, vantrel::LoadTimeDateTimeSettings());
    const std::string time = vantrel::FormatTime(0.5, vantrel::LoadTimeDateTimeSettings());
    std::string ini = "[Configuration]\r\nBeginRecord=1\r\nEndRecord=" + std::to_string(records) + "\r\n";
    for (int n = 1; n <= records; ++n) {
      const std::string name = "r" + std::to_string(n);
      CopyFileA((source + "picture.bmp").c_str(), (base + name + ".bmp").c_str(), FALSE);
      thumb.SaveBmpFile(base + "Thumb\\" + name + ".BMP");
      ini += "[Record" + std::to_string(n) + "]\r\nPrevious=" + std::to_string(n == 1 ? -1 : n - 1) +
             "\r\nMediaFile=" + base + name + ".bmp\r\nDate=" + date + "\r\nTime=" + time +
             "\r\nArea=Hall\r\nCamera=Cam\r\nThumbFile=" + base + "Thumb\\" + name +
             ".BMP\r\nNext=" + std::to_string(n == records ? -1 : n + 1) + "\r\n";
    }
    testing_support::WriteTextFile(base + "Records.ini", ini);
    const LARGE_INTEGER t0 = Now();
    Form form(base);
    const LARGE_INTEGER t1 = Now();
    auto* tree = form.vantrel->TreeViewSurveillance;
    tree->Select(tree->FirstChild(tree->FirstChild(nullptr)));
    test_container::PumpPending();
    const LARGE_INTEGER t2 = Now();
    std::printf("a group of %d records: start-up %.0f ms, shown in %.0f ms (%d thumbnails listed)\n",
                records, 1000 * Seconds(t0, t1), 1000 * Seconds(t1, t2),
                form.vantrel->ListViewThumb->Count());
    form.vantrel.reset();
    testing_support::RemoveFolderAndFiles(base + "Thumb");
  }
  vantrel::TVantrel::SetBaseFolderForTests("");
  OleUninitialize();
  return 0;
}
