// The AVIFile library's initialisation for this module.
//
// AVIFileInit also initialises OLE on the calling thread and AVIFileExit is meant to undo
// that (Wine's does not, yet), so the two must be paired on one thread. Recordings start on
// the control's user-interface thread but may end on a stream worker, so a recorder cannot
// own the pairing. Instead the library is taken once, lazily, by the first recording or file
// check (on the control's thread), and given back by EndAviFileLibrary on that same thread
// when the control goes. Never from DllMain: OLE must not be uninitialised under the loader
// lock, and at process exit there is nothing left to give back.
#pragma once

namespace liveview {

// Idempotent and thread-safe; the first caller's thread becomes the library's thread.
void EnsureAviFileLibrary();
// AVIFileExit when the library is held and this is the thread that took it (true). On any
// other thread it does nothing (false): an exit there would unbalance that thread's OLE.
// A later EnsureAviFileLibrary takes the library again.
bool EndAviFileLibrary();
bool AviFileLibraryHeld();

// Test seam: what stands for AVIFileInit and AVIFileExit; nullptr restores them.
using AviFileLibraryCall = void (*)();
void SetAviFileLibraryCalls(AviFileLibraryCall init, AviFileLibraryCall exit);

}  // namespace liveview
