// Dark or light tray menus. The theme library's two exports used here have no names; they are reached
// by ordinal and skipped wherever the running system lacks them.
#include "tray/MenuTheme.h"

#include <dwmapi.h>

#include "app/AppState.h"

namespace {
constexpr wchar_t kPersonalizeKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";
constexpr wchar_t kLightThemeValue[] = L"AppsUseLightTheme";
constexpr wchar_t kThemeLibrary[] = L"uxtheme.dll";
constexpr WORD kAppThemeModeOrdinal = 135;
constexpr WORD kWindowThemeOrdinal = 133;
constexpr DWORD kUseImmersiveDarkMode = 20;  // DWMWA_USE_IMMERSIVE_DARK_MODE
constexpr wchar_t kPopupMenuClass[] = L"#32768";

using AppThemeModeFunction = int(WINAPI*)(int);
using WindowThemeFunction = BOOL(WINAPI*)(HWND);

// 1 (light) unless the value reads 0.
DWORD ReadLightThemeValue() {
  DWORD value = 1;
  RegistryKeyHandle key;
  if (::RegOpenKeyExW(HKEY_CURRENT_USER, kPersonalizeKey, 0, KEY_READ, key.Put()) != ERROR_SUCCESS) return value;
  DWORD read = 0;
  DWORD size = sizeof read;
  if (::RegQueryValueExW(key.Get(), kLightThemeValue, nullptr, nullptr, reinterpret_cast<BYTE*>(&read), &size) ==
          ERROR_SUCCESS &&
      size == sizeof read) {
    value = read;
  }
  return value;
}

FARPROC ThemeExport(HMODULE library, WORD ordinal) {
  return library != nullptr ? ::GetProcAddress(library, MAKEINTRESOURCEA(ordinal)) : nullptr;
}

void MarkDarkFrame(HWND window) {
  const BOOL dark = App().darkMode ? TRUE : FALSE;
  ::DwmSetWindowAttribute(window, kUseImmersiveDarkMode, &dark, sizeof dark);
}

BOOL CALLBACK ThemeMenuWindow(HWND window, LPARAM exportAddress) {
  wchar_t className[16] = {};
  if (::GetClassNameW(window, className, 16) < 1) return TRUE;
  if (::lstrcmpiW(className, kPopupMenuClass) != 0 || !::IsWindowVisible(window)) return TRUE;
  if (exportAddress != 0) reinterpret_cast<WindowThemeFunction>(exportAddress)(window);
  MarkDarkFrame(window);
  ::InvalidateRect(window, nullptr, TRUE);
  return TRUE;
}
}  // namespace

void ApplyMenuTheme() {
  App().darkMode = ReadLightThemeValue() == 0;

  // Loaded once and kept for the life of the process.
  HMODULE library = ::GetModuleHandleW(kThemeLibrary);
  if (library == nullptr) library = ::LoadLibraryW(kThemeLibrary);
  if (FARPROC mode = ThemeExport(library, kAppThemeModeOrdinal)) {
    reinterpret_cast<AppThemeModeFunction>(mode)(App().darkMode ? 1 : 0);
  }
}

void ThemeOpenMenuWindows() {
  const FARPROC windowTheme = ThemeExport(::GetModuleHandleW(kThemeLibrary), kWindowThemeOrdinal);
  ::EnumThreadWindows(::GetCurrentThreadId(), ThemeMenuWindow, reinterpret_cast<LPARAM>(windowTheme));
}
