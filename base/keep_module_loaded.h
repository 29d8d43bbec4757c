// Threads that run code of a DLL which its host may free at any time (a control's command or
// resolver threads): the thread holds a loader reference on the module that holds its entry,
// and gives it back with FreeLibraryAndExitThread, so the code is never unmapped under it.
#pragma once

#include <windows.h>

namespace base {

// Starts `entry(argument)` on a new thread that keeps the module holding `entry` loaded
// until it has returned. The thread's exit code is entry's result. nullptr when the module
// reference or the thread cannot be had; `argument` then still belongs to the caller.
HANDLE StartThreadKeepingModuleLoaded(LPTHREAD_START_ROUTINE entry, void* argument);

}  // namespace base
