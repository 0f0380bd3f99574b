#pragma once
// Drives the real umbraline.exe beside the test executable and sees what another process sees of it.
#include <algorithm>
#include <functional>
#include <memory>

#include "TestSupport.h"  // windows.h first
#include "base/Messages.h"
#include "config/ConfigLocation.h"

inline constexpr const wchar_t* kWineX11 = L"Software\\Wine\\X11 Driver";  // its "Managed" value
inline constexpr RECT kPrimaryMonitor{0, 0, 1280, 800}, kSecondMonitor{1280, 0, 2304, 768};
inline constexpr POINT kOnPrimary{640, 400}, kOnSecond{1800, 400};
// No fade, no clock, opaque badges, the hotkey Ctrl+Alt+V opening the black screen on the cursor's monitor.
inline const std::string kPlainConfig =
    "[General]\r\nSleepPrevent=0\r\nKeepActive=0\r\nRunAtStartup=0\r\n[Overlay]\r\nFadeInDurationMs=0\r\n"
    "ClockDisplay=None\r\nBadgeAlpha=255\r\n[Hotkey]\r\nAction=BlackCurrent\r\nToggleHotkey=VK_V\r\n";

inline std::wstring ConfigFolder() { return GetRoamingAppDataFolder() + L"kestov\\Umbraline"; }
inline std::wstring ConfigFile() { return ConfigFolder() + L"\\config.ini"; }
inline void ForgetConfiguration() { RemoveTree(std::filesystem::path(ConfigFolder()).parent_path().wstring()); }
inline bool WriteConfig(const std::string& text) {
  return ::SHCreateDirectoryExW(nullptr, ConfigFolder().c_str(), nullptr), WriteBytes(ConfigFile(), ToBytes(text));
}
// Polling is safe: a save whose rename meets this read waits and tries again.
inline std::string ConfigText() {
  const Bytes bytes = ReadBytesOrEmpty(ConfigFile());
  return {bytes.begin(), bytes.end()};
}
inline bool FileHas(const std::string& text) { return ConfigText().find(text) != std::string::npos; }

inline bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 5000) {
  for (const ULONGLONG end = ::GetTickCount64() + timeoutMs; !condition(); ::Sleep(20))
    if (::GetTickCount64() >= end) return false;
  return true;
}

// Files created beside the executables (badge pictures), removed at the end of the scope.
struct BesideExecutable {
  ~BesideExecutable() {
    std::for_each(created.begin(), created.end(), [](auto& f) { ::DeleteFileW(f.c_str()); });
  }
  bool File(const std::wstring& name, const Bytes& bytes) {
    return WriteBytes(created.emplace_back(ExecutableFolder() + L"\\" + name), bytes);
  }
  std::vector<std::wstring> created;
};
// 30x20, opaque: the top-left quarter 0xE03C28, the rest 0x28A0E0 (so that flips show).
inline Bytes BadgePicture() { return ReadBytesOrEmpty(SourcePath(L"tests/e2e/badge.png")); }

inline bool PostCommand(HWND window, WORD id) { return ::PostMessageW(window, WM_COMMAND, id, 0) != FALSE; }
inline bool RunCommand(HWND mainWindow, WORD command) {  // returns once the program has carried it out
  return ::SendMessageTimeoutW(mainWindow, WM_COMMAND, command, 0, SMTO_NORMAL, 15000, nullptr) != 0;
}
inline void PressKey(HWND window, WPARAM key) {
  ::PostMessageW(window, WM_KEYDOWN, key, 0), ::PostMessageW(window, WM_KEYUP, key, 0xC0000000);
}

// The top-level windows of a process (any process when processId is 0) of a class (any when null).
inline std::vector<HWND> WindowsOf(DWORD processId, const wchar_t* className, bool visibleOnly = false) {
  std::vector<HWND> found;
  DWORD owner = 0;
  for (HWND w = nullptr; (w = ::FindWindowExW(nullptr, w, className, nullptr)) != nullptr;)
    if (::GetWindowThreadProcessId(w, &owner) && (!processId || owner == processId) &&
        (!visibleOnly || ::IsWindowVisible(w)))
      found.push_back(w);
  return found;
}
inline HWND FirstVisible(const wchar_t* className) {
  const auto found = WindowsOf(0, className, true);
  return found.empty() ? nullptr : found[0];
}
inline HWND FindVisibleMenu() { return FirstVisible(L"#32768"); }
inline std::vector<HWND> OverlayWindows() { return WindowsOf(0, kOverlayWindowClass, true); }  // visible ones

// True when the visible overlay windows are exactly the given rectangles (listed left to right).
inline bool OverlaysCover(const std::vector<RECT>& monitors) {
  std::vector<RECT> rects;
  for (HWND window : OverlayWindows()) ::GetWindowRect(window, &rects.emplace_back());
  std::sort(rects.begin(), rects.end(), [](const RECT& a, const RECT& b) { return a.left < b.left; });
  return std::equal(rects.begin(), rects.end(), monitors.begin(), monitors.end(),
                    [](const RECT& a, const RECT& b) { return ::EqualRect(&a, &b) != FALSE; });
}
inline bool WaitForOverlays(const std::vector<RECT>& monitors, int ms = 8000) {
  return WaitFor([&] { return OverlaysCover(monitors); }, ms);
}

// One running umbraline.exe (output to the given handles), ended (Exit, then kill) with the scope.
struct RunningProgram {
  explicit RunningProgram(std::wstring path = ExecutableFolder() + L"\\umbraline.exe",
                          const std::wstring& arguments = L"", HANDLE out = nullptr, HANDLE err = nullptr) {
    STARTUPINFOW startup{sizeof startup};
    startup.dwFlags = out ? STARTF_USESTDHANDLES : 0, startup.hStdOutput = out, startup.hStdError = err;
    std::wstring command = L"\"" + path + L"\" " + arguments;
    PROCESS_INFORMATION info{};
    if (::CreateProcessW(nullptr, command.data(), nullptr, nullptr, out != nullptr, 0, nullptr, nullptr, &startup,
                         &info))
      ::CloseHandle(info.hThread), process_ = info.hProcess;
  }
  ~RunningProgram() { Stop(); }
  RunningProgram(const RunningProgram&) = delete;
  HWND WaitForWindow() {  // once start-up has finished
    if (process_) ::WaitForInputIdle(process_, 10000);
    return WaitFor([] { return FindMainWindow() != nullptr; }, 10000) ? FindMainWindow() : nullptr;
  }
  bool Running() const { return process_ && ::WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }
  DWORD WaitForExit(DWORD timeoutMs = 10000) {  // the exit code, STILL_ACTIVE after the time-out
    DWORD code = STILL_ACTIVE;
    return process_ && ::WaitForSingleObject(process_, timeoutMs) == WAIT_OBJECT_0 &&
                   ::GetExitCodeProcess(process_, &code)
               ? code
               : STILL_ACTIVE;
  }
  void Stop() {
    if (Running() && FindMainWindow()) PostCommand(FindMainWindow(), IDM_EXIT);
    if (Running() && ::WaitForSingleObject(process_, 5000) != WAIT_OBJECT_0) ::TerminateProcess(process_, 99);
    if (process_) ::WaitForSingleObject(process_, 5000), ::CloseHandle(process_), process_ = nullptr;
  }
  DWORD Id() const { return ::GetProcessId(process_); }
  HANDLE process_ = nullptr;
};

// A call as a script makes it: umbraline.exe with the arguments, its exit code and output.
struct CallResult {
  DWORD code = STILL_ACTIVE;
  std::string out, err;
};
inline CallResult RunCall(const std::wstring& arguments) {
  SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
  HANDLE reads[2] = {}, writes[2] = {};
  for (int i = 0; i < 2; ++i)
    ::CreatePipe(&reads[i], &writes[i], &inherited, 65536), ::SetHandleInformation(reads[i], HANDLE_FLAG_INHERIT, 0);
  CallResult result{
      RunningProgram(ExecutableFolder() + L"\\umbraline.exe", arguments, writes[0], writes[1]).WaitForExit(30000)};
  for (int i = 0; i < 2; ++i) {  // peeked: a program the call started may hold the pipes open
    const KernelHandle read(reads[i]), write(writes[i]);
    std::string& text = i ? result.err : result.out;
    DWORD size = 0, got = 0;
    text.resize(::PeekNamedPipe(reads[i], nullptr, 0, nullptr, &size, nullptr) ? size : 0);
    text.resize(size && ::ReadFile(reads[i], text.data(), size, &got, nullptr) ? got : 0);
  }
  return result;
}

// Posts the message, waits for the window of that class it opens, closes it with Esc: true when both happened.
inline bool OpenAndEsc(HWND mainWindow, UINT message, WPARAM command, const wchar_t* className, int timeoutMs = 5000) {
  ::PostMessageW(mainWindow, message, command, 0);
  if (!WaitFor([&] { return FirstVisible(className) != nullptr; }, timeoutMs)) return false;
  PressKey(FirstVisible(className), VK_ESCAPE);
  return WaitFor([&] { return !FirstVisible(className); }, timeoutMs);
}

// The screen of both monitors, 2304x800 pixels; empty when it cannot be read.
using Screen = std::vector<std::uint32_t>;
inline Screen CaptureScreen() {
  WindowDc screen(nullptr);
  BITMAPINFO info{{sizeof(BITMAPINFOHEADER), 2304, -800, 1, 32, BI_RGB}};
  void* bits = nullptr;
  BitmapHandle bitmap(::CreateDIBSection(screen.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  MemoryDcHandle memory(::CreateCompatibleDC(screen.Get()));
  SelectedObject selection(memory.Get(), bitmap.Get());
  if (!bits || !::BitBlt(memory.Get(), 0, 0, 2304, 800, screen.Get(), 0, 0, SRCCOPY) || !::GdiFlush()) return {};
  return Screen(static_cast<const std::uint32_t*>(bits), static_cast<const std::uint32_t*>(bits) + 2304 * 800);
}
// Pixels in area whose colour (0xRRGGBB: the alpha byte of a screen read is junk) is or is not colour.
inline int Count(const Screen& shot, const RECT& area, std::uint32_t colour, bool is = true) {
  int count = shot.empty() ? -1 : 0;  // -1 for a failed shot
  for (int y = area.top; y < area.bottom && !shot.empty(); ++y)
    for (int x = area.left; x < area.right; ++x) count += ((shot[y * 2304 + x] & 0xFFFFFF) == colour) == is;
  return count;
}

inline bool SendInputs(std::vector<INPUT> in) {
  return ::SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT)) == in.size();
}
inline bool SendMouse(std::initializer_list<DWORD> flags, DWORD data = 0) {
  std::vector<INPUT> in(flags.size(), INPUT{INPUT_MOUSE});
  for (std::size_t i = 0; i < in.size(); ++i) in[i].mi = MOUSEINPUT{0, 0, data, flags.begin()[i]};
  return SendInputs(in);
}
inline bool SendKeys(std::initializer_list<WORD> keys) {  // pressed in order, released in reverse
  std::vector<INPUT> in(keys.size() * 2, INPUT{INPUT_KEYBOARD});
  for (std::size_t i = 0; i < keys.size(); ++i)
    in[i].ki.wVk = in[in.size() - 1 - i].ki.wVk = keys.begin()[i], in[in.size() - 1 - i].ki.dwFlags = KEYEVENTF_KEYUP;
  return SendInputs(in);
}
inline bool MoveCursor(POINT p) { return ::SetCursorPos(p.x, p.y) != FALSE; }
