#include <windows.h>

#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "framework/ansi_text.h"
#include "framework/bitmap.h"
#include "framework/error.h"
#include "recordbrowser/catalogue/catalogue.h"
#include "recordbrowser/catalogue/locale_settings.h"
#include "recordbrowser/icon_stream.h"
#include "recordbrowser/tests/host_stand_ins.h"
#include "recordbrowser/vantrel_impl.h"
#include "testing/container/child_process.h"
#include "testing/container/message_pump.h"
#include "testing/support/chinese_locale.h"
#include "testing/support/temp_folder.h"

namespace {

using vantrel::TVantrel;
using vantrel_tests::Classes;
using vantrel_tests::ReadClasses;

constexpr char kLanguageKey[] = "SYSTEM\\CurrentControlSet\\Control\\Nls\\Language";

// The prefix's InstallLanguage, set for a test and put back after it.
class InstallLanguage {
 public:
  explicit InstallLanguage(const char* value) {
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, kLanguageKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_,
                    nullptr);
    char buffer[64];
    DWORD size = sizeof buffer;
    had_ = RegQueryValueExA(key_, "InstallLanguage", nullptr, nullptr,
                            reinterpret_cast<BYTE*>(buffer), &size) == ERROR_SUCCESS;
    if (had_) old_.assign(buffer, size ? size - 1 : 0);
    if (value) {
      RegSetValueExA(key_, "InstallLanguage", 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                     static_cast<DWORD>(strlen(value) + 1));
    } else {
      RegDeleteValueA(key_, "InstallLanguage");
    }
  }
  ~InstallLanguage() {
    if (had_) {
      RegSetValueExA(key_, "InstallLanguage", 0, REG_SZ,
                     reinterpret_cast<const BYTE*>(old_.c_str()),
                     static_cast<DWORD>(old_.size() + 1));
    } else {
      RegDeleteValueA(key_, "InstallLanguage");
    }
    RegCloseKey(key_);
  }

 private:
  HKEY key_ = nullptr;
  bool had_ = false;
  std::string old_;
};

class VantrelStartup : public ::testing::Test {
 protected:
  void SetUp() override {
    base = temp.path() + "\\";
    TVantrel::SetBaseFolderForTests(base);
    frame = CreateWindowA("STATIC", "Vantrel test", WS_POPUP | WS_VISIBLE, 0, 0, 640, 480, nullptr,
                          nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(frame);
  }
  void TearDown() override {
    vantrel.reset();
    DestroyWindow(frame);
    TVantrel::SetBaseFolderForTests("");
    DeleteFileA((base + "Records.ini").c_str());
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, (base + "Records.ini").c_str());
    RemoveDirectoryA((base + "Thumb").c_str());
  }
  void Create() {
    vantrel = std::make_unique<TVantrel>(frame);
    test_container::PumpPending();
  }
  std::vector<std::wstring> Roots() const {
    std::vector<std::wstring> out;
    for (form::TreeNode r = vantrel->TreeViewSurveillance->FirstChild(nullptr); r;
         r = vantrel->TreeViewSurveillance->NextSibling(r))
      out.push_back(vantrel->TreeViewSurveillance->NodeText(r));
    return out;
  }

  testing_support::TempFolder temp;
  std::string base;
  HWND frame = nullptr;
  std::unique_ptr<TVantrel> vantrel;
};

TEST(ParseInstallLanguage, ReadsTheFirstFourCharactersAsHexadecimal) {
  const struct {
    const char* text;
    int value;
  } cases[] = {{"0804", 0x0804}, {"0409", 0x0409}, {"0407", 0x0407}, {"0C04", 0x0C04},
               {"0c04", 0x0C04}, {"08x04", 0x080}, {"", 0},          {"080412", 0x0804}};
  for (const auto& c : cases) EXPECT_EQ(TVantrel::ParseInstallLanguage(c.text), c.value) << c.text;
}

TEST_F(VantrelStartup, ChineseInstallLanguageGivesChineseTextsAsUtf16) {
  InstallLanguage chinese("0804");
  Create();
  EXPECT_EQ(Roots(), (std::vector<std::wstring>{fw::Utf8ToWide("按时间查看"),
                                                fw::Utf8ToWide("按摄像头查看")}));
  EXPECT_EQ(vantrel->Texts[12], L"\u201C");
  EXPECT_EQ(vantrel->Texts[13], L"\u201D");
  EXPECT_EQ(vantrel->Texts[7], fw::Utf8ToWide("确定删除该监控记录吗？"));
  EXPECT_EQ(vantrel->SpeedButtonGoto->Text(), fw::Utf8ToWide("跳转"));
  EXPECT_EQ(vantrel->SpeedButtonView->Text(), fw::Utf8ToWide("浏览"));
  EXPECT_EQ(vantrel->SpeedButtonLocate->Text(), fw::Utf8ToWide("定位"));
  EXPECT_EQ(vantrel->SpeedButtonDelete->Text(), fw::Utf8ToWide("删除"));
  EXPECT_EQ(vantrel->LabelCaption->Text(), fw::Utf8ToWide("按时间查看"));
  EXPECT_EQ(vantrel->LabelDetail->Text(), fw::Utf8ToWide("包含 0 组监控记录。"));
}

TEST_F(VantrelStartup, OtherLanguagesGiveEnglish) {
  for (const char* value :
       {"0409", "0407", "0C04", "0c04", "08x04", "", static_cast<const char*>(nullptr)}) {
    SCOPED_TRACE(value ? value : "missing");
    InstallLanguage language(value);
    Create();
    EXPECT_EQ(Roots(), (std::vector<std::wstring>{L"Sorted by time", L"Sorted by cameras"}));
    EXPECT_EQ(vantrel->TreeViewSurveillance->NodeText(vantrel->TreeViewSurveillance->Selected()),
              L"Sorted by time");
    EXPECT_EQ(vantrel->LabelCaption->Text(), L"Sorted by time");
    EXPECT_EQ(vantrel->LabelDetail->Text(), L"Include 0 group(s) of surveillance record.");
    EXPECT_FALSE(vantrel->PanelToolbar->Visible());
    EXPECT_EQ(vantrel->SpeedButtonLocate->Text(), L"Locate");
    EXPECT_EQ(vantrel->Texts[12], L"\"");
    EXPECT_EQ(vantrel->BaseFolder, base);
    EXPECT_EQ(vantrel->ThumbFolder, base + "Thumb\\");
    const DWORD attributes = GetFileAttributesA((base + "Thumb").c_str());
    EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY));
    vantrel.reset();
  }
}

TEST_F(VantrelStartup, AddSurveillanceRecordTakesPlainWideTexts) {
  InstallLanguage english("0409");
  Create();
  vantrel_tests::RemovedSink sink;
  vantrel->EventSink = base::ComPtr<IDispatch>(&sink);
  const std::string media = base + "clip.bmp";
  {
    fw::Bitmap picture;
    picture.SetSize(16, 12);
    picture.SaveBmpFile(media);
  }
  std::wstring wide = fw::AnsiToWide(media);
  wchar_t plain[MAX_PATH] = {};
  wide.copy(plain, wide.size());
  EXPECT_EQ(vantrel->AddSurveillanceRecord(plain, L"Hall", L"Cam", 46000, 0.5), S_OK);
  EXPECT_EQ(vantrel->LabelDetail->Text(), L"Include 0 group(s) of surveillance record.");
  ASSERT_TRUE(sink.removed.empty());
  // Once its thumbnail is made, the item goes into one date group and one camera group.
  auto* tree = vantrel->TreeViewSurveillance;
  const form::TreeNode dates = tree->FirstChild(nullptr);
  ASSERT_TRUE(test_container::PumpUntil([&] { return tree->FirstChild(dates) != nullptr; }, 5000));
  EXPECT_EQ(vantrel->LabelDetail->Text(), L"Include 1 group(s) of surveillance record.");
  const std::wstring dateText =
      fw::AnsiToWide(vantrel::FormatDate(46000, vantrel::LoadTimeDateTimeSettings()));
  EXPECT_EQ(tree->NodeText(tree->FirstChild(dates)), dateText);
  EXPECT_EQ(tree->NodeText(tree->FirstChild(tree->NextSibling(dates))), L"Cam");

  // Null texts are empty; a missing file and a character the code page lacks (never its
  // best fit) are told as missing.
  EXPECT_EQ(vantrel->AddSurveillanceRecord(nullptr, nullptr, nullptr, 0, 0), S_OK);
  // Where the code page lacks a with macron, its best fit would name this file.
  testing_support::WriteTextFile(base + "clipa.avi", "media");
  const std::wstring bestFit = fw::AnsiToWide(base) + L"clip\u0101.avi";
  EXPECT_EQ(vantrel->AddSurveillanceRecord(bestFit.c_str(), L"", L"", 0, 0), S_OK);
  EXPECT_EQ(sink.removed, (std::vector<std::pair<std::wstring, long>>{{L"", 0}, {bestFit, 0}}));
  // A folder is no media file.
  EXPECT_EQ(vantrel->AddSurveillanceRecord(fw::AnsiToWide(base + "Thumb").c_str(), L"", L"", 0, 0),
            S_OK);
  EXPECT_EQ(sink.removed.size(), 3u);
  for (double bad : {std::numeric_limits<double>::quiet_NaN(),
                     std::numeric_limits<double>::infinity(), 1e9, -1e9}) {
    EXPECT_EQ(vantrel->AddSurveillanceRecord(plain, L"", L"", bad, 0), E_INVALIDARG);
    EXPECT_EQ(vantrel->AddSurveillanceRecord(plain, L"", L"", 0, bad), E_INVALIDARG);
  }
  // A refused write is the host's failure code with the text.
  WritePrivateProfileStringA("Configuration", "EndRecord", "-2", (base + "Records.ini").c_str());
  EXPECT_EQ(vantrel->AddSurveillanceRecord(plain, L"", L"", 0, 0), E_UNEXPECTED);
  IErrorInfo* info = nullptr;
  ASSERT_EQ(GetErrorInfo(0, &info), S_OK);
  BSTR description = nullptr;
  info->GetDescription(&description);
  EXPECT_EQ(std::wstring(description),
            fw::AnsiToWide("Unable to write to " + base + "Records.ini"));
  SysFreeString(description);
  info->Release();

  vantrel->EventSink = nullptr;
  vantrel.reset();
  // The record is there at the next start-up.
  Create();
  tree = vantrel->TreeViewSurveillance;
  ASSERT_TRUE(tree->FirstChild(tree->FirstChild(nullptr)));
  EXPECT_EQ(tree->NodeText(tree->FirstChild(tree->FirstChild(nullptr))), dateText);
  auto* group = static_cast<vantrel::RecordGroup*>(
      tree->NodeData(tree->FirstChild(tree->FirstChild(nullptr))));
  ASSERT_EQ(group->Items.size(), 1u);
  EXPECT_EQ(group->Items[0]->MediaFile, media);
  EXPECT_EQ(group->Items[0]->Camera, "Cam");
  EXPECT_NEAR(group->Items[0]->Time, 0.5, 1e-9);
  vantrel.reset();
  DeleteFileA(media.c_str());
  DeleteFileA((base + "clipa.avi").c_str());
}

// The colour of the middle of image `index` of `list`.
COLORREF Middle(const form::ImageList& list, int index) {
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, list.Width(), list.Height());
  ReleaseDC(nullptr, screen);
  HGDIOBJ old = SelectObject(dc, bitmap);
  list.Draw(index, dc, 0, 0);
  const COLORREF c = GetPixel(dc, list.Width() / 2, list.Height() / 2);
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  return c;
}

class MediaTypeIcons : public VantrelStartup {
 protected:
  void SetUp() override {
    VantrelStartup::SetUp();
    dll = test_container::ExecutableFolder() + "vantrel_test_icons.dll";
    Classes() = {{".AVI", "TestAvi"},
                 {"TestAvi\\defaultIcon", dll + ",1"},
                 {".MPG", "TestMpg"},
                 {"TestMpg\\defaultIcon", dll + ",2"}};
    TVantrel::SetClassesRootForTests(ReadClasses);
  }
  void TearDown() override {
    TVantrel::SetClassesRootForTests(nullptr);
    VantrelStartup::TearDown();
  }
  std::string dll;
};

TEST_F(MediaTypeIcons, TakesTheShellsIconsAt16By16) {
  Create();
  EXPECT_EQ(vantrel->AviIconIndex, 1);
  EXPECT_EQ(vantrel->MpgIconIndex, 2);
  ASSERT_EQ(vantrel->ImageListMediaType->Count(), 3);
  EXPECT_EQ(Middle(*vantrel->ImageListMediaType, 1), RGB(0, 255, 0));
  EXPECT_EQ(Middle(*vantrel->ImageListMediaType, 2), RGB(0, 0, 255));
  EXPECT_EQ(vantrel->LoadMediaTypeIcon(".AVI"), 3);
}

TEST_F(MediaTypeIcons, AnUnusableEntryGivesTheBuiltInImage) {
  Create();
  const std::string text = base + "plain.txt";
  testing_support::WriteTextFile(text, "not an icon");
  const struct {
    const char* name;
    std::string entry;
  } cases[] = {{"no comma", dll},
               {"index -1", dll + ",-1"},
               {"index x", dll + ",x"},
               {"index past the last", dll + ",7"},
               {"a text file", text + ",0"},
               {"a missing file", base + "missing.dll,0"},
               {"empty", ""}};
  for (const auto& c : cases) {
    Classes()["TestAvi\\defaultIcon"] = c.entry;
    EXPECT_EQ(vantrel->LoadMediaTypeIcon(".AVI"), 0) << c.name;
  }
  EXPECT_EQ(vantrel->LoadMediaTypeIcon(".NONE"), 0);
  EXPECT_EQ(vantrel->ImageListMediaType->Count(), 3);
  DeleteFileA(text.c_str());
}

TEST_F(MediaTypeIcons, ThePrefixsOwnClassesNeverStopTheStartUp) {
  TVantrel::SetClassesRootForTests(nullptr);
  Create();
  const int count = vantrel->ImageListMediaType->Count();
  EXPECT_GE(vantrel->AviIconIndex, 0);
  EXPECT_LT(vantrel->AviIconIndex, count);
  EXPECT_GE(vantrel->MpgIconIndex, 0);
  EXPECT_LT(vantrel->MpgIconIndex, count);
}

std::vector<BYTE> StreamBytes(IStream* stream) {
  STATSTG stat{};
  stream->Stat(&stat, STATFLAG_NONAME);
  std::vector<BYTE> bytes(static_cast<size_t>(stat.cbSize.QuadPart));
  LARGE_INTEGER zero{};
  stream->Seek(zero, STREAM_SEEK_SET, nullptr);
  ULONG read = 0;
  stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &read);
  return bytes;
}

TEST(IconStream, A4BitIconIs766BytesWithColourWord4) {
  HBITMAP color = CreateBitmap(32, 32, 1, 4, nullptr);
  HBITMAP mask = CreateBitmap(32, 32, 1, 1, nullptr);
  ASSERT_TRUE(color && mask);
  BITMAP info{};
  GetObjectA(color, sizeof info, &info);
  ASSERT_EQ(info.bmBitsPixel, 4);
  IStream* stream = nullptr;
  ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &stream), S_OK);
  vantrel::WriteIconBitmaps(stream, color, mask, true);
  const std::vector<BYTE> bytes = StreamBytes(stream);
  ASSERT_EQ(bytes.size(), 4u + 766u);
  auto word = [&](size_t at) { return bytes[4 + at] | bytes[4 + at + 1] << 8; };
  auto dword = [&](size_t at) { return static_cast<uint32_t>(word(at) | word(at + 2) << 16); };
  EXPECT_EQ(bytes[0] | bytes[1] << 8 | bytes[2] << 16 | bytes[3] << 24, 766);  // the length prefix
  EXPECT_EQ(word(0), 0);
  EXPECT_EQ(word(2), 1);
  EXPECT_EQ(word(4), 1);
  EXPECT_EQ(bytes[4 + 6], 32);
  EXPECT_EQ(bytes[4 + 7], 32);
  EXPECT_EQ(word(8), 4);
  EXPECT_EQ(word(10), 0);
  EXPECT_EQ(word(12), 0);
  EXPECT_EQ(dword(14), 744u);
  EXPECT_EQ(dword(18), 22u);
  EXPECT_EQ(dword(22), 40u);      // header size
  EXPECT_EQ(dword(22 + 8), 64u);  // height doubled
  EXPECT_EQ(word(22 + 14), 4);    // bits per pixel
  HICON back = vantrel::LoadIconImage(bytes.data() + 4, bytes.size() - 4);
  EXPECT_TRUE(back);
  if (back) DestroyIcon(back);
  stream->Release();
  DeleteObject(color);
  DeleteObject(mask);
}

TEST(IconStream, A32BitIconRoundTrips) {
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = 16;
  bi.bmiHeader.biHeight = 16;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP color = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_TRUE(color);
  auto* pixels = static_cast<uint32_t*>(bits);
  for (int i = 0; i < 256; ++i) pixels[i] = 0xFF000000u | static_cast<uint32_t>(i * 0x010203);
  std::vector<BYTE> maskBits(16 * 4, 0);
  HBITMAP mask = CreateBitmap(16, 16, 1, 1, maskBits.data());
  ICONINFO ii{TRUE, 0, 0, mask, color};
  HICON icon = CreateIconIndirect(&ii);
  ASSERT_TRUE(icon);
  IStream* stream = nullptr;
  ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &stream), S_OK);
  vantrel::WriteIconToStream(stream, icon, false);
  const std::vector<BYTE> bytes = StreamBytes(stream);
  EXPECT_EQ(bytes.size(), 22u + 40u + 1024u + 64u);
  EXPECT_EQ(bytes[8], 32);
  HICON back = vantrel::LoadIconImage(bytes.data(), bytes.size());
  ASSERT_TRUE(back);
  ICONINFO got{};
  ASSERT_TRUE(GetIconInfo(back, &got));
  std::vector<uint32_t> read(256);
  BITMAPINFO req = bi;
  HDC dc = GetDC(nullptr);
  EXPECT_EQ(GetDIBits(dc, got.hbmColor, 0, 16, read.data(), &req, DIB_RGB_COLORS), 16);
  ReleaseDC(nullptr, dc);
  EXPECT_EQ(std::vector<uint32_t>(pixels, pixels + 256), read);
  DeleteObject(got.hbmColor);
  DeleteObject(got.hbmMask);
  DestroyIcon(back);
  DestroyIcon(icon);
  stream->Release();
  DeleteObject(color);
  DeleteObject(mask);
}

TEST(IconStream, AnIconWithoutColourBitmapRaises) {
  std::vector<BYTE> maskBits(32 * 4, 0xFF);
  HBITMAP mask = CreateBitmap(16, 32, 1, 1, maskBits.data());
  ICONINFO ii{TRUE, 0, 0, mask, nullptr};
  HICON icon = CreateIconIndirect(&ii);
  ASSERT_TRUE(icon);
  IStream* stream = nullptr;
  ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &stream), S_OK);
  EXPECT_THROW(vantrel::WriteIconToStream(stream, icon, false), fw::Error);
  stream->Release();
  DestroyIcon(icon);
  DeleteObject(mask);
}

// The texts follow the install language, not the user's (Chinese here), and reach the code
// page as its bytes.
class VantrelStartupInChineseLocale : public VantrelStartup {
 protected:
  void SetUp() override {
    ASSERT_TRUE(testing_support::InChineseLocale());
    VantrelStartup::SetUp();
  }
};

TEST_F(VantrelStartupInChineseLocale, TextsFollowTheInstallLanguage) {
  {
    InstallLanguage english("0409");
    Create();
    EXPECT_EQ(vantrel->Texts[0], L"Sorted by time");
    EXPECT_EQ(vantrel->SpeedButtonDelete->Text(), L"Delete");
    vantrel.reset();
  }
  InstallLanguage chinese("0804");
  Create();
  EXPECT_EQ(fw::WideToAnsi(vantrel->Texts[0]), "\xB0\xB4\xCA\xB1\xBC\xE4\xB2\xE9\xBF\xB4");
  EXPECT_EQ(fw::WideToAnsi(vantrel->SpeedButtonDelete->Text()), "\xC9\xBE\xB3\xFD");
  EXPECT_EQ(fw::WideToAnsi(vantrel->Texts[12]), "\xA1\xB0");
}

}  // namespace
