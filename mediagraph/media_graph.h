// TFilterGraph: a non-visual component that owns one DirectShow filter graph while it is
// Active. Linked components put a filter of their own into the graph (filter providers) or
// hear what it does (event receivers); the graph's event notifications become the typed
// events below, fired on the thread that made the component.
#pragma once

#include <dshow.h>
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/com_ptr.h"
#include "base/scoped_handle.h"
#include "framework/component.h"
#include "mediagraph/media_graph_util.h"

namespace mediagraph {

class TFilterGraph;

enum TGraphMode { gmNormal = 0, gmCapture = 1, gmDVD = 2 };

// The graph's event notification, posted to the component's hidden window.
constexpr UINT WM_DSGRAPHEVENT = WM_APP + 1;

enum TGraphOperation : long {
  opBeforeAdd = 0,
  opAfterAdd = 1,
  opBeforeRemove = 2,
  opAfterRemove = 3,
  opRefresh = 4,
};

enum TControlCode : long {
  ccBeforeRun = 0,
  ccBeforeStop = 2,
  ccRenderingFile = 3,
  ccFileRendered = 4,
  ccActiveChanged = 7,
};

// {887F94DA-29E9-44C6-B48E-1FBF0FB59878}
constexpr GUID IID_IGraphFilterProvider = {
    0x887F94DA, 0x29E9, 0x44C6, {0xB4, 0x8E, 0x1F, 0xBF, 0x0F, 0xB5, 0x98, 0x78}};
// {6C0DCD7B-1A98-44EF-A6D5-E23CBC24E620}
constexpr GUID IID_IGraphEventReceiver = {
    0x6C0DCD7B, 0x1A98, 0x44EF, {0xA6, 0xD5, 0xE2, 0x3C, 0xBC, 0x24, 0xE6, 0x20}};
// The service through which a graph's site leads back to its component, in-process only.
// {C7CAA944-C191-4AB1-ABA7-D8B40EF4D5B2}
constexpr GUID SID_FilterGraphComponent = {
    0xC7CAA944, 0xC191, 0x4AB1, {0xAB, 0xA7, 0xD8, 0xB4, 0x0E, 0xF4, 0xD5, 0xB2}};

// A component that puts one filter into the graph.
class IGraphFilterProvider {
 public:
  virtual base::ComPtr<IBaseFilter> ProvidedFilter() = 0;
  virtual std::wstring ProvidedFilterName() = 0;
  virtual void HandleGraphOperation(TGraphOperation operation, long param) = 0;

 protected:
  ~IGraphFilterProvider() = default;
};

// A component that hears the graph's events and the component's control codes.
class IGraphEventReceiver {
 public:
  virtual void HandleGraphEvent(long event, LONG_PTR param1, LONG_PTR param2) = 0;
  virtual void HandleControlCode(TControlCode code, long param) = 0;

 protected:
  ~IGraphEventReceiver() = default;
};

// The nine fields of a DVD time code, as split from the top bit down.
#pragma pack(push, 1)
struct TDVDTimeCode {
  uint8_t Hours1, Hours10, Minutes1, Minutes10, Seconds1, Seconds10, Frames1, Frames10,
      FrameRateCode;
};
#pragma pack(pop)
static_assert(sizeof(TDVDTimeCode) == 9, "nine-byte record");
TDVDTimeCode SplitDVDTimeCode(uint32_t code);

using TNotifyEvent = std::function<void(TFilterGraph* sender)>;
using TOnDSEvent = std::function<void(TFilterGraph* sender, long event, long param1, long param2)>;
using TOnDSResult = std::function<void(TFilterGraph* sender, HRESULT result)>;
using TOnGraphComplete =
    std::function<void(TFilterGraph* sender, HRESULT result, IBaseFilter* renderer)>;
using TOnGraphBufferingData = std::function<void(TFilterGraph* sender, bool buffering)>;
using TOnGraphOpeningFile = std::function<void(TFilterGraph* sender, bool opening)>;
using TOnGraphDeviceLost =
    std::function<void(TFilterGraph* sender, IUnknown* device, bool removed)>;
using TOnGraphEndOfSegment =
    std::function<void(TFilterGraph* sender, int64_t streamTime, uint32_t numSegment)>;
using TOnGraphFullscreenLost = std::function<void(TFilterGraph* sender, IBaseFilter* renderer)>;
using TOnGraphOleEvent = std::function<void(TFilterGraph* sender, const std::wstring& string1,
                                            const std::wstring& string2)>;
using TOnGraphSNDDevError =
    std::function<void(TFilterGraph* sender, SNDDEV_ERR occurWhen, uint32_t errorCode)>;
using TOnGraphStreamControl =
    std::function<void(TFilterGraph* sender, IPin* pinSender, uint32_t cookie)>;
using TOnGraphStreamError =
    std::function<void(TFilterGraph* sender, HRESULT operation, uint32_t value)>;
using TOnGraphVideoSizeChanged =
    std::function<void(TFilterGraph* sender, uint16_t width, uint16_t height)>;
using TOnGraphTimeCodeAvailable =
    std::function<void(TFilterGraph* sender, IBaseFilter* from, uint32_t deviceId)>;
using TOnGraphEXTDeviceModeChange =
    std::function<void(TFilterGraph* sender, uint32_t newMode, uint32_t deviceId)>;
using TOnGraphVMRRenderDevice = std::function<void(TFilterGraph* sender, int32_t renderDevice)>;
using TOnDVDAudioStreamChange = std::function<void(TFilterGraph* sender, int32_t stream,
                                                   int32_t lcid, const std::string& lang)>;
using TOnDVDSubpictureStreamChange = std::function<void(TFilterGraph* sender, int32_t subNum,
                                                        int32_t lcid, const std::string& lang)>;
using TOnDVDCurrentTime = std::function<void(TFilterGraph* sender, int32_t hours, int32_t minutes,
                                             int32_t seconds, int32_t frames, int32_t frate)>;
using TOnDVDTitleChange = std::function<void(TFilterGraph* sender, int32_t title)>;
using TOnDVDChapterStart = std::function<void(TFilterGraph* sender, int32_t chapter)>;
using TOnDVDValidUOPSChange = std::function<void(TFilterGraph* sender, int32_t uops)>;
using TOnDVDParentalLevelChange = std::function<void(TFilterGraph* sender, int32_t level)>;
using TOnDVDChange = std::function<void(TFilterGraph* sender, int32_t total, int32_t current)>;
using TOnDVDStillOn =
    std::function<void(TFilterGraph* sender, bool noButtonAvailable, int32_t seconds)>;
using TOnDVDPlaybackRateChange = std::function<void(TFilterGraph* sender, float rate)>;
using TOnDVDAnglesAvailable = std::function<void(TFilterGraph* sender, bool available)>;
using TOnDVDButtonAutoActivated = std::function<void(TFilterGraph* sender, uint32_t button)>;
using TOnDVDCMD = std::function<void(TFilterGraph* sender, uint32_t cmdId)>;
using TOnDVDCurrentHMSFTime = std::function<void(
    TFilterGraph* sender, DVD_HMSF_TIMECODE hmsfTimeCode, const TDVDTimeCode& timeCode)>;
using TOnDVDKaraokeMode = std::function<void(TFilterGraph* sender, bool played)>;

using TOnSelectedFilter =
    std::function<bool(IMoniker* moniker, const std::wstring& filterName, GUID& classId)>;
using TOnCreatedFilter = std::function<bool(IBaseFilter* filter, GUID& classId)>;
using TOnUnableToRender = std::function<bool(IPin* pin)>;

class GraphSite;
class GraphEventWindow;

class TFilterGraph : public fw::Component {
 public:
  explicit TFilterGraph(fw::Component* owner = nullptr);
  ~TFilterGraph() override;

  bool Active() const { return active_; }
  // Activation builds and sets up the graph; a failure on the way raises and leaves it
  // inactive.
  void SetActive(bool active);
  bool AutoCreate() const { return autoCreate_; }
  void SetAutoCreate(bool value) { autoCreate_ = value; }
  TGraphMode Mode() const { return mode_; }
  void SetMode(TGraphMode mode);
  bool GraphEdit() const { return graphEdit_; }
  void SetGraphEdit(bool value);
  bool LinearVolume() const { return linearVolume_; }
  void SetLinearVolume(bool value);
  const std::string& LogFile() const { return logFile_; }
  void SetLogFile(const std::string& name);
  long Volume() const { return volume_; }
  void SetVolume(long volume);
  long Balance() const { return balance_; }
  void SetBalance(long balance);
  double Rate() const { return rate_; }
  void SetRate(double rate);

  bool RunGraph();
  bool StopGraph();
  void EmptyGraph();
  HRESULT RenderMediaFile(const std::wstring& fileName);

  void AddFilterProvider(IGraphFilterProvider* provider);
  void RemoveFilterProvider(IGraphFilterProvider* provider);
  void AddEventReceiver(IGraphEventReceiver* receiver);
  void RemoveEventReceiver(IGraphEventReceiver* receiver);

  // The site's interfaces while active, then the graph's objects by Mode; E_NOINTERFACE
  // while inactive.
  HRESULT QueryInterface(REFIID iid, void** out);
  template <class I>
  base::ComPtr<I> Query(REFIID iid) {
    base::ComPtr<I> out;
    QueryInterface(iid, out.ReceiveVoid());
    return out;
  }

  // The registration cookie in the running object table; 0 when not registered.
  DWORD RotCookie() const { return rotCookie_; }
  HWND EventWindow() const;

  // Reads and dispatches the graph's queued events (the event window does on
  // WM_DSGRAPHEVENT).
  void DrainGraphEvents();
  virtual void DispatchGraphEvent(long event, LONG_PTR param1, LONG_PTR param2);

  // The filter-selection callbacks of the graph's site.
  HRESULT SelectedFilter(IMoniker* moniker);
  HRESULT CreatedFilter(IBaseFilter* filter);
  // Follows `pin` to its filter, graph and component, and asks that one's OnUnableToRender.
  static HRESULT UnableToRender(IPin* pin);

  TNotifyEvent OnActivate;
  TOnDSEvent OnDSEvent;

  TOnGraphComplete OnGraphComplete;
  TNotifyEvent OnGraphUserAbort;
  TOnDSResult OnGraphErrorAbort;
  TOnGraphStreamError OnGraphStreamErrorStopped;
  TOnGraphStreamError OnGraphStreamErrorStillPlaying;
  TOnDSResult OnGraphErrorStillPlaying;
  TNotifyEvent OnGraphPaletteChanged;
  TOnGraphVideoSizeChanged OnGraphVideoSizeChanged;
  TNotifyEvent OnGraphQualityChange;
  TNotifyEvent OnGraphClockChanged;
  TOnDSResult OnGraphPaused;
  TOnGraphOpeningFile OnGraphOpeningFile;
  TOnGraphBufferingData OnGraphBufferingData;
  TOnGraphFullscreenLost OnGraphFullscreenLost;
  TOnGraphOleEvent OnGraphOleEvent;
  TOnGraphStreamControl OnGraphStreamControlStopped;
  TOnGraphStreamControl OnGraphStreamControlStarted;
  TOnGraphEndOfSegment OnGraphEndOfSegment;
  TOnGraphDeviceLost OnGraphDeviceLost;
  TNotifyEvent OnGraphStepComplete;
  TOnGraphTimeCodeAvailable OnGraphTimeCodeAvailable;
  TOnGraphEXTDeviceModeChange OnGraphEXTDeviceModeChange;
  TNotifyEvent OnGraphChanged;
  TNotifyEvent OnGraphClockUnset;
  TOnGraphVMRRenderDevice OnGraphVMRRenderDevice;
  TOnGraphSNDDevError OnGraphSNDDevInError;
  TOnGraphSNDDevError OnGraphSNDDevOutError;

  TNotifyEvent OnDVDDomainFirstPlay;
  TNotifyEvent OnDVDDomainVideoManagerMenu;
  TNotifyEvent OnDVDDomainVideoTitleSetMenu;
  TNotifyEvent OnDVDDomainTitle;
  TNotifyEvent OnDVDDomainStop;
  TNotifyEvent OnDVDErrorUnexpected;
  TNotifyEvent OnDVDErrorCopyProtectFail;
  TNotifyEvent OnDVDErrorInvalidDVD1_0Disc;
  TNotifyEvent OnDVDErrorInvalidDiscRegion;
  TNotifyEvent OnDVDErrorLowParentalLevel;
  TNotifyEvent OnDVDErrorMacrovisionFail;
  TNotifyEvent OnDVDErrorIncompatibleSystemAndDecoderRegions;
  TNotifyEvent OnDVDErrorIncompatibleDiscAndDecoderRegions;
  TNotifyEvent OnDVDWarningInvalidDVD1_0Disc;
  TNotifyEvent OnDVDWarningFormatNotSupported;
  TNotifyEvent OnDVDWarningIllegalNavCommand;
  TNotifyEvent OnDVDWarningOpen;
  TNotifyEvent OnDVDWarningSeek;
  TNotifyEvent OnDVDWarningRead;
  TOnDVDTitleChange OnDVDTitleChange;
  TOnDVDChapterStart OnDVDChapterStart;
  TOnDVDAudioStreamChange OnDVDAudioStreamChange;
  TOnDVDSubpictureStreamChange OnDVDSubpictureStreamChange;
  TOnDVDChange OnDVDAngleChange;
  TOnDVDChange OnDVDButtonChange;
  TOnDVDValidUOPSChange OnDVDValidUOPSChange;
  TOnDVDStillOn OnDVDStillOn;
  TNotifyEvent OnDVDStillOff;
  TOnDVDCurrentTime OnDVDCurrentTime;
  TNotifyEvent OnDVDChapterAutoStop;
  TNotifyEvent OnDVDNoFP_PGC;
  TOnDVDPlaybackRateChange OnDVDPlaybackRateChange;
  TOnDVDParentalLevelChange OnDVDParentalLevelChange;
  TNotifyEvent OnDVDPlaybackStopped;
  TOnDVDAnglesAvailable OnDVDAnglesAvailable;
  TNotifyEvent OnDVDPlayPeriodAutoStop;
  TOnDVDButtonAutoActivated OnDVDButtonAutoActivated;
  TOnDVDCMD OnDVDCMDStart;
  TOnDVDCMD OnDVDCMDEnd;
  TNotifyEvent OnDVDDiscEjected;
  TNotifyEvent OnDVDDiscInserted;
  TOnDVDCurrentHMSFTime OnDVDCurrentHMSFTime;
  TOnDVDKaraokeMode OnDVDKaraokeMode;

  TOnSelectedFilter OnSelectedFilter;
  TOnCreatedFilter OnCreatedFilter;
  TOnUnableToRender OnUnableToRender;

 protected:
  void Loaded() override;
  void Notification(fw::Component* component, Operation operation) override;

 private:
  struct ProviderLink {
    IGraphFilterProvider* provider;
    fw::Component* component;
  };
  struct ReceiverLink {
    IGraphEventReceiver* receiver;
    fw::Component* component;
  };

  void Activate();
  void Deactivate();
  void AddProviderFilter(IGraphFilterProvider* provider);
  void RemoveProviderFilter(IGraphFilterProvider* provider);
  void SendControlCode(TControlCode code, long param);
  bool IsLinked(IGraphFilterProvider* provider) const;
  bool IsLinked(IGraphEventReceiver* receiver) const;
  void DropComponentLinks(fw::Component* component);
  void ApplyGraphEdit();
  void ApplyAudioAndRate();
  void DisconnectAllPins();
  void CloseLog();
  void DispatchDVDEvent(long event, LONG_PTR param1, LONG_PTR param2);
  HRESULT ForwardQuery(REFIID iid, void** out);

  bool active_ = false;
  bool autoCreate_ = false;
  std::unique_ptr<GraphEventWindow> eventWindow_;
  TGraphMode mode_ = gmNormal;
  long volume_ = 10000;
  long balance_ = 0;
  double rate_ = 1.0;
  bool linearVolume_ = true;
  std::unique_ptr<std::vector<ProviderLink>> providers_;
  std::unique_ptr<std::vector<ReceiverLink>> receivers_;
  base::ComPtr<IFilterGraph2> graph_;
  base::ComPtr<ICaptureGraphBuilder2> captureBuilder_;
  base::ComPtr<IDvdGraphBuilder> dvdBuilder_;
  base::ComPtr<IMediaEventEx> events_;
  bool graphEdit_ = false;
  DWORD rotCookie_ = 0;
  std::string logFile_;
  base::ScopedHandle logStream_;
  GraphSite* site_ = nullptr;  // one reference held while active
};

// A component linked to a TFilterGraph through its FilterGraph property. It drops its link
// when the graph goes, and the graph forgets it when it goes. A derived class that provides
// a filter or receives events answers AsFilterProvider / AsEventReceiver and unlinks
// (SetFilterGraph(nullptr)) in its own destructor, while those interfaces still work.
class TGraphClient : public fw::Component {
 public:
  explicit TGraphClient(fw::Component* owner = nullptr) : fw::Component(owner) {}
  ~TGraphClient() override;

  TFilterGraph* FilterGraph() const { return filterGraph_; }
  void SetFilterGraph(TFilterGraph* graph);

 protected:
  virtual IGraphFilterProvider* AsFilterProvider() { return nullptr; }
  virtual IGraphEventReceiver* AsEventReceiver() { return nullptr; }
  void Notification(fw::Component* component, Operation operation) override;

 private:
  TFilterGraph* filterGraph_ = nullptr;
  IGraphFilterProvider* linkedProvider_ = nullptr;
  IGraphEventReceiver* linkedReceiver_ = nullptr;
};

}  // namespace mediagraph
