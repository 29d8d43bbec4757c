// How a simulated HTTP camera is set up, and the faults a test can script on it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace camsim {

struct CameraConfig {
  std::string name = "Camera";
  std::string user = "admin";
  std::string password = "admin";
  bool acceptAnyCredentials = false;
  int width = 320;   // 1..kMaxPictureSide
  int height = 240;
  int fps = 10;      // 1..100
  int jpegQuality = 75;
  int captionTop = 0;  // rows of bars above the picture's caption
  // Above 0: that many pictures are drawn and compressed once and then sent round and round,
  // so that a benchmark's cameras cost the machine next to nothing per frame.
  int replayFrames = 0;
  std::string bindAddress = "127.0.0.1";
  uint16_t port = 0;  // 0: a free port, chosen by the system
  std::string boundary = "camsimframe";
};

// Faults apply to stream connections: those whose first request asks for the stream.
// "At frame N" counts the parts of that connection from 0, so N = 3 means three sound
// frames come first.
struct StreamFaults {
  // The port stops listening, so connecting fails; it listens again once this is cleared.
  bool refuseConnections = false;
  // Requests are read and recorded but never answered (commands included).
  bool staySilent = false;
  // The stream request is answered with this status instead of 200, then the camera closes.
  std::optional<int> statusCode;
  // The response header's content type carries no "boundary=".
  bool omitBoundary = false;

  struct Pause {
    int atFrame = 0;
    int milliseconds = 0;
  };
  // Nothing is sent for that long before the part at `atFrame`.
  std::optional<Pause> pause;

  // The camera closes the connection instead of sending the part at this index.
  std::optional<int> closeAtFrame;

  // The part's body stops at half its Content-Length; the camera then stays silent for
  // `shortBodyHoldMs` and closes.
  std::optional<int> shortBodyAtFrame;
  int shortBodyHoldMs = 0;

  // The part's header has no "Content-Length:"; its body follows as usual.
  std::optional<int> missingContentLengthAtFrame;

  // The part carries only the first half of its JPEG, with a Content-Length to match.
  std::optional<int> corruptJpegAtFrame;

  // The part's header claims `hugeContentLength` bytes; the usual body follows, and so
  // does the rest of the stream.
  std::optional<int> hugeContentLengthAtFrame;
  uint64_t hugeContentLength = 2000000000;

  struct Resize {
    int atFrame = 0;
    int width = 0;
    int height = 0;
  };
  // From this part on, the pictures have the new size.
  std::optional<Resize> resize;

  // 0: the faults hit every stream connection. N: only the next N stream connections
  // after the faults were set; later ones are sound. (refuseConnections is not counted.)
  int connections = 0;
};

}  // namespace camsim
