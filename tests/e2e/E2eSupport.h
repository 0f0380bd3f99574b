#pragma once
// Drives the real umbraline.exe beside the test executable and sees what another process sees of it.
#include <algorithm>
#include <functional>
#include <memory>

#include "TestSupport.h"  // windows.h first
#include "base/Messages.h"
#include "config/ConfigLocation.h"

inline constexpr RECT kPrimaryMonitor{0, 0, 1280, 800}, kSecondMonitor{1280, 0, 2304, 768};
inline constexpr POINT kOnPrimary{640, 400}, kOnSecond{1800, 400};
// No fade, no clock, the hotkey Ctrl+Alt+V opening the black screen on the cursor's monitor.
inline const std::string kPlainConfig =
    "[General]\r\nSleepPrevent=0\r\nKeepActive=0\r\nRunAtStartup=0\r\n[Overlay]\r\nFadeInDurationMs=0\r\n"
    "ClockDisplay=None\r\n[Hotkey]\r\nAction=BlackCurrent\r\nToggleHotkey=VK_V\r\n";

inline std::wstring ConfigFolder() { return GetRoamingAppDataFolder() + L"kestov\\Umbraline"; }
inline std::wstring ConfigFile() { return ConfigFolder() + L"\\config.ini"; }
inline void ForgetConfiguration() { RemoveTree(std::filesystem::path(ConfigFolder()).parent_path().wstring()); }
inline bool WriteConfig(const std::string& text) {  // the only file there
  ForgetConfiguration();
  ::SHCreateDirectoryExW(nullptr, ConfigFolder().c_str(), nullptr);
  return WriteBytes(ConfigFile(), ToBytes(text));
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
// A pause in which queued input is read (before checking that it changed nothing); always true.
inline bool Pause(DWORD ms = 300) {
  ::Sleep(ms);
  return true;
}

inline bool PostCommand(HWND window, WORD id) { return ::PostMessageW(window, WM_COMMAND, id, 0) != FALSE; }
inline bool PressKey(HWND window, WPARAM key) {
  return ::PostMessageW(window, WM_KEYDOWN, key, 0) && ::PostMessageW(window, WM_KEYUP, key, 0xC0000000);
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
    STARTUPINFOW startup{
        .cb = sizeof startup, .dwFlags = out ? STARTF_USESTDHANDLES : 0u, .hStdOutput = out, .hStdError = err};
    std::wstring command = L"\"" + path + L"\" " + arguments;
    PROCESS_INFORMATION info{};
    ::CreateProcessW(nullptr, command.data(), nullptr, nullptr, out != nullptr, 0, nullptr, nullptr, &startup, &info);
    process_.Reset(info.hProcess);
    const KernelHandle thread(info.hThread);
  }
  ~RunningProgram() { Stop(); }
  HWND WaitForWindow() {  // once start-up has finished
    if (process_) ::WaitForInputIdle(process_.Get(), 10000);
    return WaitFor([] { return FindMainWindow() != nullptr; }, 10000) ? FindMainWindow() : nullptr;
  }
  bool Running() const { return process_ && ::WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT; }
  DWORD WaitForExit(DWORD timeoutMs = 10000) {  // the exit code, STILL_ACTIVE after the time-out
    DWORD code = STILL_ACTIVE;
    const bool ended = process_ && ::WaitForSingleObject(process_.Get(), timeoutMs) == WAIT_OBJECT_0;
    return ended && ::GetExitCodeProcess(process_.Get(), &code) ? code : STILL_ACTIVE;
  }
  void Stop() {
    if (Running() && FindMainWindow()) PostCommand(FindMainWindow(), IDM_EXIT);
    if (WaitForExit(5000) == STILL_ACTIVE && Running()) ::TerminateProcess(process_.Get(), 99);
    WaitForExit(5000);
  }
  KernelHandle process_;
};

// A call as a script makes it: umbraline.exe with the arguments, its exit code and output.
struct CallResult {
  DWORD code = STILL_ACTIVE;
  std::string out, err;
};
inline CallResult RunCall(const std::wstring& arguments) {
  SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
  KernelHandle reads[2], writes[2];
  for (int i = 0; i < 2; ++i) {
    ::CreatePipe(reads[i].Put(), writes[i].Put(), &inherited, 65536);
    ::SetHandleInformation(reads[i].Get(), HANDLE_FLAG_INHERIT, 0);
  }
  const std::wstring exe = ExecutableFolder() + L"\\umbraline.exe";
  CallResult result{RunningProgram(exe, arguments, writes[0].Get(), writes[1].Get()).WaitForExit(30000)};
  for (int i = 0; i < 2; ++i) {  // peeked: a program the call started may hold the pipes open
    std::string& text = i ? result.err : result.out;
    DWORD size = 0, got = 0;
    text.resize(::PeekNamedPipe(reads[i].Get(), nullptr, 0, nullptr, &size, nullptr) ? size : 0);
    text.resize(size && ::ReadFile(reads[i].Get(), text.data(), size, &got, nullptr) ? got : 0);
  }
  return result;
}

inline bool SendInputs(std::vector<INPUT> in) {
  return ::SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT)) == in.size();
}
inline bool SendKeys(std::initializer_list<WORD> keys) {  // pressed in order, released in reverse
  std::vector<INPUT> in;
  for (WORD key : keys) in.push_back({INPUT_KEYBOARD, {.ki = {key}}});
  for (auto key = std::rbegin(keys); key != std::rend(keys); ++key)
    in.push_back({INPUT_KEYBOARD, {.ki = {*key, 0, KEYEVENTF_KEYUP}}});
  return SendInputs(in);
}
inline bool Hotkey() { return SendKeys({VK_CONTROL, VK_MENU, 'V'}); }
inline bool MoveCursor(POINT p) { return ::SetCursorPos(p.x, p.y) != FALSE; }
