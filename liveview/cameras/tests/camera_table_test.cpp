#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "liveview/cameras/camera_table.h"
#include "base/winsock_session.h"
#include "liveview/cameras/tests/camera_test_support.h"

namespace liveview {
namespace {

using namespace testing_support;

class CameraTableTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(winsock_.Started()); }

  // Record 0: Gate (DomainName) at 192.168.0.20:80; record 1: 192.168.0.21:81 without one.
  void AddTwoCameras() {
    ASSERT_EQ(table_.Add(0, "192.168.0.20", 80, "admin", "pw", "Gate"), 1);
    ASSERT_EQ(table_.SetDomainName(0, "Gate"), 1);
    ASSERT_EQ(table_.Add(1, "192.168.0.21", 81, "user", "", "Yard"), 1);
  }

  base::WinsockSession winsock_{MAKEWORD(1, 1)};
  CCameraTable table_;
};

TEST_F(CameraTableTest, NewTableHasOnlyUnusedRecordsAndDefaultSettings) {
  for (int i = 0; i < CCameraTable::kCameraCount; ++i) {
    const CameraRecord& r = *table_.RecordAt(i);
    EXPECT_FALSE(r.InUse());
    EXPECT_EQ(r.port, 0);
    EXPECT_EQ(r.recordFormat, 1);
    EXPECT_EQ(r.recordBitRate, 2000);
    EXPECT_EQ(table_.CameraText(i), "");
  }
  ExpectDefaultSettings(table_.Settings());
}

TEST_F(CameraTableTest, InstanceLivesUntilRelease) {
  CCameraTable* first = CCameraTable::Instance();
  EXPECT_EQ(CCameraTable::Instance(), first);
  first->SetNick(2, "kept");
  EXPECT_EQ(CCameraTable::Instance()->GetNick(2), "kept");
  CCameraTable::Release();
  EXPECT_EQ(CCameraTable::Instance()->GetNick(2), "") << "a released table must start afresh";
  CCameraTable::Release();
}

TEST_F(CameraTableTest, IndexesOutsideTheTableAreRefused) {
  const std::function<int(int)> setters[] = {
      [&](int i) { return table_.SetNick(i, "n"); },
      [&](int i) { return table_.SetUser(i, "u"); },
      [&](int i) { return table_.SetPassword(i, "p"); },
      [&](int i) { return table_.SetState(i, 2); },
      [&](int i) { return table_.SetRecording(i, 1); },
      [&](int i) { return table_.SetSnapshotPath(i, "s"); },
      [&](int i) { return table_.SetRecordingPath(i, "r"); },
      [&](int i) { return table_.SetRecordFormat(i, 0); },
      [&](int i) { return table_.SetRecordWidth(i, 640); },
      [&](int i) { return table_.SetRecordHeight(i, 480); },
      [&](int i) { return table_.SetRecordBitRate(i, 1000); },
      [&](int i) { return table_.SetDomainName(i, "d"); },
      [&](int i) { return table_.Clear(i); },
  };
  for (const int index : {-1, 16}) {
    for (const auto& set : setters) EXPECT_EQ(set(index), 0) << index;
    EXPECT_EQ(table_.RecordAt(index), nullptr);
    EXPECT_EQ(table_.GetNick(index), "");
    EXPECT_EQ(table_.GetPort(index), 0);
    EXPECT_EQ(table_.CameraText(index), "");
    EXPECT_EQ(table_.NamedCameraText(index), "");
    EXPECT_EQ(table_.Swap(index, 0), 0);
  }
  for (const auto& set : setters) EXPECT_EQ(set(15), 1);
  EXPECT_EQ(table_.GetNick(15), "");  // Clear ran last
  EXPECT_EQ(table_.GetSnapshotPath(15), "s");
}

TEST_F(CameraTableTest, AddChecksEveryRequirement) {
  AddTwoCameras();
  struct Case {
    int index;
    const char* host;
    int port;
    const char* why;
  };
  const Case refused[] = {
      {-1, "10.0.0.1", 80, "index below the table"},
      {16, "10.0.0.1", 80, "index past the table"},
      {2, "10.0.0.1", -1, "negative port"},
      {2, "10.0.0.1", 65536, "port too large"},
      {2, "", 80, "empty host"},
      {0, "10.0.0.1", 80, "record in use"},
      {2, "192.168.0.20", 80, "camera already in the table"},
      {2, "192.168.0.21", 81, "camera already in the table"},
  };
  for (const Case& c : refused) {
    EXPECT_EQ(table_.Add(c.index, c.host, c.port, "u", "p", "n"), 0) << c.why;
  }
  EXPECT_FALSE(table_.RecordAt(2)->InUse());
  EXPECT_EQ(table_.Add(2, "192.168.0.20", 81, "u", "p", "n"), 1)
      << "another port is another camera";
  EXPECT_EQ(table_.Add(3, "10.0.0.1", 0, "u", "p", "n"), 1);
  EXPECT_EQ(table_.Add(4, "10.0.0.2", 65535, "u", "p", "n"), 1);
}

TEST_F(CameraTableTest, AddSetsTheCameraAndZeroesOnlyTheVideoFields) {
  CameraRecord& r = *table_.RecordAt(5);
  r.videoWidth = 640;
  r.videoHeight = 480;
  r.quality = 12;
  r.brightness = r.contrast = 3;
  r.panScan = r.tiltScan = 1;
  r.zoom = 2.0f;
  r.snapshotPath = "c:\\snap.jpg";
  r.mac = "001122334455";

  ASSERT_EQ(table_.Add(5, "10.0.0.5", 8080, "admin", "secret", "Hall"), 1);
  EXPECT_EQ(table_.GetAddress(5), "10.0.0.5");
  EXPECT_EQ(table_.GetPort(5), 8080);
  EXPECT_EQ(table_.GetUser(5), "admin");
  EXPECT_EQ(table_.GetPassword(5), "secret");
  EXPECT_EQ(table_.GetNick(5), "Hall");
  EXPECT_EQ(r.videoWidth + r.videoHeight + r.quality + r.brightness + r.contrast, 0);
  EXPECT_EQ(r.panScan + r.tiltScan, 0);
  EXPECT_EQ(r.zoom, 0.0f);
  EXPECT_EQ(table_.GetDomainName(5), "") << "Add leaves the DomainName to its caller";
  EXPECT_EQ(r.snapshotPath, "c:\\snap.jpg");
  EXPECT_EQ(r.mac, "001122334455");
}

TEST_F(CameraTableTest, LookupsMatchAddressOrDomainNameIgnoringCase) {
  AddTwoCameras();
  EXPECT_EQ(table_.FindByAddress("192.168.0.21"), 1);
  EXPECT_EQ(table_.FindByAddress(""), -1) << "unused records have no address to match";

  EXPECT_EQ(table_.FindByCameraText("192.168.0.20:80"), 0);
  EXPECT_EQ(table_.FindByCameraText(" 192.168.0.20:80 "), 0);
  EXPECT_EQ(table_.FindByCameraText("192.168.0.20:81"), -1);
  EXPECT_EQ(table_.FindByCameraText("192.168.0.21"), 1) << "without a port, the record's own";
  EXPECT_EQ(table_.FindByCameraText("Gate:80"), -1);

  EXPECT_EQ(table_.FindByDomainName("gate:80"), 0);
  EXPECT_EQ(table_.FindByDomainName("GATE:80"), 0);
  EXPECT_EQ(table_.FindByDomainName("Gate:81"), -1);
  EXPECT_EQ(table_.FindByDomainName("192.168.0.20:80"), -1);
  EXPECT_EQ(table_.FindByDomainName(":81"), -1) << "an empty DomainName never matches";
}

TEST_F(CameraTableTest, SplitTakesThePortOfTheAddressOr80) {
  AddTwoCameras();
  const auto split = table_.SplitCameraText(" 192.168.0.21 ");
  EXPECT_EQ(split.host, "192.168.0.21");
  EXPECT_EQ(split.port, 81);
  EXPECT_EQ(table_.SplitCameraText("10.9.9.9").port, 80);
  EXPECT_EQ(table_.SplitCameraText("10.9.9.9:554").port, 554);
}

TEST_F(CameraTableTest, CameraTextsOfAnIndex) {
  AddTwoCameras();
  EXPECT_EQ(table_.CameraText(0), "192.168.0.20:80");
  EXPECT_EQ(table_.NamedCameraText(0), "Gate:80");
  EXPECT_EQ(table_.CameraText(1), "192.168.0.21:81");
  EXPECT_EQ(table_.NamedCameraText(1), "");
  EXPECT_EQ(table_.CameraText(2), "");
}

TEST_F(CameraTableTest, ClearEmptiesTheCameraButNotItsRecording) {
  AddTwoCameras();
  CameraRecord& r = *table_.RecordAt(0);
  r.mac = "001122334455";
  r.state = 2;
  r.videoWidth = 640;
  r.zoom = 1.5f;
  table_.SetRecording(0, 1);
  table_.SetRecordingPath(0, "c:\\rec.avi");
  table_.SetSnapshotPath(0, "c:\\snap.jpg");

  ASSERT_EQ(table_.Clear(0), 1);
  EXPECT_FALSE(r.InUse());
  EXPECT_EQ(r.domainName + r.user + r.password + r.nick + r.mac, "");
  EXPECT_EQ(r.state, 0);
  EXPECT_EQ(r.port, 0);
  EXPECT_EQ(r.videoWidth, 0);
  EXPECT_EQ(r.zoom, 0.0f);
  EXPECT_EQ(r.recording, 1);
  EXPECT_EQ(r.recordingPath, "c:\\rec.avi");
  EXPECT_EQ(r.snapshotPath, "c:\\snap.jpg");
}

TEST_F(CameraTableTest, SwapExchangesEverythingButTheRecordingFlag) {
  AddTwoCameras();
  CameraRecord& a = *table_.RecordAt(0);
  a.mac = "aa";
  a.state = 2;
  a.snapshotPath = "snapA";
  a.recordingPath = "recA";
  a.recordFormat = 0;
  a.recordWidth = 640;
  a.recordHeight = 480;
  a.recordBitRate = 1500;
  a.videoWidth = 640;
  a.videoHeight = 480;
  a.quality = 12;
  a.brightness = 5;
  a.contrast = 6;
  a.panScan = 1;
  a.tiltScan = 1;
  a.zoom = 1.5f;
  a.recording = 1;

  ASSERT_EQ(table_.Swap(0, 1), 1);
  const CameraRecord& b = *table_.RecordAt(1);
  EXPECT_EQ(b.domainName, "Gate");
  EXPECT_EQ(b.address, "192.168.0.20");
  EXPECT_EQ(b.port, 80);
  EXPECT_EQ(b.user, "admin");
  EXPECT_EQ(b.password, "pw");
  EXPECT_EQ(b.nick, "Gate");
  EXPECT_EQ(b.mac, "aa");
  EXPECT_EQ(b.state, 2);
  EXPECT_EQ(b.snapshotPath, "snapA");
  EXPECT_EQ(b.recordingPath, "recA");
  EXPECT_EQ(b.recordFormat, 0);
  EXPECT_EQ(b.recordWidth, 640);
  EXPECT_EQ(b.recordHeight, 480);
  EXPECT_EQ(b.recordBitRate, 1500);
  EXPECT_EQ(b.videoWidth, 640);
  EXPECT_EQ(b.videoHeight, 480);
  EXPECT_EQ(b.quality, 12);
  EXPECT_EQ(b.brightness, 5);
  EXPECT_EQ(b.contrast, 6);
  EXPECT_EQ(b.panScan, 1);
  EXPECT_EQ(b.tiltScan, 1);
  EXPECT_EQ(b.zoom, 1.5f);
  EXPECT_EQ(a.address, "192.168.0.21");
  EXPECT_EQ(a.nick, "Yard");
  EXPECT_EQ(a.recording, 1) << "the recording flag stays with its index";
  EXPECT_EQ(b.recording, 0);
}

TEST_F(CameraTableTest, SetRecordingZeroClearsTheRecordingFields) {
  ASSERT_EQ(table_.SetRecording(3, 1), 1);
  table_.SetRecordFormat(3, 0);
  table_.SetRecordWidth(3, 640);
  table_.SetRecordHeight(3, 480);
  table_.SetRecordBitRate(3, 1500);
  table_.SetRecordingPath(3, "c:\\rec.avi");
  ASSERT_EQ(table_.SetRecording(3, 0), 1);
  const CameraRecord& r = *table_.RecordAt(3);
  EXPECT_EQ(r.recordFormat + r.recordWidth + r.recordHeight + r.recordBitRate, 0);
  EXPECT_EQ(r.recordingPath, "c:\\rec.avi");
}

TEST_F(CameraTableTest, ResolveHostGivesTheDottedAddressOrFails) {
  struct Case {
    const char* host;
    int result;
    const char* after;
  };
  const Case cases[] = {
      {kLoopbackAddress, kResolveOk, kLoopbackAddress},
      {kLoopbackName, kResolveOk, kLoopbackAddress},
      {kUnresolvableName, kResolveFailed, kUnresolvableName},
      {"", kResolveFailed, ""},
  };
  for (const Case& c : cases) {
    std::string host = c.host;
    EXPECT_EQ(ResolveHost(host), c.result) << c.host;
    EXPECT_EQ(host, c.after);
  }
}

TEST_F(CameraTableTest, ResolveCameraTextKeepsThePortTextAsGiven) {
  struct Case {
    const char* text;
    int result;
    const char* after;
  };
  const std::string unresolvable = std::string(kUnresolvableName) + ":80";
  const Case cases[] = {
      {"localhost:0080", kResolveOk, "127.0.0.1:0080"},
      {" localhost:80 ", kResolveOk, "127.0.0.1:80"},
      {"localhost", kResolveOk, "127.0.0.1"},
      {unresolvable.c_str(), kResolveFailed, unresolvable.c_str()},
  };
  for (const Case& c : cases) {
    std::string text = c.text;
    EXPECT_EQ(ResolveCameraText(text), c.result) << c.text;
    EXPECT_EQ(text, c.after);
  }
}

TEST_F(CameraTableTest, ReadCameraInfoResolvesTheDomainNameAndKeepsOtherFields) {
  CameraRecord& r = *table_.RecordAt(3);
  r.state = 2;
  r.videoWidth = 640;
  r.recording = 1;

  CameraRecord source;
  source.domainName = kLoopbackName;
  source.address = "10.1.1.1";  // not in the block: the address comes from the DomainName
  source.port = 8080;
  source.user = "admin";
  source.password = "secret";
  source.nick = "Hall";
  source.mac = "001122334455";
  source.videoWidth = 1280;
  CameraInfo info;
  FillCameraInfo(source, 3, &info);

  ASSERT_EQ(table_.ReadCameraInfo(info), 1);
  EXPECT_EQ(r.domainName, kLoopbackName);
  EXPECT_EQ(r.address, kLoopbackAddress);
  EXPECT_EQ(r.port, 8080);
  EXPECT_EQ(r.user, "admin");
  EXPECT_EQ(r.password, "secret");
  EXPECT_EQ(r.nick, "Hall");
  EXPECT_EQ(r.mac, "001122334455");
  EXPECT_EQ(r.state, 2);
  EXPECT_EQ(r.videoWidth, 640);
  EXPECT_EQ(r.recording, 1);

  source.domainName = kUnresolvableName;
  FillCameraInfo(source, 3, &info);
  ASSERT_EQ(table_.ReadCameraInfo(info), 1);
  EXPECT_EQ(r.address, kUnresolvableName) << "an unresolvable name stands as the address";

  source.domainName = "";
  FillCameraInfo(source, 3, &info);
  ASSERT_EQ(table_.ReadCameraInfo(info), 1);
  EXPECT_FALSE(r.InUse()) << "an empty DomainName must not resolve to this PC";

  info.index = 16;
  EXPECT_EQ(table_.ReadCameraInfo(info), 0);
  info.index = -1;
  EXPECT_EQ(table_.ReadCameraInfo(info), 0);
}

TEST_F(CameraTableTest, BuildCameraInfoOutsideTheTableGivesAZeroBlock) {
  CameraInfo info;
  std::memset(&info, 0xCC, sizeof info);
  EXPECT_EQ(table_.BuildCameraInfo(16, &info), 0);
  const CameraInfo zero{};
  EXPECT_EQ(std::memcmp(&info, &zero, sizeof info), 0);
}

}  // namespace
}  // namespace liveview
