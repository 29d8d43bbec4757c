// DispatchGraphEvent for every event code: receivers first, then OnDSEvent, then the event
// of the code with its arguments.
#include <dshow.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <sstream>

#include "mediagraph/media_graph.h"
#include "mediagraph/tests/graph_test_support.h"

namespace {

using namespace mediagraph;
using mediagraph_tests::Log;
using mediagraph_tests::TestClient;

std::string Args() { return ""; }
template <class T>
std::string Arg(const T& v) {
  std::ostringstream s;
  s << v;
  return s.str();
}
std::string Arg(bool v) { return v ? "true" : "false"; }
std::string Arg(uint16_t v) { return std::to_string(v); }
std::string Arg(const std::wstring& v) { return std::string(v.begin(), v.end()); }
std::string Arg(const void* v) { return Arg(reinterpret_cast<UINT_PTR>(v)); }
std::string Arg(IBaseFilter* v) { return Arg(static_cast<const void*>(v)); }
std::string Arg(IPin* v) { return Arg(static_cast<const void*>(v)); }
std::string Arg(IUnknown* v) { return Arg(static_cast<const void*>(v)); }
template <class T, class... R>
std::string Args(const T& first, const R&... rest) {
  std::string s = Arg(first);
  ((s += "," + Arg(rest)), ...);
  return s;
}

// Assigns `handler` a recorder that writes "Name(args)" and checks the sender.
template <class... A>
void Record(std::function<void(TFilterGraph*, A...)>& handler, const char* name, Log* log,
            TFilterGraph* graph) {
  handler = [=](TFilterGraph* sender, A... args) {
    EXPECT_EQ(graph, sender) << name;
    log->push_back(std::string(name) + "(" + Args(args...) + ")");
  };
}

#define RECORD(event) Record(graph.event, #event, &log, &graph)

class GraphEvents : public ::testing::Test {
 protected:
  GraphEvents() : receiver(&log, "R", false, true) {
    receiver.SetFilterGraph(&graph);
    graph.OnDSEvent = [this](TFilterGraph*, long e, long p1, long p2) {
      log.push_back("OnDSEvent(" + Args(e, p1, p2) + ")");
    };
    RECORD(OnGraphComplete);
    RECORD(OnGraphUserAbort);
    RECORD(OnGraphErrorAbort);
    RECORD(OnGraphStreamErrorStopped);
    RECORD(OnGraphStreamErrorStillPlaying);
    RECORD(OnGraphErrorStillPlaying);
    RECORD(OnGraphPaletteChanged);
    RECORD(OnGraphVideoSizeChanged);
    RECORD(OnGraphQualityChange);
    RECORD(OnGraphClockChanged);
    RECORD(OnGraphPaused);
    RECORD(OnGraphOpeningFile);
    RECORD(OnGraphBufferingData);
    RECORD(OnGraphFullscreenLost);
    RECORD(OnGraphOleEvent);
    RECORD(OnGraphStreamControlStopped);
    RECORD(OnGraphStreamControlStarted);
    RECORD(OnGraphEndOfSegment);
    RECORD(OnGraphDeviceLost);
    RECORD(OnGraphStepComplete);
    RECORD(OnGraphTimeCodeAvailable);
    RECORD(OnGraphEXTDeviceModeChange);
    RECORD(OnGraphChanged);
    RECORD(OnGraphClockUnset);
    RECORD(OnGraphVMRRenderDevice);
    RECORD(OnGraphSNDDevInError);
    RECORD(OnGraphSNDDevOutError);
    RECORD(OnDVDDomainFirstPlay);
    RECORD(OnDVDDomainVideoManagerMenu);
    RECORD(OnDVDDomainVideoTitleSetMenu);
    RECORD(OnDVDDomainTitle);
    RECORD(OnDVDDomainStop);
    RECORD(OnDVDErrorUnexpected);
    RECORD(OnDVDErrorCopyProtectFail);
    RECORD(OnDVDErrorInvalidDVD1_0Disc);
    RECORD(OnDVDErrorInvalidDiscRegion);
    RECORD(OnDVDErrorLowParentalLevel);
    RECORD(OnDVDErrorMacrovisionFail);
    RECORD(OnDVDErrorIncompatibleSystemAndDecoderRegions);
    RECORD(OnDVDErrorIncompatibleDiscAndDecoderRegions);
    RECORD(OnDVDWarningInvalidDVD1_0Disc);
    RECORD(OnDVDWarningFormatNotSupported);
    RECORD(OnDVDWarningIllegalNavCommand);
    RECORD(OnDVDWarningOpen);
    RECORD(OnDVDWarningSeek);
    RECORD(OnDVDWarningRead);
    RECORD(OnDVDTitleChange);
    RECORD(OnDVDChapterStart);
    RECORD(OnDVDAudioStreamChange);
    RECORD(OnDVDSubpictureStreamChange);
    RECORD(OnDVDAngleChange);
    RECORD(OnDVDButtonChange);
    RECORD(OnDVDValidUOPSChange);
    RECORD(OnDVDStillOn);
    RECORD(OnDVDStillOff);
    RECORD(OnDVDCurrentTime);
    RECORD(OnDVDChapterAutoStop);
    RECORD(OnDVDNoFP_PGC);
    RECORD(OnDVDPlaybackRateChange);
    RECORD(OnDVDParentalLevelChange);
    RECORD(OnDVDPlaybackStopped);
    RECORD(OnDVDAnglesAvailable);
    RECORD(OnDVDPlayPeriodAutoStop);
    RECORD(OnDVDButtonAutoActivated);
    RECORD(OnDVDCMDStart);
    RECORD(OnDVDCMDEnd);
    RECORD(OnDVDDiscEjected);
    RECORD(OnDVDDiscInserted);
    RECORD(OnDVDKaraokeMode);
    graph.OnDVDCurrentHMSFTime = [this](TFilterGraph*, DVD_HMSF_TIMECODE hmsf,
                                        const TDVDTimeCode& t) {
      log.push_back("OnDVDCurrentHMSFTime(" +
                    Args(int(hmsf.bHours), int(hmsf.bMinutes), int(hmsf.bSeconds),
                         int(hmsf.bFrames), int(t.Hours1), int(t.Hours10), int(t.Minutes1),
                         int(t.Minutes10), int(t.Seconds1), int(t.Seconds10), int(t.Frames1),
                         int(t.Frames10), int(t.FrameRateCode)) +
                    ")");
    };
  }

  Log log;
  TFilterGraph graph;
  TestClient receiver;
};

TEST_F(GraphEvents, EveryCodeFiresItsEventAfterReceiversAndOnDSEvent) {
  static REFERENCE_TIME segmentTime = 1234567890123LL;
  static wchar_t one[] = L"first", two[] = L"second";
  const LONG_PTR filter = 0x1000, pin = 0x2000;
  struct Case {
    long code;
    LONG_PTR p1, p2;
    const char* fired;  // empty: nothing beyond the receivers and OnDSEvent
  } cases[] = {
      {1, E_FAIL, filter, "OnGraphComplete(-2147467259,4096)"},
      {2, 0, 0, "OnGraphUserAbort()"},
      {3, E_OUTOFMEMORY, 0, "OnGraphErrorAbort(-2147024882)"},
      {4, 7, 8, ""},
      {6, E_FAIL, 9, "OnGraphStreamErrorStopped(-2147467259,9)"},
      {7, E_FAIL, 10, "OnGraphStreamErrorStillPlaying(-2147467259,10)"},
      {8, E_ABORT, 0, "OnGraphErrorStillPlaying(-2147467260)"},
      {9, 0, 0, "OnGraphPaletteChanged()"},
      {10, (240 << 16) | 320, 0, "OnGraphVideoSizeChanged(320,240)"},
      {11, 0, 0, "OnGraphQualityChange()"},
      {13, 0, 0, "OnGraphClockChanged()"},
      {14, S_FALSE, 0, "OnGraphPaused(1)"},
      {16, 1, 0, "OnGraphOpeningFile(true)"},
      {16, 2, 0, "OnGraphOpeningFile(false)"},
      {17, 1, 0, "OnGraphBufferingData(true)"},
      {17, 0, 0, "OnGraphBufferingData(false)"},
      {18, 0, filter, "OnGraphFullscreenLost(4096)"},
      {24, reinterpret_cast<LONG_PTR>(one), reinterpret_cast<LONG_PTR>(two),
       "OnGraphOleEvent(first,second)"},
      {26, pin, 5, "OnGraphStreamControlStopped(8192,5)"},
      {27, pin, 6, "OnGraphStreamControlStarted(8192,6)"},
      {28, reinterpret_cast<LONG_PTR>(&segmentTime), 3, "OnGraphEndOfSegment(1234567890123,3)"},
      {28, 0, 4, "OnGraphEndOfSegment(0,4)"},
      {31, filter, 1, "OnGraphDeviceLost(4096,true)"},
      {31, filter, 0, "OnGraphDeviceLost(4096,false)"},
      {36, 0, 0, "OnGraphStepComplete()"},
      {48, filter, 77, "OnGraphTimeCodeAvailable(4096,77)"},
      {49, 2, 3, "OnGraphEXTDeviceModeChange(2,3)"},
      {80, 0, 0, "OnGraphChanged()"},
      {81, 0, 0, "OnGraphClockUnset()"},
      {83, -5, 0, "OnGraphVMRRenderDevice(-5)"},
      {512, SNDDEV_ERROR_Open, 11, "OnGraphSNDDevInError(1,11)"},
      {513, SNDDEV_ERROR_Write, 12, "OnGraphSNDDevOutError(9,12)"},
      {257, 1, 0, "OnDVDDomainFirstPlay()"},
      {257, 2, 0, "OnDVDDomainVideoManagerMenu()"},
      {257, 3, 0, "OnDVDDomainVideoTitleSetMenu()"},
      {257, 4, 0, "OnDVDDomainTitle()"},
      {257, 5, 0, "OnDVDDomainStop()"},
      {257, 6, 0, ""},
      {257, 0, 0, ""},
      {268, 1, 0, "OnDVDErrorUnexpected()"},
      {268, 2, 0, "OnDVDErrorCopyProtectFail()"},
      {268, 3, 0, "OnDVDErrorInvalidDVD1_0Disc()"},
      {268, 4, 0, "OnDVDErrorInvalidDiscRegion()"},
      {268, 5, 0, "OnDVDErrorLowParentalLevel()"},
      {268, 6, 0, "OnDVDErrorMacrovisionFail()"},
      {268, 7, 0, "OnDVDErrorIncompatibleSystemAndDecoderRegions()"},
      {268, 8, 0, "OnDVDErrorIncompatibleDiscAndDecoderRegions()"},
      {268, 9, 0, ""},
      {269, 1, 0, "OnDVDWarningInvalidDVD1_0Disc()"},
      {269, 2, 0, "OnDVDWarningFormatNotSupported()"},
      {269, 3, 0, "OnDVDWarningIllegalNavCommand()"},
      {269, 4, 0, "OnDVDWarningOpen()"},
      {269, 5, 0, "OnDVDWarningSeek()"},
      {269, 6, 0, "OnDVDWarningRead()"},
      {269, 7, 0, ""},
      {258, 12, 0, "OnDVDTitleChange(12)"},
      {259, 13, 0, "OnDVDChapterStart(13)"},
      // No IDvdInfo2 while inactive: no language.
      {260, 2, 0, "OnDVDAudioStreamChange(2,0,)"},
      {261, 3, 0, "OnDVDSubpictureStreamChange(3,0,)"},
      {262, 4, 2, "OnDVDAngleChange(4,2)"},
      {263, 6, 5, "OnDVDButtonChange(6,5)"},
      {264, 0x155, 0, "OnDVDValidUOPSChange(341)"},
      {265, 1, 30, "OnDVDStillOn(true,30)"},
      {265, 0, -1, "OnDVDStillOn(false,-1)"},
      {266, 0, 0, "OnDVDStillOff()"},
      // Fields from the top bit down: 1,2 | 3,4 | 5,2 | 7,1 | frame-rate code 1 or 3.
      {267, 0x12345272, 0, "OnDVDCurrentTime(21,43,25,7,0)"},
      {267, 0x12345275, 0, "OnDVDCurrentTime(21,43,25,17,25)"},
      {267, 0x12345277, 0, "OnDVDCurrentTime(21,43,25,17,30)"},
      {270, 0, 0, "OnDVDChapterAutoStop()"},
      {271, 0, 0, "OnDVDNoFP_PGC()"},
      {272, 25000, 0, "OnDVDPlaybackRateChange(2.5)"},
      {272, -10000, 0, "OnDVDPlaybackRateChange(-1)"},
      {273, 8, 0, "OnDVDParentalLevelChange(8)"},
      {274, 0, 0, "OnDVDPlaybackStopped()"},
      {275, 1, 0, "OnDVDAnglesAvailable(true)"},
      {275, 2, 0, "OnDVDAnglesAvailable(false)"},
      {276, 0, 0, "OnDVDPlayPeriodAutoStop()"},
      {277, 14, 0, "OnDVDButtonAutoActivated(14)"},
      {278, 15, 0, "OnDVDCMDStart(15)"},
      {279, 16, 0, "OnDVDCMDEnd(16)"},
      {280, 0, 0, "OnDVDDiscEjected()"},
      {281, 0, 0, "OnDVDDiscInserted()"},
      {282, 0x04030201, 0x12345277, "OnDVDCurrentHMSFTime(1,2,3,4,1,2,3,4,5,2,7,1,3)"},
      {283, 2, 0, "OnDVDKaraokeMode(true)"},
      {283, 0, 0, "OnDVDKaraokeMode(false)"},
      {0x8000, 1, 2, ""},
  };
  for (const Case& c : cases) {
    log.clear();
    graph.DispatchGraphEvent(c.code, c.p1, c.p2);
    Log expected = {
        "R event" + std::to_string(c.code),
        "OnDSEvent(" + Args(c.code, static_cast<long>(c.p1), static_cast<long>(c.p2)) + ")"};
    if (*c.fired) expected.push_back(c.fired);
    EXPECT_EQ(expected, log) << "code " << c.code << " param1 " << c.p1;
  }
}

TEST_F(GraphEvents, UnassignedEventsFireNothingAndReceiversUnlinkedMeanwhileAreSkipped) {
  Log secondLog;
  TestClient second(&secondLog, "S", false, true);
  second.SetFilterGraph(&graph);
  // The first receiver unlinks the second during the pass.
  receiver.onEvent = [&](long) { second.SetFilterGraph(nullptr); };
  graph.OnGraphComplete = nullptr;
  graph.DispatchGraphEvent(1, 0, 0);
  EXPECT_EQ((Log{"R event1", "OnDSEvent(1,0,0)"}), log);
  EXPECT_TRUE(secondLog.empty());
}

TEST(DVDTimeCode, SplitFromTheTopBitDown) {
  const TDVDTimeCode t = SplitDVDTimeCode(0x9876543Bu);
  EXPECT_EQ(9, t.Hours1);
  EXPECT_EQ(8, t.Hours10);
  EXPECT_EQ(7, t.Minutes1);
  EXPECT_EQ(6, t.Minutes10);
  EXPECT_EQ(5, t.Seconds1);
  EXPECT_EQ(4, t.Seconds10);
  EXPECT_EQ(3, t.Frames1);
  EXPECT_EQ(2, t.Frames10);
  EXPECT_EQ(3, t.FrameRateCode);
}

}  // namespace
