// Prints how long the catalogue takes to load 1,000 and 10,000 records through the profile
// functions, and one append and one delete after that.
#include <windows.h>

#include <cstdio>
#include <string>

#include "recordbrowser/catalogue/catalogue.h"
#include "recordbrowser/catalogue/locale_settings.h"
#include "testing/support/temp_folder.h"

namespace {

class NoEvents : public vantrel::RecordEvents {
 public:
  bool SinkConnected() const override { return false; }
  void OnRemoved(const std::wstring&, long) override {}
};

double Ms(LARGE_INTEGER a, LARGE_INTEGER b) {
  LARGE_INTEGER f;
  QueryPerformanceFrequency(&f);
  return 1000.0 * static_cast<double>(b.QuadPart - a.QuadPart) / static_cast<double>(f.QuadPart);
}

}  // namespace

int main() {
  for (int count : {1000, 10000}) {
    testing_support::TempFolder temp;
    const std::string base = temp.path() + "\\";
    const std::string media = base + "clip.avi";
    testing_support::WriteTextFile(media, "media");
    std::string ini =
        "[Configuration]\r\nBeginRecord=1\r\nEndRecord=" + std::to_string(count) + "\r\n";
    for (int n = 1; n <= count; ++n) {
      ini += "[Record" + std::to_string(n) +
             "]\r\nPrevious=" + std::to_string(n == 1 ? -1 : n - 1) + "\r\nMediaFile=" + media +
             "\r\nDate=12/9/2025\r\nTime=1:05:09 PM\r\nArea=Hall\r\n"
             "Camera=Cam " +
             std::to_string(n % 16) + "\r\nThumbFile=" + base +
             "Thumb\\clip.BMP\r\nNext=" + std::to_string(n == count ? -1 : n + 1) + "\r\n";
    }
    testing_support::WriteTextFile(base + "Records.ini", ini);
    NoEvents events;
    vantrel::RecordCatalogue catalogue(
        base, events, vantrel::ReadDateTimeSettings(0x0409, LOCALE_NOUSEROVERRIDE), 2026);
    LARGE_INTEGER t0, t1, t2, t3;
    QueryPerformanceCounter(&t0);
    int loaded = 0;
    catalogue.LoadRecords([&](std::unique_ptr<vantrel::TRecordItem>, bool) { ++loaded; });
    QueryPerformanceCounter(&t1);
    auto item = catalogue.AppendRecord(media, "Hall", "Cam", 46000, 0.5);
    QueryPerformanceCounter(&t2);
    const std::string second = base + "second.avi";
    testing_support::WriteTextFile(second, "media");
    catalogue.DeleteRecord(count / 2, media);
    QueryPerformanceCounter(&t3);
    std::printf("%d records: start-up %.1f ms (%d loaded), append %.2f ms, delete %.2f ms\n", count,
                Ms(t0, t1), loaded, Ms(t1, t2), Ms(t2, t3));
    DeleteFileA(second.c_str());
    DeleteFileA((base + "Records.ini").c_str());
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, (base + "Records.ini").c_str());
  }
  return 0;
}
