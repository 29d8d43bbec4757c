#include "recordbrowser/catalogue/catalogue.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/ansi_text.h"
#include "framework/error.h"
#include "recordbrowser/catalogue/locale_settings.h"
#include "testing/support/chinese_locale.h"
#include "testing/support/temp_folder.h"

namespace {

using namespace vantrel;

struct Removal {
  std::wstring file;
  long initiative;
  bool operator==(const Removal& o) const { return file == o.file && initiative == o.initiative; }
};

class Events : public RecordEvents {
 public:
  bool SinkConnected() const override { return connected; }
  void OnRemoved(const std::wstring& file, long initiative) override {
    removals.push_back({file, initiative});
  }
  bool connected = true;
  std::vector<Removal> removals;
};

// A catalogue in a fresh folder, with media files made on demand.
class RecordsIni : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(temp.path().empty());
    base = temp.path() + "\\";
    CreateDirectoryA((base + "Thumb").c_str(), nullptr);
    catalogue = std::make_unique<RecordCatalogue>(
        base, events, ReadDateTimeSettings(0x0409, LOCALE_NOUSEROVERRIDE), 2026);
  }
  void TearDown() override {
    // Thumbnails and media files the test made.
    for (const std::string& f : made) DeleteFileA(f.c_str());
    RemoveDirectoryA((base + "Thumb").c_str());
  }
  std::string Media(const std::string& name) {
    const std::string path = base + name;
    testing_support::WriteTextFile(path, "media");
    made.push_back(path);
    return path;
  }
  std::string Value(const std::string& section, const char* key) const {
    char buffer[4096];
    const DWORD n = GetPrivateProfileStringA(section.c_str(), key, "<none>", buffer, sizeof buffer,
                                             catalogue->IniPath().c_str());
    return std::string(buffer, n);
  }
  std::string Raw() const {
    std::string text;
    for (const std::string& line : testing_support::ReadLines(catalogue->IniPath()))
      text += line + "\n";
    return text;
  }
  // BeginRecord, EndRecord and each section's Previous/Next as one line.
  std::string Links(int upTo = 5) const {
    std::string out =
        Value("Configuration", "BeginRecord") + "-" + Value("Configuration", "EndRecord");
    for (int n = 1; n <= upTo; ++n) {
      const std::string p = Value(RecordSection(n), "Previous");
      if (p == "<none>") continue;
      out += " " + std::to_string(n) + ":" + p + "," + Value(RecordSection(n), "Next");
    }
    return out;
  }
  std::vector<std::unique_ptr<TRecordItem>> Load() {
    std::vector<std::unique_ptr<TRecordItem>> items;
    catalogue->LoadRecords(
        [&](std::unique_ptr<TRecordItem> item, bool) { items.push_back(std::move(item)); });
    return items;
  }
  void WriteIni(const std::string& text) {
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, catalogue->IniPath().c_str());
    testing_support::WriteTextFile(catalogue->IniPath(), text);
  }

  testing_support::TempFolder temp;
  std::string base;
  Events events;
  std::unique_ptr<RecordCatalogue> catalogue;
  std::vector<std::string> made;
};

TEST_F(RecordsIni, AppendsInTheOrderOfTheTableAndLinksTheList) {
  const std::string a = Media("0912.avi");
  auto first = catalogue->AppendRecord(a, "Hall", "Cam 1", 46000, 0.5);
  EXPECT_EQ(first->RecordNo, 1);
  EXPECT_EQ(first->ThumbFile, base + "Thumb\\0912.BMP");
  EXPECT_EQ(Links(), "1-1 1:-1,-1");
  EXPECT_EQ(Raw(),
            "[Configuration]\nBeginRecord=1\nEndRecord=1\n[Record1]\nPrevious=-1\nMediaFile=" + a +
                "\nDate=12/9/2025\nTime=12:00:00 PM\nArea=Hall\nCamera=Cam 1\nThumbFile=" + base +
                "Thumb\\0912.BMP\nNext=-1\n");
  catalogue->AppendRecord(a, "", "", 0, 0);
  auto third = catalogue->AppendRecord(a, "", "", 0, 0);
  EXPECT_EQ(third->RecordNo, 3);
  EXPECT_EQ(Links(), "1-3 1:-1,2 2:1,3 3:2,-1");
}

TEST_F(RecordsIni, DeletesFirstMiddleLastAndOnlyAndReusesTheLastNumber) {
  std::vector<std::string> files;
  for (int i = 1; i <= 4; ++i) {
    files.push_back(Media("m" + std::to_string(i) + ".jpg"));
    catalogue->AppendRecord(files.back(), "", "", 0, 0);
  }
  catalogue->DeleteRecord(2, files[1]);
  EXPECT_EQ(Links(), "1-4 1:-1,3 3:1,4 4:3,-1");
  EXPECT_EQ(Value("Record2", "MediaFile"), "<none>");
  EXPECT_FALSE(FileExists(files[1]));
  catalogue->DeleteRecord(4, files[3]);
  EXPECT_EQ(Links(), "1-3 1:-1,3 3:1,-1");
  EXPECT_EQ(catalogue->AppendRecord(files[0], "", "", 0, 0)->RecordNo, 4);
  catalogue->DeleteRecord(1, files[0]);
  EXPECT_EQ(Links(), "3-4 3:-1,4 4:3,-1");
  catalogue->DeleteRecord(4, files[0]);  // media already gone: told with 0
  catalogue->DeleteRecord(3, files[2]);
  EXPECT_EQ(Links(), "-1--1");
  EXPECT_EQ(events.removals, (std::vector<Removal>{{fw::AnsiToWide(files[1]), 1},
                                                   {fw::AnsiToWide(files[3]), 1},
                                                   {fw::AnsiToWide(files[0]), 1},
                                                   {fw::AnsiToWide(files[0]), 0},
                                                   {fw::AnsiToWide(files[2]), 1}}));
  EXPECT_EQ(catalogue->AppendRecord(files[0], "", "", 0, 0)->RecordNo, 1);
}

TEST_F(RecordsIni, DeleteOutsideTheRangeOrOfAnotherFileTouchesNothing) {
  const std::string a = Media("a.avi");
  catalogue->AppendRecord(a, "", "", 0, 0);
  const std::string before = Raw();
  catalogue->DeleteRecord(0, a);
  catalogue->DeleteRecord(2, a);
  catalogue->DeleteRecord(-1, a);
  // Another catalogue deleted 1 and reused it for its own file.
  catalogue->DeleteRecord(1, base + "other.avi");
  EXPECT_EQ(Raw(), before);
  EXPECT_TRUE(FileExists(a));
  EXPECT_TRUE(events.removals.empty());
}

TEST_F(RecordsIni, ASecondCatalogueReusingANumberLeavesTheOthersFile) {
  Events otherEvents;
  RecordCatalogue other(base, otherEvents, ReadDateTimeSettings(0x0409, LOCALE_NOUSEROVERRIDE),
                        2026);
  const std::string a = Media("a.avi"), b = Media("b.avi");
  auto mine = catalogue->AppendRecord(a, "", "", 0, 0);
  other.DeleteRecord(1, a);
  EXPECT_EQ(other.AppendRecord(b, "", "", 0, 0)->RecordNo, 1);
  catalogue->DeleteRecord(mine->RecordNo, mine->MediaFile);
  EXPECT_TRUE(FileExists(b));
  EXPECT_EQ(Value("Record1", "MediaFile"), b);
  EXPECT_TRUE(events.removals.empty());
}

TEST_F(RecordsIni, AMediaFileHeldOpenKeepsItsRecord) {
  const std::string a = Media("held.avi");
  catalogue->AppendRecord(a, "", "", 0, 0);
  const std::string before = Raw();
  HANDLE held =
      CreateFileA(a.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  try {
    catalogue->DeleteRecord(1, a);
    ADD_FAILURE() << "no error";
  } catch (const fw::Error& e) {
    EXPECT_EQ(std::string(e.what()), "Unable to delete " + a);
  }
  CloseHandle(held);
  EXPECT_EQ(Raw(), before);
  EXPECT_TRUE(events.removals.empty());
}

TEST_F(RecordsIni, RemovalsAreToldOnlyWithASink) {
  events.connected = false;
  const std::string a = Media("a.avi");
  catalogue->AppendRecord(a, "", "", 0, 0);
  catalogue->DeleteRecord(1, a);
  EXPECT_TRUE(events.removals.empty());
  EXPECT_EQ(Links(), "-1--1");
}

TEST_F(RecordsIni, LoadDropsMissingMediaAndReadsTheRest) {
  const std::string a = Media("a.avi"), c = Media("c.jpg");
  catalogue->AppendRecord(a, "Hall", "Cam", 46000, 0.25);
  catalogue->AppendRecord(base + "gone.avi", "", "", 0, 0);
  catalogue->AppendRecord(c, "", "Cam 2", 46001, 0.75);
  events.connected = false;
  auto items = Load();
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0]->MediaFile, a);
  EXPECT_EQ(items[0]->Date, 46000);
  EXPECT_NEAR(items[0]->Time, 0.25, 1e-9);
  EXPECT_EQ(items[0]->Area, "Hall");
  EXPECT_EQ(items[1]->RecordNo, 3);
  EXPECT_EQ(Links(), "1-3 1:-1,3 3:1,-1");
}

TEST_F(RecordsIni, HostileFilesLoadEachRecordOnceAndNeverWriteBelowOne) {
  const std::string a = Media("a.avi");
  auto section = [&](int n, int p, int x, const std::string& media) {
    return "[Record" + std::to_string(n) + "]\r\nPrevious=" + std::to_string(p) +
           "\r\nMediaFile=" + media + "\r\nDate=x\r\nNext=" + std::to_string(x) + "\r\n";
  };
  struct Case {
    const char* name;
    std::string ini;
    size_t loaded;
  };
  const Case cases[] = {
      {"no Configuration", section(1, -1, -1, a), 0},
      {"missing sections", "[Configuration]\r\nBeginRecord=1\r\nEndRecord=3\r\n", 0},
      {"Next into a missing section",
       "[Configuration]\r\nBeginRecord=1\r\nEndRecord=1\r\n" + section(1, -1, 9, a), 1},
      {"loop 3 to 2",
       "[Configuration]\r\nBeginRecord=1\r\nEndRecord=3\r\n" + section(1, -1, 2, a) +
           section(2, 1, 3, a) + section(3, 2, 2, a),
       3},
      {"loop 2 to 2",
       "[Configuration]\r\nBeginRecord=1\r\nEndRecord=2\r\n" + section(1, -1, 2, a) +
           section(2, 1, 2, a),
       2},
      {"hex numbers",
       "[Configuration]\r\nBeginRecord=0x2\r\nEndRecord=0X2\r\n" + section(2, -1, -1, a), 1},
      {"garbage numbers",
       "[Configuration]\r\nBeginRecord=12abc\r\nEndRecord=99999999999\r\n" + section(12, -1, -1, a),
       0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteIni(c.ini);
    auto items = Load();
    EXPECT_EQ(items.size(), c.loaded);
    for (const auto& item : items) {
      EXPECT_EQ(item->Date, 0);  // "x" reads as the zero date
      EXPECT_EQ(item->ThumbFile, base + "Thumb\\a.BMP");
    }
    EXPECT_EQ(Value("Record-1", "Next"), "<none>");
    EXPECT_EQ(Value("Record0", "Next"), "<none>");
  }
  // A missing record in a chain is dropped and the walk goes on.
  WriteIni("[Configuration]\r\nBeginRecord=1\r\nEndRecord=3\r\n" + section(1, -1, 2, a) +
           section(2, 1, 3, base + "gone.avi") + section(3, 2, -1, a));
  EXPECT_EQ(Load().size(), 2u);
  EXPECT_EQ(Links(), "1-3 1:-1,3 3:1,-1");
}

TEST_F(RecordsIni, AnEndRecordOutOfRangeRefusesTheAppendWritingNothing) {
  const std::string a = Media("a.avi");
  for (const char* end : {"2147483647", "-2", "0"}) {
    SCOPED_TRACE(end);
    WriteIni(std::string("[Configuration]\r\nBeginRecord=1\r\nEndRecord=") + end + "\r\n");
    const std::string before = Raw();
    try {
      catalogue->AppendRecord(a, "", "", 0, 0);
      ADD_FAILURE() << "appended";
    } catch (const fw::Error& e) {
      EXPECT_EQ(std::string(e.what()), "Unable to write to " + catalogue->IniPath());
    }
    EXPECT_EQ(Raw(), before);
  }
}

TEST_F(RecordsIni, AWriteThatFailsRaisesUnableToWrite) {
  Events e;
  RecordCatalogue nowhere(base + "missing\\folder\\", e,
                          ReadDateTimeSettings(0x0409, LOCALE_NOUSEROVERRIDE), 2026);
  try {
    nowhere.AppendRecord(Media("a.avi"), "", "", 0, 0);
    ADD_FAILURE() << "appended";
  } catch (const fw::Error& error) {
    EXPECT_EQ(std::string(error.what()), "Unable to write to " + nowhere.IniPath());
  }
}

TEST_F(RecordsIni, StoredTextsStayOnTheirLineAndLongValuesAreCut) {
  const std::string a = Media("a.avi");
  const std::string longArea(3000, 'x');
  catalogue->AppendRecord(a, longArea, "a\r\n[Configuration]\r\nBeginRecord=7", 0, 0);
  EXPECT_EQ(Value("Configuration", "BeginRecord"), "1");
  EXPECT_EQ(Value("Record1", "Camera"), "a  [Configuration]  BeginRecord=7");
  auto items = Load();
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0]->Area, std::string(2047, 'x'));
  EXPECT_EQ(items[0]->Camera, "a  [Configuration]  BeginRecord=7");
}

TEST_F(RecordsIni, AThumbFileOutsideTheThumbFolderSurvives) {
  const std::string a = Media("a.avi");
  const std::string sentinel = Media("sentinel.BMP");
  catalogue->AppendRecord(a, "", "", 0, 0);
  WritePrivateProfileStringA("Record1", "ThumbFile", sentinel.c_str(),
                             catalogue->IniPath().c_str());
  auto items = Load();
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0]->ThumbFile, base + "Thumb\\a.BMP");
  const std::string thumb = Media("Thumb\\a.BMP");
  catalogue->DeleteRecord(1, a);
  EXPECT_TRUE(FileExists(sentinel));
  EXPECT_FALSE(FileExists(thumb));
}

// Code page 936: texts are stored as its bytes and paths split by its characters.
class RecordsIniInChineseLocale : public RecordsIni {
 protected:
  void SetUp() override {
    ASSERT_TRUE(testing_support::InChineseLocale());
    RecordsIni::SetUp();
  }
};

TEST_F(RecordsIniInChineseLocale, StoresChineseAsCodePageBytesAndNeverCutsADoubleByteCharacter) {
  // 0x81 0x5C: one character whose trail byte is a backslash.
  const std::string media = Media(
      "a\x81\x5C"
      "b.avi");
  ASSERT_TRUE(FileExists(media));
  const std::string camera = "\xC9\xE3\xCF\xF1\xCD\xB7";  // GBK of the word camera
  auto item = catalogue->AppendRecord(media, "", camera, 46000, 0);
  EXPECT_EQ(item->ThumbFile, base +
                                 "Thumb\\a\x81\x5C"
                                 "b.BMP");
  EXPECT_NE(Raw().find("Camera=" + camera + "\n"), std::string::npos);
  const std::string thumb = Media(
      "Thumb\\a\x81\x5C"
      "b.BMP");
  auto items = Load();
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0]->Camera, camera);
  EXPECT_EQ(items[0]->ThumbFile, thumb);
  EXPECT_EQ(items[0]->Date, 46000);
  catalogue->DeleteRecord(1, media);
  EXPECT_FALSE(FileExists(media));
  EXPECT_FALSE(FileExists(thumb));
  EXPECT_EQ(events.removals, (std::vector<Removal>{{fw::AnsiToWide(media), 1}}));
}

}  // namespace
