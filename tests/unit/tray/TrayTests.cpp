#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "base/Messages.h"
#include "base/SystemSeams.h"
#include "resource.h"
#include "tray/MenuTheme.h"
#include "tray/TrayIcon.h"
#include "tray/TrayMenu.h"
#include "tray/UiLanguage.h"

namespace {
using L = UiLanguage;

LANGID systemLanguage = 0;
std::vector<std::wstring> appliedLists;  // what ApplyUiLanguage handed over; "" for a cleared list

TEST(UiLanguage, SettingWinsElseTheSystemLanguageAndIsAppliedToTheThread) {
  AppScope scope;
  ScopedSeams seams;
  seams->getUserDefaultUILanguage = [] { return systemLanguage; };
  seams->setThreadPreferredUILanguages = [](DWORD flags, PCZZWSTR list, PULONG) -> BOOL {
    appliedLists.push_back(list ? std::wstring(list) : L"");
    return flags == 0 || std::wstring(list) != L"de-DE";  // the German locale is refused
  };
  const struct { const wchar_t* setting; LANGID system; L expected; std::vector<std::wstring> applied; } cases[] = {
      {L"", 0x0C04, L::ChineseTraditional, {L""}}, {L"zh-HK", 0x1404, L::ChineseTraditional, {L""}},
      {L"ja ; Japanese", 0x0804, L::ChineseSimplified, {L""}}, {L"ja ;", 0x1004, L::ChineseSimplified, {L""}},
      {L" ja", 0x0816, L::English, {L""}}, {L"jap", 0x080C, L::French, {L""}}, {L"ja_JP", 0x0411, L::Japanese, {L""}},
      {L"en-GB", 0x0412, L::Korean, {L""}}, {L"deutsch", 0x0419, L::English, {L""}},
      {L"Ja-jp", 0x0412, L::Japanese, {L"ja-JP"}}, {L"ENGLISH", 0x0412, L::English, {L"en-US"}},
      {L"zh-HANT", 0x0411, L::ChineseTraditional, {L"zh-TW"}}, {L"Spanish", 0x0411, L::Spanish, {L"es-ES"}},
      {L"de", 0x0411, L::German, {L"de-DE", L""}}};  // refused: cleared
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.system);
    systemLanguage = c.system;
    App().settings.Language = c.setting;
    appliedLists.clear();
    ApplyUiLanguage();
    EXPECT_EQ(c.expected, GetUiLanguage());
    EXPECT_EQ(c.applied, appliedLists);
  }
}

TEST(UiText, EveryKeyHasNineTextsAndSpecialCharactersAreExact) {
  std::set<std::wstring> keys;
  for (const UiStringRow& row : UiStringRows()) {
    EXPECT_TRUE(keys.insert(row.text[static_cast<std::size_t>(L::English)]).second);
    for (const wchar_t* text : row.text) EXPECT_TRUE(text != nullptr && text[0] != L'\0');
  }
  // Written with escapes only and compared code unit by code unit.
  const struct { const wchar_t* key; int language; const wchar_t* expected; } cases[] = {
      {L"About\u2026", 1, L"About\u2026"}, {L"About\u2026", 7, L"Info\u2026"}, {L"Hotkey:", 5, L"Raccourci\u00A0:"},
      {L"Time and elapsed", 0, L"\u6642\u523B\uFF0B\u7D4C\u904E\u6642\u9593"},
      {L"Edit config.ini (advanced)\u2026", 4, L"\u76F4\u63A5\u7DE8\u8F2F config.ini\uFF08\u9032\u968E\uFF09\u2026"},
      {L"Prevent sleep", 9, L"Prevent sleep"}, {L"Not a text", 0, L"Not a text"}};  // out of range; unknown key
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(std::wstring(cases[i].expected), UiText(cases[i].key, static_cast<UiLanguage>(cases[i].language)));
  }
}

const wchar_t kAllEnglish[] = L"Umbraline | Sleep prevent ON | Keep active ON | Black screen";

WindowHandle MakeTestWindow() {
  return WindowHandle(::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr));
}

TEST(TrayTooltip, NameThenTheModesThatAreOnCutToTheBuffer) {
  const struct { TrayModes modes; UiLanguage language; const wchar_t* expected; } cases[] = {
      {{}, L::English, L"Umbraline"}, {{}, L::Japanese, L"Umbraline"}, {{true, true, true}, L::English, kAllEnglish},
      {{true, false, true}, L::English, L"Umbraline | Sleep prevent ON | Black screen"},
      {{true, true, true}, L::German, L"Umbraline | Ruhezustand AUS | Aktiv ON | Schwarzbild"}};
  for (const auto& c : cases) EXPECT_EQ(c.expected, ComposeTrayTooltip(c.modes, c.language));
  // Cut to the buffer, never between the halves of a surrogate pair.
  const std::wstring pair = L"\U0001F311";
  const struct { std::wstring text, expected; } cuts[] = {
      {std::wstring(127, L'a'), std::wstring(127, L'a')}, {std::wstring(300, L'c'), std::wstring(127, L'c')},
      {std::wstring(126, L'd') + pair, std::wstring(126, L'd')},
      {std::wstring(125, L'e') + pair, std::wstring(125, L'e') + pair}};
  for (const auto& c : cuts) {
    std::wstring buffer(132, L'#');
    CopyTruncated(buffer.data(), 128, c.text);
    EXPECT_EQ(c.expected, std::wstring(buffer.c_str()));
    EXPECT_EQ(L'#', buffer[128]);  // nothing written past the buffer
  }
}

TEST(TrayIcon, AddUpdateRemoveWithTheShell) {
  AppScope scope;
  const WindowHandle window = MakeTestWindow();
  App().mainWindow = window.Get();
  App().settings.Language = L"en";
  const auto ShellHoldsIcon = [] {  // modifying an icon the shell does not know fails
    NOTIFYICONDATAW probe = App().trayIconData;
    probe.uFlags = NIF_TIP;
    return ::Shell_NotifyIconW(NIM_MODIFY, &probe) != FALSE;
  };
  ASSERT_TRUE(AddTrayIcon());
  const NOTIFYICONDATAW& data = App().trayIconData;
  EXPECT_TRUE(App().trayIconAdded && ShellHoldsIcon());
  EXPECT_TRUE(data.hWnd == window.Get() && data.uID == kTrayIconId && data.uCallbackMessage == WM_TRAYICON);
  EXPECT_TRUE(data.uFlags == (NIF_MESSAGE | NIF_ICON | NIF_TIP) && data.hIcon != nullptr);
  EXPECT_STREQ(L"Umbraline", data.szTip);
  App().settings.SleepPrevent = App().settings.KeepActive = true;
  App().overlayWindows.emplace_back();
  UpdateTrayTooltip();
  EXPECT_STREQ(kAllEnglish, data.szTip);
  App().overlayWindows.clear();
  App().settings.Language = L"de";
  App().settings.SleepPrevent = false;
  UpdateTrayTooltip();
  EXPECT_STREQ(L"Umbraline | Aktiv ON", data.szTip);
  EXPECT_TRUE(ShellHoldsIcon());
  RemoveTrayIcon();
  EXPECT_FALSE(App().trayIconAdded || ShellHoldsIcon());
}

// The sizes an icon group of this executable lists (GRPICONDIR: 6 bytes, then 14 per image);
// -1 for an image that is not 32-bit colour.
std::vector<int> IconGroupSizes(WORD id) {
  const HRSRC found = ::FindResourceW(nullptr, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(14));
  const auto* bytes = found ? static_cast<const BYTE*>(::LockResource(::LoadResource(nullptr, found))) : nullptr;
  std::vector<int> sizes;
  for (DWORD i = 0; bytes && i < bytes[4] && 6 + 14 * (i + 1) <= ::SizeofResource(nullptr, found); ++i)
    sizes.push_back(bytes[12 + 14 * i] != 32 ? -1 : bytes[6 + 14 * i] == 0 ? 256 : bytes[6 + 14 * i]);
  return sizes;
}

int IconWidth(HICON icon) {
  ICONINFO info{};
  BITMAP bitmap{};
  if (::GetIconInfo(icon, &info)) ::GetObjectW(info.hbmColor, sizeof(bitmap), &bitmap);
  const BitmapHandle color(info.hbmColor), mask(info.hbmMask);
  return bitmap.bmWidth;
}

TEST(IconGroups, ListAndLoadEverySize) {
  const struct { WORD id; std::vector<int> sizes; } groups[] = {{IDI_APP_ICON, {16, 24, 32, 48, 64, 128, 256}},
                                                              {IDI_TRAY_ICON, {16, 24, 32, 48}}};
  for (const auto& group : groups) {
    EXPECT_EQ(group.sizes, IconGroupSizes(group.id));
    for (int size : group.sizes) {
      const IconHandle icon(static_cast<HICON>(
          ::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(group.id), IMAGE_ICON, size, size, 0)));
      EXPECT_EQ(size, IconWidth(icon.Get())) << group.id;
    }
  }
  const TrayIconPicture own = LoadTrayIconPicture(::GetModuleHandleW(nullptr));
  EXPECT_EQ(1, own.attempt);
  EXPECT_EQ(::GetSystemMetrics(SM_CXSMICON), IconWidth(own.Get()));
  const TrayIconPicture stock = LoadTrayIconPicture(::GetModuleHandleW(L"kernel32.dll"));
  EXPECT_EQ(4, stock.attempt);
  EXPECT_EQ(::LoadIconW(nullptr, IDI_APPLICATION), stock.Get());
}

// A menu read back with GetMenuItemInfoW as one string: each item is "<id><marks> <text>|" with the
// marks x checked, o radio, g grey, d disabled; a separator is "-|"; a submenu follows its title in
// braces (a title has no id).
std::wstring Describe(HMENU menu) {
  std::wstring out;
  for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
    wchar_t text[256] = {};
    const UINT mask = MIIM_ID | MIIM_FTYPE | MIIM_STATE | MIIM_SUBMENU | MIIM_STRING;
    MENUITEMINFOW info{sizeof(info), mask, 0, 0, 0, nullptr, nullptr, nullptr, 0, text, 256, nullptr};
    if (!::GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info)) return out + L"<unreadable>";
    if (info.fType & MFT_SEPARATOR) { out += L"-|"; continue; }
    out += (info.hSubMenu ? L"" : std::to_wstring(info.wID)) + (info.fState & MFS_CHECKED ? L"x" : L"") +
           (info.fType & MFT_RADIOCHECK ? L"o" : L"") + (info.fState & MF_GRAYED ? L"g" : L"") +
           (info.fState & MF_DISABLED ? L"d" : L"") + L" " + text +
           (info.hSubMenu ? L"{" + Describe(info.hSubMenu) + L"}|" : L"|");
  }
  return out;
}

TEST(TrayMenu, ItemsIdsMarksAndDarkOrLightFlags) {
  AppScope scope;
  App().hotkeyRegistered = true;
  Settings& s = App().settings;
  s.Language = L"en";
  s.SleepPrevent = s.RunAtStartup = true;
  s.Action = OverlayAction::BlackAll;
  s.ClockDisplay = ClockDisplayMode::Elapsed;
  EXPECT_EQ(L"1001x Prevent sleep|1004 Keep running|-|1028g Black screen|1002   \u251C All monitors|"
            L"1003   \u2514 Monitor with cursor|-|"
            L" Hotkey action (Black screen (all monitors)){1010xo Black screen (all monitors)|"
            L"1011o Black screen (monitor with cursor)|}|"
            L" Hotkey: (Ctrl + Alt + V){1020o Disabled|1021xo Ctrl + Alt + V|1022o Ctrl + Alt + B|1023o Ctrl + Alt + Q|"
            L"1024o Ctrl + Alt + S|1025o Ctrl + Alt + M|-|1026 Edit config.ini (advanced)\u2026|}|-|"
            L" Clock display (Elapsed time){1030o None|1031o Time|1032xo Elapsed time|1033o Time and elapsed|}|-|"
            L"1027x Run at Windows startup|1006 About\u2026|-|1007 Exit Umbraline|",
            Describe(BuildTrayMenu().Get()));
  // A hotkey no preset matches gets an inert information item; the dark menu greys nothing (the header
  // stays enabled, the information item is only disabled).
  s.ToggleHotkey = {kModControl | kModShift, VK_F1};
  for (bool dark : {false, true}) {
    App().darkMode = dark;
    const std::wstring menu = Describe(BuildTrayMenu().Get());
    EXPECT_NE(std::wstring::npos, menu.find(dark ? L"|1028 Black screen|" : L"|1028g Black screen|")) << dark;
    EXPECT_NE(std::wstring::npos,
              menu.find(std::wstring(L" Hotkey: (Ctrl + Shift + VK_F1){1020o Disabled|1021o Ctrl + Alt + V|"
                                     L"1022o Ctrl + Alt + B|1023o Ctrl + Alt + Q|1024o Ctrl + Alt + S|"
                                     L"1025o Ctrl + Alt + M|-|0") +
                        (dark ? L"d" : L"gd") + L" Ctrl + Shift + VK_F1|-|1026 Edit config.ini"))
        << dark;
  }
}

TEST(TrayMenu, LabelsAndTitlePatternsInOtherLanguages) {
  AppScope scope;
  App().hotkeyRegistered = true;
  App().settings.Action = OverlayAction::BlackCurrent;
  const struct { const wchar_t* setting; std::vector<std::wstring> parts; } cases[] = {
      {L"ja", {L"1001 \u30B9\u30EA\u30FC\u30D7\u9632\u6B62|", L" \u6642\u8A08\u8868\u793A\uFF08\u6642\u523B\uFF09{",
        L"\u251C \u3059\u3079\u3066\u306E\u30E2\u30CB\u30BF\u30FC|",
        L" \u30DB\u30C3\u30C8\u30AD\u30FC\u5B9F\u884C\uFF08\u9ED2\u753B\u9762\uFF08\u30AB\u30FC\u30BD\u30EB\u306E"
        L"\u3042\u308B\u30E2\u30CB\u30BF\u30FC\uFF09\uFF09{",
        L" \u30DB\u30C3\u30C8\u30AD\u30FC:\uFF08Ctrl + Alt + V\uFF09{"}},
      {L"fr", {L"1001 Emp\u00EAcher la veille|", L"\u251C Tous les \u00E9crans|",
        L" Action du raccourci (\u00C9cran noir (\u00E9cran du curseur)){", L" Raccourci\u00A0: (Ctrl + Alt + V){",
        L" Affichage de l'horloge (Heure){"}}};
  for (const auto& c : cases) {
    App().settings.Language = c.setting;
    const std::wstring menu = Describe(BuildTrayMenu().Get());
    for (const auto& part : c.parts) EXPECT_NE(menu.find(part), std::wstring::npos) << testing::PrintToString(part);
  }
}

std::vector<WPARAM> menuKeys, commands;

TEST(ShowTrayMenu, ItemChosenByKeyboardIsPostedAsCommand) {
  AppScope scope;
  App().settings.Language = L"en";
  const WindowHandle owner = MakeTestWindow();
  const WNDPROC record = [](HWND window, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
    if (message == WM_COMMAND) commands.push_back(wParam);
    return ::DefWindowProcW(window, message, wParam, lParam);
  };
  ::SetWindowLongPtrW(owner.Get(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(record));
  App().mainWindow = owner.Get();
  ::SetCursorPos(400, 500);
  commands.clear();
  menuKeys = {VK_DOWN, VK_DOWN, VK_RETURN};  // the second row: "Keep running"
  // The menu's modal loop runs this thread timer, which types the keys into the open menu.
  const UINT_PTR timer = ::SetTimer(nullptr, 0, 30, [](HWND, UINT, UINT_PTR, DWORD) {
    ::EnumThreadWindows(::GetCurrentThreadId(), [](HWND window, LPARAM) -> BOOL {
      wchar_t name[16] = {};
      if (!::IsWindowVisible(window) || !::GetClassNameW(window, name, 16) || ::lstrcmpW(name, L"#32768")) return TRUE;
      for (WPARAM key : menuKeys) ::PostMessageW(window, WM_KEYDOWN, key, 1);
      menuKeys.clear();
      return FALSE;
    }, 0);
  });
  ShowTrayMenu();
  ::KillTimer(nullptr, timer);
  MSG message;
  while (::PeekMessageW(&message, owner.Get(), 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);
  EXPECT_EQ(std::vector<WPARAM>{IDM_KEEP_ACTIVE}, commands);
}

TEST(MenuTheme, DarkModeFollowsTheAppThemeValue) {
  const wchar_t* key = L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";
  const wchar_t* name = L"AppsUseLightTheme";
  DWORD saved = 0, size = sizeof saved;
  const bool had = !::RegGetValueW(HKEY_CURRENT_USER, key, name, RRF_RT_REG_DWORD, nullptr, &saved, &size);
  const auto set = [&](std::optional<DWORD> value) {
    if (value) ::RegSetKeyValueW(HKEY_CURRENT_USER, key, name, REG_DWORD, &*value, sizeof(DWORD));
    else ::RegDeleteKeyValueW(HKEY_CURRENT_USER, key, name);
  };
  AppScope scope;
  // Each case starts from the opposite answer, so a value that is not read again shows.
  const std::pair<std::optional<DWORD>, bool> cases[] = {{0u, true}, {std::nullopt, false}, {0u, true}, {1u, false}};
  for (const auto& [value, dark] : cases) {
    set(value);
    App().darkMode = !dark;
    ApplyMenuTheme(nullptr);
    EXPECT_EQ(dark, App().darkMode) << (value ? static_cast<int>(*value) : -1);
  }
  set(had ? std::optional<DWORD>(saved) : std::nullopt);
}

}  // namespace
