#include <gtest/gtest.h>

#include <optional>

#include "app/AppState.h"
#include "tray/MenuTheme.h"

namespace {
constexpr wchar_t kKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";
constexpr wchar_t kValue[] = L"AppsUseLightTheme";

// Sets or removes the app theme value for one test and puts the previous one back.
class ThemeValueScope {
 public:
  ThemeValueScope() : savedDarkMode_(App().darkMode) {
    DWORD value = 0;
    DWORD size = sizeof value;
    if (::RegGetValueW(HKEY_CURRENT_USER, kKey, kValue, RRF_RT_REG_DWORD, nullptr, &value, &size) == ERROR_SUCCESS)
      saved_ = value;
  }
  ~ThemeValueScope() {
    if (saved_) Set(*saved_);
    else Remove();
    App().darkMode = savedDarkMode_;
  }
  ThemeValueScope(const ThemeValueScope&) = delete;
  ThemeValueScope& operator=(const ThemeValueScope&) = delete;

  static bool Set(DWORD value) {
    return ::RegSetKeyValueW(HKEY_CURRENT_USER, kKey, kValue, REG_DWORD, &value, sizeof value) == ERROR_SUCCESS;
  }
  static void Remove() { ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kKey, kValue); }

 private:
  std::optional<DWORD> saved_;
  bool savedDarkMode_;
};

HWND MenuWindowOfThread() {
  HWND found = nullptr;
  ::EnumThreadWindows(
      ::GetCurrentThreadId(),
      [](HWND window, LPARAM data) -> BOOL {
        wchar_t name[16] = {};
        ::GetClassNameW(window, name, 16);
        if (::lstrcmpW(name, L"#32768") == 0 && ::IsWindowVisible(window)) {
          *reinterpret_cast<HWND*>(data) = window;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}
}  // namespace

TEST(MenuTheme, DarkModeFollowsTheAppThemeValue) {
  ThemeValueScope scope;
  struct Case {
    const char* name;
    std::optional<DWORD> value;
    bool dark;
  };
  // Each case starts from the opposite answer, so a value that is not read again shows.
  const Case cases[] = {
      {"missing", std::nullopt, false}, {"0 (dark apps)", 0u, true}, {"1 (light apps)", 1u, false},
      {"0 again", 0u, true},           {"2", 2u, false},             {"missing after dark", 0u, true},
  };
  for (const Case& c : cases) {
    if (c.value) ASSERT_TRUE(ThemeValueScope::Set(*c.value));
    else ThemeValueScope::Remove();
    App().darkMode = !c.dark;
    ApplyMenuTheme(nullptr);
    EXPECT_EQ(App().darkMode, c.dark) << c.name;
  }
  ThemeValueScope::Remove();
  ApplyMenuTheme(nullptr);
  EXPECT_FALSE(App().darkMode) << "a value removed while dark reads as light";
}

TEST(MenuTheme, TakesAnyWindowOrNone) {
  ThemeValueScope scope;
  ASSERT_TRUE(ThemeValueScope::Set(0));
  HWND window = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  ApplyMenuTheme(window);
  EXPECT_TRUE(App().darkMode);
  ::DestroyWindow(window);
  ApplyMenuTheme(window);  // a window that no longer exists is skipped
  EXPECT_TRUE(App().darkMode);
  EXPECT_NE(::GetModuleHandleW(L"uxtheme.dll"), nullptr) << "the theme library stays loaded";
}

namespace {
struct MenuProbe {
  static inline bool menuInvalidated = false;
  static inline bool otherInvalidated = true;
  static inline bool sawMenu = false;
  static inline HWND other = nullptr;

  static LRESULT CALLBACK OwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_ENTERIDLE && wParam == MSGF_MENU && !sawMenu) {
      HWND menu = MenuWindowOfThread();
      if (menu != nullptr) {
        sawMenu = true;
        ::UpdateWindow(menu);
        ::ValidateRect(menu, nullptr);
        ::ValidateRect(other, nullptr);
        ThemeOpenMenuWindows();
        menuInvalidated = ::GetUpdateRect(menu, nullptr, FALSE) != FALSE;
        otherInvalidated = ::GetUpdateRect(other, nullptr, FALSE) != FALSE;
      }
      ::EndMenu();
      return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
  }
};
}  // namespace

TEST(MenuTheme, RepaintsOnlyOpenMenuWindows) {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = MenuProbe::OwnerProc;
  windowClass.hInstance = ::GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"Umbraline.Test.MenuOwner";
  ::RegisterClassW(&windowClass);
  HWND owner = ::CreateWindowExW(0, windowClass.lpszClassName, L"", WS_POPUP | WS_VISIBLE, 100, 100, 50, 50, nullptr,
                                 nullptr, windowClass.hInstance, nullptr);
  ASSERT_NE(owner, nullptr);
  MenuProbe::other = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 200, 100, 50, 50, nullptr, nullptr,
                                       nullptr, nullptr);
  ASSERT_NE(MenuProbe::other, nullptr);
  HMENU menu = ::CreatePopupMenu();
  ::AppendMenuW(menu, MF_STRING, 1, L"Item");
  ::SetForegroundWindow(owner);
  ::TrackPopupMenuEx(menu, TPM_RETURNCMD | TPM_NONOTIFY, 120, 120, owner, nullptr);
  ::DestroyMenu(menu);
  ::DestroyWindow(MenuProbe::other);
  ::DestroyWindow(owner);
  ASSERT_TRUE(MenuProbe::sawMenu);
  EXPECT_TRUE(MenuProbe::menuInvalidated);
  EXPECT_FALSE(MenuProbe::otherInvalidated);
}
