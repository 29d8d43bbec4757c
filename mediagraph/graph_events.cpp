// The graph's event codes turned into the component's typed events.
#include <evcode.h>

#include "mediagraph/media_graph.h"

namespace mediagraph {

namespace {

template <class F, class... A>
void Fire(const F& handler, A&&... args) {
  if (handler) handler(std::forward<A>(args)...);
}

IBaseFilter* AsFilter(LONG_PTR param) { return reinterpret_cast<IBaseFilter*>(param); }
uint32_t AsUnsigned(LONG_PTR param) { return static_cast<uint32_t>(param); }
int32_t AsSigned(LONG_PTR param) { return static_cast<int32_t>(param); }
std::wstring AsText(LONG_PTR param) {
  const auto* text = reinterpret_cast<const wchar_t*>(param);
  return text ? std::wstring(text) : std::wstring();
}

}  // namespace

TDVDTimeCode SplitDVDTimeCode(uint32_t code) {
  // From the top bit down, in the order the record lists its fields.
  TDVDTimeCode t;
  t.Hours1 = (code >> 28) & 15;
  t.Hours10 = (code >> 24) & 15;
  t.Minutes1 = (code >> 20) & 15;
  t.Minutes10 = (code >> 16) & 15;
  t.Seconds1 = (code >> 12) & 15;
  t.Seconds10 = (code >> 8) & 15;
  t.Frames1 = (code >> 4) & 15;
  t.Frames10 = (code >> 2) & 3;
  t.FrameRateCode = code & 3;
  return t;
}

void TFilterGraph::DispatchGraphEvent(long event, LONG_PTR param1, LONG_PTR param2) {
  if (receivers_) {
    const std::vector<ReceiverLink> pass = *receivers_;
    for (const ReceiverLink& link : pass) {
      if (IsLinked(link.receiver)) link.receiver->HandleGraphEvent(event, param1, param2);
    }
  }
  Fire(OnDSEvent, this, event, static_cast<long>(param1), static_cast<long>(param2));

  switch (event) {
    case EC_COMPLETE:
      Fire(OnGraphComplete, this, static_cast<HRESULT>(param1), AsFilter(param2));
      break;
    case EC_USERABORT:
      Fire(OnGraphUserAbort, this);
      break;
    case EC_ERRORABORT:
      Fire(OnGraphErrorAbort, this, static_cast<HRESULT>(param1));
      break;
    case EC_STREAM_ERROR_STOPPED:
      Fire(OnGraphStreamErrorStopped, this, static_cast<HRESULT>(param1), AsUnsigned(param2));
      break;
    case EC_STREAM_ERROR_STILLPLAYING:
      Fire(OnGraphStreamErrorStillPlaying, this, static_cast<HRESULT>(param1), AsUnsigned(param2));
      break;
    case EC_ERROR_STILLPLAYING:
      Fire(OnGraphErrorStillPlaying, this, static_cast<HRESULT>(param1));
      break;
    case EC_PALETTE_CHANGED:
      Fire(OnGraphPaletteChanged, this);
      break;
    case EC_VIDEO_SIZE_CHANGED:
      Fire(OnGraphVideoSizeChanged, this, static_cast<uint16_t>(param1 & 0xFFFF),
           static_cast<uint16_t>((AsUnsigned(param1) >> 16) & 0xFFFF));
      break;
    case EC_QUALITY_CHANGE:
      Fire(OnGraphQualityChange, this);
      break;
    case EC_CLOCK_CHANGED:
      Fire(OnGraphClockChanged, this);
      break;
    case EC_PAUSED:
      Fire(OnGraphPaused, this, static_cast<HRESULT>(param1));
      break;
    case EC_OPENING_FILE:
      Fire(OnGraphOpeningFile, this, param1 == 1);
      break;
    case EC_BUFFERING_DATA:
      Fire(OnGraphBufferingData, this, param1 == 1);
      break;
    case EC_FULLSCREEN_LOST:
      Fire(OnGraphFullscreenLost, this, AsFilter(param2));
      break;
    case EC_OLE_EVENT:
      if (OnGraphOleEvent) OnGraphOleEvent(this, AsText(param1), AsText(param2));
      break;
    case EC_STREAM_CONTROL_STOPPED:
      Fire(OnGraphStreamControlStopped, this, reinterpret_cast<IPin*>(param1), AsUnsigned(param2));
      break;
    case EC_STREAM_CONTROL_STARTED:
      Fire(OnGraphStreamControlStarted, this, reinterpret_cast<IPin*>(param1), AsUnsigned(param2));
      break;
    case EC_END_OF_SEGMENT: {
      const auto* time = reinterpret_cast<const REFERENCE_TIME*>(param1);
      Fire(OnGraphEndOfSegment, this, static_cast<int64_t>(time ? *time : 0), AsUnsigned(param2));
      break;
    }
    case EC_DEVICE_LOST:
      Fire(OnGraphDeviceLost, this, reinterpret_cast<IUnknown*>(param1), param2 == 1);
      break;
    case EC_STEP_COMPLETE:
      Fire(OnGraphStepComplete, this);
      break;
    case EC_TIMECODE_AVAILABLE:
      Fire(OnGraphTimeCodeAvailable, this, AsFilter(param1), AsUnsigned(param2));
      break;
    case EC_EXTDEVICE_MODE_CHANGE:
      Fire(OnGraphEXTDeviceModeChange, this, AsUnsigned(param1), AsUnsigned(param2));
      break;
    case EC_GRAPH_CHANGED:
      Fire(OnGraphChanged, this);
      break;
    case EC_CLOCK_UNSET:
      Fire(OnGraphClockUnset, this);
      break;
    case EC_VMR_RENDERDEVICE_SET:
      Fire(OnGraphVMRRenderDevice, this, AsSigned(param1));
      break;
    case EC_SNDDEV_IN_ERROR:
      Fire(OnGraphSNDDevInError, this, static_cast<SNDDEV_ERR>(param1), AsUnsigned(param2));
      break;
    case EC_SNDDEV_OUT_ERROR:
      Fire(OnGraphSNDDevOutError, this, static_cast<SNDDEV_ERR>(param1), AsUnsigned(param2));
      break;
    default:
      DispatchDVDEvent(event, param1, param2);
      break;
  }
}

void TFilterGraph::DispatchDVDEvent(long event, LONG_PTR param1, LONG_PTR param2) {
  switch (event) {
    case 257: {  // domain change
      const TNotifyEvent* domains[] = {&OnDVDDomainFirstPlay, &OnDVDDomainVideoManagerMenu,
                                       &OnDVDDomainVideoTitleSetMenu, &OnDVDDomainTitle,
                                       &OnDVDDomainStop};
      if (param1 >= 1 && param1 <= 5) Fire(*domains[param1 - 1], this);
      break;
    }
    case 268: {  // error
      const TNotifyEvent* errors[] = {&OnDVDErrorUnexpected,
                                      &OnDVDErrorCopyProtectFail,
                                      &OnDVDErrorInvalidDVD1_0Disc,
                                      &OnDVDErrorInvalidDiscRegion,
                                      &OnDVDErrorLowParentalLevel,
                                      &OnDVDErrorMacrovisionFail,
                                      &OnDVDErrorIncompatibleSystemAndDecoderRegions,
                                      &OnDVDErrorIncompatibleDiscAndDecoderRegions};
      if (param1 >= 1 && param1 <= 8) Fire(*errors[param1 - 1], this);
      break;
    }
    case 269: {  // warning
      const TNotifyEvent* warnings[] = {&OnDVDWarningInvalidDVD1_0Disc,
                                        &OnDVDWarningFormatNotSupported,
                                        &OnDVDWarningIllegalNavCommand,
                                        &OnDVDWarningOpen,
                                        &OnDVDWarningSeek,
                                        &OnDVDWarningRead};
      if (param1 >= 1 && param1 <= 6) Fire(*warnings[param1 - 1], this);
      break;
    }
    case 258:
      Fire(OnDVDTitleChange, this, AsSigned(param1));
      break;
    case 259:
      Fire(OnDVDChapterStart, this, AsSigned(param1));
      break;
    case 260:
    case 261: {
      const bool audio = event == 260;
      if (audio ? !OnDVDAudioStreamChange : !OnDVDSubpictureStreamChange) break;
      LCID lcid = 0;
      std::string lang;
      if (auto info = Query<IDvdInfo2>(IID_IDvdInfo2)) {
        const HRESULT hr = audio ? info->GetAudioLanguage(AsUnsigned(param1), &lcid)
                                 : info->GetSubpictureLanguage(AsUnsigned(param1), &lcid);
        if (FAILED(hr)) lcid = 0;
        if (lcid) {
          char name[260] = {};
          if (GetLocaleInfoA(lcid, LOCALE_SENGLANGUAGE, name, sizeof name) > 0) lang = name;
        }
      }
      if (audio) {
        OnDVDAudioStreamChange(this, AsSigned(param1), static_cast<int32_t>(lcid), lang);
      } else {
        OnDVDSubpictureStreamChange(this, AsSigned(param1), static_cast<int32_t>(lcid), lang);
      }
      break;
    }
    case 262:
      Fire(OnDVDAngleChange, this, AsSigned(param1), AsSigned(param2));
      break;
    case 263:
      Fire(OnDVDButtonChange, this, AsSigned(param1), AsSigned(param2));
      break;
    case 264:
      Fire(OnDVDValidUOPSChange, this, AsSigned(param1));
      break;
    case 265:
      Fire(OnDVDStillOn, this, param1 == 1, AsSigned(param2));
      break;
    case 266:
      Fire(OnDVDStillOff, this);
      break;
    case 267: {
      const TDVDTimeCode t = SplitDVDTimeCode(AsUnsigned(param1));
      const int32_t frate = t.FrameRateCode == 1 ? 25 : t.FrameRateCode == 3 ? 30 : 0;
      Fire(OnDVDCurrentTime, this, t.Hours1 + 10 * t.Hours10, t.Minutes1 + 10 * t.Minutes10,
           t.Seconds1 + 10 * t.Seconds10, t.Frames1 + 10 * t.Frames10, frate);
      break;
    }
    case 270:
      Fire(OnDVDChapterAutoStop, this);
      break;
    case 271:
      Fire(OnDVDNoFP_PGC, this);
      break;
    case 272:
      Fire(OnDVDPlaybackRateChange, this, static_cast<float>(AsSigned(param1)) / 10000.0f);
      break;
    case 273:
      Fire(OnDVDParentalLevelChange, this, AsSigned(param1));
      break;
    case 274:
      Fire(OnDVDPlaybackStopped, this);
      break;
    case 275:
      Fire(OnDVDAnglesAvailable, this, param1 == 1);
      break;
    case 276:
      Fire(OnDVDPlayPeriodAutoStop, this);
      break;
    case 277:
      Fire(OnDVDButtonAutoActivated, this, AsUnsigned(param1));
      break;
    case 278:
      Fire(OnDVDCMDStart, this, AsUnsigned(param1));
      break;
    case 279:
      Fire(OnDVDCMDEnd, this, AsUnsigned(param1));
      break;
    case 280:
      Fire(OnDVDDiscEjected, this);
      break;
    case 281:
      Fire(OnDVDDiscInserted, this);
      break;
    case 282: {
      DVD_HMSF_TIMECODE hmsf;
      const uint32_t raw = AsUnsigned(param1);
      static_assert(sizeof hmsf == sizeof raw, "four-byte record");
      memcpy(&hmsf, &raw, sizeof hmsf);
      const TDVDTimeCode t = SplitDVDTimeCode(AsUnsigned(param2));
      Fire(OnDVDCurrentHMSFTime, this, hmsf, t);
      break;
    }
    case 283:
      Fire(OnDVDKaraokeMode, this, param1 != 0);
      break;
    default:
      break;
  }
}

}  // namespace mediagraph
