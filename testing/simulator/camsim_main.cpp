// camsim: simulated cameras for the demo and for trying the controls by hand.
#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "simulator/camsim_options.h"
#include "simulator/discovery_responder.h"
#include "simulator/http_camera.h"
#include "simulator/net_address.h"

namespace {

using camsim::CamsimOptions;

// Set by Ctrl-C, Ctrl-Break or the console closing; the main thread waits on it.
HANDLE g_stopEvent = nullptr;

BOOL WINAPI OnConsoleControl(DWORD) {
  if (g_stopEvent) SetEvent(g_stopEvent);
  return TRUE;
}

class UniqueHandle {
 public:
  explicit UniqueHandle(HANDLE h) : handle_(h) {}
  ~UniqueHandle() {
    if (handle_) CloseHandle(handle_);
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  HANDLE Get() const { return handle_; }

 private:
  HANDLE handle_;
};

bool FileExists(const std::string& path) {
  return !path.empty() && GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string CredentialsText(const CamsimOptions& options) {
  if (!options.user) return "any credentials";
  return "user \"" + *options.user + "\" password \"" + options.password + "\"";
}

int Run(const CamsimOptions& options) {
  std::vector<std::unique_ptr<camsim::HttpCamera>> cameras;
  for (int i = 0; i < options.cameras; ++i) {
    camsim::CameraConfig config;
    config.name = options.name + " " + std::to_string(i + 1);
    config.width = options.width;
    config.height = options.height;
    config.fps = options.fps;
    config.jpegQuality = options.quality;
    config.captionTop = options.captionTop;
    config.replayFrames = options.replayFrames;
    config.acceptAnyCredentials = !options.user;
    config.user = options.user.value_or("");
    config.password = options.password;
    config.port = options.firstPort == 0 ? 0 : static_cast<uint16_t>(options.firstPort + i);
    auto camera = std::make_unique<camsim::HttpCamera>(config);
    if (!camera->Start()) {
      std::fprintf(stderr, "camsim: cannot listen on 127.0.0.1:%u\n", config.port);
      return 1;
    }
    std::printf("camsim: camera %d \"%s\" on %s, %dx%d at %d fps, %s\n", i + 1,
                config.name.c_str(), camera->HostPort().c_str(), options.width, options.height,
                options.fps, CredentialsText(options).c_str());
    cameras.push_back(std::move(camera));
  }

  std::unique_ptr<camsim::DiscoveryResponder> discovery;
  if (options.discovery) {
    camsim::DiscoveryConfig config;
    config.replyAddress = options.replyAddress;
    discovery = std::make_unique<camsim::DiscoveryResponder>(config);
    for (size_t i = 0; i < cameras.size(); ++i) {
      camsim::DiscoveryIdentity identity;
      // Locally administered addresses, so they can never clash with a real device's.
      identity.mac = {0x02, 0x43, 0x53, 0x00, static_cast<uint8_t>(i >> 8), static_cast<uint8_t>(i + 1)};
      identity.address = 0x7F000001;
      identity.mask = 0xFF000000;
      identity.webPort = cameras[i]->Port();
      discovery->AddCamera(identity);
      std::printf("camsim: camera %zu answers discovery as %s\n", i + 1,
                  camsim::FormatMac(identity.mac).c_str());
    }
    if (!discovery->Start()) {
      std::fprintf(stderr, "camsim: cannot bind UDP port %u for discovery\n", camsim::kDiscoveryCameraPort);
      return 1;
    }
    std::printf("camsim: discovery on UDP %u, replies to %s port %u\n", discovery->ListenPort(),
                options.replyAddress.empty() ? "the asker" : options.replyAddress.c_str(),
                camsim::kDiscoveryPcPort);
  }

  std::printf("camsim: serving %d camera%s; stop with Ctrl-C%s%s\n", options.cameras,
              options.cameras == 1 ? "" : "s",
              options.stopFile.empty() ? "" : " or by creating ", options.stopFile.c_str());

  const DWORD start = GetTickCount();
  while (WaitForSingleObject(g_stopEvent, 100) == WAIT_TIMEOUT) {
    if (FileExists(options.stopFile)) break;
    if (options.timeoutSeconds > 0 &&
        GetTickCount() - start >= static_cast<DWORD>(options.timeoutSeconds) * 1000)
      break;
  }

  if (discovery) discovery->Stop();
  for (auto& camera : cameras) camera->Stop();
  for (size_t i = 0; i < cameras.size(); ++i) {
    std::printf("camsim: camera %zu sent %llu frames\n", i + 1,
                static_cast<unsigned long long>(cameras[i]->Log().FramesSent()));
  }
  std::printf("camsim: stopped\n");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // Scripts read the served addresses through a pipe: no buffering, or they would wait.
  std::setvbuf(stdout, nullptr, _IONBF, 0);

  std::string error;
  const auto options = camsim::ParseCamsimOptions(std::vector<std::string>(argv + 1, argv + argc), error);
  if (!options) {
    std::fprintf(stderr, "camsim: %s\n%s", error.c_str(), camsim::CamsimUsage().c_str());
    return 2;
  }
  if (options->help) {
    std::printf("%s", camsim::CamsimUsage().c_str());
    return 0;
  }

  UniqueHandle stopEvent(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  if (!stopEvent.Get()) return 1;
  g_stopEvent = stopEvent.Get();
  SetConsoleCtrlHandler(OnConsoleControl, TRUE);

  int status = 1;
  try {
    status = Run(*options);
  } catch (...) {
    std::fprintf(stderr, "camsim: out of memory\n");
  }
  SetConsoleCtrlHandler(OnConsoleControl, FALSE);
  g_stopEvent = nullptr;
  return status;
}
