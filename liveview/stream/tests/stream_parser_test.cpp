// The multipart reader over byte inputs: response headers, part headers, and the limits of
// the slot's fixed areas.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "liveview/stream/stream_parser.h"
#include "liveview/stream/stream_socket.h"

namespace liveview {
namespace {

// A slot whose receive buffer holds `bytes`, in the given parse state.
struct LoadedSlot {
  LoadedSlot(const std::string& bytes, int state) {
    slot.receiveBuffer = std::make_unique<char[]>(StreamSlot::kReceiveCapacity + 1);
    std::memcpy(slot.receiveBuffer.get(), bytes.data(), bytes.size());
    slot.parseState = state;
    length = static_cast<int>(bytes.size());
  }
  StreamSlot slot;
  int length;
};

struct ResponseCase {
  const char* name;
  std::string bytes;
  int result;          // of ParseHeaderBlock in parse state 1
  const char* boundary;
};

void PrintTo(const ResponseCase& c, std::ostream* os) { *os << c.name; }

const ResponseCase kResponseCases[] = {
    {"Ok10", "HTTP/1.0 200 OK\r\nContent-Type: multipart/x-mixed-replace;boundary=frame\r\n\r\n",
     -100, "frame"},
    {"AnyVersionWith200", "ICY 200\r\nX: boundary=b\r\n\r\n", -100, "b"},
    {"BoundaryOnLaterLine",
     "HTTP/1.1 200 OK\r\nServer: cam\r\nContent-Type: multipart/x-mixed-replace; "
     "boundary=--abc\r\nCache-Control: no-cache\r\n\r\n",
     -100, "--abc"},
    {"NotAuthorised", "HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Basic\r\n\r\n", -3, ""},
    {"NotAuthorisedWinsOver200", "HTTP/1.1 401 200\r\n\r\n", -3, ""},
    {"Refused", "HTTP/1.1 503 Service Unavailable\r\nX: boundary=b\r\n\r\n", -2, ""},
    {"NoStatusLineEnd", "HTTP/1.1 200 OK", -1, ""},
    {"CutInMidLine", "HTTP/1.1 200 OK\r\nContent-Type: multipart; boundary=b", -1, ""},
    {"NoBlankLine", "HTTP/1.1 200 OK\r\nContent-Type: multipart; boundary=b\r\n", -1, "b"},
    {"NoBoundary", "HTTP/1.1 200 OK\r\nContent-Type: image/jpeg\r\n\r\n", -1, ""},
    {"BoundaryCutTo51",
     "HTTP/1.1 200 OK\r\nX: boundary=" + std::string(60, 'q') + "\r\n\r\n", -100,
     "qqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqq"},
};

class ResponseHeaderTest : public ::testing::TestWithParam<ResponseCase> {};

TEST_P(ResponseHeaderTest, ParsesAsTheCamerasExpect) {
  const ResponseCase& c = GetParam();
  LoadedSlot loaded(c.bytes, kParseResponseHeader);
  const int result = ParseHeaderBlock(loaded.slot, loaded.length);
  if (c.result == -100) {
    EXPECT_EQ(result, loaded.length);
    EXPECT_EQ(loaded.slot.parseState, kParsePartHeader);
    EXPECT_EQ(loaded.slot.boundarySeen, 1);
  } else {
    EXPECT_EQ(result, c.result);
  }
  EXPECT_STREQ(loaded.slot.boundary, c.boundary);
  EXPECT_EQ(loaded.slot.partLength, 0);
}

INSTANTIATE_TEST_SUITE_P(Table, ResponseHeaderTest, ::testing::ValuesIn(kResponseCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ResponseHeaderTest, BoundarySeenOnceStaysForLaterHeaders) {
  LoadedSlot loaded("HTTP/1.0 200 OK\r\nX: boundary=b\r\n\r\n", kParseResponseHeader);
  ASSERT_GT(ParseHeaderBlock(loaded.slot, loaded.length), 0);
  const std::string plain = "HTTP/1.0 200 OK\r\nContent-Type: image/jpeg\r\n\r\n";
  std::memcpy(loaded.slot.receiveBuffer.get(), plain.data(), plain.size());
  loaded.slot.parseState = kParseResponseHeader;
  EXPECT_EQ(ParseHeaderBlock(loaded.slot, static_cast<int>(plain.size())),
            static_cast<int>(plain.size()));
}

TEST(ResponseHeaderTest, BytesAfterTheBlankLineMoveToTheStart) {
  LoadedSlot loaded("HTTP/1.0 200 OK\r\nX: boundary=b\r\n\r\n--b\r\n", kParseResponseHeader);
  loaded.slot.fill = loaded.length;
  EXPECT_EQ(ParseResponseHeader(loaded.slot), 0);
  EXPECT_EQ(loaded.slot.fill, 5);
  EXPECT_STREQ(loaded.slot.receiveBuffer.get(), "--b\r\n");
}

struct PartCase {
  const char* name;
  std::string bytes;
  int result;  // of ParseHeaderBlock in parse state 2
  int partLength;
};

void PrintTo(const PartCase& c, std::ostream* os) { *os << c.name; }

const PartCase kPartCases[] = {
    {"Length", "--b\r\nContent-Type: image/jpeg\r\nContent-Length: 1234\r\n\r\n", 1234, 1234},
    {"BlanksBeforeTheNumber", "--b\r\nContent-Length:    77\r\n\r\n", 77, 77},
    {"ExactlyTheFrameBuffer", "--b\r\nContent-Length: 524288\r\n\r\n", 524288, 524288},
    {"OneOverTheFrameBuffer", "--b\r\nContent-Length: 524289\r\n\r\n", kParseOversized, 0},
    {"Huge", "--b\r\nContent-Length: 2000000000\r\n\r\n", kParseOversized, 0},
    {"BeyondAnyInt", "--b\r\nContent-Length: 99999999999999999999\r\n\r\n", kParseOversized, 0},
    // Not a length: read again as a response header, which a part header is not.
    {"Negative", "--b\r\nContent-Length: -5\r\n\r\n", kParseRefused, 0},
    {"Zero", "--b\r\nContent-Length: 0\r\n\r\n", kParseRefused, 0},
    {"Missing", "--b\r\nContent-Type: image/jpeg\r\n\r\n", kParseRefused, 0},
    {"NotANumber", "--b\r\nContent-Length: x12\r\n\r\n", kParseRefused, 0},
    {"OtherCaseIsNotTheKey", "--b\r\ncontent-length: 12\r\n\r\n", kParseRefused, 0},
};

class PartHeaderTest : public ::testing::TestWithParam<PartCase> {};

TEST_P(PartHeaderTest, GivesOnlyLengthsTheFrameBufferHolds) {
  const PartCase& c = GetParam();
  LoadedSlot loaded(c.bytes, kParsePartHeader);
  EXPECT_EQ(ParseHeaderBlock(loaded.slot, loaded.length), c.result);
  EXPECT_EQ(loaded.slot.partLength, c.partLength);
  if (c.result > 0) {
    EXPECT_EQ(loaded.slot.parseState, kParsePartLength);
    ASSERT_TRUE(loaded.slot.frameBuffer);
    EXPECT_EQ(loaded.slot.frameCapacity, StreamSlot::kFrameCapacity);
  } else {
    EXPECT_FALSE(loaded.slot.frameBuffer);
  }
}

INSTANTIATE_TEST_SUITE_P(Table, PartHeaderTest, ::testing::ValuesIn(kPartCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PartHeaderTest, OnlyInPartHeaderState) {
  LoadedSlot loaded("--b\r\nContent-Length: 10\r\n\r\n", kParseResponseHeader);
  EXPECT_EQ(ParsePartHeader(loaded.slot), 0);
  loaded.slot.parseState = kParsePartLength;
  EXPECT_EQ(ParsePartHeader(loaded.slot), 0);
}

TEST(PartHeaderTest, ResponseHeaderWithItsOwnLengthGivesTheFirstPartsLength) {
  const std::string header =
      "HTTP/1.0 200 OK\r\nContent-Type: multipart/x-mixed-replace;boundary=b\r\n"
      "Content-Length: 4321\r\n\r\n";
  LoadedSlot loaded(header, kParseResponseHeader);
  ASSERT_EQ(ParseHeaderBlock(loaded.slot, loaded.length), loaded.length);
  EXPECT_EQ(loaded.slot.partLength, 0);
  EXPECT_EQ(ParsePartHeader(loaded.slot), 4321);
}

TEST(FindLineEndTest, FindsCrLfAtOrAfterThePosition) {
  const char text[] = "ab\r\ncd\r\n";
  EXPECT_EQ(FindLineEnd(text, 8, 0), 2);
  EXPECT_EQ(FindLineEnd(text, 8, 2), 2);
  EXPECT_EQ(FindLineEnd(text, 8, 3), 6);
  EXPECT_EQ(FindLineEnd(text, 7, 3), -1);  // a CR without its LF
  EXPECT_EQ(FindLineEnd("a\nb\r", 4, 0), -1);
}

TEST(StreamRequestTest, ExactBytesWithoutHostHeader) {
  EXPECT_EQ(StreamRequestText("YWRtaW46YWRtaW4="),
            "GET /cgi-bin/sf.cgi HTTP/1.1\r\n"
            "Connection: Keep-Alive\r\n"
            "Authorization: Basic YWRtaW46YWRtaW4=\r\n\r\n");
}

}  // namespace
}  // namespace liveview
