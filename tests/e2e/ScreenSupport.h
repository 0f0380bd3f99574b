#pragma once
// What another process sees of the running program (the screen, the overlay windows, the tray
// tooltip), real input sent to it, and files written for it.
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "E2eSupport.h"
#include "base/Handles.h"

inline constexpr RECT kPrimaryMonitor{0, 0, 1280, 800};
inline constexpr RECT kSecondMonitor{1280, 0, 2304, 768};

// The virtual screen as 0xRRGGBB words (the alpha byte of a screen read is junk).
struct ScreenShot {
  std::vector<std::uint32_t> pixels;
  int left = 0, top = 0, width = 0, height = 0;
  std::uint32_t At(int x, int y) const {  // within the shot; ~0 (no colour) for a failed one
    return pixels.empty() ? ~0u : pixels[static_cast<std::size_t>(y - top) * width + (x - left)] & 0xFFFFFF;
  }
  // Pixels in area, outside skip, that are (equal) or are not of colour; -1 for a failed shot.
  int Count(const RECT& area, std::uint32_t colour, bool equal, const RECT& skip = RECT{}) const {
    int count = pixels.empty() ? -1 : 0;
    for (int y = std::max<int>(area.top, top); y < std::min<int>(area.bottom, top + height); ++y)
      for (int x = std::max<int>(area.left, left); x < std::min<int>(area.right, left + width); ++x)
        count += (At(x, y) == colour) == equal && !::PtInRect(&skip, POINT{x, y});
    return count;
  }
};

inline ScreenShot CaptureScreen() {
  ScreenShot shot{{}, ::GetSystemMetrics(SM_XVIRTUALSCREEN), ::GetSystemMetrics(SM_YVIRTUALSCREEN),
                  ::GetSystemMetrics(SM_CXVIRTUALSCREEN), ::GetSystemMetrics(SM_CYVIRTUALSCREEN)};
  WindowDc screen(nullptr);
  BITMAPINFO info{{sizeof(BITMAPINFOHEADER), shot.width, -shot.height, 1, 32, BI_RGB}};
  void* bits = nullptr;
  BitmapHandle bitmap(::CreateDIBSection(screen.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  MemoryDcHandle memory(::CreateCompatibleDC(screen.Get()));
  SelectedObject selection(memory.Get(), bitmap.Get());
  if (!bits || !memory || !::BitBlt(memory.Get(), 0, 0, shot.width, shot.height, screen.Get(), shot.left, shot.top, SRCCOPY))
    return ScreenShot{};
  ::GdiFlush();
  const auto* words = static_cast<const std::uint32_t*>(bits);
  shot.pixels.assign(words, words + static_cast<std::size_t>(shot.width) * shot.height);
  return shot;
}

// The visible overlay windows of any process.
inline std::vector<HWND> OverlayWindows() {
  std::vector<HWND> found;
  for (HWND w = nullptr; (w = ::FindWindowExW(nullptr, w, L"UmbralineOverlay", nullptr)) != nullptr;)
    if (::IsWindowVisible(w)) found.push_back(w);
  return found;
}

// True when the visible overlay windows are exactly the given rectangles (listed left to right).
inline bool OverlaysCover(const std::vector<RECT>& monitors) {
  std::vector<RECT> rects;
  for (HWND window : OverlayWindows()) ::GetWindowRect(window, &rects.emplace_back());
  std::sort(rects.begin(), rects.end(), [](const RECT& a, const RECT& b) { return a.left < b.left; });
  return std::equal(rects.begin(), rects.end(), monitors.begin(), monitors.end(),
                    [](const RECT& a, const RECT& b) { return ::EqualRect(&a, &b) != FALSE; });
}

// Sends a command and returns once the program has carried it out.
inline bool RunCommand(HWND mainWindow, WORD command) {
  return ::SendMessageTimeoutW(mainWindow, WM_COMMAND, command, 0, SMTO_NORMAL, 15000, nullptr) != 0;
}

inline bool SendInputs(std::vector<INPUT> in) {
  return ::SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT)) == in.size();
}
inline bool SendMouse(std::initializer_list<DWORD> flags, DWORD data = 0) {
  std::vector<INPUT> in(flags.size(), INPUT{INPUT_MOUSE});
  for (std::size_t i = 0; i < in.size(); ++i) in[i].mi = MOUSEINPUT{0, 0, data, flags.begin()[i]};
  return SendInputs(in);
}
inline bool PressChord(std::initializer_list<WORD> keys) {  // pressed in order, released in reverse
  std::vector<INPUT> in(keys.size() * 2, INPUT{INPUT_KEYBOARD});
  for (std::size_t i = 0; i < keys.size(); ++i) {
    in[i].ki.wVk = in[in.size() - 1 - i].ki.wVk = keys.begin()[i];
    in[in.size() - 1 - i].ki.dwFlags = KEYEVENTF_KEYUP;
  }
  return SendInputs(in);
}

// Hovers the tray icon (Wine's stand-alone tray) and returns its tooltip, empty if none shows; then
// leaves the cursor at rest.
inline std::wstring HoverTrayTooltip(POINT rest) {
  HWND tray = ::FindWindowW(L"__winex11_standalone_tray", nullptr);
  RECT r{};
  if (!tray || !::GetWindowRect(::FindWindowExW(tray, nullptr, L"__winex11_tray_icon", nullptr), &r)) return {};
  const auto visibleTip = [] {
    HWND tip = nullptr;
    while ((tip = ::FindWindowExW(nullptr, tip, L"tooltips_class32", nullptr)) && !::IsWindowVisible(tip)) continue;
    return tip;
  };
  ::SetCursorPos(r.left, r.bottom + 200);  // away first, so that the tip is shown afresh
  WaitFor([&] { return visibleTip() == nullptr; }, 6000);
  ::SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  ::Sleep(50);
  ::SetCursorPos((r.left + r.right) / 2 + 1, (r.top + r.bottom) / 2);
  wchar_t text[256] = {};
  WaitFor([&] {
    HWND tip = visibleTip();
    return tip && ::SendMessageTimeoutW(tip, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text), 0, 1000, nullptr) && *text;
  }, 4000);
  ::SetCursorPos(rest.x, rest.y);
  return text;
}

// A copy of a file of the source tree beside umbraline.exe for the length of a scope.
struct FileBesideProgram {
  std::wstring path;
  bool written;
  FileBesideProgram(const std::wstring& name, const std::wstring& source)
      : path(ExecutableFolder() + L"\\" + name), written(::CopyFileW(SourcePath(source).c_str(), path.c_str(), FALSE)) {}
  ~FileBesideProgram() { ::DeleteFileW(path.c_str()); }
};

// Writes config.ini (read again at each opening of the black screen).
inline bool WriteConfig(const std::string& text) {
  ::SHCreateDirectoryExW(nullptr, ConfigFolder().c_str(), nullptr);
  return WriteBytes(ConfigFile(), ToBytes(text));
}

// Wine hands windows to an X window manager and, when one as large as a monitor goes, waits about
// two seconds for one the headless display does not run; unmanaged windows go at once. The value is
// read when a process starts and is put back when the scope ends.
struct UnmanagedWineWindows {
  static constexpr const wchar_t* kKey = L"Software\\Wine\\X11 Driver";
  wchar_t saved[16] = {};
  DWORD size = sizeof saved;
  const LSTATUS read = ::RegGetValueW(HKEY_CURRENT_USER, kKey, L"Managed", RRF_RT_REG_SZ, nullptr, saved, &size);
  UnmanagedWineWindows() { ::RegSetKeyValueW(HKEY_CURRENT_USER, kKey, L"Managed", REG_SZ, L"N", 4); }
  ~UnmanagedWineWindows() {
    if (read != ERROR_SUCCESS) ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kKey, L"Managed");
    if (read == ERROR_SUCCESS) ::RegSetKeyValueW(HKEY_CURRENT_USER, kKey, L"Managed", REG_SZ, saved, size);
  }
};
