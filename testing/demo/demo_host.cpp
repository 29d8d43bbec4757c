// The demo host: the live view control in a real container window, driven by name through
// IDispatch as a host page drives it, watching up to four cameras in a 2 x 2 grid. It waits
// for every camera to stream and every picture to move, records one camera for a few
// seconds, saves the window's pixels and prints frames per second per camera and the CPU
// the process spends per frame. It exits 1, naming the camera, when one did not stream.
//
//   demo_host.exe [--user U] [--password P] [--picture FILE.bmp] [--recording FILE.avi]
//                 [--wait-seconds 30] [--measure-seconds 5] HOST:PORT...
#include <windows.h>

#include <ocidl.h>
#include <olectl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "base/com_ptr.h"
#include "framework/ansi_text.h"
#include "testing/container/control_host.h"
#include "testing/container/dispatch_call.h"
#include "testing/container/event_recorder.h"
#include "testing/container/message_pump.h"
#include "testing/container/window_capture.h"
#include "testing/demo/demo_program.h"

namespace {

constexpr char kProgId[] = "TESSALY.TessalyCtrl.1";
// Four 320 x 240 cells, unscaled, with the grid's 2-pixel lines around and between them.
constexpr int kControlWidth = 646;
constexpr int kControlHeight = 486;
constexpr int kGridSize = 2;
constexpr int kMaxCameras = kGridSize * kGridSize;
constexpr int kFirstCameraWindowId = 256;
constexpr int kRecordMilliseconds = 5000;

// Connection states of FireReConnect.
constexpr long kStateStopped = 0;
constexpr long kStateStreaming = 2;
constexpr long kStateNotAuthorised = 5;

using demo_program::kExitHostFailed;

constexpr int kExitCameraFailed = 1;

struct Options {
  std::string user = "admin";
  std::string password = "admin";
  std::string picture;
  std::string recording;
  std::string snapshot;
  int waitSeconds = 30;
  int measureSeconds = 5;
  std::vector<std::string> cameras;  // "host:port"
};

const char kUsage[] =
    "usage: demo_host.exe [--user U] [--password P] [--picture FILE.bmp] [--recording FILE.avi]\n"
    "                     [--snapshot FILE.jpg] [--wait-seconds 30] [--measure-seconds 5] HOST:PORT...\n"
    "Hosts TESSALY.TessalyCtrl.1 (registered) in a 646 x 486 window watching 1 to 4 cameras.\n";

std::optional<Options> ParseOptions(int argc, char** argv, std::string& error) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg.rfind("--", 0) != 0) {
      const size_t colon = arg.rfind(':');
      if (colon == std::string::npos || colon == 0 || colon + 1 == arg.size()) {
        error = "not a camera address (host:port): " + arg;
        return std::nullopt;
      }
      o.cameras.push_back(arg);
      continue;
    }
    if (i + 1 >= argc) {
      error = arg + " needs a value";
      return std::nullopt;
    }
    const std::string value = argv[++i];
    if (arg == "--user") {
      o.user = value;
    } else if (arg == "--password") {
      o.password = value;
    } else if (arg == "--picture") {
      o.picture = value;
    } else if (arg == "--recording") {
      o.recording = value;
    } else if (arg == "--snapshot") {
      o.snapshot = value;
    } else if (arg == "--wait-seconds" || arg == "--measure-seconds") {
      const auto n = demo_program::Number(value, 1, 3600);
      if (!n) {
        error = arg + " takes 1 to 3600 seconds";
        return std::nullopt;
      }
      (arg == "--wait-seconds" ? o.waitSeconds : o.measureSeconds) = *n;
    } else {
      error = "unknown option " + arg;
      return std::nullopt;
    }
  }
  if (o.cameras.empty() || o.cameras.size() > kMaxCameras) {
    error = "give 1 to 4 camera addresses";
    return std::nullopt;
  }
  return o;
}

std::string Narrow(const std::wstring& text) { return fw::WideToAnsi(text); }

std::string HresultText(HRESULT hr) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(hr));
  return text;
}

bool SameText(const std::string& a, const std::string& b) {
  return CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, a.c_str(), -1, b.c_str(), -1) ==
         CSTR_EQUAL;
}

double SecondsSince(const LARGE_INTEGER& start) {
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(now.QuadPart - start.QuadPart) / frequency.QuadPart;
}

LARGE_INTEGER Now() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return now;
}

// User and kernel time of all the process's threads (the control's stream workers
// included), in milliseconds.
double ProcessCpuMilliseconds() {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
  auto ms = [](const FILETIME& t) {
    return ((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 10000.0;
  };
  return ms(kernel) + ms(user);
}

// Where the registered control's file lies, as COM finds it.
std::optional<std::string> RegisteredModule(const CLSID& clsid) {
  wchar_t guid[40];
  if (!StringFromGUID2(clsid, guid, 40)) return std::nullopt;
  const std::string key = "CLSID\\" + Narrow(guid) + "\\InprocServer32";
  char path[MAX_PATH] = {};
  LONG size = sizeof path;
  if (RegQueryValueA(HKEY_CLASSES_ROOT, key.c_str(), path, &size) != ERROR_SUCCESS || !path[0])
    return std::nullopt;
  return std::string(path);
}

// The event interface and the dispatch ids of the events the demo listens to, read from
// the control's class information, as a container that binds events by name does.
struct EventBinding {
  IID iid{};
  DISPID reConnect = DISPID_UNKNOWN;
  DISPID recordStatus = DISPID_UNKNOWN;
};

std::optional<EventBinding> BindEvents(IUnknown* control, std::string& error) {
  base::ComPtr<IProvideClassInfo> provider;
  base::ComPtr<ITypeInfo> classInfo;
  if (FAILED(control->QueryInterface(IID_IProvideClassInfo, provider.ReceiveVoid())) ||
      FAILED(provider->GetClassInfo(classInfo.Receive()))) {
    error = "the control gives no class information";
    return std::nullopt;
  }
  TYPEATTR* classAttr = nullptr;
  if (FAILED(classInfo->GetTypeAttr(&classAttr))) {
    error = "the control's class information has no attributes";
    return std::nullopt;
  }
  const WORD implemented = classAttr->cImplTypes;
  classInfo->ReleaseTypeAttr(classAttr);
  for (UINT i = 0; i < implemented; ++i) {
    INT flags = 0;
    HREFTYPE ref = 0;
    base::ComPtr<ITypeInfo> events;
    if (FAILED(classInfo->GetImplTypeFlags(i, &flags)) ||
        (flags & (IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE)) !=
            (IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE) ||
        FAILED(classInfo->GetRefTypeOfImplType(i, &ref)) ||
        FAILED(classInfo->GetRefTypeInfo(ref, events.Receive()))) {
      continue;
    }
    EventBinding binding;
    TYPEATTR* attr = nullptr;
    if (FAILED(events->GetTypeAttr(&attr))) continue;
    binding.iid = attr->guid;
    events->ReleaseTypeAttr(attr);
    wchar_t reConnect[] = L"FireReConnect";
    wchar_t recordStatus[] = L"FireRecordStatus";
    LPOLESTR names[] = {reConnect, recordStatus};
    if (FAILED(events->GetIDsOfNames(&names[0], 1, &binding.reConnect)) ||
        FAILED(events->GetIDsOfNames(&names[1], 1, &binding.recordStatus))) {
      error = "the control's events have no FireReConnect or FireRecordStatus";
      return std::nullopt;
    }
    return binding;
  }
  error = "the control names no default event interface";
  return std::nullopt;
}

struct Camera {
  std::string address;  // "host:port", as the host gives it to the control
  std::string nick;
  long lastState = -1;
  bool streamed = false;
  bool pictureMoved = false;
  long frames = 0;  // state-2 events since the counters were last reset
  double fps = 0;   // as measured
};

class Demo {
 public:
  explicit Demo(const Options& options) : options_(options) {
    for (size_t i = 0; i < options.cameras.size(); ++i) {
      Camera camera;
      camera.address = options.cameras[i];
      camera.nick = "Demo " + std::to_string(i + 1);
      cameras_.push_back(camera);
    }
  }

  int Run();

 private:
  int Fail(size_t camera, const std::string& why) {
    std::printf("demo: camera %zu %s %s\n", camera + 1, cameras_[camera].address.c_str(),
                why.c_str());
    return kExitCameraFailed;
  }
  int HostFailure(const std::string& why) {
    std::printf("demo: %s\n", why.c_str());
    return kExitHostFailed;
  }

  bool ForgetSavedCameras(const CLSID& clsid);
  bool Call(const std::string& member, test_container::CallArgs& args, std::string& error);
  void TakeEvents();
  std::optional<RECT> CellOf(size_t camera) const;
  // True once every camera has streamed and its picture changed between two captures a
  // second apart; false at the deadline or when a camera can no longer stream.
  bool AwaitLivePictures(std::optional<size_t>& refused);
  void Measure();
  // The picture is taken halfway through the recording, so it shows the REC mark.
  int RecordOneCamera(bool& pictureSaved);
  // The last camera's picture as the JPEG it came in, through SnapPicture.
  int SnapOneCamera();
  bool SavePicture();

  const Options& options_;
  std::vector<Camera> cameras_;
  test_container::ControlHost host_;
  base::ComPtr<test_container::EventRecorder> events_;
  EventBinding binding_;
  size_t eventsTaken_ = 0;
  long recordStarts_ = 0;
  long recordStops_ = 0;
};

bool Demo::ForgetSavedCameras(const CLSID& clsid) {
  const auto module = RegisteredModule(clsid);
  if (!module) return false;
  // A saved Tessaly.ini would bind its old cameras to the windows the demo asks for.
  const std::string settings = module->substr(0, module->find_last_of("\\/") + 1) + "log\\Tessaly.ini";
  if (!DeleteFileA(settings.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND &&
      GetLastError() != ERROR_PATH_NOT_FOUND) {
    std::printf("demo: cannot delete %s (error %lu)\n", settings.c_str(), GetLastError());
    return false;
  }
  return true;
}

bool Demo::Call(const std::string& member, test_container::CallArgs& args, std::string& error) {
  const auto result = test_container::CallByName(host_.Dispatch().Get(), member, args);
  if (FAILED(result.hr)) {
    error = member + " failed (" + HresultText(result.hr) +
            (result.errorText.empty() ? "" : ", " + Narrow(result.errorText)) + ")";
    return false;
  }
  return true;
}

void Demo::TakeEvents() {
  const auto& all = events_->Events();
  for (; eventsTaken_ < all.size(); ++eventsTaken_) {
    const test_container::RecordedEvent& e = all[eventsTaken_];
    if (e.id == binding_.recordStatus && e.args.size() >= 3) {
      (e.LongArg(2) == 1 ? recordStarts_ : recordStops_) += 1;
      continue;
    }
    if (e.id != binding_.reConnect || e.args.size() < 2) continue;
    const std::string address = Narrow(e.TextArg(0));
    for (Camera& camera : cameras_) {
      if (!SameText(camera.address, address)) continue;
      camera.lastState = e.LongArg(1);
      if (camera.lastState == kStateStreaming) {
        camera.streamed = true;
        ++camera.frames;
      }
    }
  }
}

std::optional<RECT> Demo::CellOf(size_t camera) const {
  const HWND control = host_.ControlWindow();
  const HWND window = GetDlgItem(control, kFirstCameraWindowId + static_cast<int>(camera));
  RECT r{};
  if (!window || !IsWindowVisible(window) || !GetWindowRect(window, &r)) return std::nullopt;
  MapWindowPoints(nullptr, control, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

// Share of the pixels of `cell` that differ clearly between the two captures.
double ChangedShare(const test_container::Image& a, const test_container::Image& b,
                    const RECT& cell) {
  long total = 0, changed = 0;
  for (int y = cell.top; y < cell.bottom && y < a.height && y < b.height; ++y) {
    for (int x = cell.left; x < cell.right && x < a.width && x < b.width; ++x) {
      if (x < 0 || y < 0) continue;
      const COLORREF p = a.At(x, y), q = b.At(x, y);
      ++total;
      changed += std::abs(GetRValue(p) - GetRValue(q)) > 24 ||
                 std::abs(GetGValue(p) - GetGValue(q)) > 24 ||
                 std::abs(GetBValue(p) - GetBValue(q)) > 24;
    }
  }
  return total ? static_cast<double>(changed) / total : 0;
}

bool Demo::AwaitLivePictures(std::optional<size_t>& refused) {
  const DWORD deadline = GetTickCount() + static_cast<DWORD>(options_.waitSeconds) * 1000;
  auto remaining = [&] {
    const DWORD now = GetTickCount();
    return static_cast<LONG>(deadline - now) > 0 ? deadline - now : 0;
  };
  auto cannotStream = [&]() -> bool {
    for (size_t i = 0; i < cameras_.size(); ++i) {
      if (cameras_[i].lastState == kStateNotAuthorised) {
        refused = i;
        return true;
      }
    }
    return false;
  };
  auto allStreamed = [&] {
    TakeEvents();
    if (cannotStream()) return true;
    for (const Camera& c : cameras_) {
      if (!c.streamed) return false;
    }
    return true;
  };
  if (!test_container::PumpUntil(allStreamed, remaining()) || refused) return false;

  std::optional<test_container::Image> before = test_container::CaptureWindow(host_.ControlWindow());
  while (remaining() > 0) {
    test_container::PumpFor(std::min<DWORD>(1000, remaining()));
    TakeEvents();
    if (cannotStream()) return false;
    std::optional<test_container::Image> after = test_container::CaptureWindow(host_.ControlWindow());
    bool allMoved = true;
    for (size_t i = 0; i < cameras_.size(); ++i) {
      const auto cell = CellOf(i);
      if (before && after && cell && ChangedShare(*before, *after, *cell) >= 0.01)
        cameras_[i].pictureMoved = true;
      allMoved = allMoved && cameras_[i].pictureMoved;
    }
    if (allMoved) return true;
    before = std::move(after);
  }
  return false;
}

void Demo::Measure() {
  // Frames of before the measurement still queued would count in it.
  test_container::PumpPending();
  TakeEvents();
  for (Camera& c : cameras_) c.frames = 0;
  const LARGE_INTEGER start = Now();
  const double cpuBefore = ProcessCpuMilliseconds();
  test_container::PumpFor(static_cast<DWORD>(options_.measureSeconds) * 1000);
  TakeEvents();
  const double cpu = ProcessCpuMilliseconds() - cpuBefore;
  const double seconds = SecondsSince(start);
  long frames = 0;
  for (size_t i = 0; i < cameras_.size(); ++i) {
    frames += cameras_[i].frames;
    cameras_[i].fps = cameras_[i].frames / seconds;
    std::printf("demo: camera %zu %s streams at %.1f frames per second\n", i + 1,
                cameras_[i].address.c_str(), cameras_[i].fps);
  }
  std::printf("demo: %.2f ms of CPU per frame (the whole process: %ld frames of %zu cameras in %.1f s)\n",
              frames ? cpu / frames : 0.0, frames, cameras_.size(), seconds);
}

// The size of a file that starts and ends as a JPEG does (SOI, EOI); 0 for anything else.
DWORD WholeJpegBytes(const std::string& path) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return 0;
  std::vector<unsigned char> data;
  unsigned char chunk[4096];
  for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, f)) > 0;) {
    data.insert(data.end(), chunk, chunk + n);
  }
  std::fclose(f);
  const size_t n = data.size();
  const bool whole = n >= 4 && data[0] == 0xFF && data[1] == 0xD8 && data[n - 2] == 0xFF &&
                     data[n - 1] == 0xD9;
  return whole ? static_cast<DWORD>(n) : 0;
}

// Frames (chunks "##dc" or "##db") in the movi list of an AVI file; nothing when the file is
// no AVI.
std::optional<long> AviFrames(const std::string& path, DWORD& bytes) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  bytes = GetFileSize(file, nullptr);
  std::vector<unsigned char> data(bytes == INVALID_FILE_SIZE ? 0 : bytes);
  DWORD read = 0;
  const bool ok = !data.empty() && ReadFile(file, data.data(), bytes, &read, nullptr) && read == bytes;
  CloseHandle(file);
  if (!ok || bytes < 12 || std::memcmp(data.data(), "RIFF", 4) != 0 ||
      std::memcmp(data.data() + 8, "AVI ", 4) != 0) {
    return std::nullopt;
  }
  auto u32 = [&](size_t at) {
    return static_cast<DWORD>(data[at] | data[at + 1] << 8 | data[at + 2] << 16 | data[at + 3] << 24);
  };
  long frames = 0;
  // Lists are walked inside [begin, end); "movi" and the "rec " lists within it hold frames.
  struct Range {
    size_t begin, end;
    bool movi;
  };
  std::vector<Range> pending{{12, data.size(), false}};
  while (!pending.empty()) {
    const Range r = pending.back();
    pending.pop_back();
    for (size_t at = r.begin; at + 8 <= r.end;) {
      const DWORD size = u32(at + 4);
      const size_t next = at + 8 + size + (size & 1);
      if (std::memcmp(&data[at], "LIST", 4) == 0 && at + 12 <= r.end) {
        const bool movi = r.movi || std::memcmp(&data[at + 8], "movi", 4) == 0;
        pending.push_back({at + 12, std::min(next, r.end), movi});
      } else if (r.movi && data[at + 2] == 'd' && (data[at + 3] == 'c' || data[at + 3] == 'b')) {
        ++frames;
      }
      if (next <= at) break;
      at = next;
    }
  }
  return frames;
}

bool Demo::SavePicture() {
  const auto image = test_container::CaptureWindow(host_.ControlWindow());
  if (!image || !image->SaveBmp(options_.picture)) {
    std::printf("demo: cannot save the picture to %s\n", options_.picture.c_str());
    return false;
  }
  std::printf("demo: picture saved to %s\n", options_.picture.c_str());
  return true;
}

int Demo::SnapOneCamera() {
  const size_t last = cameras_.size() - 1;
  DeleteFileA(options_.snapshot.c_str());
  test_container::CallArgs snap;
  snap.Text(cameras_[last].address).Text(options_.snapshot).Long(0).Long(0).OutLong();
  std::string error;
  if (!Call("SnapPicture", snap, error)) return Fail(last, "gave no snapshot: " + error);
  if (snap.LongAt(4) != 1) return Fail(last, "gave no snapshot: SnapPicture answered 0");
  const DWORD size = WholeJpegBytes(options_.snapshot);
  if (size == 0) return Fail(last, "gave no snapshot: " + options_.snapshot + " is no whole JPEG");
  std::printf("demo: snapshot of camera %zu: %lu bytes in %s\n", last + 1,
              static_cast<unsigned long>(size), options_.snapshot.c_str());
  return 0;
}

int Demo::RecordOneCamera(bool& pictureSaved) {
  const Camera& camera = cameras_[0];
  DeleteFileA(options_.recording.c_str());
  test_container::CallArgs record;
  record.Text(camera.address).Text(options_.recording).Long(0).Long(0).Long(0).Long(1000).OutLong();
  std::string error;
  if (!Call("Record", record, error) || record.LongAt(6) != 1) {
    if (error.empty()) error = "Record answered " + std::to_string(record.LongAt(6));
    return Fail(0, "was not recorded: " + error);
  }
  test_container::PumpFor(kRecordMilliseconds / 2);
  if (!options_.picture.empty()) {
    if (!SavePicture()) return kExitHostFailed;
    pictureSaved = true;
  }
  test_container::PumpFor(kRecordMilliseconds - kRecordMilliseconds / 2);
  test_container::CallArgs stop;
  stop.Text(camera.address).OutLong();
  if (!Call("StopRecord", stop, error)) return Fail(0, "was not recorded: " + error);
  if (stop.LongAt(1) != 1) return Fail(0, "was not recorded: StopRecord answered 0");
  test_container::PumpUntil([&] { TakeEvents(); return recordStops_ > 0; }, 5000);
  TakeEvents();
  if (recordStarts_ == 0 || recordStops_ == 0)
    std::printf("demo: note: FireRecordStatus came %ld time(s) for the start, %ld for the stop\n",
                recordStarts_, recordStops_);

  DWORD bytes = 0;
  const auto frames = AviFrames(options_.recording, bytes);
  if (!frames) return Fail(0, "was not recorded: " + options_.recording + " is missing or no AVI file");
  // At least two of the five seconds, at the rate the camera streamed at.
  const long wanted = std::max(2L, static_cast<long>(camera.fps * 2));
  if (*frames < wanted) {
    return Fail(0, "was not recorded: " + options_.recording + " holds " + std::to_string(*frames) +
                       " frames, fewer than " + std::to_string(wanted));
  }
  std::printf("demo: recorded camera 1 for %d s: %ld frames, %lu bytes in %s\n",
              kRecordMilliseconds / 1000, *frames, bytes, options_.recording.c_str());
  return 0;
}

int Demo::Run() {
  CLSID clsid;
  if (FAILED(CLSIDFromProgID(fw::AnsiToWide(kProgId).c_str(), &clsid)) ||
      !RegisteredModule(clsid)) {
    return HostFailure(std::string(kProgId) + " is not registered (regsvr32 Tessaly.ocx)");
  }
  if (!ForgetSavedCameras(clsid)) return kExitHostFailed;

  // The container's client area holds the control exactly.
  const HWND frame = host_.Window();
  if (!frame) return HostFailure("cannot create the container window");
  SetWindowTextA(frame, "Tessaly demo");
  RECT outer{0, 0, kControlWidth, kControlHeight};
  AdjustWindowRectEx(&outer, static_cast<DWORD>(GetWindowLongA(frame, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongA(frame, GWL_EXSTYLE)));
  SetWindowPos(frame, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
               SWP_NOMOVE | SWP_NOZORDER);

  HRESULT hr = host_.Create(kProgId, kControlWidth, kControlHeight, false);
  if (FAILED(hr)) return HostFailure(std::string("cannot create ") + kProgId + " (" + HresultText(hr) + ")");
  std::string error;
  const auto binding = BindEvents(host_.Control(), error);
  if (!binding) return HostFailure(error);
  binding_ = *binding;
  events_ = test_container::EventRecorder::Create(binding_.iid);
  hr = events_->Connect(host_.Control());
  if (FAILED(hr)) return HostFailure("cannot connect to the control's events (" + HresultText(hr) + ")");
  hr = host_.Activate();
  if (FAILED(hr)) return HostFailure("cannot activate the control (" + HresultText(hr) + ")");

  test_container::CallArgs splitter;
  splitter.Long(kGridSize).OutLong();
  if (!Call("SetSplitterMethod", splitter, error)) return HostFailure(error);
  if (splitter.LongAt(1) != 1) return HostFailure("SetSplitterMethod (2) answered 0");
  for (size_t i = 0; i < cameras_.size(); ++i) {
    const Camera& c = cameras_[i];
    const size_t colon = c.address.rfind(':');
    test_container::CallArgs add;
    add.Long(static_cast<long>(i))
        .Text(c.address.substr(0, colon))
        .Long(std::atol(c.address.c_str() + colon + 1))
        .Text(options_.user)
        .Text(options_.password)
        .Text(c.nick)
        .OutLong();
    if (!Call("SetCliInfo", add, error)) return Fail(i, "was not added: " + error);
    if (add.LongAt(6) != 1) return Fail(i, "was not added: SetCliInfo answered 0");
  }
  for (size_t i = 0; i < cameras_.size(); ++i) {
    test_container::CallArgs look;
    look.Text(cameras_[i].address).OutLong();
    if (!Call("LookPic", look, error)) return Fail(i, "was not opened: " + error);
    if (look.LongAt(1) != 1) return Fail(i, "was not opened: LookPic answered 0");
  }

  std::optional<size_t> refused;
  if (!AwaitLivePictures(refused)) {
    if (refused) return Fail(*refused, "did not stream: it refused the user name and password");
    // Every camera that failed is named, not only the first.
    bool named = false;
    for (size_t i = 0; i < cameras_.size(); ++i) {
      const Camera& c = cameras_[i];
      if (c.streamed) continue;
      Fail(i, "did not stream within " + std::to_string(options_.waitSeconds) + " s (last state " +
                  std::to_string(c.lastState) + (c.lastState == kStateStopped ? ", stopped" : "") +
                  ")");
      named = true;
    }
    for (size_t i = 0; i < cameras_.size() && !named; ++i) {
      if (!cameras_[i].pictureMoved)
        Fail(i, "streamed, but its picture did not change on the screen");
    }
    return kExitCameraFailed;
  }
  std::printf("demo: %zu cameras stream and their pictures move\n", cameras_.size());

  Measure();
  bool pictureSaved = false;
  if (!options_.recording.empty()) {
    const int status = RecordOneCamera(pictureSaved);
    if (status != 0) return status;
  }
  if (!options_.picture.empty() && !pictureSaved && !SavePicture()) return kExitHostFailed;
  if (!options_.snapshot.empty()) {
    const int status = SnapOneCamera();
    if (status != 0) return status;
  }
  events_->Disconnect();
  return 0;
}

// Ends OLE after the demo, whichever way the demo ended.
struct OleSession {
  OleSession() = default;
  OleSession(const OleSession&) = delete;
  OleSession& operator=(const OleSession&) = delete;
  ~OleSession() { OleUninitialize(); }
};

}  // namespace

int main(int argc, char** argv) {
  return demo_program::Main(argc, argv, "demo_host", "demo", kUsage, ParseOptions,
                            [](const Options& options) {
                              if (FAILED(OleInitialize(nullptr))) {
                                std::printf("demo: OLE did not start\n");
                                return kExitHostFailed;
                              }
                              const OleSession ole;
                              return Demo(options).Run();
                            });
}
