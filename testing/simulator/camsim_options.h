// Command line of the camsim program.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace camsim {

struct CamsimOptions {
  int cameras = 1;
  uint16_t firstPort = 8080;  // camera i listens on firstPort + i; 0: free ports
  int width = 320;
  int height = 240;
  int fps = 10;
  int quality = 75;
  int captionTop = 0;
  int replayFrames = 0;             // 0: every frame drawn and compressed as it is sent
  std::optional<std::string> user;  // none: any credentials are accepted
  std::string password;
  std::string name = "Camera";      // cameras are called "<name> 1", "<name> 2", ...
  bool discovery = false;
  std::string replyAddress;         // empty: replies go back to the asker
  std::string stopFile;
  int timeoutSeconds = 0;           // 0: until stopped
  bool help = false;
};

// `args` excludes the program name. On failure `error` says what is wrong.
std::optional<CamsimOptions> ParseCamsimOptions(const std::vector<std::string>& args,
                                                std::string& error);

std::string CamsimUsage();

}  // namespace camsim
