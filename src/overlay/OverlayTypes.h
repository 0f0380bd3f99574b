#pragma once
// Types shared between the overlay windows and the rest of the program.
#include <windows.h>

#include <cstdint>
#include <vector>

#include "app/Handles.h"

enum class OverlayTarget : std::int32_t { All = 0, Current = 1 };

// One black-screen window covering one monitor, with its layered bitmap.
struct OverlayWindow {
  HWND window = nullptr;
  int width = 0;
  int height = 0;
  int left = 0;
  int top = 0;
  MemoryDcHandle memoryDc;
  BitmapHandle bitmap;
  HBITMAP previousBitmap = nullptr;  // selected back into memoryDc before bitmap is deleted
  void* pixels = nullptr;            // bits of bitmap (premultiplied BGRA, top-down)
};

// A decoded badge picture: straight (not premultiplied) BGRA, top-down.
struct BadgeImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;

  bool Empty() const { return pixels.empty(); }
};
