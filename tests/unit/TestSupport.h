#pragma once
// Helpers of the in-process tests: files and folders, a clean AppState, a private roaming folder, seams.
#include <windows.h>
#include <shlobj.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "app/CommandLineCalls.h"
#include "app/MainWindow.h"
#include "app/Startup.h"
#include "base/Handles.h"
#include "base/Helpers.h"
#include "base/SystemSeams.h"
#include "config/StartupShortcut.h"
#include "overlay/Overlay.h"

using Bytes = std::vector<std::uint8_t>;

inline Bytes ToBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }
inline Bytes Concat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}
inline Bytes Utf16Le(const std::wstring& text, bool mark) {
  Bytes out = mark ? Bytes{0xFF, 0xFE} : Bytes{};
  for (wchar_t c : text)
    out.insert(out.end(), {static_cast<std::uint8_t>(c & 0xFF), static_cast<std::uint8_t>(c >> 8)});
  return out;
}
inline Bytes Utf8Bytes(const std::wstring& text) { return ToBytes(ToUtf8(text)); }

// Writes or reads a whole file; reading shares everything so it works beside the program's own handles.
inline bool TransferBytes(const std::wstring& path, Bytes& bytes, bool write) {
  const FileHandle file(::CreateFileW(path.c_str(), write ? GENERIC_WRITE : GENERIC_READ,
                                      write ? 0 : FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      write ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  if (LARGE_INTEGER size{}; !write && ::GetFileSizeEx(file.Get(), &size))
    bytes.assign(static_cast<std::size_t>(size.QuadPart), 0);
  DWORD done = 0, n = static_cast<DWORD>(bytes.size());
  return n == 0 || ((write ? ::WriteFile(file.Get(), bytes.data(), n, &done, nullptr)
                           : ::ReadFile(file.Get(), bytes.data(), n, &done, nullptr)) &&
                    done == n);
}
inline bool WriteBytes(const std::wstring& path, Bytes bytes) { return TransferBytes(path, bytes, true); }
inline Bytes ReadBytesOrEmpty(const std::wstring& path) {
  Bytes bytes;
  return TransferBytes(path, bytes, false) ? bytes : Bytes{};
}
inline bool PathExists(const std::wstring& path) {
  return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}
inline void RemoveTree(const std::wstring& folder) {
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
}

// A fresh folder under %TEMP%, removed with everything in it at the end of the scope.
struct TempFolder {
  TempFolder() {
    static unsigned counter = 0;
    const std::wstring name = std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(::GetTickCount());
    path_ = std::filesystem::temp_directory_path() / (L"umbraline-test-" + name + L"-" + std::to_wstring(++counter));
    ::CreateDirectoryW(path_.c_str(), nullptr);
  }
  ~TempFolder() { RemoveTree(path_); }
  TempFolder(const TempFolder&) = delete;  // one owner removes the folder
  const std::wstring& Path() const { return path_; }
  std::wstring File(const std::wstring& name) const { return path_ + L"\\" + name; }
  std::wstring path_;
};

// Holds a file open without any sharing (or only `share`), so no other open (and no rename onto it) succeeds.
struct LockedFile {
  explicit LockedFile(const std::wstring& path, DWORD share = 0)
      : handle_(
            ::CreateFileW(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)) {}
  bool Held() const { return bool(handle_); }
  FileHandle handle_;
};

// Path of a file in the source tree, as Wine sees it (Z: is the Linux root).
inline std::wstring SourcePath(const std::wstring& relative) {
  std::wstring path = std::wstring(UMBRALINE_SOURCE_DIR) + L"/" + relative;
  if (path[0] == L'/') path = L"Z:" + path;
  for (wchar_t& c : path) c = c == L'/' ? L'\\' : c;
  return path;
}

// "long" (scripts/stress): the load tests push harder.
inline bool LongTestMode() {
  wchar_t m[16] = {};
  return ::GetEnvironmentVariableW(L"UMBRALINE_TEST_MODE", m, 16) && m == std::wstring(L"long");
}

// A clean AppState with its own config.ini (holding `configText`, if any) in a private folder.
struct AppScope {
  explicit AppScope(const std::string& configText = "") {
    App() = AppState{};
    App().instance = ::GetModuleHandleW(nullptr);
    App().configPath = folder_.File(L"config.ini");
    if (!configText.empty()) WriteBytes(App().configPath, ToBytes(configText));
  }
  ~AppScope() {
    if (App().mainWindow != nullptr) ::DestroyWindow(App().mainWindow);  // its hotkey goes with it
    App() = AppState{};
    MSG quit;  // WM_DESTROY of the main window posts WM_QUIT; do not let it reach a later test's message loop.
    while (::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) continue;
  }
  AppScope(const AppScope&) = delete;
  HWND MakeMainWindow() { return CreateMainWindow(); }
  std::string ConfigText() const {
    const Bytes bytes = ReadBytesOrEmpty(App().configPath);
    return {bytes.begin(), bytes.end()};
  }
  TempFolder folder_;
};

// Whether someone (the program, for instance) holds the hotkey: this thread cannot register it then.
inline bool HotkeyTaken(UINT modifiers, UINT key) {
  return !::RegisterHotKey(nullptr, 0x7F00, modifiers, key) || !::UnregisterHotKey(nullptr, 0x7F00);
}

// A seam for SystemParametersInfoW: high contrast is `highContrast`, every other answer the system's.
inline bool highContrast = false;
inline BOOL WINAPI AnswerHighContrast(UINT action, UINT size, PVOID data, UINT flags) {
  if (action != SPI_GETHIGHCONTRAST) return ::SystemParametersInfoW(action, size, data, flags);
  static_cast<HIGHCONTRASTW*>(data)->dwFlags = highContrast ? HCF_HIGHCONTRASTON : 0;
  return TRUE;
}

// A window station no one sees (a task run whether the user is logged on or not): no WSF_VISIBLE.
inline BOOL WINAPI InvisibleStation(HANDLE, int, PVOID flags, DWORD, LPDWORD) {
  static_cast<USEROBJECTFLAGS*>(flags)->dwFlags = 0;
  return TRUE;
}

inline LRESULT CallProgram(const std::vector<std::wstring>& args) {
  std::wstring data = EncodeCommandLineData(args);
  const COPYDATASTRUCT message{kCommandLineCopyDataTag, static_cast<DWORD>(data.size() * 2), data.data()};
  return AnswerCommandLineCall(&message);
}

inline bool TakePosted(HWND window, UINT message) {
  MSG m;
  return ::PeekMessageW(&m, window, message, message, PM_REMOVE) != 0;
}

// Records the thread's execution state requests instead of making them.
inline std::vector<EXECUTION_STATE> executionStates;
struct StateSeams : ScopedSeams {
  StateSeams() {
    executionStates.clear();
    Seams().setThreadExecutionState = [](EXECUTION_STATE s) {
      executionStates.push_back(s);
      return EXECUTION_STATE{ES_CONTINUOUS};
    };
  }
};

inline std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }
inline Bytes DefaultTextBytes() { return ReadBytesOrEmpty(SourcePath(L"resources/default-config.ini")); }

// The user's folders as the unit tests see them through the seams (PrivateUserFolders.cpp sets them up):
// a roaming folder and a Startup folder of the tests' own, and no other folder.
inline std::wstring testRoaming, testStartup;
inline HRESULT WINAPI TestUserFolder(HWND, int folder, HANDLE, DWORD, LPWSTR path) {
  const std::wstring own = folder == CSIDL_APPDATA ? testRoaming : folder == CSIDL_STARTUP ? testStartup : L"";
  if (own.empty()) return E_FAIL;
  CopyTruncated(path, MAX_PATH, own);
  return S_OK;
}

// A fresh roaming folder, App().configPath cleared, no save owed, no Startup shortcut; all put back at the end.
struct ConfigScope {
  ConfigScope() { Clear(); }
  ~ConfigScope() {
    Clear();
    App().settings = settings_;
    App().configPath = path_;
    testRoaming = roaming_;
  }
  static void Clear() {
    ::DeleteFileW(StartupShortcutPath().c_str());
    App().configPath.clear();
    App().savedSettingsText.clear();
    App().settingsFromFile = App().configSavePending = false;
  }
  std::wstring File() const { return roaming.Path() + L"\\kestov\\Umbraline\\config.ini"; }
  TempFolder roaming;
  std::wstring roaming_ = std::exchange(testRoaming, roaming.Path());
  Settings settings_ = App().settings;
  std::wstring path_ = App().configPath;
};

// A state whose config.ini holds the given [Overlay] lines.
struct OverlayScope : AppScope {
  explicit OverlayScope(const std::string& lines = "FadeInDurationMs=0\nClockDisplay=None\n")
      : AppScope("[Overlay]\n" + lines) {
    App().overlayDismissedHandler = [] { ++Dismissals(); };
    Dismissals() = 0;
  }
  ~OverlayScope() { CloseOverlays(); }
  static int& Dismissals() {
    static int count = 0;
    return count;
  }
};

inline BadgeImage SolidBadge(int w, int h, std::uint32_t bgra) {
  return {std::vector<std::uint32_t>(std::size_t(w) * h, bgra), w, h, true};
}

// Delivers whatever is queued for this thread's windows, for at least `forMs`.
inline void PumpMessages(DWORD forMs) {
  const ULONGLONG end = ::GetTickCount64() + forMs;
  do {
    for (MSG message; ::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE);) {
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
    ::Sleep(5);
  } while (::GetTickCount64() < end);
}
