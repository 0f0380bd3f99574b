#pragma once
// What another process sees of the running program: the screen's pixels, the overlay windows, the
// tray tooltip; and real input sent to it.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "E2eSupport.h"
#include "app/Handles.h"

inline constexpr RECT kPrimaryMonitor{0, 0, 1280, 800};
inline constexpr RECT kSecondMonitor{1280, 0, 2304, 768};
inline constexpr std::uint32_t kBlack = 0x000000;

// ---- the screen ----

// The whole virtual screen as 0xRRGGBB words (the alpha byte of a screen read is junk and masked off).
struct ScreenShot {
  std::vector<std::uint32_t> pixels;
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;

  std::uint32_t At(int x, int y) const {
    return pixels[static_cast<std::size_t>(y - top) * width + (x - left)];
  }
  // Pixels inside area (clipped to the screen) and outside skip that are, or are not, of colour.
  int Count(const RECT& area, std::uint32_t colour, bool equal, const RECT& skip = RECT{}) const {
    int count = 0;
    for (int y = std::max<int>(area.top, top); y < std::min<int>(area.bottom, top + height); ++y)
      for (int x = std::max<int>(area.left, left); x < std::min<int>(area.right, left + width); ++x) {
        const POINT p{x, y};
        if ((At(x, y) == colour) == equal && !::PtInRect(&skip, p)) ++count;
      }
    return count;
  }
  int CountOther(const RECT& area, std::uint32_t colour, const RECT& skip = RECT{}) const {
    return Count(area, colour, false, skip);
  }
  int CountOf(const RECT& area, std::uint32_t colour, const RECT& skip = RECT{}) const {
    return Count(area, colour, true, skip);
  }
};

inline ScreenShot CaptureScreen() {
  ScreenShot shot;
  shot.left = ::GetSystemMetrics(SM_XVIRTUALSCREEN);
  shot.top = ::GetSystemMetrics(SM_YVIRTUALSCREEN);
  shot.width = ::GetSystemMetrics(SM_CXVIRTUALSCREEN);
  shot.height = ::GetSystemMetrics(SM_CYVIRTUALSCREEN);
  WindowDc screen(nullptr);
  if (!screen || shot.width <= 0 || shot.height <= 0) return ScreenShot{};
  BITMAPINFO header{};
  header.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  header.bmiHeader.biWidth = shot.width;
  header.bmiHeader.biHeight = -shot.height;
  header.bmiHeader.biPlanes = 1;
  header.bmiHeader.biBitCount = 32;
  header.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  BitmapHandle bitmap(::CreateDIBSection(screen.Get(), &header, DIB_RGB_COLORS, &bits, nullptr, 0));
  MemoryDcHandle memory(::CreateCompatibleDC(screen.Get()));
  if (!bitmap || !bits || !memory) return ScreenShot{};
  {
    SelectedObject selection(memory.Get(), bitmap.Get());
    if (!::BitBlt(memory.Get(), 0, 0, shot.width, shot.height, screen.Get(), shot.left, shot.top, SRCCOPY))
      return ScreenShot{};
  }
  const auto* words = static_cast<const std::uint32_t*>(bits);
  shot.pixels.assign(words, words + static_cast<std::size_t>(shot.width) * shot.height);
  for (std::uint32_t& p : shot.pixels) p &= 0xFFFFFF;
  return shot;
}

// Captures the screen until the condition holds (the X server shows a window's change a little after
// the program made it) and returns the last capture.
inline ScreenShot WaitForScreen(const std::function<bool(const ScreenShot&)>& condition, int timeoutMs = 5000) {
  ScreenShot shot;
  WaitFor([&] {
    shot = CaptureScreen();
    return condition(shot);
  }, timeoutMs);
  return shot;
}

// ---- windows ----

inline bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// The visible overlay windows of any process, in z-order.
inline std::vector<HWND> OverlayWindows() {
  std::vector<HWND> found;
  ::EnumWindows(
      [](HWND window, LPARAM out) -> BOOL {
        wchar_t name[32] = {};
        ::GetClassNameW(window, name, 32);
        if (std::wstring(name) == L"UmbralineOverlay" && ::IsWindowVisible(window))
          reinterpret_cast<std::vector<HWND>*>(out)->push_back(window);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

// The rectangles of the visible overlay windows, sorted left to right.
inline std::vector<RECT> OverlayRects() {
  std::vector<RECT> rects;
  for (HWND window : OverlayWindows()) {
    RECT r{};
    ::GetWindowRect(window, &r);
    rects.push_back(r);
  }
  std::sort(rects.begin(), rects.end(), [](const RECT& a, const RECT& b) { return a.left < b.left; });
  return rects;
}

inline bool OverlaysCover(std::initializer_list<RECT> monitors) {
  const std::vector<RECT> rects = OverlayRects();
  if (rects.size() != monitors.size()) return false;
  std::size_t i = 0;
  for (const RECT& m : monitors)
    if (!SameRect(rects[i++], m)) return false;
  return true;
}

inline bool WaitForOverlays(std::initializer_list<RECT> monitors, int timeoutMs = 8000) {
  return WaitFor([&] { return OverlaysCover(monitors); }, timeoutMs);
}

inline bool WaitForNoOverlay(int timeoutMs = 10000) {
  return WaitFor([] { return OverlayWindows().empty(); }, timeoutMs);
}

// Sends a command and returns once the program has carried it out.
inline bool RunCommand(HWND mainWindow, WORD command) {
  DWORD_PTR result = 0;
  return ::SendMessageTimeoutW(mainWindow, WM_COMMAND, command, 0, SMTO_NORMAL, 15000, &result) != 0;
}

// ---- real input ----

// Presses the keys in order and releases them in reverse, all in one SendInput.
inline bool PressChord(std::initializer_list<WORD> keys) {
  std::vector<INPUT> inputs;
  for (WORD key : keys) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = key;
    inputs.push_back(in);
  }
  for (auto it = keys.end(); it != keys.begin();) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = *--it;
    in.ki.dwFlags = KEYEVENTF_KEYUP;
    inputs.push_back(in);
  }
  return ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) == inputs.size();
}

inline bool SendMouse(std::initializer_list<DWORD> flags, DWORD data = 0) {
  std::vector<INPUT> inputs;
  for (DWORD f : flags) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = f;
    in.mi.mouseData = data;
    inputs.push_back(in);
  }
  return ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) == inputs.size();
}

// ---- the tray tooltip (as shown by Wine's stand-alone tray) ----

// Hovers the tray icon and returns the tooltip text shown for it; empty if none appears. The cursor
// is left at rest.
inline std::wstring HoverTrayTooltip(POINT rest) {
  HWND tray = ::FindWindowW(L"__winex11_standalone_tray", nullptr);
  HWND icon = tray ? ::FindWindowExW(tray, nullptr, L"__winex11_tray_icon", nullptr) : nullptr;
  if (!icon) return std::wstring();
  RECT r{};
  ::GetWindowRect(icon, &r);
  const POINT centre{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  ::SetCursorPos(centre.x, centre.y + 200);  // leave the icon so that its tip is shown afresh
  auto visibleTip = [] {
    for (HWND tip = ::FindWindowExW(nullptr, nullptr, L"tooltips_class32", nullptr); tip;
         tip = ::FindWindowExW(nullptr, tip, L"tooltips_class32", nullptr))
      if (::IsWindowVisible(tip)) return tip;
    return HWND{};
  };
  WaitFor([&] { return visibleTip() == nullptr; }, 6000);
  ::SetCursorPos(centre.x, centre.y);
  ::Sleep(50);
  ::SetCursorPos(centre.x + 1, centre.y);
  std::wstring text;
  WaitFor([&] {
    HWND tip = visibleTip();
    if (!tip) return false;
    wchar_t buffer[256] = {};
    DWORD_PTR length = 0;
    ::SendMessageTimeoutW(tip, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG, 1000, &length);
    text = buffer;
    return !text.empty();
  }, 4000);
  ::SetCursorPos(rest.x, rest.y);
  return text;
}

// ---- files beside the program ----

// A small PNG (8-bit RGBA, stored deflate blocks) of straight 0xAARRGGBB pixels, row-major.
inline Bytes EncodePng(int width, int height, const std::vector<std::uint32_t>& argb) {
  auto crcTable = [] {
    std::vector<std::uint32_t> table(256);
    for (std::uint32_t n = 0; n < 256; ++n) {
      std::uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      table[n] = c;
    }
    return table;
  }();
  auto put32 = [](Bytes& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
  };
  Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  auto chunk = [&](const char* type, const Bytes& data) {
    put32(png, static_cast<std::uint32_t>(data.size()));
    Bytes typed(type, type + 4);
    typed.insert(typed.end(), data.begin(), data.end());
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::uint8_t b : typed) crc = crcTable[(crc ^ b) & 0xFF] ^ (crc >> 8);
    png.insert(png.end(), typed.begin(), typed.end());
    put32(png, crc ^ 0xFFFFFFFFu);
  };
  Bytes header;
  put32(header, static_cast<std::uint32_t>(width));
  put32(header, static_cast<std::uint32_t>(height));
  header.insert(header.end(), {8, 6, 0, 0, 0});  // 8 bits, RGBA, deflate, no filter method, no interlace
  chunk("IHDR", header);

  Bytes raw;
  for (int y = 0; y < height; ++y) {
    raw.push_back(0);  // filter: none
    for (int x = 0; x < width; ++x) {
      const std::uint32_t p = argb[static_cast<std::size_t>(y) * width + x];
      raw.insert(raw.end(), {static_cast<std::uint8_t>(p >> 16), static_cast<std::uint8_t>(p >> 8),
                             static_cast<std::uint8_t>(p), static_cast<std::uint8_t>(p >> 24)});
    }
  }
  Bytes zlib = {0x78, 0x01};
  for (std::size_t at = 0; at < raw.size() || at == 0;) {
    const std::size_t n = std::min<std::size_t>(raw.size() - at, 65535);
    const bool last = at + n == raw.size();
    zlib.push_back(last ? 1 : 0);
    zlib.insert(zlib.end(), {static_cast<std::uint8_t>(n), static_cast<std::uint8_t>(n >> 8),
                             static_cast<std::uint8_t>(~n), static_cast<std::uint8_t>(~n >> 8)});
    zlib.insert(zlib.end(), raw.begin() + static_cast<std::ptrdiff_t>(at),
                raw.begin() + static_cast<std::ptrdiff_t>(at + n));
    at += n;
    if (last) break;
  }
  std::uint32_t a = 1, b = 0;
  for (std::uint8_t byte : raw) {
    a = (a + byte) % 65521;
    b = (b + a) % 65521;
  }
  put32(zlib, b << 16 | a);
  chunk("IDAT", zlib);
  chunk("IEND", Bytes{});
  return png;
}

// A file written beside umbraline.exe for the length of a scope.
class FileBesideProgram {
 public:
  FileBesideProgram(const std::wstring& name, const Bytes& bytes) : path_(ExecutableFolder() + L"\\" + name) {
    written_ = WriteBytes(path_, bytes);
  }
  ~FileBesideProgram() { ::DeleteFileW(path_.c_str()); }
  FileBesideProgram(const FileBesideProgram&) = delete;
  FileBesideProgram& operator=(const FileBesideProgram&) = delete;
  bool Written() const { return written_; }

 private:
  std::wstring path_;
  bool written_ = false;
};

// Writes config.ini before the program starts (or while it runs: the overlay reads it at opening).
inline bool WriteConfig(const std::string& text) {
  ::CreateDirectoryW((RoamingFolder() + L"\\kestov").c_str(), nullptr);
  ::CreateDirectoryW(ConfigFolder().c_str(), nullptr);
  return WriteBytes(ConfigFile(), ToBytes(text));
}
