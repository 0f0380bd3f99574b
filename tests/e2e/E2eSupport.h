#pragma once
// Drives the real umbraline.exe (beside the test executable) from this process.
#include <windows.h>
#include <shlobj.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <string>
#include <thread>

#include "TestSupport.h"

inline std::wstring ProgramPath() { return ExecutableFolder() + L"\\umbraline.exe"; }

inline std::wstring RoamingFolder() {
  wchar_t* raw = nullptr;
  std::wstring path;
  if (SUCCEEDED(::SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, &raw)) && raw) path = raw;
  ::CoTaskMemFree(raw);
  return path;
}

inline std::wstring ConfigFolder() { return RoamingFolder() + L"\\kestov\\Umbraline"; }
inline std::wstring ConfigFile() { return ConfigFolder() + L"\\config.ini"; }

// Waits up to timeoutMs for the condition, checking every 20 ms.
inline bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 5000) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (std::chrono::steady_clock::now() < end) {
    if (condition()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return condition();
}

// The Ctrl+Alt+V chord is registered by someone (the program) when this process cannot take it.
// The probe holds the chord only between two calls, so the program's own registration is very
// unlikely to meet it.
inline bool ToggleHotkeyTaken() {
  if (!::RegisterHotKey(nullptr, 0x7000, MOD_CONTROL | MOD_ALT, 'V')) return true;
  ::UnregisterHotKey(nullptr, 0x7000);
  return false;
}

inline HWND FindMainWindow() { return ::FindWindowW(L"Umbraline.MainWindow", nullptr); }

inline std::string FileText(const std::wstring& path) {
  const Bytes bytes = ReadBytesOrEmpty(path);
  return std::string(bytes.begin(), bytes.end());
}

// Waits for config.ini to hold line. The file is opened only when its attributes (times, size) have
// changed, that is after a save: under Wine a handle held by another process makes the save's
// rename onto the file fail, so a reader polling the file during a save would make it lose.
inline bool WaitForConfigLine(const std::string& line, int timeoutMs = 5000) {
  WIN32_FILE_ATTRIBUTE_DATA seen{};
  bool first = true;
  return WaitFor([&] {
    WIN32_FILE_ATTRIBUTE_DATA now{};
    if (!::GetFileAttributesExW(ConfigFile().c_str(), GetFileExInfoStandard, &now)) return false;
    if (!first && std::memcmp(&now, &seen, sizeof now) == 0) return false;
    first = false;
    seen = now;
    return FileText(ConfigFile()).find(line) != std::string::npos;
  }, timeoutMs);
}

// The visible popup menu window of any process ("#32768"), or null.
inline HWND FindVisibleMenu() {
  HWND found = nullptr;
  ::EnumWindows(
      [](HWND window, LPARAM out) -> BOOL {
        wchar_t name[32] = {};
        ::GetClassNameW(window, name, 32);
        if (std::wstring(name) == L"#32768" && ::IsWindowVisible(window)) {
          *reinterpret_cast<HWND*>(out) = window;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

inline void PressKey(HWND window, WPARAM key) {
  ::PostMessageW(window, WM_KEYDOWN, key, 0);
  ::PostMessageW(window, WM_KEYUP, key, 0xC0000000);
}

// One running umbraline.exe; ended (Exit command, then kill) when the scope ends.
class RunningProgram {
 public:
  RunningProgram() : path_(ProgramPath()) { Start(); }
  explicit RunningProgram(std::wstring path) : path_(std::move(path)) { Start(); }
  ~RunningProgram() { Stop(); }
  RunningProgram(const RunningProgram&) = delete;
  RunningProgram& operator=(const RunningProgram&) = delete;

  bool Start() {
    STARTUPINFOW startup{sizeof startup};
    PROCESS_INFORMATION info{};
    std::wstring command = L"\"" + path_ + L"\"";
    const std::wstring folder = path_.substr(0, path_.find_last_of(L'\\'));
    if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                          &info))
      return false;
    ::CloseHandle(info.hThread);
    process_ = info.hProcess;
    return true;
  }

  // Waits until start-up has finished (the message loop waits for input) and returns the main window.
  HWND WaitForWindow(int timeoutMs = 10000) {
    if (process_) ::WaitForInputIdle(process_, static_cast<DWORD>(timeoutMs));
    HWND window = nullptr;
    WaitFor([&] {
      window = FindMainWindow();
      return window != nullptr;
    }, timeoutMs);
    return window;
  }

  bool Running() const { return process_ && ::WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }

  // Waits for the process to end and returns its exit code (STILL_ACTIVE on timeout).
  DWORD WaitForExit(int timeoutMs = 10000) {
    if (!process_) return static_cast<DWORD>(-1);
    ::WaitForSingleObject(process_, static_cast<DWORD>(timeoutMs));
    DWORD code = STILL_ACTIVE;
    ::GetExitCodeProcess(process_, &code);
    return code;
  }

  void Stop() {
    if (!process_) return;
    if (Running()) {
      if (HWND window = FindMainWindow()) ::PostMessageW(window, WM_COMMAND, 1007, 0);
      if (::WaitForSingleObject(process_, 5000) != WAIT_OBJECT_0) ::TerminateProcess(process_, 99);
      ::WaitForSingleObject(process_, 5000);
    }
    ::CloseHandle(process_);
    process_ = nullptr;
  }

  HANDLE Process() const { return process_; }

 private:
  std::wstring path_;
  HANDLE process_ = nullptr;
};

// Each test starts from no configuration at all.
inline void ForgetConfiguration() { RemoveTree(RoamingFolder() + L"\\kestov"); }
