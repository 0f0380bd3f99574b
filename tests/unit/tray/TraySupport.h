#pragma once
// Helpers for the tray tests: the Language setting and the user's UI language for one scope.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/AppState.h"
#include "app/SystemSeams.h"

// UTF-8 for test messages.
inline std::string Narrow(const std::wstring& text) {
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

namespace tray_test {
inline LANGID fakeUserUiLanguage = 0x0409;
inline LANGID WINAPI FakeGetUserDefaultUILanguage() { return fakeUserUiLanguage; }
}  // namespace tray_test

// Makes Seams().getUserDefaultUILanguage report `langId` (restore the seams with ScopedSeams).
inline void FakeUserUiLanguage(LANGID langId) {
  tray_test::fakeUserUiLanguage = langId;
  Seams().getUserDefaultUILanguage = tray_test::FakeGetUserDefaultUILanguage;
}

// Sets App().settings.Language for one scope; afterwards restores it and clears the thread's
// preferred UI languages.
class ScopedLanguage {
 public:
  explicit ScopedLanguage(const std::wstring& language) : saved_(App().settings.Language) {
    App().settings.Language = language;
  }
  ~ScopedLanguage() {
    App().settings.Language = saved_;
    ::SetThreadPreferredUILanguages(0, nullptr, nullptr);
  }
  ScopedLanguage(const ScopedLanguage&) = delete;
  ScopedLanguage& operator=(const ScopedLanguage&) = delete;

 private:
  std::wstring saved_;
};

// A hidden top-level window of this test process, destroyed at the end of the scope.
class TestWindow {
 public:
  TestWindow() {
    static const ATOM atom = [] {
      WNDCLASSW wc{};
      wc.lpfnWndProc = ::DefWindowProcW;
      wc.hInstance = ::GetModuleHandleW(nullptr);
      wc.lpszClassName = L"Umbraline.TrayTestWindow";
      return ::RegisterClassW(&wc);
    }();
    window_.Reset(::CreateWindowExW(0, MAKEINTATOM(atom), L"tray test", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr,
                                    ::GetModuleHandleW(nullptr), nullptr));
  }
  HWND Get() const { return window_.Get(); }

 private:
  WindowHandle window_;
};

// Gives the tray fields of App() a clean start and puts everything back at the end of the scope:
// an icon still in the notification area is deleted, the tray record and icon are cleared, and
// instance, main window, settings, theme and overlay list are restored.
class ScopedTrayState {
 public:
  ScopedTrayState()
      : instance_(App().instance),
        mainWindow_(App().mainWindow),
        settings_(App().settings),
        darkMode_(App().darkMode) {
    Clear();
    App().instance = ::GetModuleHandleW(nullptr);
  }
  ~ScopedTrayState() {
    Clear();
    App().instance = instance_;
    App().mainWindow = mainWindow_;
    App().settings = settings_;
    App().darkMode = darkMode_;
    App().overlayWindows.clear();
  }
  ScopedTrayState(const ScopedTrayState&) = delete;
  ScopedTrayState& operator=(const ScopedTrayState&) = delete;

 private:
  static void Clear() {
    if (App().trayIconAdded) ::Shell_NotifyIconW(NIM_DELETE, &App().trayIconData);
    App().trayIconAdded = false;
    App().trayIconData = NOTIFYICONDATAW{};
    App().trayIcon.Reset();
  }

  HINSTANCE instance_;
  HWND mainWindow_;
  Settings settings_;
  bool darkMode_;
};

// Wine's notification area hides its window whenever its last icon goes, which makes every
// NIM_DELETE of a lone icon take two seconds. A second icon of our own, held for the whole test
// run, keeps it visible.
class TrayKeeperEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    data_ = NOTIFYICONDATAW{};
    data_.cbSize = sizeof(data_);
    data_.hWnd = window_.Get();
    data_.uID = 99;
    data_.uFlags = NIF_ICON;
    data_.hIcon = ::LoadIconW(nullptr, IDI_APPLICATION);
    added_ = ::Shell_NotifyIconW(NIM_ADD, &data_) != FALSE;
  }
  void TearDown() override {
    if (added_) ::Shell_NotifyIconW(NIM_DELETE, &data_);
    added_ = false;
  }

 private:
  TestWindow window_;
  NOTIFYICONDATAW data_{};
  bool added_ = false;
};

// One item of a menu as GetMenuItemInfoW reports it.
struct MenuItemView {
  UINT id = 0;
  UINT type = 0;   // MFT_*
  UINT state = 0;  // MFS_* (MF_GRAYED 0x1, MF_DISABLED 0x2, MF_CHECKED 0x8)
  std::wstring text;
  HMENU submenu = nullptr;

  bool Separator() const { return (type & MFT_SEPARATOR) != 0; }
  bool Checked() const { return (state & MFS_CHECKED) != 0; }
  bool Radio() const { return (type & MFT_RADIOCHECK) != 0; }
  UINT Inert() const { return state & (MF_GRAYED | MF_DISABLED); }
};

inline std::vector<MenuItemView> ReadMenu(HMENU menu) {
  std::vector<MenuItemView> items;
  const int count = ::GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    MENUITEMINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_ID | MIIM_FTYPE | MIIM_STATE | MIIM_SUBMENU | MIIM_STRING;
    wchar_t text[512] = {};
    info.dwTypeData = text;
    info.cch = static_cast<UINT>(std::size(text));
    MenuItemView item;
    if (::GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info)) {
      item.id = info.wID;
      item.type = info.fType;
      item.state = info.fState;
      item.text = text;
      item.submenu = info.hSubMenu;
    }
    items.push_back(item);
  }
  return items;
}
