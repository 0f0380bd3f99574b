#include <gtest/gtest.h>

#include <algorithm>

#include "TestSupport.h"
#include "app/Commands.h"
#include "config/HotkeyText.h"
#include "power/WantedState.h"
#include "tray/TrayMenu.h"
#include "tray/UiLanguage.h"

const HKL kPlain = reinterpret_cast<HKL>(0x04090409), kAltGr = reinterpret_cast<HKL>(0x04050405);
std::vector<HKL> layouts;
const std::uint32_t ca = kModControl | kModAlt;

// kAltGr: AltGr+V gives "@", AltGr+S a dead key, AltGr+Shift+M "µ"; Ctrl with a letter a control character everywhere.
int WINAPI Answer(UINT key, UINT, const BYTE* keys, LPWSTR text, int, UINT flags, HKL layout) {
  const bool altGr = layout == kAltGr && (keys[VK_CONTROL] & keys[VK_MENU] & 0x80) && (flags & 4), shift = keys[VK_SHIFT];
  text[0] = !altGr ? wchar_t(0x16) : key == 'V' && !shift ? L'@' : L'\u00B5';
  return !altGr || (key == 'V' && !shift) || (key == 'M' && shift) ? 1 : key == 'S' ? -1 : 0;
}
struct LayoutSeams : ScopedSeams {
  LayoutSeams() {
    Seams().getKeyboardLayoutList = [](int n, HKL* out) {
      for (int i = 0; i < n && i < static_cast<int>(layouts.size()); ++i) out[i] = layouts[i];
      return static_cast<int>(layouts.size());
    };
    Seams().toUnicodeEx = Answer;
    Seams().systemParametersInfo = AnswerHighContrast;
  }
};

TEST(HotkeyLayouts, AltGrCharactersAndDeadKeysRefuseACtrlAltHotkey) {
  LayoutSeams seams;
  const struct { std::vector<HKL> layouts; std::uint32_t modifiers; UINT key; bool refused; } cases[] = {
      {{kPlain}, ca, 'V', false},            {{kPlain, kAltGr}, ca, 'V', true},     {{kAltGr}, ca, 'S', true},
      {{kAltGr}, ca, 'M', false},            {{kAltGr}, ca | kModShift, 'M', true}, {{kAltGr}, ca | kModShift, 'V', false},
      {{kAltGr}, ca | kModWin, 'V', false},  {{kAltGr}, kModControl | kModShift, 'V', false}};
  for (const auto& c : cases) {
    layouts = c.layouts;
    EXPECT_EQ(HotkeyTakesAltGrCharacter(HotkeySpec{c.modifiers, c.key}), c.refused) << c.key << " " << c.modifiers;
  }
}

// A word of the setting (any case) wins; else the Windows language, Chinese by region, unknown ones English.
TEST(UiLanguage, SettingWordThenTheWindowsLanguage) {
  using enum UiLanguage;
  const std::tuple<const wchar_t*, std::uint16_t, UiLanguage> cases[] = {{L"DE", 0x0411, German}, {L"zh-hant", 0x0409, ChineseTraditional},
      {L"deutsch", 0x0411, Japanese}, {L"", 0x0404, ChineseTraditional}, {L"", 0x0C04, ChineseTraditional}, {L"", 0x1404, ChineseTraditional},
      {L"", 0x0804, ChineseSimplified}, {L"", 0x1004, ChineseSimplified}, {L"", 0x040C, French}, {L"", 0x0419, English}};
  for (const auto& [setting, langId, language] : cases) EXPECT_EQ(ResolveUiLanguage(setting, langId), language) << langId;
}

// A menu read back as one string: each item is "<id><marks> <text>|" with the marks x checked, o radio,
// g grey, d disabled; a separator is "-|"; a submenu follows its title (which has no id) in braces.
std::wstring Describe(HMENU menu) {
  std::wstring out;
  for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
    wchar_t text[256] = {};
    MENUITEMINFOW info{sizeof(info), MIIM_ID | MIIM_FTYPE | MIIM_STATE | MIIM_SUBMENU | MIIM_STRING};
    info.dwTypeData = text, info.cch = 256;
    if (!::GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info)) return out + L"<unreadable>";
    if (info.fType & MFT_SEPARATOR) { out += L"-|"; continue; }
    out += (info.hSubMenu ? L"" : std::to_wstring(info.wID)) + (info.fState & MFS_CHECKED ? L"x" : L"") +
           (info.fType & MFT_RADIOCHECK ? L"o" : L"") + (info.fState & MF_GRAYED ? L"g" : L"") +
           (info.fState & MF_DISABLED ? L"d" : L"") + L" " + text + (info.hSubMenu ? L"{" + Describe(info.hSubMenu) + L"}|" : L"|");
  }
  return out;
}

TEST(TrayMenu, HotkeySubmenuAndHeaderFlags) {
  AppScope app;
  LayoutSeams seams;
  app.MakeMainWindow();
  App().settings.Language = L"en";
  // The hotkey submenu, and whether the header is grey (only in the light menus, which high contrast takes).
  const std::wstring presets = L"1022o Ctrl + Alt + B|1023o Ctrl + Alt + Q|", plain = L"1024o Ctrl + Alt + S|1025o Ctrl + Alt + M|-|";
  const struct { HotkeySpec hotkey; std::vector<HKL> layouts; bool heldElsewhere, dark, contrast, grey; std::wstring part; } cases[] = {
      {{ca, 'V'}, {kPlain, kAltGr}, false, true, false, false,
       L" Hotkey: (Ctrl + Alt + V \u2013 unavailable){1020o Disabled|1021xog Ctrl + Alt + V|" + presets +
           L"1024og Ctrl + Alt + S|1025o Ctrl + Alt + M|0d Other keys can be set in config.ini|-|1026"},
      {{ca, 'V'}, {kPlain}, true, true, true, true,
       L" Hotkey: (Ctrl + Alt + V \u2013 unavailable){1020o Disabled|1021xo Ctrl + Alt + V|" + presets + plain + L"1026"},
      {{ca | kModShift, 'V'}, {kPlain}, false, false, false, true,  // not a preset: an inert item, grey when light
       L" Hotkey: (Ctrl + Alt + Shift + VK_V){1020o Disabled|1021o Ctrl + Alt + V|" + presets + plain + L"0gd Ctrl + Alt + Shift + VK_V|-|1026"},
      {{kModAlt | kModWin, 0}, {kPlain}, false, true, false, false, L" Hotkey: (Disabled){1020xo Disabled|1021o "}};
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    App().settings.ToggleHotkey = c.hotkey, layouts = c.layouts, App().darkMode = c.dark, highContrast = c.contrast;
    ASSERT_TRUE(!c.heldElsewhere || ::RegisterHotKey(nullptr, 0x7F02, MOD_CONTROL | MOD_ALT, 'V'));
    RegisterToggleHotkey();
    ::UnregisterHotKey(nullptr, 0x7F02);
    const std::wstring menu = Describe(BuildTrayMenu().Get());
    EXPECT_NE(menu.find(c.part), std::wstring::npos) << testing::PrintToString(menu);
    EXPECT_NE(menu.find(c.grey ? L"|1028g Black screen|" : L"|1028 Black screen|"), std::wstring::npos);
  }
}


// Each reason the tray names has a text in all nine languages, the program's name put in for %s.
TEST(TrayTexts, ModeReasonsInEveryLanguage) {
  for (ModeReason reason : {ModeReason::Program, ModeReason::OnBattery, ModeReason::BatteryLow, ModeReason::Locked}) {
    const std::wstring key = ModeReasonUiKey(reason);
    const auto rows = UiStringRows();
    const auto row = std::find_if(rows.begin(), rows.end(), [&](const UiStringRow& r) { return key == r.text[1]; });
    ASSERT_NE(row, rows.end()) << Narrow(key);
    for (std::wstring_view text : row->text) EXPECT_TRUE(!text.empty() && (text.find(L"%s") != text.npos) == (reason == ModeReason::Program));
  }
  EXPECT_EQ(LabelWithReason(UiLanguage::English, L"Prevent sleep", ModeReasonText(L"while %s runs", L"obs64.exe", UiLanguage::English)),
            L"Prevent sleep (while obs64.exe runs)");
  EXPECT_EQ(LabelWithReason(UiLanguage::Japanese, L"\u9ED2", ModeReasonText(L"while %s runs", L"a", UiLanguage::Japanese)), L"\u9ED2\uFF08a \u5B9F\u884C\u4E2D\uFF09");
  EXPECT_EQ(LabelWithReason(UiLanguage::German, L"x", ModeReasonText(nullptr, L"a", UiLanguage::German)), L"x");
}
