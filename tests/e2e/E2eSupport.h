#pragma once
// Drives the real umbraline.exe (beside the test executable) from this process and sees what another
// process sees of it: its windows, the screen, the tray tooltip, its files.
#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "base/Handles.h"
#include "base/Messages.h"

// Where Wine keeps whether its windows go to an X window manager ("Managed").
inline constexpr const wchar_t* kWineX11 = L"Software\\Wine\\X11 Driver";

inline std::wstring RoamingFolder() {
  wchar_t* raw = nullptr;
  const std::wstring path = SUCCEEDED(::SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, &raw)) ? raw : L"";
  ::CoTaskMemFree(raw);
  return path;
}
inline std::wstring ConfigFolder() { return RoamingFolder() + L"\\kestov\\Umbraline"; }
inline std::wstring ConfigFile() { return ConfigFolder() + L"\\config.ini"; }
inline void ForgetConfiguration() { RemoveTree(RoamingFolder() + L"\\kestov"); }
// config.ini, read again only when its attributes (times, size) changed, i.e. after a save: under Wine
// a handle held by another process makes the save's rename onto the file fail, so polling it during
// a save would make that save lose.
inline std::string ConfigText() {
  static WIN32_FILE_ATTRIBUTE_DATA seen{};
  static std::string text;
  WIN32_FILE_ATTRIBUTE_DATA now{};
  if (!::GetFileAttributesExW(ConfigFile().c_str(), GetFileExInfoStandard, &now)) return text = {};
  if (std::memcmp(&now, &seen, sizeof now) != 0 || text.empty()) {
    seen = now;
    const Bytes bytes = ReadBytesOrEmpty(ConfigFile());
    text.assign(bytes.begin(), bytes.end());
  }
  return text;
}
inline bool FileHas(const std::string& text) { return ConfigText().find(text) != std::string::npos; }

inline bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 5000) {
  for (const ULONGLONG end = ::GetTickCount64() + timeoutMs; !condition(); ::Sleep(20))
    if (::GetTickCount64() >= end) return false;
  return true;
}

// Files created beside the executables (badge pictures, first-run sources), removed at the end.
class BesideExecutable {
 public:
  BesideExecutable() = default;
  BesideExecutable(const BesideExecutable&) = delete;
  ~BesideExecutable() {
    for (const std::wstring& path : created_) ::DeleteFileW(path.c_str());
  }
  bool File(const std::wstring& name, const Bytes& bytes) {
    created_.push_back(ExecutableFolder() + L"\\" + name);
    return WriteBytes(created_.back(), bytes);
  }

 private:
  std::vector<std::wstring> created_;
};

// Ctrl+Alt+V is registered by someone else (the program) when this process cannot take it.
inline bool ToggleHotkeyTaken() {
  if (!::RegisterHotKey(nullptr, 0x7000, MOD_CONTROL | MOD_ALT, 'V')) return true;
  ::UnregisterHotKey(nullptr, 0x7000);
  return false;
}
inline HWND FindMainWindow() { return ::FindWindowW(kMainWindowClass, nullptr); }
inline void PostCommand(HWND window, WORD id) { ::PostMessageW(window, WM_COMMAND, id, 0); }
inline void PressKey(HWND window, WPARAM key) {
  ::PostMessageW(window, WM_KEYDOWN, key, 0);
  ::PostMessageW(window, WM_KEYUP, key, 0xC0000000);
}

// The top-level windows of a process (any process when processId is 0), with their classes.
using TopWindow = std::pair<HWND, std::wstring>;
inline std::vector<TopWindow> TopWindows(DWORD processId) {
  std::vector<HWND> all;
  ::EnumWindows([](HWND window, LPARAM out) -> BOOL { return reinterpret_cast<std::vector<HWND>*>(out)->push_back(window), TRUE; },
                reinterpret_cast<LPARAM>(&all));
  std::vector<TopWindow> found;
  for (HWND window : all) {
    DWORD owner = 0;
    wchar_t name[128] = {};
    if (::GetWindowThreadProcessId(window, &owner) && (processId == 0 || owner == processId) && ::GetClassNameW(window, name, 128))
      found.emplace_back(window, name);
  }
  return found;
}
inline std::vector<HWND> WindowsOf(DWORD processId, const std::wstring& className, bool visibleOnly = false) {
  std::vector<HWND> found;
  for (const auto& [window, name] : TopWindows(processId))
    if (name == className && (!visibleOnly || ::IsWindowVisible(window))) found.push_back(window);
  return found;
}
inline std::function<HWND()> FirstWindowOf(DWORD processId, const wchar_t* className, bool visibleOnly = false) {
  return [=] {
    const std::vector<HWND> found = WindowsOf(processId, className, visibleOnly);
    return found.empty() ? nullptr : found.front();
  };
}
inline HWND FindVisibleMenu() { return FirstWindowOf(0, L"#32768", true)(); }  // of any process

// One running umbraline.exe; ended (Exit command, then kill) when the scope ends.
struct RunningProgram {
  explicit RunningProgram(std::wstring path = ExecutableFolder() + L"\\umbraline.exe") {
    STARTUPINFOW startup{sizeof startup};
    PROCESS_INFORMATION info{};
    std::wstring command = L"\"" + path + L"\"";
    if (::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                         path.substr(0, path.find_last_of(L'\\')).c_str(), &startup, &info)) {
      ::CloseHandle(info.hThread);
      process_ = info.hProcess;
    }
  }
  ~RunningProgram() { Stop(); }
  RunningProgram(const RunningProgram&) = delete;
  HWND WaitForWindow() {  // once start-up has finished
    if (process_) ::WaitForInputIdle(process_, 10000);
    WaitFor([] { return FindMainWindow() != nullptr; }, 10000);
    return FindMainWindow();
  }
  bool Running() const { return process_ && ::WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }
  DWORD WaitForExit() {  // the exit code, STILL_ACTIVE after 10 s
    DWORD code = STILL_ACTIVE;
    if (process_ && ::WaitForSingleObject(process_, 10000) == WAIT_OBJECT_0) ::GetExitCodeProcess(process_, &code);
    return code;
  }
  void Stop() {
    if (!process_) return;
    if (Running()) {
      if (HWND window = FindMainWindow()) PostCommand(window, IDM_EXIT);
      if (::WaitForSingleObject(process_, 5000) != WAIT_OBJECT_0) ::TerminateProcess(process_, 99);
      ::WaitForSingleObject(process_, 5000);
    }
    ::CloseHandle(process_);
    process_ = nullptr;
  }
  DWORD Id() const { return ::GetProcessId(process_); }
  HANDLE process_ = nullptr;
};

// Posts the message, waits for the window it opens, closes it with Esc: true when both happened.
inline bool OpenAndEsc(HWND mainWindow, UINT message, WPARAM command, const std::function<HWND()>& find,
                       int timeoutMs = 5000) {
  ::PostMessageW(mainWindow, message, command, 0);
  HWND opened = nullptr;
  if (!WaitFor([&] { return (opened = find()) != nullptr; }, timeoutMs)) return false;
  PressKey(opened, VK_ESCAPE);
  return WaitFor([&] { return find() == nullptr; }, timeoutMs);
}
inline bool OpenAndCloseBlackScreen(HWND mainWindow, DWORD processId, int timeoutMs = 5000) {
  return OpenAndEsc(mainWindow, WM_COMMAND, IDM_BLACK_ALL, FirstWindowOf(processId, kOverlayWindowClass), timeoutMs);
}

// ---- PNG files written byte by byte ----
inline void PutU32(Bytes& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}
inline void PutChunk(Bytes& png, const char* type, const Bytes& data) {
  PutU32(png, static_cast<std::uint32_t>(data.size()));
  const std::size_t start = png.size();
  png.insert(png.end(), type, type + 4);
  png.insert(png.end(), data.begin(), data.end());
  std::uint32_t crc = ~0u;
  for (std::size_t i = start; i < png.size(); ++i)
    for (int k = 0; k < 8; ++k) crc = ((crc ^ (png[i] >> k)) & 1) ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
  PutU32(png, ~crc);
}
// A black 1-bit greyscale PNG, its zeros in stored (uncompressed) deflate blocks; or, without data,
// only the signature and an IHDR that claims the size (8-bit RGBA).
inline Bytes Png(std::uint32_t width, std::uint32_t height, bool withData = true) {
  Bytes png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}, header, z = {0x78, 0x01};
  PutU32(header, width);
  PutU32(header, height);
  header.insert(header.end(), {static_cast<std::uint8_t>(withData ? 1 : 8), static_cast<std::uint8_t>(withData ? 0 : 6), 0, 0, 0});
  PutChunk(png, "IHDR", header);
  if (!withData) return png;
  const std::size_t count = (1 + (static_cast<std::size_t>(width) + 7) / 8) * height;
  for (std::size_t left = count; left > 0;) {
    const auto n = static_cast<std::uint16_t>(std::min<std::size_t>(left, 65535));
    left -= n;
    z.insert(z.end(), {left == 0, static_cast<std::uint8_t>(n), static_cast<std::uint8_t>(n >> 8),
                       static_cast<std::uint8_t>(~n), static_cast<std::uint8_t>(~n >> 8)});
    z.resize(z.size() + n, 0);
  }
  PutU32(z, (static_cast<std::uint32_t>(count % 65521) << 16) | 1u);  // Adler-32 of zeros
  PutChunk(png, "IDAT", z);
  PutChunk(png, "IEND", {});
  return png;
}

// ---- the screen and real input ----
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
inline std::vector<HWND> OverlayWindows() { return WindowsOf(0, kOverlayWindowClass, true); }

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
inline bool SendKeys(std::initializer_list<WORD> keys) {  // real input: pressed in order, released in reverse
  std::vector<INPUT> in(keys.size() * 2, INPUT{INPUT_KEYBOARD});
  for (std::size_t i = 0; i < keys.size(); ++i) {
    in[i].ki.wVk = in[in.size() - 1 - i].ki.wVk = keys.begin()[i];
    in[in.size() - 1 - i].ki.dwFlags = KEYEVENTF_KEYUP;
  }
  return SendInputs(in);
}

// Writes config.ini (read again at each opening of the black screen).
inline bool WriteConfig(const Bytes& bytes) {
  ::SHCreateDirectoryExW(nullptr, ConfigFolder().c_str(), nullptr);
  return WriteBytes(ConfigFile(), bytes);
}
inline bool WriteConfig(const std::string& text) { return WriteConfig(ToBytes(text)); }
