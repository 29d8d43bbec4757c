#include "simulator/camsim_options.h"

#include <cstdlib>

#include "simulator/net_address.h"
#include "simulator/test_picture.h"

namespace camsim {
namespace {

std::optional<long> ParseNumber(const std::string& text, long low, long high) {
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  const long value = std::strtol(text.c_str(), &end, 10);
  if (*end != '\0' || value < low || value > high) return std::nullopt;
  return value;
}

bool ParseSize(const std::string& text, int& width, int& height) {
  const size_t x = text.find_first_of("xX");
  if (x == std::string::npos) return false;
  const auto w = ParseNumber(text.substr(0, x), 1, kMaxPictureSide);
  const auto h = ParseNumber(text.substr(x + 1), 1, kMaxPictureSide);
  if (!w || !h) return false;
  width = static_cast<int>(*w);
  height = static_cast<int>(*h);
  return true;
}

}  // namespace

std::optional<CamsimOptions> ParseCamsimOptions(const std::vector<std::string>& args,
                                                std::string& error) {
  CamsimOptions options;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const auto value = [&]() -> const std::string* {
      if (i + 1 >= args.size()) {
        error = arg + " needs a value";
        return nullptr;
      }
      return &args[++i];
    };
    const auto number = [&](long low, long high) -> std::optional<long> {
      const std::string* v = value();
      if (!v) return std::nullopt;
      auto n = ParseNumber(*v, low, high);
      if (!n) error = arg + " takes a number from " + std::to_string(low) + " to " + std::to_string(high);
      return n;
    };

    if (arg == "--help" || arg == "-h" || arg == "/?") {
      options.help = true;
    } else if (arg == "--cameras" || arg == "-n") {
      const auto n = number(1, 64);
      if (!n) return std::nullopt;
      options.cameras = static_cast<int>(*n);
    } else if (arg == "--port" || arg == "-p") {
      const auto n = number(0, 65535);
      if (!n) return std::nullopt;
      options.firstPort = static_cast<uint16_t>(*n);
    } else if (arg == "--size") {
      const std::string* v = value();
      if (!v) return std::nullopt;
      if (!ParseSize(*v, options.width, options.height)) {
        error = "--size takes WIDTHxHEIGHT, for example 640x480";
        return std::nullopt;
      }
    } else if (arg == "--fps") {
      const auto n = number(1, 100);
      if (!n) return std::nullopt;
      options.fps = static_cast<int>(*n);
    } else if (arg == "--quality") {
      const auto n = number(1, 100);
      if (!n) return std::nullopt;
      options.quality = static_cast<int>(*n);
    } else if (arg == "--caption-top") {
      const auto n = number(0, kMaxPictureSide - 1);
      if (!n) return std::nullopt;
      options.captionTop = static_cast<int>(*n);
    } else if (arg == "--replay") {
      const auto n = number(1, 1000);
      if (!n) return std::nullopt;
      options.replayFrames = static_cast<int>(*n);
    } else if (arg == "--user") {
      const std::string* v = value();
      if (!v) return std::nullopt;
      options.user = *v;
    } else if (arg == "--password") {
      const std::string* v = value();
      if (!v) return std::nullopt;
      options.password = *v;
    } else if (arg == "--name") {
      const std::string* v = value();
      if (!v) return std::nullopt;
      options.name = *v;
    } else if (arg == "--discovery") {
      options.discovery = true;
    } else if (arg == "--reply-to") {
      const std::string* v = value();
      if (!v) return std::nullopt;
      if (!ParseIPv4(*v)) {
        error = "--reply-to takes a dotted IPv4 address";
        return std::nullopt;
      }
      options.replyAddress = *v;
    } else if (arg == "--stop-file") {
      const std::string* v = value();
      if (!v) return std::nullopt;
      options.stopFile = *v;
    } else if (arg == "--timeout") {
      const auto n = number(0, 7 * 24 * 3600);
      if (!n) return std::nullopt;
      options.timeoutSeconds = static_cast<int>(*n);
    } else {
      error = "unknown option " + arg;
      return std::nullopt;
    }
  }
  if (options.firstPort != 0 && options.firstPort + options.cameras - 1 > 65535) {
    error = "the cameras' ports would pass 65535";
    return std::nullopt;
  }
  if (!options.user && !options.password.empty()) {
    error = "--password needs --user";
    return std::nullopt;
  }
  return options;
}

std::string CamsimUsage() {
  return "usage: camsim [options]\n"
         "Serves simulated network cameras on consecutive loopback ports until stopped.\n"
         "  --cameras N        number of cameras, 1 to 64 (default 1)\n"
         "  --port P           port of the first camera; 0 picks free ports (default 8080)\n"
         "  --size WxH         picture size (default 320x240)\n"
         "  --fps F            frames per second, 1 to 100 (default 10)\n"
         "  --quality Q        JPEG quality, 1 to 100 (default 75)\n"
         "  --caption-top N    rows of bars above the caption of name and frame (default 0)\n"
         "  --replay N         compress N pictures once and send them round and round\n"
         "  --user U           user name the cameras require (default: accept anyone)\n"
         "  --password P       password that goes with --user (default empty)\n"
         "  --name TEXT        camera names are \"TEXT 1\", \"TEXT 2\", ... (default Camera)\n"
         "  --discovery        also answer discovery searches on UDP port 13000\n"
         "  --reply-to ADDR    send discovery replies there instead of back to the asker\n"
         "  --stop-file PATH   stop once this file exists\n"
         "  --timeout S        stop after S seconds\n"
         "Ctrl-C stops it too.\n";
}

}  // namespace camsim
