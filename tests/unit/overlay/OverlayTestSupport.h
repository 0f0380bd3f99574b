#pragma once
// Helpers for the overlay tests: a clean state with its own config.ini, synthetic badge pictures,
// a PNG writer and reading back what the screen shows.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "app/AppState.h"
#include "overlay/Overlay.h"

// Fresh AppState for one test; whatever the test leaves open is closed at the end.
class OverlayScope {
 public:
  explicit OverlayScope(const std::string& configText = "[Overlay]\nFadeInDurationMs=0\nClockDisplay=None\n")
  {
    App() = AppState{};
    App().instance = ::GetModuleHandleW(nullptr);
    App().configPath = folder_.File(L"config.ini");
    if (!configText.empty()) WriteBytes(App().configPath, ToBytes(configText));
    App().overlayDismissedHandler = &OverlayScope::CountDismissal;
    Dismissals() = 0;
  }
  ~OverlayScope() {
    CloseOverlays();
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    }
    App() = AppState{};
  }
  OverlayScope(const OverlayScope&) = delete;
  OverlayScope& operator=(const OverlayScope&) = delete;

  static int& Dismissals() {
    static int count = 0;
    return count;
  }
  const TempFolder& Folder() const { return folder_; }

 private:
  static void CountDismissal() { ++Dismissals(); }
  TempFolder folder_;
};

// Delivers whatever is queued for this thread's windows.
inline void PumpMessages(DWORD forMs = 0) {
  const DWORD start = ::GetTickCount();
  do {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
    if (forMs) ::Sleep(10);
  } while (::GetTickCount() - start < forMs);
}

// A picture of one straight BGRA colour.
inline BadgeImage SolidBadge(int width, int height, std::uint32_t bgra) {
  BadgeImage image;
  image.pixels.assign(static_cast<std::size_t>(width) * height, bgra);
  image.width = width;
  image.height = height;
  image.loaded = true;
  return image;
}

inline std::uint32_t Crc32(const std::uint8_t* data, std::size_t size, std::uint32_t crc = 0) {
  crc = ~crc;
  for (std::size_t i = 0; i < size; ++i) {
    crc ^= data[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

inline void PutBig32(Bytes& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
}

inline void PutChunk(Bytes& out, const char* type, const Bytes& data) {
  PutBig32(out, static_cast<std::uint32_t>(data.size()));
  Bytes typed(type, type + 4);
  typed.insert(typed.end(), data.begin(), data.end());
  out.insert(out.end(), typed.begin(), typed.end());
  PutBig32(out, Crc32(typed.data(), typed.size()));
}

// An 8-bit RGBA PNG (zlib stream of stored blocks) whose header claims claimedWidth x claimedHeight;
// the rows hold the straight BGRA pixels given (which may describe a smaller picture).
inline Bytes MakePng(std::uint32_t claimedWidth, std::uint32_t claimedHeight, int width, int height,
                     const std::vector<std::uint32_t>& bgra) {
  Bytes raw;
  for (int y = 0; y < height; ++y) {
    raw.push_back(0);  // filter: none
    for (int x = 0; x < width; ++x) {
      const std::uint32_t p = bgra[static_cast<std::size_t>(y) * width + x];
      raw.push_back(static_cast<std::uint8_t>(p >> 16));
      raw.push_back(static_cast<std::uint8_t>(p >> 8));
      raw.push_back(static_cast<std::uint8_t>(p));
      raw.push_back(static_cast<std::uint8_t>(p >> 24));
    }
  }
  Bytes z = {0x78, 0x01};
  std::size_t offset = 0;
  do {
    const std::size_t n = std::min<std::size_t>(65535, raw.size() - offset);
    z.push_back(offset + n == raw.size() ? 1 : 0);
    z.push_back(static_cast<std::uint8_t>(n));
    z.push_back(static_cast<std::uint8_t>(n >> 8));
    z.push_back(static_cast<std::uint8_t>(~n));
    z.push_back(static_cast<std::uint8_t>(~n >> 8));
    z.insert(z.end(), raw.begin() + offset, raw.begin() + offset + n);
    offset += n;
  } while (offset < raw.size());
  std::uint32_t a = 1, b = 0;
  for (std::uint8_t byte : raw) {
    a = (a + byte) % 65521;
    b = (b + a) % 65521;
  }
  PutBig32(z, b << 16 | a);

  Bytes png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  Bytes header;
  PutBig32(header, claimedWidth);
  PutBig32(header, claimedHeight);
  header.insert(header.end(), {8, 6, 0, 0, 0});
  PutChunk(png, "IHDR", header);
  PutChunk(png, "IDAT", z);
  PutChunk(png, "IEND", Bytes());
  return png;
}

// What the screen shows in a rectangle, as 0x00RRGGBB (the alpha byte of a screen read is junk).
inline std::vector<std::uint32_t> ReadScreen(const RECT& area) {
  const int width = area.right - area.left;
  const int height = area.bottom - area.top;
  std::vector<std::uint32_t> out(static_cast<std::size_t>(width) * height, 0);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  BitmapHandle bitmap(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  MemoryDcHandle dc(::CreateCompatibleDC(nullptr));
  if (!bitmap || !dc || !bits) return out;
  {
    SelectedObject selected(dc.Get(), bitmap.Get());
    WindowDc screen(nullptr);
    ::BitBlt(dc.Get(), 0, 0, width, height, screen.Get(), area.left, area.top, SRCCOPY);
  }
  ::GdiFlush();
  const std::uint32_t* p = static_cast<const std::uint32_t*>(bits);
  for (std::size_t i = 0; i < out.size(); ++i) out[i] = p[i] & 0x00FFFFFFu;
  return out;
}
