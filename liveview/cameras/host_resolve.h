// Host names to dotted IPv4 addresses through gethostbyname. Winsock must have been started
// (the module does it when it loads). Blocking: a DNS name may take as long as the resolver's
// time-out.
#pragma once

#include <string>

namespace liveview {

// Results of the resolve operations; the values are what callers compare with.
enum ResolveResult : int {
  kResolveNoAddress = -1,  // the name resolved to an empty address list
  kResolveOk = 1,
  kResolveFailed = 2,
};

// Replaces `host` with the dotted form of its first address. `host` is left unchanged unless
// the result is kResolveOk. An empty text fails: Winsock would answer with this PC itself.
int ResolveHost(std::string& host);

// Splits a camera text, resolves its host and writes the text back as "%s:%s" of the address
// and the port text as it was given; a text without ':' becomes the address alone.
int ResolveCameraText(std::string& cameraText);

}  // namespace liveview
