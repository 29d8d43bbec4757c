// Finding and patching the video rate of an AVI header: sound layouts are found wherever the
// video stream sits, damaged ones are refused without a read past their bytes, and a refused
// patch leaves the file as it was.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "liveview/cameras/tests/camera_test_support.h"
#include "liveview/record/avi_rate_field.h"
#include "liveview/record/avi_rate_patch.h"
#include "liveview/record/tests/recording_test_support.h"

namespace liveview {
namespace {

using testing_support::FileExists;
using testing_support::ReadWholeFile;
using testing_support::TempFolder;

using Bytes = std::vector<uint8_t>;

Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

void PutLe32(Bytes& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
}
void PutFourCc(Bytes& out, const char* code) { out.insert(out.end(), code, code + 4); }
Bytes Chunk(const char* id, const Bytes& data) {
  Bytes out;
  PutFourCc(out, id);
  PutLe32(out, uint32_t(data.size()));
  out.insert(out.end(), data.begin(), data.end());
  if (data.size() & 1) out.push_back(0);
  return out;
}
Bytes List(const char* type, const Bytes& content) {
  Bytes data;
  PutFourCc(data, type);
  data.insert(data.end(), content.begin(), content.end());
  return Chunk("LIST", data);
}
Bytes StreamList(const char* type, uint32_t rate) {
  Bytes header;
  PutFourCc(header, type);
  header.resize(24, 0);
  PutLe32(header, rate);
  header.resize(56, 0);
  return List("strl", Chunk("strh", header) + Chunk("strf", Bytes(40, 0)));
}
Bytes MainHeader(uint32_t streams) {
  Bytes header(24, 0);
  PutLe32(header, streams);
  header.resize(56, 0);
  return Chunk("avih", header);
}
// A file front: RIFF header, then the header list, then the start of the movie list.
Bytes AviFront(const Bytes& headerListContent) {
  Bytes body;
  PutFourCc(body, "AVI ");
  body = body + List("hdrl", headerListContent) + List("movi", Bytes(16, 0));
  return Chunk("RIFF", body);
}

RateFieldLookup Find(const Bytes& bytes) { return FindVideoRateField(bytes.data(), bytes.size()); }

TEST(AviRateFieldTest, OneVideoStreamHasItsRateAt132) {
  const Bytes file = AviFront(MainHeader(1) + StreamList("vids", 20));
  const RateFieldLookup found = Find(file);
  ASSERT_EQ(RateFieldStatus::kFound, found.status);
  EXPECT_EQ(132u, found.offset);
}

TEST(AviRateFieldTest, VideoStreamBehindOtherStreamsAndChunksIsFound) {
  const Bytes hdrl = MainHeader(2) + Chunk("JUNK", Bytes(13, 0)) + StreamList("auds", 8000) +
                     StreamList("vids", 20);
  const Bytes file = AviFront(hdrl);
  const RateFieldLookup found = Find(file);
  ASSERT_EQ(RateFieldStatus::kFound, found.status);
  EXPECT_EQ(20u, testing_support::ReadLe32At(file, found.offset));
  EXPECT_EQ(0, std::memcmp(file.data() + found.offset - 24, "vids", 4));
}

TEST(AviRateFieldTest, FileWithoutVideoStreamHasNothingToPatch) {
  EXPECT_EQ(RateFieldStatus::kNoVideoStream,
            Find(AviFront(MainHeader(1) + StreamList("auds", 8000))).status);
  // A video stream beyond the declared count is not looked at.
  EXPECT_EQ(RateFieldStatus::kNoVideoStream,
            Find(AviFront(MainHeader(1) + StreamList("auds", 8000) + StreamList("vids", 20)))
                .status);
}

struct Damage {
  const char* name;
  std::function<void(Bytes&)> apply;
};

class DamagedHeaderTest : public ::testing::TestWithParam<Damage> {};

void SetLe32(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i));
}

// Offsets in the sound front: RIFF size 4, hdrl size 16, avih size 28, stream count 56,
// strl size 92, strh size 104, strh data 108.
TEST_P(DamagedHeaderTest, IsRefusedWithinItsBytes) {
  Bytes file = AviFront(MainHeader(1) + StreamList("vids", 20));
  GetParam().apply(file);
  // Exactly the damaged bytes, in a block of their own, so a read past them would be seen by
  // a checking allocator and could not land in neighbouring test data.
  std::vector<uint8_t> exact(file.begin(), file.end());
  EXPECT_EQ(RateFieldStatus::kMalformed, FindVideoRateField(exact.data(), exact.size()).status);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DamagedHeaderTest,
    ::testing::Values(
        Damage{"NotRiff", [](Bytes& b) { b[0] = 'X'; }},
        Damage{"NotAvi", [](Bytes& b) { b[8] = 'W'; }},
        Damage{"CutInLead", [](Bytes& b) { b.resize(20); }},
        Damage{"CutInMainHeader", [](Bytes& b) { b.resize(60); }},
        Damage{"CutInStreamHeader", [](Bytes& b) { b.resize(130); }},
        Damage{"HeaderListPastRiff", [](Bytes& b) { SetLe32(b, 4, 100); }},
        Damage{"HeaderListPastFile", [](Bytes& b) { SetLe32(b, 16, 100000); }},
        Damage{"HeaderListHuge", [](Bytes& b) { SetLe32(b, 16, 0xFFFFFFF0u); }},
        Damage{"MainHeaderShort", [](Bytes& b) { SetLe32(b, 28, 20); }},
        Damage{"MainHeaderPastList", [](Bytes& b) { SetLe32(b, 28, 0x7FFFFFFFu); }},
        Damage{"MoreStreamsThanLists",
               [](Bytes& b) {
                 SetLe32(b, 56, 1000000);
                 std::memcpy(&b[108], "auds", 4);
               }},
        Damage{"StreamListPastHeaderList", [](Bytes& b) { SetLe32(b, 92, 5000); }},
        Damage{"StreamHeaderPastList", [](Bytes& b) { SetLe32(b, 104, 0xFFFFFFFFu); }},
        Damage{"StreamHeaderTooShortForRate", [](Bytes& b) { SetLe32(b, 104, 20); }},
        Damage{"NoStreamHeader", [](Bytes& b) { std::memcpy(&b[100], "strx", 4); }}),
    [](const ::testing::TestParamInfo<Damage>& info) { return std::string(info.param.name); });

class RatePatchFileTest : public ::testing::Test {
 protected:
  std::string Write(const std::string& name, const Bytes& bytes) {
    const std::string path = folder_.File(name);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                std::streamsize(bytes.size()));
    return path;
  }
  TempFolder folder_;
};

TEST_F(RatePatchFileTest, WritesOnlyTheRate) {
  const Bytes front = AviFront(MainHeader(2) + StreamList("auds", 8000) + StreamList("vids", 20));
  const std::string path = Write("two.avi", front);
  const size_t offset = Find(front).offset;
  ASSERT_EQ(1, WriteAviVideoRate(path, 12));
  Bytes expected = front;
  SetLe32(expected, offset, 12);
  EXPECT_EQ(expected, ReadWholeFile(path));
}

TEST_F(RatePatchFileTest, DamagedOrMissingFileIsLeftAsItWas) {
  Bytes damaged = AviFront(MainHeader(1) + StreamList("vids", 20));
  damaged.resize(130);
  const std::string path = Write("cut.avi", damaged);
  EXPECT_EQ(0, WriteAviVideoRate(path, 12));
  EXPECT_EQ(damaged, ReadWholeFile(path)) << "kept, unchanged";

  EXPECT_EQ(0, WriteAviVideoRate(folder_.File("missing.avi"), 12));
  EXPECT_FALSE(FileExists(folder_.File("missing.avi")));
}

TEST_F(RatePatchFileTest, FileThatCannotBeOpenedIsLeftAsItWas) {
  const Bytes front = AviFront(MainHeader(1) + StreamList("vids", 20));
  const std::string path = Write("locked.avi", front);
  const HANDLE locked = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                                    nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, locked);
  EXPECT_EQ(0, WriteAviVideoRate(path, 12));
  CloseHandle(locked);
  EXPECT_EQ(front, ReadWholeFile(path));
}

}  // namespace
}  // namespace liveview
