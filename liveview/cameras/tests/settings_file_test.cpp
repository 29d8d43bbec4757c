#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "liveview/cameras/camera_table.h"
#include "liveview/cameras/name_checks.h"
#include "liveview/cameras/settings_file.h"
#include "base/winsock_session.h"
#include "liveview/cameras/tests/camera_test_support.h"

namespace liveview {
namespace {

using namespace testing_support;
using Value = std::optional<std::string>;  // nullopt: the key is not in the file

std::string Line(const std::string& key, int n, const std::string& value) {
  return key + "_" + std::to_string(n) + "=" + value + "\r\n";
}

// The keys that decide whether an entry loads, plus any others as (key, value) pairs.
std::string Entry(int n, Value window, Value domainName, Value port,
                  const std::vector<std::pair<std::string, std::string>>& more = {}) {
  std::string text;
  if (window) text += Line("WND", n, *window);
  if (domainName) text += Line("DomainName", n, *domainName);
  if (port) text += Line("PORT", n, *port);
  for (const auto& [key, value] : more) text += Line(key, n, value);
  return text;
}

std::string Ini(int count, const std::string& entries, const std::string& global = "") {
  return "[GLOBAL]\r\n" + global + "[CLIINFO]\r\nCLI_COUNT=" + std::to_string(count) + "\r\n" +
         entries;
}

int UsedCount(const CCameraTable& table) {
  int used = 0;
  for (int i = 0; i < CCameraTable::kCameraCount; ++i) used += table.RecordAt(i)->InUse();
  return used;
}

// The value of `key` in the saved file, looked up as text so the profile cache plays no part.
Value SavedValue(const std::string& path, const std::string& key) {
  for (const std::string& line : ReadLines(path)) {
    if (line.compare(0, key.size() + 1, key + "=") == 0) return line.substr(key.size() + 1);
  }
  return std::nullopt;
}

class SettingsFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(winsock_.Started());
    ASSERT_FALSE(folder_.path().empty());
    path_ = folder_.File("Tessaly.ini");
    table_.SetSettingsPath(path_);
  }

  // A table loaded from `text`, in a file of its own.
  void LoadFrom(CCameraTable& table, const std::string& text) {
    const std::string path = folder_.File("case" + std::to_string(++files_) + ".ini");
    WriteTextFile(path, text);
    table.SetSettingsPath(path);
    ASSERT_EQ(table.Load(), 1);
  }

  base::WinsockSession winsock_{MAKEWORD(1, 1)};
  TempFolder folder_;
  std::string path_;
  CCameraTable table_;
  int files_ = 0;
};

TEST_F(SettingsFileTest, EmptyPathDoesNothing) {
  table_.SetSettingsPath("");
  EXPECT_EQ(table_.Load(), 0);
  EXPECT_EQ(table_.Save(), 0);
}

TEST_F(SettingsFileTest, MissingFileLeavesTheDefaults) {
  ASSERT_EQ(table_.Load(), 1);
  EXPECT_EQ(UsedCount(table_), 0);
  ExpectDefaultSettings(table_.Settings());
}

TEST_F(SettingsFileTest, GlobalsAreReadAndTheGridSizeOnlyWithCameras) {
  const std::string global =
      "AUTO_INVITE=0\r\nSPLITTER=2\r\nSHOW_SUBTITLE=0\r\nRECONNECT=0\r\nINTERVAL=9\r\n";
  LoadFrom(table_, Ini(0, "", global));
  EXPECT_EQ(table_.Settings().autoInvite, 0);
  EXPECT_EQ(table_.Settings().showSubtitle, 0);
  EXPECT_EQ(table_.Settings().reconnect, 0);
  EXPECT_EQ(table_.Settings().interval, 9);
  EXPECT_EQ(table_.Settings().splitter, 4);

  CCameraTable withCamera;
  LoadFrom(withCamera, Ini(1, Entry(1, "0", kLoopbackAddress, "80"), global));
  EXPECT_EQ(withCamera.Settings().splitter, 2);
}

TEST_F(SettingsFileTest, GridSizeOutsideOneToFourIsTakenAsFour) {
  const std::pair<const char*, int> cases[] = {{"1", 1}, {"3", 3}, {"4", 4}, {"0", 4},
                                               {"5", 4}, {"-1", 4}, {"16", 4}};
  for (const auto& [stored, expected] : cases) {
    CCameraTable table;
    LoadFrom(table, Ini(1, Entry(1, "0", kLoopbackAddress, "80"),
                        std::string("SPLITTER=") + stored + "\r\n"));
    EXPECT_EQ(table.Settings().splitter, expected) << "SPLITTER=" << stored;
  }
}

TEST_F(SettingsFileTest, BadEntryEndsLoadingAndKeepsTheEntriesBeforeIt) {
  struct Case {
    Value window, domainName, port;
    const char* why;
  };
  const Case cases[] = {
      {"16", kLoopbackAddress, "81", "window 16"},
      {"-1", kLoopbackAddress, "81", "window -1"},
      {std::nullopt, kLoopbackAddress, "81", "no window"},
      {"1", "", "81", "empty DomainName"},
      {"1", " \t", "81", "blank DomainName"},
      {"1", std::nullopt, "81", "no DomainName"},
      {"1", kLoopbackAddress, "0", "port 0"},
      {"1", kLoopbackAddress, "65536", "port 65536"},
      {"1", kLoopbackAddress, std::nullopt, "no port"},
  };
  for (const Case& c : cases) {
    CCameraTable table;
    LoadFrom(table, Ini(3, Entry(1, "0", kLoopbackAddress, "80") +
                               Entry(2, c.window, c.domainName, c.port) +
                               Entry(3, "2", kLoopbackAddress, "82")));
    EXPECT_EQ(table.CameraText(0), "127.0.0.1:80") << c.why;
    EXPECT_EQ(UsedCount(table), 1) << c.why;
  }
}

TEST_F(SettingsFileTest, UnresolvableDomainNameIsKeptUnderItsNameAndLoadingGoesOn) {
  WriteTextFile(path_, Ini(2, Entry(1, "0", kUnresolvableName, "80") +
                                  Entry(2, "1", kLoopbackName, "81")));
  ASSERT_EQ(table_.Load(), 1);
  EXPECT_EQ(table_.GetAddress(0), kUnresolvableName);
  EXPECT_EQ(table_.GetDomainName(0), kUnresolvableName);
  EXPECT_EQ(table_.GetNick(0), std::string(kUnresolvableName) + "_80");
  EXPECT_EQ(table_.CameraText(1), "127.0.0.1:81");

  // The next save must not lose it, nor the camera after it.
  const std::string saved = folder_.File("saved.ini");
  table_.SetSettingsPath(saved);
  ASSERT_EQ(table_.Save(), 1);
  EXPECT_EQ(SavedValue(saved, "CLI_COUNT"), "2");
  EXPECT_EQ(SavedValue(saved, "DomainName_1"), kUnresolvableName);
  EXPECT_EQ(SavedValue(saved, "DomainName_2"), kLoopbackName);
}

TEST_F(SettingsFileTest, DuplicateCameraIsSkipped) {
  LoadFrom(table_, Ini(3, Entry(1, "0", kLoopbackName, "80") +
                              Entry(2, "1", kLoopbackAddress, "80", {{"NICK", "second"}}) +
                              Entry(3, "2", kLoopbackAddress, "81")));
  EXPECT_EQ(table_.GetDomainName(0), kLoopbackName);
  EXPECT_FALSE(table_.RecordAt(1)->InUse()) << "same address and port as entry 1";
  EXPECT_EQ(table_.CameraText(2), "127.0.0.1:81");
}

TEST_F(SettingsFileTest, ZoomIsStoredInHundredths) {
  LoadFrom(table_, Ini(2, Entry(1, "0", kLoopbackAddress, "80", {{"ZOOM", "150"}}) +
                              Entry(2, "1", kLoopbackAddress, "81", {{"ZOOM", "29"}})));
  EXPECT_EQ(table_.RecordAt(0)->zoom, 1.5f);

  const std::string saved = folder_.File("saved.ini");
  table_.SetSettingsPath(saved);
  ASSERT_EQ(table_.Save(), 1);
  EXPECT_EQ(SavedValue(saved, "ZOOM_1"), "150");
  // 29 / 100 in a float lies just below 0.29: truncating would save 28.
  EXPECT_EQ(SavedValue(saved, "ZOOM_2"), "29");
}

TEST_F(SettingsFileTest, MissingSizeAndQualityTakeTheirDefaults) {
  LoadFrom(table_,
           Ini(3, Entry(1, "0", kLoopbackAddress, "80", {{"WIDTH", "0"}, {"HEIGHT", "480"}}) +
                      Entry(2, "1", kLoopbackAddress, "81", {{"WIDTH", "640"}, {"QUALITY", "0"}}) +
                      Entry(3, "2", kLoopbackAddress, "82",
                            {{"WIDTH", "640"}, {"HEIGHT", "480"}, {"QUALITY", "12"},
                             {"BRIGHT", "7"}, {"CONTRAST", "9"}, {"SPANSCAN", "1"},
                             {"TILTSCAN", "1"}})));
  for (const int i : {0, 1}) {
    const CameraRecord& r = *table_.RecordAt(i);
    EXPECT_EQ(r.videoWidth, 320) << i;
    EXPECT_EQ(r.videoHeight, 240) << i;
    EXPECT_EQ(r.quality, 11) << i;
  }
  const CameraRecord& r = *table_.RecordAt(2);
  EXPECT_EQ(r.videoWidth, 640);
  EXPECT_EQ(r.videoHeight, 480);
  EXPECT_EQ(r.quality, 12);
  EXPECT_EQ(r.brightness, 7);
  EXPECT_EQ(r.contrast, 9);
  EXPECT_EQ(r.panScan, 1);
  EXPECT_EQ(r.tiltScan, 1);
}

TEST_F(SettingsFileTest, NicksAreTrimmedAndAnEmptyOneBecomesAddressAndPort) {
  LoadFrom(table_, Ini(4, Entry(1, "0", kLoopbackName, "8080") +
                              Entry(2, "1", kLoopbackAddress, "8081", {{"NICK", "<|>"}}) +
                              Entry(3, "2", kLoopbackAddress, "8082", {{"NICK", "\"  Hall  \""}}) +
                              Entry(4, "3", kLoopbackAddress, "8083", {{"NICK", "Yard :"}})));
  EXPECT_EQ(table_.GetNick(0), "127.0.0.1_8080") << "the address, not the DomainName";
  EXPECT_EQ(table_.GetNick(1), "127.0.0.1_8081") << "empty once stripped";
  EXPECT_EQ(table_.GetNick(2), "Hall") << "blanks the profile functions keep are trimmed";
  EXPECT_EQ(table_.GetNick(3), "Yard") << "no blank left behind by a stripped character";
}

// Found by the fuzzer: a DomainName that does not resolve stays the address, and the nick
// made of it kept the characters that the modify dialog refuses.
TEST_F(SettingsFileTest, NickMadeOfAnUnresolvedNameLosesTheNineCharactersToo) {
  LoadFrom(table_, Ini(2, Entry(1, "0", "cam/era|one", "80") +
                              Entry(2, "1", "\\\\hall?", "81", {{"NICK", ":"}})));
  EXPECT_EQ(table_.GetAddress(0), "cam/era|one");
  EXPECT_EQ(table_.GetNick(0), "cameraone_80");
  EXPECT_EQ(table_.GetNick(1), "hall_81");
  for (int i = 0; i < 2; ++i) EXPECT_FALSE(HasInvalidChar(table_.GetNick(i), InvalidNameChars));
}

// Found by the fuzzer: the nick made of a long unresolved name passed the 259 characters that
// the next load reads, and came back cut.
TEST_F(SettingsFileTest, NickMadeOfALongNameIsReadBackWhole) {
  const std::string longName(259, 'n');
  LoadFrom(table_, Ini(1, Entry(1, "0", longName, "65535")));
  const std::string nick = table_.GetNick(0);
  EXPECT_EQ(nick, std::string(253, 'n') + "_65535");

  table_.SetSettingsPath(path_);
  ASSERT_EQ(table_.Save(), 1);
  CCameraTable reloaded;
  reloaded.SetSettingsPath(path_);
  ASSERT_EQ(reloaded.Load(), 1);
  EXPECT_EQ(reloaded.GetNick(0), nick);
  EXPECT_EQ(reloaded.GetDomainName(0), longName);
}

TEST_F(SettingsFileTest, NamesLoseEachOfTheNineCharacters) {
  const std::string chars = InvalidNameChars;
  std::string entries;
  for (size_t k = 0; k < chars.size(); ++k) {
    const int n = static_cast<int>(k) + 1;
    entries += Entry(n, std::to_string(k), kLoopbackAddress, std::to_string(8000 + n),
                     {{"NICK", std::string("Front") + chars[k] + "Door"},
                      {"USER", std::string("ad") + chars[k] + "min"},
                      {"MAC", "\" 0011223344ab \""}});
  }
  LoadFrom(table_, Ini(static_cast<int>(chars.size()), entries));
  for (size_t k = 0; k < chars.size(); ++k) {
    const int i = static_cast<int>(k);
    EXPECT_EQ(table_.GetNick(i), "FrontDoor") << chars[k];
    EXPECT_EQ(table_.GetUser(i), "admin") << chars[k];
    EXPECT_EQ(table_.RecordAt(i)->mac, "0011223344ab");
  }
}

TEST_F(SettingsFileTest, PasswordsAreBase64AndAnythingElseIsKeptAsItIs) {
  LoadFrom(table_, Ini(4, Entry(1, "0", kLoopbackAddress, "80", {{"PASSWD", "c2VjcmV0"}}) +
                              Entry(2, "1", kLoopbackAddress, "81", {{"PASSWD", "plain!pw"}}) +
                              Entry(3, "2", kLoopbackAddress, "82", {{"PASSWD", "abc"}}) +
                              Entry(4, "3", kLoopbackAddress, "83")));
  EXPECT_EQ(table_.GetPassword(0), "secret");
  EXPECT_EQ(table_.GetPassword(1), "plain!pw");
  EXPECT_EQ(table_.GetPassword(2), "abc");
  EXPECT_EQ(table_.GetPassword(3), "");

  const std::string saved = folder_.File("saved.ini");
  table_.SetSettingsPath(saved);
  ASSERT_EQ(table_.Save(), 1);
  EXPECT_EQ(SavedValue(saved, "PASSWD_1"), "c2VjcmV0");
  EXPECT_EQ(SavedValue(saved, "PASSWD_4"), "");
}

TEST_F(SettingsFileTest, PasswordsUpTo127BytesSurviveASave) {
  const std::string longest(127, 'p');
  const std::string tricky = " p@ss:w=rd;\"x ";  // blanks, quotes and '=' the INI would eat
  ASSERT_EQ(table_.Add(0, kLoopbackAddress, 80, "u", longest, "a"), 1);
  ASSERT_EQ(table_.Add(1, kLoopbackAddress, 81, "u", tricky, "b"), 1);
  ASSERT_EQ(table_.Add(2, kLoopbackAddress, 82, "u", std::string(128, 'p'), "c"), 1);
  for (const int i : {0, 1, 2}) table_.SetDomainName(i, kLoopbackAddress);
  ASSERT_EQ(table_.Save(), 1);
  EXPECT_EQ(SavedValue(path_, "PASSWD_1").value_or("").size(), 172u);
  EXPECT_EQ(SavedValue(path_, "PASSWD_3"), "") << "past what the loader can decode";

  CCameraTable reloaded;
  reloaded.SetSettingsPath(path_);
  ASSERT_EQ(reloaded.Load(), 1);
  EXPECT_EQ(reloaded.GetPassword(0), longest);
  EXPECT_EQ(reloaded.GetPassword(1), tricky);
}

// Found by the fuzzer: the profile functions drop a pair of quotes around a value, so a
// DomainName '""' came back empty after a save and the camera was lost at the next load.
TEST_F(SettingsFileTest, TextsInQuotesSurviveASave) {
  const struct {
    const char* domainName;
    const char* nick;
    const char* mac;
  } cases[] = {
      {"\"\"", "'Hall'", "'0011223344aa'"},
      {"'cam'", "''", "\"\""},
      {"\"\"\"\"", "'Yard' 'east'", "\"'\""},
  };
  for (int i = 0; i < 3; ++i) {
    ASSERT_EQ(table_.Add(i, kLoopbackAddress, 80 + i, "u", "p", cases[i].nick), 1);
    table_.SetDomainName(i, cases[i].domainName);
    table_.RecordAt(i)->mac = cases[i].mac;
  }
  ASSERT_EQ(table_.Save(), 1);

  CCameraTable reloaded;
  reloaded.SetSettingsPath(path_);
  ASSERT_EQ(reloaded.Load(), 1);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(reloaded.GetDomainName(i), cases[i].domainName);
    EXPECT_EQ(reloaded.GetNick(i), cases[i].nick);
    EXPECT_EQ(reloaded.RecordAt(i)->mac, cases[i].mac);
  }
}

TEST_F(SettingsFileTest, SavedAndReloadedTableEqualsTheOriginal) {
  struct Camera {
    int index;
    const char* domainName;
    int port;
    const char* user;
    const char* password;
    const char* nick;
    const char* mac;
    uint16_t width, height, quality, brightness, contrast;
    uint8_t panScan, tiltScan;
    float zoom;
  };
  const Camera cameras[] = {
      {0, kLoopbackName, 80, "admin", "secret", "Gate", "0011223344aa", 640, 480, 12, 5, 6, 1,
       0, 2.25f},
      {3, kLoopbackAddress, 8080, "", "", "Yard east", "", 320, 240, 13, 0, 0, 0, 1, 0.29f},
      {15, kLoopbackAddress, 65535, "guest", "p w", "Hall", "AABBCCDDEEFF", 1280, 720, 11, 7, 8,
       1, 1, 0.0f},
  };
  for (const Camera& c : cameras) {
    ASSERT_EQ(table_.Add(c.index, kLoopbackAddress, c.port, c.user, c.password, c.nick), 1);
    table_.SetDomainName(c.index, c.domainName);
    CameraRecord& r = *table_.RecordAt(c.index);
    r.mac = c.mac;
    r.videoWidth = c.width;
    r.videoHeight = c.height;
    r.quality = c.quality;
    r.brightness = c.brightness;
    r.contrast = c.contrast;
    r.panScan = c.panScan;
    r.tiltScan = c.tiltScan;
    r.zoom = c.zoom;
  }
  ASSERT_EQ(table_.Add(5, "10.0.0.5", 80, "u", "p", "no DomainName: not saved"), 1);
  table_.Settings() = CameraSettings{0, 2, 0, 0, 30};
  ASSERT_EQ(table_.Save(), 1);

  CCameraTable reloaded;
  reloaded.SetSettingsPath(path_);
  ASSERT_EQ(reloaded.Load(), 1);
  EXPECT_EQ(UsedCount(reloaded), 3);
  for (const Camera& c : cameras) {
    const CameraRecord& a = *table_.RecordAt(c.index);
    const CameraRecord& b = *reloaded.RecordAt(c.index);
    EXPECT_EQ(b.domainName, a.domainName) << c.index;
    EXPECT_EQ(b.address, a.address) << c.index;
    EXPECT_EQ(b.port, a.port) << c.index;
    EXPECT_EQ(b.user, a.user) << c.index;
    EXPECT_EQ(b.password, a.password) << c.index;
    EXPECT_EQ(b.nick, a.nick) << c.index;
    EXPECT_EQ(b.mac, a.mac) << c.index;
    EXPECT_EQ(b.videoWidth, a.videoWidth) << c.index;
    EXPECT_EQ(b.videoHeight, a.videoHeight) << c.index;
    EXPECT_EQ(b.quality, a.quality) << c.index;
    EXPECT_EQ(b.brightness, a.brightness) << c.index;
    EXPECT_EQ(b.contrast, a.contrast) << c.index;
    EXPECT_EQ(b.panScan, a.panScan) << c.index;
    EXPECT_EQ(b.tiltScan, a.tiltScan) << c.index;
    EXPECT_EQ(b.zoom, a.zoom) << c.index;
  }
  const CameraSettings& s = reloaded.Settings();
  EXPECT_EQ(s.autoInvite, 0);
  EXPECT_EQ(s.splitter, 2);
  EXPECT_EQ(s.showSubtitle, 0);
  EXPECT_EQ(s.reconnect, 0);
  EXPECT_EQ(s.interval, 30);
}

TEST_F(SettingsFileTest, SaveWritesTheKeysInTheirOrder) {
  ASSERT_EQ(table_.Add(4, kLoopbackAddress, 80, "u", "p", "n"), 1);
  table_.SetDomainName(4, kLoopbackName);
  ASSERT_EQ(table_.Save(), 1);

  std::vector<std::string> keys;
  for (const std::string& line : ReadLines(path_)) {
    const size_t equals = line.find('=');
    if (line.rfind('[', 0) == 0) keys.push_back(line);
    else if (equals != std::string::npos) keys.push_back(line.substr(0, equals));
  }
  const std::vector<std::string> expected = {
      "[CLIINFO]", "WND_1",     "DomainName_1", "USER_1",     "PASSWD_1",   "NICK_1",
      "MAC_1",     "PORT_1",    "WIDTH_1",      "HEIGHT_1",   "QUALITY_1",  "BRIGHT_1",
      "CONTRAST_1", "SPANSCAN_1", "TILTSCAN_1", "ZOOM_1",     "CLI_COUNT",  "[GLOBAL]",
      "AUTO_INVITE", "SPLITTER", "SHOW_SUBTITLE", "RECONNECT", "INTERVAL"};
  EXPECT_EQ(keys, expected);
  EXPECT_EQ(SavedValue(path_, "WND_1"), "4") << "the record index";
}

TEST_F(SettingsFileTest, EntriesPastTheNewCountStayUnread) {
  WriteTextFile(path_, Ini(3, Entry(1, "0", kLoopbackAddress, "80") +
                                  Entry(2, "1", kLoopbackAddress, "81") +
                                  Entry(3, "2", kLoopbackAddress, "82")));
  ASSERT_EQ(table_.Load(), 1);
  ASSERT_EQ(UsedCount(table_), 3);
  table_.Clear(0);
  table_.Clear(2);
  ASSERT_EQ(table_.Save(), 1);
  EXPECT_EQ(SavedValue(path_, "CLI_COUNT"), "1");
  EXPECT_EQ(SavedValue(path_, "WND_3"), "2") << "old keys are left in place";

  CCameraTable reloaded;
  reloaded.SetSettingsPath(path_);
  ASSERT_EQ(reloaded.Load(), 1);
  EXPECT_EQ(UsedCount(reloaded), 1);
  EXPECT_EQ(reloaded.CameraText(1), "127.0.0.1:81");
}

TEST_F(SettingsFileTest, SaveReportsAFileThatCannotBeWritten) {
  ASSERT_EQ(table_.Add(0, kLoopbackAddress, 80, "u", "p", "n"), 1);
  table_.SetDomainName(0, kLoopbackAddress);
  table_.SetSettingsPath(folder_.File("no-such-folder\\Tessaly.ini"));
  EXPECT_EQ(table_.Save(), 0);
}

}  // namespace
}  // namespace liveview
