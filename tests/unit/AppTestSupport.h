#pragma once
// A clean AppState with its own config.ini in a private folder and, on request, the hidden main window.
#include <windows.h>

#include <string>

#include "TestSupport.h"
#include "app/AppState.h"
#include "app/Startup.h"

class AppScope {
 public:
  // Starts from fresh defaults; config.ini holds `configText` (nothing is written when empty).
  explicit AppScope(const std::string& configText = "") {
    App() = AppState{};
    App().instance = ::GetModuleHandleW(nullptr);
    App().configPath = folder_.File(L"config.ini");
    if (!configText.empty()) WriteBytes(App().configPath, ToBytes(configText));
  }
  ~AppScope() {
    if (App().mainWindow != nullptr) {
      ::UnregisterHotKey(App().mainWindow, 1);
      ::DestroyWindow(App().mainWindow);
    }
    App() = AppState{};
    // WM_DESTROY of the main window posts WM_QUIT; do not let it reach a later test's message loop.
    MSG message;
    while (::PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
  }
  AppScope(const AppScope&) = delete;
  AppScope& operator=(const AppScope&) = delete;

  HWND MakeMainWindow() { return CreateMainWindow(); }
  const std::wstring& ConfigPath() const { return App().configPath; }
  std::string ConfigText() const {
    const Bytes bytes = ReadBytesOrEmpty(App().configPath);
    return std::string(bytes.begin(), bytes.end());
  }
  const TempFolder& Folder() const { return folder_; }

 private:
  TempFolder folder_;
};

// Takes a posted message of the given number for the window, if one is waiting.
inline bool TakePosted(HWND window, UINT message, MSG* out = nullptr) {
  MSG taken;
  if (!::PeekMessageW(&taken, window, message, message, PM_REMOVE)) return false;
  if (out != nullptr) *out = taken;
  return true;
}
