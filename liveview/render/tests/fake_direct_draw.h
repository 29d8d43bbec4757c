// A DirectDraw double for the renderer: surfaces in plain memory, and a script of what
// creation, IsLost, Restore, Lock and Blt answer, with a log of the calls in order. It
// plays what a real display shows only now and then (lost surfaces after a mode change,
// a busy blitter, a primary surface another program holds).
#pragma once

#include <windows.h>

#include <ddraw.h>

#include <deque>
#include <string>
#include <vector>

namespace liveview {
namespace testing_support {

struct DirectDrawScript {
  // Answers, taken in order; DD_OK once a list runs out.
  std::deque<HRESULT> cooperativeLevel;
  std::deque<HRESULT> createPrimary;
  std::deque<HRESULT> createOffscreen;
  std::deque<HRESULT> createClipper;
  std::deque<HRESULT> primaryIsLost, primaryRestore;
  std::deque<HRESULT> offscreenIsLost, offscreenRestore;
  std::deque<HRESULT> lock;
  std::deque<HRESULT> blt;
  bool throwOnLock = false;
  int surfaceBitCount = 32;

  // What happened.
  std::vector<std::string> calls;  // "primary.Blt", "offscreen.Restore", "CreateSurface 0x840"...
  int directDrawsMade = 0;
  int liveObjects = 0;  // every fake object not yet released
  int locked = 0;       // locks not yet undone
  std::vector<uint8_t> offscreenPixels;  // the last off-screen surface's memory
  int offscreenPitch = 0;
  RECT lastBltDestination{};
  DWORD lastBltFlags = 0;
};

// A new IDirectDraw2 (one reference) that follows `script`, which must outlive it.
IDirectDraw2* MakeFakeDirectDraw(DirectDrawScript* script);

// Takes the next answer of `answers`, or DD_OK.
HRESULT Next(std::deque<HRESULT>& answers);

}  // namespace testing_support
}  // namespace liveview
