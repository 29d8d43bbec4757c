// COrvexApp, the tool's one application object: runs the main dialog and ends with it.
// Each build's resources hold one language, and the program takes that one whatever the
// user's; the framework's own messages stay English in both builds.
#pragma once

#include "framework/application.h"

namespace setuptool {

// The name given to the framework as the program's registry key; nothing is written under it.
extern const wchar_t kRegistryKeyName[];

class COrvexApp : public fw::CApplication {
 public:
  COrvexApp();

  // Only the help command, to the framework's default help handler.
  bool OnAppCommand(UINT id) override;

 protected:
  bool InitInstance() override;
  int ExitInstance() override;
};

}  // namespace setuptool
