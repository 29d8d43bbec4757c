// The host's camera members against simulated cameras: adding with its refusals, opening,
// stopping and destroying, the queries and the events they fire, full-screen mode, the
// background picture, the dialogs' members, and opening from the menu and Ctrl+L.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/com_ptr.h"
#include "liveview/cameras/camera_info.h"
#include "liveview/control/tests/camera_activity.h"
#include "liveview/notify/control_messages.h"
#include "liveview/record/tests/recording_e2e_support.h"
#include "liveview/resources/tessaly_resource.h"
#include "simulator/http_camera.h"
#include "hosted_tessaly.h"
#include "tessaly_fixture.h"
#include "tessaly_h.h"
#include "testing/container/child_process.h"
#include "testing/container/control_host.h"
#include "testing/container/dispatch_call.h"
#include "testing/container/event_recorder.h"
#include "testing/container/message_pump.h"
#include "testing/container/modal_script.h"
#include "testing/container/window_capture.h"

namespace {

using tessaly_test::kFireSelect;
using tessaly_test::kFireAddCam;
using tessaly_test::kFireDelCam;
using tessaly_test::kFireReConnect;
using tessaly_test::kFireSnapSuccess;
using tessaly_test::kFireRecordStatus;
using liveview::testing_support::FileExists;
using liveview::testing_support::ReadAviBack;
using liveview::testing_support::ReadWholeFile;
using tessaly_test::HomeCommands;
using tessaly_test::OpenStreams;
using camsim::RequestKind;
using tessaly_test::CameraWindows;
using test_container::CallArgs;
using test_container::PumpFor;
using test_container::PumpUntil;

// A 24-bit bottom-up BMP of one colour.
std::string WriteBmp(const std::string& name, COLORREF color) {
  const int side = 16;
  const int stride = side * 3;
  BITMAPFILEHEADER file{};
  BITMAPINFOHEADER info{};
  info.biSize = sizeof(info);
  info.biWidth = side;
  info.biHeight = side;
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biCompression = BI_RGB;
  info.biSizeImage = static_cast<DWORD>(stride * side);
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof(file) + sizeof(info);
  file.bfSize = file.bfOffBits + info.biSizeImage;
  std::vector<unsigned char> bits;
  for (int i = 0; i < side * side; ++i) {
    bits.push_back(GetBValue(color));
    bits.push_back(GetGValue(color));
    bits.push_back(GetRValue(color));
  }
  const std::string path = tessaly_test::LogFolder() + "\\" + name;
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return {};
  std::fwrite(&file, sizeof(file), 1, f);
  std::fwrite(&info, sizeof(info), 1, f);
  std::fwrite(bits.data(), 1, bits.size(), f);
  std::fclose(f);
  return path;
}

// CameraInfo as a host reads and builds it: by byte offset.
constexpr size_t kBlockSize = 972;
constexpr size_t kDomainAt = 0, kIndexAt = 64, kPortAt = 68, kStateAt = 70, kUserAt = 72,
                 kPasswordAt = 332, kNickAt = 396, kMacAt = 916, kVideoWidthAt = 948,
                 kVideoHeightAt = 950, kRecordWidthAt = 964, kRecordHeightAt = 966,
                 kRecordFormatAt = 968;
constexpr char kGuard = 0x5A;

std::string TextAt(const std::vector<char>& b, size_t at) { return std::string(&b[at]); }
int32_t IntAt(const std::vector<char>& b, size_t at) {
  int32_t v = 0;
  std::memcpy(&v, &b[at], sizeof(v));
  return v;
}
uint16_t U16At(const std::vector<char>& b, size_t at) {
  uint16_t v = 0;
  std::memcpy(&v, &b[at], sizeof(v));
  return v;
}
void PutText(std::vector<char>& b, size_t at, const std::string& text) {
  std::memcpy(&b[at], text.c_str(), text.size() + 1);
}
template <class T>
void PutValue(std::vector<char>& b, size_t at, T value) {
  std::memcpy(&b[at], &value, sizeof(value));
}
std::vector<char> CameraBlock(int32_t index, const std::string& domain, uint16_t port,
                              const std::string& user, const std::string& nick,
                              const std::string& mac = {}) {
  std::vector<char> b(kBlockSize, 0);
  PutText(b, kDomainAt, domain);
  PutValue(b, kIndexAt, index);
  PutValue(b, kPortAt, port);
  PutText(b, kUserAt, user);
  PutText(b, kPasswordAt, "admin");
  PutText(b, kNickAt, nick);
  PutText(b, kMacAt, mac);
  return b;
}
// An out buffer of guard bytes, `extra` more than a block.
std::vector<char> Guarded(size_t size) { return std::vector<char>(size, kGuard); }
bool AllGuard(const std::vector<char>& b, size_t from) {
  return std::all_of(b.begin() + static_cast<long>(from), b.end(),
                     [](char c) { return c == kGuard; });
}

// Width and height in a JPEG's first frame header; 0 x 0 without one.
std::pair<int, int> JpegSize(const std::vector<uint8_t>& j) {
  size_t i = 2;
  while (i + 9 < j.size() && j[i] == 0xFF) {
    const uint8_t marker = j[i + 1];
    if (marker >= 0xC0 && marker <= 0xC3) {
      return {j[i + 7] << 8 | j[i + 8], j[i + 5] << 8 | j[i + 6]};
    }
    i += 2 + (j[i + 2] << 8 | j[i + 3]);
  }
  return {0, 0};
}

// A recording beside the test program, left for the Linux side's reader with its notes.
std::string KeptRecording(const std::string& name) {
  const std::string path = test_container::ExecutableFolder() + name;
  liveview::testing_support::RemoveRecording(path);
  return path;
}

class HostMembers : public tessaly_test::HostedTessaly {
 protected:
  // `count` simulated cameras at 15 frames a second, none configured: the cases add them.
  void StartCameras(int count) {
    for (int i = 0; i < count; ++i) {
      camsim::CameraConfig config;
      config.name = "Cam" + std::to_string(i);
      config.fps = 15;
      cameras.push_back(std::make_unique<camsim::HttpCamera>(config));
      ASSERT_TRUE(cameras.back()->Start());
    }
  }

  // The control with no camera configured, in a `splitter` x `splitter` grid.
  HRESULT Host(int splitter = 2, int width = 642, int height = 482) {
    tessaly_test::IniSettings ini;
    ini.splitter = splitter;
    tessaly_test::WriteSettings(ini);
    const HRESULT hr = HostedTessaly::Host(width, height);
    // The camera windows have no size before the first layout.
    if (hr == S_OK) {
      EXPECT_EQ(Splitter(splitter), 1);
    }
    return hr;
  }

  long Add(long index, const std::string& hostName, long port, const std::string& nick = "Nick",
           const std::string& user = "admin") {
    return Call("SetCliInfo", [&](CallArgs& a) {
      a.Long(index).Text(hostName).Long(port).Text(user).Text("admin").Text(nick).OutLong(7);
    });
  }
  long ByText(const char* member, const std::string& text) {
    return Call(member, [&](CallArgs& a) { a.Text(text).OutLong(7); });
  }

  // Set and Get by code, the blocks passed by address as a C++ host does.
  long SetCode(long cmd, const void* block) {
    return Call("Set", [&](CallArgs& a) {
      a.Long(cmd).Buffer(const_cast<void*>(block)).Long(0).OutLong(7);
    });
  }
  long GetCode(long cmd, const void* in, void* out, long* outLength) {
    return Call("Get", [&](CallArgs& a) {
      a.Long(cmd).Buffer(const_cast<void*>(in)).Long(0).Buffer(out).Buffer(outLength).OutLong(7);
    });
  }
  long Exchange(int32_t a, int32_t b) {
    const int32_t windows[2] = {a, b};
    return SetCode(12, windows);
  }
  // A window's rectangle in the control's client coordinates.
  RECT Placement(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    MapWindowPoints(nullptr, host.ControlWindow(), reinterpret_cast<POINT*>(&r), 2);
    return r;
  }
  bool SamePlace(HWND window, const RECT& expected) {
    const RECT r = Placement(window);
    return EqualRect(&r, &expected) != FALSE;
  }

  std::vector<test_container::RecordedEvent> EventsOf(DISPID id) {
    std::vector<test_container::RecordedEvent> of;
    for (const auto& e : events->Events()) {
      if (e.id == id) of.push_back(e);
    }
    return of;
  }
  long Snap(const std::string& text, const std::string& file) {
    return Call("SnapPicture",
                [&](CallArgs& a) { a.Text(text).Text(file).Long(0).Long(0).OutLong(7); });
  }
  long Rec(const std::string& text, const std::string& file) {
    return Call("Record", [&](CallArgs& a) {
      a.Text(text).Text(file).Long(1).Long(640).Long(480).Long(2000).OutLong(7);
    });
  }
  // The recording size and format of a camera's block.
  std::tuple<int, int, int> RecordFields(const std::string& named) {
    auto out = Guarded(kBlockSize);
    long length = 0;
    if (GetCode(0, named.c_str(), out.data(), &length) != 1) return {-1, -1, -1};
    return {U16At(out, kRecordWidthAt), U16At(out, kRecordHeightAt), IntAt(out, kRecordFormatAt)};
  }
  long IsAvi(const std::string& file) {
    long length = 0;
    return GetCode(9, file.c_str(), nullptr, &length);
  }
  // Read back by AVIFile; the notes say what ffprobe must find.
  void ExpectRecording(const std::string& file, int width, int height, size_t minFrames) {
    const auto back = ReadAviBack(file);
    ASSERT_TRUE(back.opened) << file;
    EXPECT_EQ(back.info.fccHandler, mmioFOURCC('M', 'J', 'P', 'G'));
    EXPECT_EQ(back.info.rcFrame.right, width);
    EXPECT_EQ(back.info.rcFrame.bottom, height);
    EXPECT_GE(back.samples.size(), minFrames);
    for (const auto& sample : back.samples) {
      ASSERT_EQ(JpegSize(sample), std::make_pair(width, height));
    }
    liveview::testing_support::WriteRecordingNotes(file, back.samples.size(), width, height,
                                                   back.info.dwRate, back.samples);
  }

  // The named camera text of cameras[i]; Text(i) is its address.
  std::string Named(int i) { return "localhost:" + std::to_string(cameras[i]->Port()); }
  static std::wstring Wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }

  std::vector<long> States(const std::string& text) {
    std::vector<long> states;
    for (const auto& e : events->Events()) {
      if (e.id == kFireReConnect && e.TextArg(0) == Wide(text)) states.push_back(e.LongArg(1));
    }
    return states;
  }
  bool Streaming(const std::string& text) { return HeardState(Wide(text), 2); }
};

TEST_F(HostMembers, SetCliInfoAddsACameraAndRefusesWhatTheTableOrTheFileCouldNotKeep) {
  StartCameras(1);
  ASSERT_EQ(Host(), S_OK);
  const long port = cameras[0]->Port();
  ASSERT_EQ(Add(0, "localhost", port, "Gate"), 1);
  ASSERT_EQ(events->Count(kFireAddCam), 1u);
  EXPECT_EQ(events->Last(kFireAddCam)->TextArg(0), Wide(Named(0)));
  // Added, not opened.
  PumpFor(300);
  EXPECT_TRUE(cameras[0]->Log().Connections().empty());
  events->Clear();

  struct Case {
    const char* name;
    long index;
    std::string host;
    long port;
    std::string user;
  };
  const Case cases[] = {
      {"empty host", 1, "", port, "admin"},
      {"unresolvable host", 1, "no-such-camera.invalid", port, "admin"},
      {"index -1", -1, "127.0.0.2", port, "admin"},
      {"index 16", 16, "127.0.0.2", port, "admin"},
      {"port 0", 1, "127.0.0.2", 0, "admin"},
      {"port 65536", 1, "127.0.0.2", 65536, "admin"},
      {"duplicate by address", 1, "127.0.0.1", port, "admin"},
      {"record in use", 0, "127.0.0.2", port, "admin"},
      {"64-byte host", 1, std::string(64, 'a'), port, "admin"},
      {"user with a colon", 1, "127.0.0.2", port, "a:b"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    EXPECT_EQ(Add(k.index, k.host, k.port, "Other", k.user), 0);
    EXPECT_EQ(events->Count(kFireAddCam), 0u);
  }
  // None of them took a record: window 1 is still free.
  EXPECT_EQ(Add(1, "127.0.0.2", port, "Second"), 1);
  EXPECT_EQ(events->Last(kFireAddCam)->TextArg(0), L"127.0.0.2:" + std::to_wstring(port));
}

TEST_F(HostMembers, QueriesFindCamerasByDomainNameOrAddressAndFireSelect) {
  StartCameras(2);
  ASSERT_EQ(Host(), S_OK);
  ASSERT_EQ(Add(0, "localhost", cameras[0]->Port(), "Gate", "guard"), 1);
  ASSERT_EQ(Add(3, "127.0.0.1", cameras[1]->Port(), "Yard"), 1);

  EXPECT_EQ(ByText("GetWndIndex", Named(0)), 0);
  EXPECT_EQ(ByText("GetWndIndex", "LOCALHOST:" + std::to_string(cameras[0]->Port())), 0);
  EXPECT_EQ(ByText("GetWndIndex", Text(0)), 0) << "by address";
  EXPECT_EQ(ByText("GetWndIndex", Text(1)), 3);
  EXPECT_EQ(ByText("GetWndIndex", "localhost:1"), -1);

  char buffer[128];
  const auto hostName = [&](long index) {
    std::memset(buffer, 'x', sizeof(buffer));
    return Call("GetHostName", [&](CallArgs& a) { a.Long(index).Buffer(buffer).OutLong(7); });
  };
  EXPECT_EQ(hostName(0), 1);
  EXPECT_EQ(std::string(buffer), Named(0));
  EXPECT_EQ(hostName(3), 1);
  EXPECT_EQ(std::string(buffer), Text(1));
  for (long index : {1L, -1L, 16L}) {
    EXPECT_EQ(hostName(index), 0) << index;
    if (index == 1) {
      EXPECT_EQ(buffer[0], '\0');
    }
  }
  // A C++ host's NULL: no buffer, nothing written.
  EXPECT_EQ(Call("GetHostName", [](CallArgs& a) { a.Long(0).Buffer(nullptr).OutLong(7); }), 0);

  events->Clear();
  EXPECT_EQ(Call("GetTotalCameras", [](CallArgs& a) { a.OutLong(7); }), 1);
  ASSERT_EQ(events->Count(kFireSelect), 2u);
  const auto& first = events->Events()[0];
  EXPECT_EQ(first.LongArg(0), 0);
  EXPECT_EQ(first.TextArg(1), L"localhost");
  EXPECT_EQ(first.LongArg(2), cameras[0]->Port());
  EXPECT_EQ(first.TextArg(3), L"guard");
  EXPECT_EQ(first.TextArg(4), L"Gate");
  EXPECT_EQ(first.LongArg(5), 0);
  EXPECT_EQ(events->Events()[1].LongArg(0), 3);
  EXPECT_EQ(events->Events()[1].TextArg(1), L"127.0.0.1");

  events->Clear();
  EXPECT_EQ(ByText("GetHostBasicInfo", Text(1)), 1);
  ASSERT_EQ(events->Count(kFireSelect), 1u);
  EXPECT_EQ(events->Last(kFireSelect)->LongArg(0), 3);
  EXPECT_EQ(events->Last(kFireSelect)->TextArg(4), L"Yard");
  EXPECT_EQ(ByText("GetHostBasicInfo", "localhost:1"), 0);
  EXPECT_EQ(events->Count(kFireSelect), 1u);
}

// A sink that deactivates the control in the first FireSelect ends GetTotalCameras there.
TEST_F(HostMembers, GetTotalCamerasStopsWhenASinkDeactivatesTheControl) {
  StartCameras(1);
  ASSERT_EQ(Host(), S_OK);
  ASSERT_EQ(Add(0, "localhost", cameras[0]->Port()), 1);
  ASSERT_EQ(Add(1, "127.0.0.2", cameras[0]->Port()), 1);
  events->Clear();
  events->SetHook([&](DISPID id, DISPPARAMS*) {
    if (id != kFireSelect) return;
    if (auto inPlace = host.As<IOleInPlaceObject>()) inPlace->InPlaceDeactivate();
  });
  EXPECT_EQ(Call("GetTotalCameras", [](CallArgs& a) { a.OutLong(7); }), 1);
  EXPECT_EQ(events->Count(kFireSelect), 1u);
  EXPECT_EQ(host.ControlWindow(), nullptr);
}

TEST_F(HostMembers, LookPicStreamsStopPicStopsAndSendsHomeAndDestroyCliRemoves) {
  StartCameras(1);
  ASSERT_EQ(Host(), S_OK);
  const std::string named = Named(0);
  ASSERT_EQ(Add(0, "localhost", cameras[0]->Port(), "Gate"), 1);
  EXPECT_EQ(ByText("LookPic", "localhost:1"), 0) << "no such camera";
  EXPECT_EQ(ByText("LookPic", "no-such-camera.invalid:80"), 0);
  ASSERT_EQ(ByText("LookPic", named), 1);
  ASSERT_TRUE(Streaming(named));
  const auto states = States(named);
  ASSERT_GE(states.size(), 3u);
  EXPECT_EQ(states[0], 4);
  EXPECT_EQ(states[1], 1);
  EXPECT_EQ(states[2], 2);
  // Frames in window 0's cell: colour bars, not the idle view's black.
  PumpFor(300);
  auto image = test_container::CaptureWindow(host.ControlWindow());
  ASSERT_TRUE(image.has_value());
  EXPECT_LT(image->ShareOf(RGB(0, 0, 0), RECT{2, 2, 320, 240}, 16), 0.5);
  // Already running: 1, and no second connection.
  EXPECT_EQ(ByText("LookPic", named), 1);
  PumpFor(300);
  EXPECT_EQ(OpenStreams(*cameras[0]), 1u);

  // The slot is free when StopPic returns: a new LookPic opens a second stream at once.
  EXPECT_EQ(ByText("StopPic", named), 1);
  ASSERT_TRUE(PumpUntil([&] { return OpenStreams(*cameras[0]) == 0; }, kWaitMs));
  ASSERT_TRUE(PumpUntil([&] { return HomeCommands(*cameras[0]) == 1; }, kWaitMs));
  // By address: found through the camera text, the events keep the DomainName.
  events->Clear();
  ASSERT_EQ(ByText("LookPic", Text(0)), 1);
  ASSERT_TRUE(Streaming(named));
  EXPECT_EQ(cameras[0]->Log().Connections().size() >= 2, true);
  EXPECT_EQ(ByText("StopPic", named), 1);
  ASSERT_TRUE(PumpUntil([&] { return HomeCommands(*cameras[0]) == 2; }, kWaitMs));
  // Not streaming: the home command all the same.
  EXPECT_EQ(ByText("StopPic", named), 1);
  ASSERT_TRUE(PumpUntil([&] { return HomeCommands(*cameras[0]) == 3; }, kWaitMs));
  EXPECT_EQ(ByText("StopPic", "localhost:1"), 0);

  liveview::CameraInfo deleted{};
  events->SetHook([&](DISPID id, DISPPARAMS* p) {
    if (id == kFireDelCam && p->cArgs == 1 && p->rgvarg[0].vt == (VT_BYREF | VT_I4)) {
      deleted = *reinterpret_cast<const liveview::CameraInfo*>(p->rgvarg[0].plVal);
    }
  });
  EXPECT_EQ(ByText("DestroyCli", Text(0)), 0) << "found by DomainName only";
  EXPECT_EQ(ByText("DestroyCli", named), 1);
  ASSERT_EQ(events->Count(kFireDelCam), 1u);
  EXPECT_EQ(deleted.index, 0);
  EXPECT_STREQ(deleted.domainName, "localhost");
  EXPECT_EQ(deleted.port, cameras[0]->Port());
  EXPECT_STREQ(deleted.nick, "Gate");
  EXPECT_EQ(ByText("GetWndIndex", named), -1);
  EXPECT_EQ(ByText("DestroyCli", named), 0);
  EXPECT_EQ(events->Count(kFireDelCam), 1u);
  // The record is free again.
  EXPECT_EQ(Add(0, "localhost", cameras[0]->Port(), "Again"), 1);
}

TEST_F(HostMembers, OpenFromTheMenuAndCtrlLStreamTheSelectedCamera) {
  StartCameras(2);
  ASSERT_EQ(Host(), S_OK);
  ASSERT_EQ(Add(0, "localhost", cameras[0]->Port()), 1);
  ASSERT_EQ(Add(1, "localhost", cameras[1]->Port()), 1);
  ASSERT_EQ(Select(0), 1);
  SendMessageA(host.ControlWindow(), WM_COMMAND, ID_CAM_OPEN, 0);
  EXPECT_TRUE(Streaming(Named(0)));

  ASSERT_EQ(Select(1), 1);
  const auto windows = CameraWindows(host.ControlWindow());
  BYTE keys[256] = {};
  GetKeyboardState(keys);
  const BYTE control = keys[VK_CONTROL];
  keys[VK_CONTROL] = 0x80;
  SetKeyboardState(keys);
  SendMessageA(windows[1], WM_KEYUP, 'L', 0xC0000001);
  keys[VK_CONTROL] = control;
  SetKeyboardState(keys);
  EXPECT_TRUE(Streaming(Named(1)));
  EXPECT_EQ(OpenStreams(*cameras[0]), 1u);
}

TEST_F(HostMembers, SetFullScreenCoversTheScreenAndLeavesFullWindowMode) {
  ASSERT_EQ(Host(), S_OK);
  RECT before{};
  GetWindowRect(host.Window(), &before);
  HWND control = host.ControlWindow();
  // Full-window mode of window 1 first.
  SendMessageA(control, liveview::WM_WATCH_FULLWINDOW, 1, 1);
  EXPECT_EQ(Call("SetFullScreen", [](CallArgs& a) { a.OutLong(7); }), 1);
  const int cx = GetSystemMetrics(SM_CXSCREEN);
  const int cy = GetSystemMetrics(SM_CYSCREEN);
  RECT r{};
  GetWindowRect(control, &r);
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.top, 0);
  EXPECT_EQ(r.right, cx);
  EXPECT_EQ(r.bottom, cy);
  // The host window was asked for a client area of the screen's size; Wine keeps a top-level
  // window within its largest tracking size.
  HWND parent = GetParent(control);
  RECT asked{0, 0, cx, cy};
  AdjustWindowRect(&asked, static_cast<DWORD>(GetWindowLongA(parent, GWL_STYLE)), FALSE);
  GetWindowRect(parent, &r);
  EXPECT_EQ(r.left, asked.left);
  EXPECT_EQ(r.top, asked.top);
  EXPECT_EQ(r.right, asked.right);
  EXPECT_EQ(r.bottom - r.top,
            std::min<LONG>(asked.bottom - asked.top, GetSystemMetrics(SM_CYMAXTRACK)));
  // The 2 x 2 grid, every window shown at a quarter of the screen.
  const auto windows = CameraWindows(control);
  for (int i = 0; i < 4; ++i) {
    EXPECT_TRUE(IsWindowVisible(windows[i])) << i;
    GetWindowRect(windows[i], &r);
    EXPECT_NEAR(r.right - r.left, cx / 2, 4) << i;
    EXPECT_NEAR(r.bottom - r.top, cy / 2, 4) << i;
  }
  // The arrow keys move the selection again.
  ASSERT_EQ(Select(0), 1);
  events->Clear();
  SendMessageA(control, liveview::WM_WATCH_KEY, VK_RIGHT, 0);
  ASSERT_EQ(events->Count(kFireSelect), 1u);
  EXPECT_EQ(events->Last(kFireSelect)->LongArg(0), 1);
  // The control has no way back: the test restores its host window itself.
  ShowWindow(host.Window(), SW_SHOW);
  SetWindowPos(host.Window(), nullptr, before.left, before.top, before.right - before.left,
               before.bottom - before.top, SWP_NOZORDER);
}

TEST_F(HostMembers, SetBkgndPicGivesTheIdleWindowsThePictureAndABadFileKeepsTheOld) {
  ASSERT_EQ(Host(1), S_OK);
  const std::string red = WriteBmp("host_members_red.bmp", RGB(255, 0, 0));
  ASSERT_FALSE(red.empty());
  const std::string bad = tessaly_test::LogFolder() + "\\host_members_bad.bmp";
  {
    FILE* f = std::fopen(bad.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fputs("not a bitmap", f);
    std::fclose(f);
  }
  const auto redShare = [&] {
    RedrawWindow(host.ControlWindow(), nullptr, nullptr,
                 RDW_ERASE | RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    PumpFor(100);
    auto image = test_container::CaptureWindow(host.ControlWindow());
    return image ? image->ShareOf(RGB(255, 0, 0), RECT{10, 40, 630, 470}, 16) : 0.0;
  };
  EXPECT_LT(redShare(), 0.1);
  EXPECT_EQ(ByText("SetBkgndPic", red), 1);
  EXPECT_GT(redShare(), 0.9);
  EXPECT_EQ(ByText("SetBkgndPic", bad), 0);
  EXPECT_EQ(ByText("SetBkgndPic", tessaly_test::LogFolder() + "\\none.bmp"), 0);
  EXPECT_GT(redShare(), 0.9) << "the old picture stays";
  DeleteFileA(red.c_str());
  DeleteFileA(bad.c_str());
}

TEST_F(HostMembers, TheDialogMembersAnswerByTheirArguments) {
  StartCameras(1);
  ASSERT_EQ(Host(), S_OK);
  EXPECT_EQ(ByText("ShowInfoDlg", Named(0)), 0) << "no camera";
  ASSERT_EQ(Add(0, "localhost", cameras[0]->Port()), 1);
  // Each opens its dialog, cancelled here as it comes.
  const auto cancelTheDialog = [](test_container::ModalScript& script) {
    script.Then("the dialog", [] {
      HWND dialog = test_container::FindThreadDialog();
      if (dialog) PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
      return dialog != nullptr;
    });
    script.Start();
  };
  {
    test_container::ModalScript script;
    cancelTheDialog(script);
    EXPECT_EQ(ByText("ShowInfoDlg", Named(0)), 1);
    EXPECT_TRUE(script.Finished());
  }
  for (long page : {0L, 1L, 2L}) {
    test_container::ModalScript script;
    cancelTheDialog(script);
    EXPECT_EQ(Call("ShowPropertiesDlgs", [page](CallArgs& a) { a.Long(page).OutLong(7); }), 1)
        << page;
    EXPECT_TRUE(script.Finished()) << page;
  }
  for (long page : {-1L, 3L}) {
    EXPECT_EQ(Call("ShowPropertiesDlgs", [page](CallArgs& a) { a.Long(page).OutLong(7); }), 0)
        << page;
  }
}

TEST_F(HostMembers, ExchangeCamerasSwapsRecordsAndWindowsAndShowsOnlyWhatLiesInTheGrid) {
  StartCameras(2);
  ASSERT_EQ(Host(3), S_OK);
  ASSERT_EQ(Add(2, "localhost", cameras[0]->Port(), "Two"), 1);
  ASSERT_EQ(Add(9, "localhost", cameras[1]->Port(), "Nine"), 1);
  const auto windows = CameraWindows(host.ControlWindow());
  ASSERT_EQ(windows.size(), 16u);
  const RECT cell2 = Placement(windows[2]);

  const int32_t refused[][2] = {{3, 3}, {-1, 2}, {2, 16}, {16, 2}};
  for (const auto& pair : refused) {
    EXPECT_EQ(Exchange(pair[0], pair[1]), 0) << pair[0] << ", " << pair[1];
  }
  EXPECT_EQ(SetCode(12, nullptr), 0) << "no block";
  EXPECT_EQ(ByText("GetWndIndex", Named(0)), 2) << "nothing moved";

  // From full-window mode of window 4: the exchange leaves it, the whole grid shows again.
  SendMessageA(host.ControlWindow(), liveview::WM_WATCH_FULLWINDOW, 4, 1);
  ASSERT_FALSE(IsWindowVisible(windows[0]));
  EXPECT_EQ(Exchange(2, 9), 1);
  EXPECT_EQ(ByText("GetWndIndex", Named(0)), 9);
  EXPECT_EQ(ByText("GetWndIndex", Named(1)), 2);
  // The window object went with its camera: the one made for cell 9 now fills cell 2.
  EXPECT_TRUE(IsWindowVisible(windows[9]));
  EXPECT_TRUE(SamePlace(windows[9], cell2));
  EXPECT_FALSE(IsWindowVisible(windows[2])) << "cell 9 lies outside the 3 x 3 grid";
  for (int cell : {0, 1, 3, 4, 5, 6, 7, 8}) {
    EXPECT_TRUE(IsWindowVisible(windows[cell])) << cell;
  }
  EXPECT_EQ(Exchange(9, 2), 1);
  EXPECT_EQ(ByText("GetWndIndex", Named(0)), 2);
  EXPECT_TRUE(IsWindowVisible(windows[2]));
  EXPECT_TRUE(SamePlace(windows[2], cell2));
  EXPECT_FALSE(IsWindowVisible(windows[9]));
}

// Both streams go on in their new windows without a new connection, each under its camera.
TEST_F(HostMembers, ExchangeCamerasKeepsBothStreamsRunningUnderTheirCameras) {
  StartCameras(2);
  ASSERT_EQ(Host(4), S_OK);
  ASSERT_EQ(Add(0, "localhost", cameras[0]->Port(), "Zero"), 1);
  ASSERT_EQ(Add(5, "localhost", cameras[1]->Port(), "Five"), 1);
  ASSERT_EQ(ByText("LookPic", Named(0)), 1);
  ASSERT_EQ(ByText("LookPic", Named(1)), 1);
  ASSERT_TRUE(Streaming(Named(0)));
  ASSERT_TRUE(Streaming(Named(1)));
  const size_t connections0 = cameras[0]->Log().Connections().size();
  const size_t connections1 = cameras[1]->Log().Connections().size();

  ASSERT_EQ(Exchange(0, 5), 1);
  EXPECT_EQ(ByText("GetWndIndex", Named(0)), 5);
  EXPECT_EQ(ByText("GetWndIndex", Named(1)), 0);
  // Live pictures in both cells (cell 5 is at (162, 122) in the 4 x 4 grid).
  PumpFor(500);
  auto image = test_container::CaptureWindow(host.ControlWindow());
  ASSERT_TRUE(image.has_value());
  EXPECT_LT(image->ShareOf(RGB(0, 0, 0), RECT{164, 124, 316, 236}, 16), 0.5);
  EXPECT_LT(image->ShareOf(RGB(0, 0, 0), RECT{4, 4, 156, 116}, 16), 0.5);
  EXPECT_EQ(cameras[0]->Log().Connections().size(), connections0);
  EXPECT_EQ(cameras[1]->Log().Connections().size(), connections1);
  EXPECT_EQ(OpenStreams(*cameras[0]), 1u);
  EXPECT_EQ(OpenStreams(*cameras[1]), 1u);

  // What each stream reports names its own camera: camera 0 going away ends the stream of
  // window 5, and camera 1 streams on in window 0.
  events->Clear();
  cameras[0]->Stop();
  const auto ended = [&](int i) {
    const auto s = States(Named(i));
    return std::find(s.begin(), s.end(), 0) != s.end();
  };
  ASSERT_TRUE(PumpUntil([&] { return ended(0); }, kWaitMs));
  PumpFor(300);
  EXPECT_FALSE(ended(1));
  EXPECT_EQ(OpenStreams(*cameras[1]), 1u);
  EXPECT_EQ(ByText("StopPic", Named(1)), 1);
  ASSERT_TRUE(PumpUntil([&] { return OpenStreams(*cameras[1]) == 0; }, kWaitMs));
  ASSERT_TRUE(PumpUntil([&] { return ended(1); }, kWaitMs));
}

TEST_F(HostMembers, GetAnswersRecordsAsBlocksAndQueriesByCode) {
  StartCameras(1);
  ASSERT_EQ(Host(), S_OK);
  const uint16_t port = static_cast<uint16_t>(cameras[0]->Port());
  ASSERT_EQ(Add(2, "localhost", port, "Gate", "guard"), 1);
  const std::string named = Named(0);

  auto out = Guarded(kBlockSize + 16);
  long length = -1;
  ASSERT_EQ(GetCode(0, named.c_str(), out.data(), &length), 1);
  EXPECT_EQ(length, 972);
  EXPECT_EQ(TextAt(out, kDomainAt), "localhost");
  EXPECT_EQ(IntAt(out, kIndexAt), 2);
  EXPECT_EQ(U16At(out, kPortAt), port);
  EXPECT_EQ(U16At(out, kStateAt), 0);
  EXPECT_EQ(TextAt(out, kUserAt), "guard");
  EXPECT_EQ(TextAt(out, kPasswordAt), "admin");
  EXPECT_EQ(TextAt(out, kNickAt), "Gate");
  EXPECT_EQ(TextAt(out, kMacAt), "");
  EXPECT_EQ(IntAt(out, kRecordFormatAt), 1);
  // Zeroed before the fields: nothing of the guard is left inside the block.
  EXPECT_EQ(std::count(out.begin(), out.begin() + kBlockSize, kGuard), 0);
  EXPECT_TRUE(AllGuard(out, kBlockSize)) << "written past the block";

  // What finds nothing or lacks a buffer writes nothing.
  const std::string noZero(300, 'a');
  struct Refusal {
    const char* name;
    long cmd;
    const void* in;
    bool withOut;
  };
  const Refusal refusals[] = {
      {"unknown camera", 0, "localhost:1", true},
      {"text without its zero", 0, noZero.c_str(), true},
      {"no input", 0, nullptr, true},
      {"no output", 0, named.c_str(), false},
      {"code 5", 5, named.c_str(), true},
      {"code 6", 6, named.c_str(), true},
      {"code 11", 11, named.c_str(), true},
      {"code 15", 15, named.c_str(), true},
      {"code -1", -1, named.c_str(), true},
  };
  for (const Refusal& r : refusals) {
    SCOPED_TRACE(r.name);
    auto untouched = Guarded(kBlockSize);
    long unchanged = -1;
    EXPECT_EQ(GetCode(r.cmd, r.in, r.withOut ? untouched.data() : nullptr, &unchanged), 0);
    EXPECT_EQ(unchanged, -1);
    EXPECT_TRUE(AllGuard(untouched, 0));
  }

  // The MAC, set by host, MAC and port (Set 6), then found ignoring case (7, 8).
  std::vector<char> macBlock(100, 0);
  PutText(macBlock, 0, "LOCALHOST");
  PutText(macBlock, 64, "00aabbccddee");
  PutValue(macBlock, 96, static_cast<int32_t>(port));
  EXPECT_EQ(SetCode(6, macBlock.data()), 1);
  PutValue(macBlock, 96, int32_t{1});
  EXPECT_EQ(SetCode(6, macBlock.data()), 0) << "another port";
  EXPECT_EQ(GetCode(7, "00AABBCCDDEE", nullptr, &length), 1);
  EXPECT_EQ(GetCode(7, "001122334455", nullptr, &length), 0);
  out = Guarded(kBlockSize + 16);
  EXPECT_EQ(GetCode(8, "00AABBCCDDEE", out.data(), &length), 1);
  EXPECT_EQ(length, 972);
  EXPECT_EQ(IntAt(out, kIndexAt), 2);
  EXPECT_EQ(TextAt(out, kMacAt), "00aabbccddee");
  EXPECT_TRUE(AllGuard(out, kBlockSize));
  EXPECT_EQ(GetCode(8, "001122334455", out.data(), &length), 0);
  EXPECT_EQ(length, 0);

  // Counts and the list of blocks, in index order.
  ASSERT_EQ(Add(0, "127.0.0.2", port, "Yard"), 1);
  out = Guarded(4 + 2 * kBlockSize + 16);
  EXPECT_EQ(GetCode(1, nullptr, out.data(), &length), 1);
  EXPECT_EQ(length, 4);
  EXPECT_EQ(IntAt(out, 0), 2);
  out = Guarded(4 + 2 * kBlockSize + 16);
  EXPECT_EQ(GetCode(2, nullptr, out.data(), &length), 1);
  EXPECT_EQ(length, 4 + 2 * 972);
  EXPECT_EQ(IntAt(out, 0), 2);
  EXPECT_EQ(IntAt(out, 4 + kIndexAt), 0);
  EXPECT_EQ(TextAt(out, 4 + kNickAt), "Yard");
  EXPECT_EQ(IntAt(out, 4 + kBlockSize + kIndexAt), 2);
  EXPECT_EQ(TextAt(out, 4 + kBlockSize + kNickAt), "Gate");
  EXPECT_TRUE(AllGuard(out, 4 + 2 * kBlockSize));

  // The named camera text of a window.
  for (int32_t window : {2, 3, 16}) {
    SCOPED_TRACE(window);
    out = Guarded(64);
    length = -1;
    const long ret = GetCode(3, &window, out.data(), &length);
    if (window == 16) {
      EXPECT_EQ(ret, 0);
      EXPECT_EQ(length, -1);
    } else if (window == 3) {
      EXPECT_EQ(ret, 1);
      EXPECT_EQ(length, 0);
      EXPECT_TRUE(AllGuard(out, 0));
    } else {
      EXPECT_EQ(ret, 1);
      EXPECT_EQ(TextAt(out, 0), named);
      EXPECT_EQ(length, static_cast<long>(named.size() + 1));
    }
  }

  // Nicks, ignoring case; the unused records' empty nicks match an empty text.
  for (const auto& [nick, found] : std::vector<std::pair<std::string, long>>{
           {"gATE", 1}, {"", 1}, {"Nobody", 0}}) {
    length = -1;
    EXPECT_EQ(GetCode(4, nick.c_str(), nullptr, &length), found) << nick;
    EXPECT_EQ(length, 0) << nick;
  }
}

TEST_F(HostMembers, SetAddsReplacesAndDeletesCamerasByBlock) {
  StartCameras(1);
  ASSERT_EQ(Host(), S_OK);
  const uint16_t port = static_cast<uint16_t>(cameras[0]->Port());

  // The simulated camera takes admin, admin.
  auto block = CameraBlock(4, "localhost", port, "admin", "Front");
  ASSERT_EQ(SetCode(5, block.data()), 1);
  ASSERT_EQ(events->Count(kFireAddCam), 1u);
  EXPECT_EQ(events->Last(kFireAddCam)->TextArg(0), Wide(Named(0)));
  EXPECT_EQ(ByText("GetWndIndex", Named(0)), 4);
  // Added, not opened.
  PumpFor(200);
  EXPECT_TRUE(cameras[0]->Log().Connections().empty());

  struct Case {
    const char* name;
    long cmd;
    std::vector<char> block;
  };
  const Case refused[] = {
      {"5: record in use", 5, CameraBlock(4, "127.0.0.2", port, "viewer", "Other")},
      {"5: index 16", 5, CameraBlock(16, "127.0.0.2", port, "viewer", "Other")},
      {"5: index -1", 5, CameraBlock(-1, "127.0.0.2", port, "viewer", "Other")},
      {"5: port 0", 5, CameraBlock(6, "127.0.0.2", 0, "viewer", "Other")},
      {"5: user with a bar", 5, CameraBlock(6, "127.0.0.2", port, "a|b", "Other")},
      {"5: no host", 5, CameraBlock(6, "", port, "viewer", "Other")},
      {"11: record unused", 11, CameraBlock(6, "127.0.0.2", port, "viewer", "Other")},
      {"11: index 16", 11, CameraBlock(16, "127.0.0.2", port, "viewer", "Other")},
      {"11: no host", 11, CameraBlock(4, "", port, "viewer", "Other")},
      {"11: port 0", 11, CameraBlock(4, "127.0.0.2", 0, "viewer", "Other")},
      {"11: user with a colon", 11, CameraBlock(4, "127.0.0.2", port, "a:b", "Other")},
      {"code 7", 7, CameraBlock(6, "127.0.0.2", port, "viewer", "Other")},
      {"code 0", 0, CameraBlock(6, "127.0.0.2", port, "viewer", "Other")},
  };
  events->Clear();
  for (const Case& k : refused) {
    EXPECT_EQ(SetCode(k.cmd, k.block.data()), 0) << k.name;
  }
  EXPECT_EQ(SetCode(5, nullptr), 0);
  EXPECT_EQ(SetCode(11, nullptr), 0);
  EXPECT_EQ(events->Count(kFireAddCam), 0u);
  EXPECT_EQ(ByText("GetWndIndex", Named(0)), 4) << "record 4 unchanged";
  EXPECT_EQ(ByText("GetWndIndex", "127.0.0.2:" + std::to_string(port)), -1);

  // Set 11 reads every field into the record in use and rebinds its window.
  ASSERT_EQ(ByText("LookPic", Named(0)), 1);
  ASSERT_TRUE(Streaming(Named(0)));
  block = CameraBlock(4, "localhost", port, "admin", "Renamed", "0a0b0c0d0e0f");
  EXPECT_EQ(SetCode(11, block.data()), 1);
  PumpFor(300);
  EXPECT_EQ(OpenStreams(*cameras[0]), 1u) << "the same camera text: it streams on";
  auto out = Guarded(kBlockSize);
  long length = 0;
  ASSERT_EQ(GetCode(0, Named(0).c_str(), out.data(), &length), 1);
  EXPECT_EQ(TextAt(out, kNickAt), "Renamed");
  EXPECT_EQ(TextAt(out, kMacAt), "0a0b0c0d0e0f");
  EXPECT_EQ(TextAt(out, kUserAt), "admin");
  // Another address: the old stream ends first, none runs under a text no record has.
  const std::string moved = "127.0.0.2:" + std::to_string(port);
  block = CameraBlock(4, "127.0.0.2", port, "admin", "Moved");
  EXPECT_EQ(SetCode(11, block.data()), 1);
  EXPECT_EQ(OpenStreams(*cameras[0]), 0u);
  EXPECT_EQ(ByText("GetWndIndex", moved), 4);
  EXPECT_EQ(ByText("GetWndIndex", Named(0)), -1);

  // Texts that fill their fields without a zero are read within them.
  std::vector<char> full(kBlockSize, 0);
  std::memset(&full[kDomainAt], 'h', 64);
  PutValue(full, kIndexAt, int32_t{4});
  PutValue(full, kPortAt, port);
  std::memset(&full[kUserAt], 'u', 260);
  std::memset(&full[kPasswordAt], 'p', 64);
  std::memset(&full[kNickAt], 'n', 520);
  std::memset(&full[kMacAt], 'm', 32);
  EXPECT_EQ(SetCode(5, full.data()), 0) << "a host longer than SetCliInfo takes";
  EXPECT_EQ(SetCode(11, full.data()), 0) << "a DomainName a block cannot give back";
  EXPECT_EQ(ByText("GetWndIndex", moved), 4);
  PutText(full, kDomainAt, "localhost");
  EXPECT_EQ(SetCode(11, full.data()), 1);
  // The events carry the whole texts: nothing of the next field came with them.
  events->Clear();
  ASSERT_EQ(ByText("GetHostBasicInfo", Named(0)), 1);
  ASSERT_EQ(events->Count(kFireSelect), 1u);
  EXPECT_EQ(events->Last(kFireSelect)->TextArg(3), std::wstring(260, L'u'));
  EXPECT_EQ(events->Last(kFireSelect)->TextArg(4), std::wstring(520, L'n'));
  out = Guarded(kBlockSize);
  EXPECT_EQ(GetCode(8, std::string(32, 'm').c_str(), out.data(), &length), 1);
  EXPECT_EQ(IntAt(out, kIndexAt), 4);
  EXPECT_EQ(TextAt(out, kUserAt), std::string(259, 'u')) << "cut to its field";
  EXPECT_EQ(TextAt(out, kNickAt), std::string(519, 'n'));

  // Set 13 deletes by the named camera text.
  events->Clear();
  EXPECT_EQ(SetCode(13, "localhost:1"), 0);
  EXPECT_EQ(SetCode(13, Named(0).c_str()), 1);
  EXPECT_EQ(events->Count(kFireDelCam), 1u);
  EXPECT_EQ(ByText("GetWndIndex", Named(0)), -1);
  EXPECT_EQ(SetCode(13, Named(0).c_str()), 0);
}

TEST_F(HostMembers, SnapPictureWritesTheLastFrameAndEachEventNamesItsOwnFile) {
  StartCameras(1);
  ASSERT_EQ(Host(), S_OK);
  ASSERT_EQ(Add(0, "localhost", cameras[0]->Port(), "Snap"), 1);
  const std::string named = Named(0);
  const std::string folder = tessaly_test::LogFolder() + "\\";
  const std::string first = folder + "snap_first.jpg";
  const std::string second = folder + "snap_second.jpg";
  const std::string other = folder + "snap_other.jpg";
  for (const auto& f : {first, second, other}) DeleteFileA(f.c_str());
  EXPECT_EQ(Snap(named, first), 0) << "not streaming";

  ASSERT_EQ(ByText("LookPic", named), 1);
  ASSERT_TRUE(Streaming(named));
  PumpFor(300);
  events->Clear();
  EXPECT_EQ(Snap(named, first), 1);
  EXPECT_EQ(Snap(named, second), 1);
  EXPECT_EQ(events->Count(kFireSnapSuccess), 0u) << "posted, not fired inside the call";
  ASSERT_TRUE(PumpUntil([&] { return events->Count(kFireSnapSuccess) == 2; }, kWaitMs));
  const std::string files[] = {first, second};
  const auto snapped = EventsOf(kFireSnapSuccess);
  for (size_t i = 0; i < 2; ++i) {
    SCOPED_TRACE(files[i]);
    const auto& e = snapped[i];
    EXPECT_EQ(e.TextArg(0), Wide(named));
    EXPECT_EQ(e.TextArg(1), Wide(files[i]));
    const auto jpeg = ReadWholeFile(files[i]);
    ASSERT_GT(jpeg.size(), 4u);
    EXPECT_EQ(jpeg[0], 0xFF);
    EXPECT_EQ(jpeg[1], 0xD8);
    EXPECT_EQ(jpeg[jpeg.size() - 2], 0xFF);
    EXPECT_EQ(jpeg[jpeg.size() - 1], 0xD9) << "the whole frame";
    EXPECT_EQ(JpegSize(jpeg), std::make_pair(320, 240));
  }
  EXPECT_EQ(IsAvi(first), 0) << "a picture is no recording";

  struct Refusal {
    const char* name;
    std::string text;
    std::string file;
  };
  const Refusal refusals[] = {
      {"unknown camera", "localhost:1", other},
      {"no camera text", "", other},
      {"no file", named, ""},
      {"a folder that is not there", named, folder + "no such folder\\snap.jpg"},
  };
  events->Clear();
  for (const Refusal& r : refusals) {
    EXPECT_EQ(Snap(r.text, r.file), 0) << r.name;
  }
  PumpFor(200);
  EXPECT_EQ(events->Count(kFireSnapSuccess), 0u);
  EXPECT_FALSE(FileExists(other));
  for (const auto& f : files) DeleteFileA(f.c_str());
}

TEST_F(HostMembers, RecordWritesAMotionJpegFileUntilStopRecordAndRefusesASecondRecorder) {
  StartCameras(1);
  ASSERT_EQ(Host(), S_OK);
  // Added and opened just now: the record has not heard the picture size yet.
  ASSERT_EQ(Add(0, "localhost", cameras[0]->Port(), "Rec"), 1);
  const std::string named = Named(0);
  const std::string file = KeptRecording("host_record.avi");
  const std::string second = KeptRecording("host_record_second.avi");
  EXPECT_EQ(Rec(named, file), 0) << "not streaming";
  ASSERT_EQ(ByText("LookPic", named), 1);
  ASSERT_TRUE(Streaming(named));
  PumpFor(200);

  events->Clear();
  ASSERT_EQ(Rec(named, file), 1);
  EXPECT_EQ(RecordFields(named), std::make_tuple(320, 240, 0));
  {
    auto out = Guarded(kBlockSize);
    long length = 0;
    ASSERT_EQ(GetCode(0, named.c_str(), out.data(), &length), 1);
    EXPECT_EQ(U16At(out, kVideoWidthAt), 320);
    EXPECT_EQ(U16At(out, kVideoHeightAt), 240);
    EXPECT_EQ(U16At(out, kStateAt), 2);
  }
  EXPECT_EQ(Rec(named, second), 0) << "already recording";
  EXPECT_FALSE(FileExists(second));
  EXPECT_EQ(SetCode(13, named.c_str()), 0) << "a camera that records is not deleted";
  EXPECT_EQ(Rec("localhost:1", second), 0);
  EXPECT_EQ(Rec(named, ""), 0);
  PumpFor(2000);
  EXPECT_EQ(ByText("StopRecord", named), 1);
  ASSERT_TRUE(PumpUntil([&] { return events->Count(kFireRecordStatus) == 2; }, kWaitMs));
  const auto statuses = EventsOf(kFireRecordStatus);
  for (long status : {1L, 0L}) {
    const auto& e = statuses[status == 1 ? 0 : 1];
    EXPECT_EQ(e.TextArg(0), Wide(named));
    EXPECT_EQ(e.TextArg(1), Wide(file));
    EXPECT_EQ(e.LongArg(2), status);
  }
  EXPECT_EQ(RecordFields(named), std::make_tuple(0, 0, 0)) << "the recording fields are cleared";
  EXPECT_EQ(IsAvi(file), 1);
  EXPECT_EQ(IsAvi(second), 0);
  // About 30 frames at 15 a second: the first file went on undisturbed.
  ExpectRecording(file, 320, 240, 15);

  // Again: the camera exists, nothing records, nothing is fired.
  EXPECT_EQ(ByText("StopRecord", named), 1);
  EXPECT_EQ(ByText("StopRecord", "localhost:1"), 0);
  PumpFor(200);
  EXPECT_EQ(events->Count(kFireRecordStatus), 2u);
}

// The camera's picture shrinks in height alone after a few frames: the recording takes the
// frames as they are decoded. DestroyCli in the middle finishes the file.
TEST_F(HostMembers, RecordTakesTheDecodedSizeAndDestroyCliFinishesTheFile) {
  StartCameras(1);
  camsim::StreamFaults faults;
  faults.resize = camsim::StreamFaults::Resize{5, 320, 180};
  cameras[0]->SetFaults(faults);
  ASSERT_EQ(Host(), S_OK);
  ASSERT_EQ(Add(0, "localhost", cameras[0]->Port(), "Short"), 1);
  const std::string named = Named(0);
  const std::string file = KeptRecording("host_record_resized.avi");
  ASSERT_EQ(ByText("LookPic", named), 1);
  ASSERT_TRUE(Streaming(named));
  std::vector<char> picture(320 * 3 * 240);
  long size = 0;
  ASSERT_TRUE(PumpUntil(
      [&] {
        size = static_cast<long>(picture.size());
        return GetCode(10, named.c_str(), picture.data(), &size) == 1 && size == 320 * 3 * 180;
      },
      kWaitMs));
  ASSERT_EQ(Rec(named, file), 1);
  EXPECT_EQ(RecordFields(named), std::make_tuple(320, 180, 0));
  PumpFor(1500);
  EXPECT_EQ(ByText("DestroyCli", named), 1);
  EXPECT_EQ(IsAvi(file), 1);
  ExpectRecording(file, 320, 180, 10);
  // The record is free for a camera that records at once.
  ASSERT_EQ(Add(0, "localhost", cameras[0]->Port(), "Again"), 1);
  ASSERT_EQ(ByText("LookPic", named), 1);
  ASSERT_TRUE(PumpUntil(
      [&] {
        size = static_cast<long>(picture.size());
        return GetCode(10, named.c_str(), picture.data(), &size) == 1;
      },
      kWaitMs));
  const std::string again = KeptRecording("host_record_again.avi");
  EXPECT_EQ(Rec(named, again), 1);
  EXPECT_EQ(ByText("StopRecord", named), 1);
  DeleteFileA(again.c_str());
}

// A recording ends with its camera: the host hears it stopped, under the camera's text and
// file as they were, although no record has them any more.
TEST_F(HostMembers, ARecordingEndedWithItsCameraIsReportedStopped) {
  StartCameras(1);
  ASSERT_EQ(Host(), S_OK);
  const uint16_t port = static_cast<uint16_t>(cameras[0]->Port());
  const std::string named = Named(0);
  const std::string moved = "127.0.0.2:" + std::to_string(port);
  struct Case {
    const char* name;
    std::function<long()> end;
    std::string left;  // the camera text to destroy afterwards
  };
  const Case cases[] = {
      {"DestroyCli", [&] { return ByText("DestroyCli", named); }, ""},
      {"Set 11 to another address",
       [&] {
         const auto block = CameraBlock(0, "127.0.0.2", port, "admin", "Moved");
         return SetCode(11, block.data());
       },
       moved},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    const std::string file = KeptRecording("host_record_gone.avi");
    ASSERT_EQ(Add(0, "localhost", port, "Gone"), 1);
    events->Clear();
    ASSERT_EQ(ByText("LookPic", named), 1);
    ASSERT_TRUE(Streaming(named));
    PumpFor(300);
    ASSERT_EQ(Rec(named, file), 1);
    PumpFor(1000);
    EXPECT_EQ(k.end(), 1);
    PumpUntil([&] { return events->Count(kFireRecordStatus) >= 2; }, kWaitMs);
    const auto statuses = EventsOf(kFireRecordStatus);
    ASSERT_EQ(statuses.size(), 2u);
    EXPECT_EQ(statuses[1].TextArg(0), Wide(named));
    EXPECT_EQ(statuses[1].TextArg(1), Wide(file));
    EXPECT_EQ(statuses[1].LongArg(2), 0);
    EXPECT_EQ(IsAvi(file), 1);
    if (!k.left.empty()) {
      EXPECT_EQ(RecordFields(k.left), std::make_tuple(0, 0, 0)) << "no longer recording";
      EXPECT_EQ(ByText("DestroyCli", k.left), 1);
    }
    PumpFor(200);
    EXPECT_EQ(events->Count(kFireRecordStatus), 2u);
    DeleteFileA(file.c_str());
  }
}

// A host that cuts its recording into files: StopRecord and Record again at once, before
// any event came. Each event names the file it is about, also when the camera goes before
// they are heard.
TEST_F(HostMembers, EachRecordingEventNamesItsOwnFile) {
  StartCameras(1);
  ASSERT_EQ(Host(), S_OK);
  const std::string named = Named(0);
  struct Case {
    const char* name;
    const char* last;  // what ends the second file
  };
  for (const Case& k : {Case{"StopRecord", "StopRecord"}, Case{"DestroyCli", "DestroyCli"}}) {
    SCOPED_TRACE(k.name);
    const std::string first = KeptRecording("host_record_part1.avi");
    const std::string second = KeptRecording("host_record_part2.avi");
    ASSERT_EQ(Add(0, "localhost", cameras[0]->Port(), "Parts"), 1);
    events->Clear();
    ASSERT_EQ(ByText("LookPic", named), 1);
    ASSERT_TRUE(Streaming(named));
    PumpFor(300);
    events->Clear();
    ASSERT_EQ(Rec(named, first), 1);
    EXPECT_EQ(ByText("StopRecord", named), 1);
    ASSERT_EQ(Rec(named, second), 1);
    EXPECT_EQ(ByText(k.last, named), 1);
    PumpUntil([&] { return events->Count(kFireRecordStatus) >= 4; }, kWaitMs);
    PumpFor(200);
    const auto statuses = EventsOf(kFireRecordStatus);
    ASSERT_EQ(statuses.size(), 4u);
    const std::pair<std::string, long> expected[] = {
        {first, 1}, {first, 0}, {second, 1}, {second, 0}};
    for (size_t i = 0; i < 4; ++i) {
      EXPECT_EQ(statuses[i].TextArg(0), Wide(named)) << i;
      EXPECT_EQ(statuses[i].TextArg(1), Wide(expected[i].first)) << i;
      EXPECT_EQ(statuses[i].LongArg(2), expected[i].second) << i;
    }
    if (std::string(k.last) != "DestroyCli") {
      EXPECT_EQ(ByText("DestroyCli", named), 1);
    }
    DeleteFileA(first.c_str());
    DeleteFileA(second.c_str());
  }
}

TEST_F(HostMembers, GetLastPictureCopiesOnlyIntoRoomEnoughForIt) {
  StartCameras(1);
  ASSERT_EQ(Host(), S_OK);
  ASSERT_EQ(Add(0, "localhost", cameras[0]->Port()), 1);
  const std::string named = Named(0);
  const long whole = 320 * 3 * 240;
  ASSERT_EQ(whole, 230400);
  auto out = Guarded(whole + 16);
  long capacity = whole;
  EXPECT_EQ(GetCode(10, named.c_str(), out.data(), &capacity), 0) << "not streaming";
  EXPECT_EQ(capacity, whole);
  ASSERT_EQ(ByText("LookPic", named), 1);
  ASSERT_TRUE(Streaming(named));
  ASSERT_TRUE(PumpUntil(
      [&] {
        capacity = whole;
        return GetCode(10, named.c_str(), out.data(), &capacity) == 1;
      },
      kWaitMs));
  EXPECT_EQ(capacity, whole);
  EXPECT_TRUE(AllGuard(out, whole));
  EXPECT_LT(std::count(out.begin(), out.begin() + whole, kGuard), whole / 10) << "a picture";

  out = Guarded(whole);
  capacity = whole - 1;
  EXPECT_EQ(GetCode(10, named.c_str(), out.data(), &capacity), 0);
  EXPECT_EQ(capacity, whole - 1);
  EXPECT_TRUE(AllGuard(out, 0));
  capacity = whole;
  EXPECT_EQ(GetCode(10, "localhost:1", out.data(), &capacity), 0);
  EXPECT_TRUE(AllGuard(out, 0));
}

TEST_F(HostMembers, GetResolvesHostTextsAndKeepsTheirPort) {
  ASSERT_EQ(Host(), S_OK);
  struct Case {
    std::string in;
    std::string out;
  };
  const Case cases[] = {
      {"localhost", "127.0.0.1"},
      {"localhost:8080", "127.0.0.1:8080"},
      {"127.0.0.1:80", "127.0.0.1:80"},
      {"no-such-camera.invalid:80", ""},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.in);
    auto out = Guarded(64);
    long length = -1;
    EXPECT_EQ(GetCode(14, k.in.c_str(), out.data(), &length), 1);
    EXPECT_EQ(TextAt(out, 0), k.out);
    EXPECT_EQ(length, static_cast<long>(k.out.size() + 1));
    EXPECT_TRUE(AllGuard(out, k.out.size() + 1));
  }
}

// Record 1 made by Set 11 into a second record of record 3's camera: opening record 3 by its
// DomainName deletes record 1 with a notice on the display and streams record 3.
TEST_F(HostMembers, LookPicDeletesASecondRecordOfTheSameCameraWithANotice) {
  StartCameras(1);
  ASSERT_EQ(Host(), S_OK);
  const uint16_t port = static_cast<uint16_t>(cameras[0]->Port());
  ASSERT_EQ(Add(3, "localhost", port, "Gate"), 1);
  ASSERT_EQ(Add(1, "127.0.0.2", port, "Copy"), 1);
  const auto copy = CameraBlock(1, "127.0.0.1", port, "admin", "Copy");
  ASSERT_EQ(SetCode(11, copy.data()), 1);
  ASSERT_EQ(ByText("GetWndIndex", Text(0)), 1) << "found by DomainName first";

  liveview::CameraInfo deleted{};
  events->SetHook([&](DISPID id, DISPPARAMS* p) {
    if (id == kFireDelCam && p->cArgs == 1 && p->rgvarg[0].vt == (VT_BYREF | VT_I4)) {
      deleted = *reinterpret_cast<const liveview::CameraInfo*>(p->rgvarg[0].plVal);
    }
  });
  events->Clear();
  std::string notice;
  size_t deletedBeforeTheBox = 0;
  test_container::ModalScript script;
  script.Then("the notice", [&] {
    HWND box = test_container::FindThreadDialog();
    if (!box) return false;
    notice = test_container::DialogStaticTexts(box);
    deletedBeforeTheBox = events->Count(kFireDelCam);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    return true;
  });
  script.Start();
  EXPECT_EQ(ByText("LookPic", Named(0)), 1);
  EXPECT_TRUE(script.Finished());
  EXPECT_EQ(notice, "A duplicate camera is deleted automatically!\nCamID:" + Text(0));
  EXPECT_EQ(deletedBeforeTheBox, 1u);
  ASSERT_EQ(events->Count(kFireDelCam), 1u);
  EXPECT_EQ(deleted.index, 1);
  EXPECT_STREQ(deleted.domainName, "127.0.0.1");
  EXPECT_TRUE(Streaming(Named(0)));
  EXPECT_EQ(ByText("GetWndIndex", Text(0)), 3);
  EXPECT_EQ(OpenStreams(*cameras[0]), 1u);
}

}  // namespace
