#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "liveview/cameras/camera_info.h"
#include "liveview/cameras/camera_table.h"

namespace liveview {
namespace {

// Read through raw offsets, not the struct, so a wrong field order would show.
const unsigned char* Bytes(const CameraInfo& info) {
  return reinterpret_cast<const unsigned char*>(&info);
}
template <typename T>
T At(const CameraInfo& info, size_t offset) {
  T value;
  std::memcpy(&value, Bytes(info) + offset, sizeof value);
  return value;
}
std::string TextAt(const CameraInfo& info, size_t offset) {
  return reinterpret_cast<const char*>(Bytes(info) + offset);
}

TEST(CameraInfo, NeverUsedRecordIsZeroButIndexAndFormat) {
  const CCameraTable table;
  CameraInfo info;
  std::memset(&info, 0xCC, sizeof info);
  ASSERT_EQ(table.BuildCameraInfo(7, &info), 1);
  for (size_t i = 0; i < sizeof info; ++i) {
    if (i >= 64 && i < 68) continue;    // index
    if (i >= 968 && i < 972) continue;  // recording format
    ASSERT_EQ(Bytes(info)[i], 0) << "byte " << i;
  }
  EXPECT_EQ(At<int32_t>(info, 64), 7);
  EXPECT_EQ(At<int32_t>(info, 968), 1);
}

TEST(CameraInfo, FieldsLandAtTheirOffsets) {
  CameraRecord r;
  r.domainName = "gate.example";
  r.address = "192.168.0.20";
  r.port = 8080;
  r.state = 0x12345;
  r.user = "admin";
  r.password = "secret";
  r.nick = "Front door";
  r.mac = "0011223344ab";
  r.videoWidth = 640;
  r.videoHeight = 480;
  r.quality = 12;
  r.brightness = 7;
  r.contrast = 9;
  r.panScan = 1;
  r.tiltScan = 2;
  r.zoom = 1.5f;
  r.recordWidth = 0x10280;
  r.recordHeight = 0x101E0;
  r.recordFormat = 0;
  r.snapshotPath = "c:\\snap.jpg";  // not part of the block

  CameraInfo info;
  FillCameraInfo(r, 3, &info);
  EXPECT_EQ(TextAt(info, 0), "gate.example");
  EXPECT_EQ(At<int32_t>(info, 64), 3);
  EXPECT_EQ(At<uint16_t>(info, 68), 8080);
  EXPECT_EQ(At<uint16_t>(info, 70), 0x2345);
  EXPECT_EQ(TextAt(info, 72), "admin");
  EXPECT_EQ(TextAt(info, 332), "secret");
  EXPECT_EQ(TextAt(info, 396), "Front door");
  EXPECT_EQ(TextAt(info, 916), "0011223344ab");
  EXPECT_EQ(At<uint16_t>(info, 948), 640);
  EXPECT_EQ(At<uint16_t>(info, 950), 480);
  EXPECT_EQ(At<uint16_t>(info, 952), 12);
  EXPECT_EQ(At<uint16_t>(info, 954), 7);
  EXPECT_EQ(At<uint16_t>(info, 956), 9);
  EXPECT_EQ(Bytes(info)[958], 1);
  EXPECT_EQ(Bytes(info)[959], 2);
  EXPECT_EQ(At<float>(info, 960), 1.5f);
  EXPECT_EQ(At<uint16_t>(info, 964), 0x0280);
  EXPECT_EQ(At<uint16_t>(info, 966), 0x01E0);
  EXPECT_EQ(At<int32_t>(info, 968), 0);
}

TEST(CameraInfo, LongTextsAreCutToTheirFieldAtACharacterBoundary) {
  CameraRecord r;
  r.domainName = std::string(100, 'd');
  r.user = std::string(300, 'u');
  r.password = std::string(64, 'p');
  r.nick = std::string(600, 'n');
  r.mac = std::string(40, 'm');
  CameraInfo info;
  FillCameraInfo(r, 0, &info, 1252);
  EXPECT_EQ(TextAt(info, 0), std::string(63, 'd'));
  EXPECT_EQ(TextAt(info, 72), std::string(259, 'u'));
  EXPECT_EQ(TextAt(info, 332), std::string(63, 'p'));
  EXPECT_EQ(TextAt(info, 396), std::string(519, 'n'));
  EXPECT_EQ(TextAt(info, 916), std::string(31, 'm'));
  EXPECT_EQ(At<int32_t>(info, 64), 0) << "the cut text must not run into the index";

  // A double-byte character across the field's last byte is left out whole.
  r.domainName = std::string(62, 'd') + "\x81\x40" + "x";
  FillCameraInfo(r, 0, &info, 936);
  EXPECT_EQ(TextAt(info, 0), std::string(62, 'd'));
  FillCameraInfo(r, 0, &info, 1252);
  EXPECT_EQ(TextAt(info, 0), std::string(62, 'd') + "\x81");
}

TEST(CameraInfo, TextFieldsFromAHostAreReadNoFurtherThanTheField) {
  CameraInfo info;
  std::memset(&info, 0, sizeof info);
  std::memset(info.domainName, 'x', sizeof info.domainName);  // no terminating zero
  info.index = 0x41414141;                                      // "AAAA" right after it
  EXPECT_EQ(CameraInfoText(info.domainName), std::string(64, 'x'));
  std::strcpy(info.nick, "Front");
  EXPECT_EQ(CameraInfoText(info.nick), "Front");
}

}  // namespace
}  // namespace liveview
