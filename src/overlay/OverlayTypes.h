#pragma once
// Types shared between the overlay windows and the rest of the program.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "base/Handles.h"
#include "config/Settings.h"

// All: every monitor. Current: the monitor that holds the cursor when it opens. Others: every monitor
// but that one. Chosen: the monitors named by number. Idle: every monitor, opened after idle time.
enum class OverlayTarget : std::int32_t { All = 0, Current = 1, Others = 2, Chosen = 3, Idle = 4 };

// One black-screen window covering one monitor, with its layered bitmap. The members are declared
// so that dropping a record releases them in the right order: the DIB is selected out of the memory
// DC, then the DC and the DIB go, and the window, declared first, goes last.
struct OverlayWindow {
  WindowHandle window;
  int width = 0;
  int height = 0;
  int left = 0;
  int top = 0;
  std::wstring monitorName;  // the device name of the monitor it was made for, empty if unknown
  BitmapHandle bitmap;  // 32-bit top-down DIB section, premultiplied BGRA
  MemoryDcHandle memoryDc;  // holds bitmap while the record lives
  DcSelection bitmapSelection;  // keeps the DC's previous bitmap to select back
  std::uint32_t* pixels = nullptr;  // bits of bitmap, width * height words
  RECT contentRect{};  // every pixel that may differ from opaque black
  int pushedAlpha = -1;  // constant alpha of the last successful push, -1 = none
};

// What one composition pass draws over the black fill.
struct OverlayComposition {
  bool showSleepPreventBadge = false;
  bool showKeepActiveBadge = false;
  ClockDisplayMode clockMode = ClockDisplayMode::None;
  std::uint64_t openTick = 0;
  std::int32_t clockFontPt = kClockFontKey.defaultValue;
  std::uint8_t badgeAlpha = kBadgeAlphaKey.defaultValue;
};

// A decoded badge picture: straight (not premultiplied) BGRA words, row-major, top-down.
struct BadgeImage {
  std::vector<std::uint32_t> pixels;
  int width = 0;
  int height = 0;
  bool loaded = false;
};
