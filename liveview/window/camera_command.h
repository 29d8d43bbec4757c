// Camera commands: each is one HTTP request that a short-lived thread sends over a connection
// of its own; the camera's answer is read briefly and thrown away.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "common/code_page_chars.h"

namespace liveview {

class CWatchWnd;

// Highest command code; codes 0 to kMaxCommandCode have a request line.
constexpr int kMaxCommandCode = 18;

// What a command thread gets and frees. Zeroed before it is filled.
struct CommandRequest {
  char host[64];
  uint16_t port;
  uint16_t code;
  char user[260];
  char password[64];
  CWatchWnd* window;  // the window that started it; not owned
};

// Fills a zeroed block. Texts longer than their field are cut to the field at a character
// boundary of `codePage`, so a double-byte character is never split.
void FillCommandRequest(CommandRequest* request, CWatchWnd* window, int code, std::string_view host,
                        uint16_t port, std::string_view user, std::string_view password,
                        unsigned codePage = common::kAnsiCodePage);

// "GET /cgi-bin/action?action=... HTTP/1.1" of `code`, without CR LF; nullptr for a code
// outside 0 to kMaxCommandCode.
const char* CommandRequestLine(int code);

// The bytes sent for the block, with `credentials` the Base64 text of user and password;
// empty for an unknown code.
std::string BuildCommandBytes(const CommandRequest& request, const std::string& credentials);

// Resolves, connects, sends and reads the short answer. Every failure ends it quietly.
void RunCommandRequest(const CommandRequest& request);

// What a command thread runs in place of RunCommandRequest; nullptr restores it. Lets a test
// hold a command thread while it looks at what the thread holds. Returns the previous one.
using CommandRunner = void (*)(const CommandRequest& request);
CommandRunner SetCommandRunner(CommandRunner runner);

// Starts a command thread for a block made with `new`, which it owns from now on: a guarded
// thread (fw::StartGuardedThread) that holds a module lock and a loader reference for its
// life and frees the block when the command ends. nullptr when no thread could start.
HANDLE StartCommandThread(CommandRequest* request);

}  // namespace liveview
