#include <gtest/gtest.h>

#include "TestSupport.h"
#include "app/Commands.h"
#include "config/HotkeyText.h"
#include "power/WantedState.h"
#include "tray/TrayIcon.h"
#include "tray/TrayMenu.h"
#include "tray/UiLanguage.h"

const HKL kPlain = reinterpret_cast<HKL>(0x04090409), kAltGr = reinterpret_cast<HKL>(0x04050405);
std::vector<HKL> layouts;
const std::uint32_t ca = kModControl | kModAlt;

// kAltGr: AltGr+V gives "@", AltGr+S a dead key, AltGr+Shift+M "µ"; Ctrl with a letter a control character everywhere.
int WINAPI Answer(UINT key, UINT, const BYTE* keys, LPWSTR text, int, UINT flags, HKL layout) {
  const bool altGr = layout == kAltGr && (keys[VK_CONTROL] & keys[VK_MENU] & 0x80) && (flags & 4),
             shift = keys[VK_SHIFT];
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
  // clang-format off
  const std::tuple<std::vector<HKL>, std::uint32_t, UINT, bool> cases[] = {
      {{kPlain}, ca, 'V', false}, {{kPlain, kAltGr}, ca, 'V', true}, {{kAltGr}, ca, 'S', true},
      {{kAltGr}, ca, 'M', false}, {{kAltGr}, ca | kModShift, 'M', true}, {{kAltGr}, ca | kModShift, 'V', false},
      {{kAltGr}, ca | kModWin, 'V', false}, {{kAltGr}, kModControl | kModShift, 'V', false}};
  // clang-format on
  for (const auto& [with, modifiers, key, refused] : cases) {
    layouts = with;
    EXPECT_EQ(HotkeyTakesAltGrCharacter(HotkeySpec{modifiers, key}), refused) << key << " " << modifiers;
  }
}

// A word of the setting in any case (not a name of the language) wins; else Windows' language, Chinese by region.
TEST(UiLanguage, TheSettingsWordWinsOverTheWindowsLanguageAndUnknownOnesAreEnglish) {
  using enum UiLanguage;
  // clang-format off
  const std::tuple<const wchar_t*, std::uint16_t, UiLanguage> cases[] = {
      {L"DE", 0x0411, German}, {L"zh-hant", 0x0409, ChineseTraditional}, {L"deutsch", 0x0411, Japanese},
      {L"", 0x0404, ChineseTraditional}, {L"", 0x0C04, ChineseTraditional}, {L"", 0x1404, ChineseTraditional},
      {L"", 0x0804, ChineseSimplified}, {L"", 0x1004, ChineseSimplified}, {L"", 0x040C, French}, {L"", 0x419, English}};
  // clang-format on
  for (const auto& [setting, windows, language] : cases) EXPECT_EQ(ResolveUiLanguage(setting, windows), language);
}

// A menu read back as one string: each item is "<id><marks> <text>|" with the marks x checked, o radio,
// g grey, d disabled; a separator is "-|"; a submenu follows its title (which has no id) in braces.
std::wstring Describe(HMENU menu) {
  std::wstring out;
  for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
    wchar_t text[256] = {};
    MENUITEMINFOW m{
        sizeof m, MIIM_ID | MIIM_FTYPE | MIIM_STATE | MIIM_SUBMENU | MIIM_STRING, 0, 0, 0, {}, {}, {}, 0, text, 256};
    if (!::GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &m)) return out + L"<unreadable>";
    std::wstring item = (m.hSubMenu ? L"" : std::to_wstring(m.wID)) + (m.fState & MFS_CHECKED ? L"x" : L"") +
                        (m.fType & MFT_RADIOCHECK ? L"o" : L"") + (m.fState & MF_GRAYED ? L"g" : L"") +
                        (m.fState & MF_DISABLED ? L"d" : L"") + L" " + text;
    out += m.fType & MFT_SEPARATOR ? L"-|" : item + (m.hSubMenu ? L"{" + Describe(m.hSubMenu) + L"}|" : L"|");
  }
  return out;
}

// It checks the hotkey and tells when it is unavailable: held by another program, or taking an AltGr character (those
// grey, with a note); one outside the presets is an inert item.
TEST(TrayMenu, HotkeySubmenuChecksTheHotkeyAndTellsWhyItIsUnavailable) {
  AppScope app;
  LayoutSeams seams;
  app.MakeMainWindow();
  App().settings.Language = L"en";
  const std::wstring title = L" Hotkey: (Ctrl + Alt + V \u2013 unavailable){1020o Disabled|1021x",
                     upToS = L"1022o Ctrl + Alt + B|1023o Ctrl + Alt + Q|1024o",
                     sToM = L" Ctrl + Alt + S|1025o Ctrl + Alt + M|";
  // clang-format off
  const struct { HotkeySpec hotkey; std::vector<HKL> layouts; bool held; std::wstring menu; } cases[] = {
      {{ca, 'V'}, {kPlain}, true, title + L"o Ctrl + Alt + V|" + upToS + sToM + L"-|1026"},
      {{ca, 'V'}, {kPlain, kAltGr}, false,
       title + L"og Ctrl + Alt + V|" + upToS + L"g" + sToM + L"0gd Other keys can be set in config.ini|-|1026"},
      {{ca | kModShift, 'V'}, {kPlain}, false,
       L" Hotkey: (Ctrl + Alt + Shift + VK_V){1020o Disabled|1021o Ctrl + Alt + V|" + upToS + sToM +
       L"-|0gd Ctrl + Alt + Shift + VK_V|-|1026"},
      {{kModAlt | kModWin, 0}, {kPlain}, false, L" Hotkey: (Disabled){1020xo Disabled|1021o "}};
  // clang-format on
  for (const auto& c : cases) {
    ASSERT_TRUE(!c.held || ::RegisterHotKey(nullptr, 0x7F02, MOD_CONTROL | MOD_ALT, 'V'));
    App().settings.ToggleHotkey = c.hotkey;
    layouts = c.layouts;
    RegisterToggleHotkey();
    const std::wstring menu = Describe(BuildTrayMenu().Get());
    EXPECT_NE(menu.find(c.menu), std::wstring::npos) << testing::PrintToString(menu);
    ::UnregisterHotKey(nullptr, 0x7F02);
  }
}

// Those the tray names reasons and timed sessions by, each keeping the %s of its English form.
TEST(TrayTexts, ReasonsAndTimedSessionsHaveTextsInAllNineLanguages) {
  // clang-format off
  std::vector<std::wstring> keys{L"Prevent sleep for", L"Keep running for", L"Until I turn it off", L"Until %s",
      L"Prevent sleep ended", L"Keep running ended", L"Prevent sleep and Keep running ended"};
  // clang-format on
  for (ModeReason reason : {ModeReason::Program, ModeReason::OnBattery, ModeReason::BatteryLow, ModeReason::Locked})
    keys.emplace_back(ModeReasonUiKey(reason));
  for (int l = 0; l < 9 * static_cast<int>(keys.size()); ++l) {
    const std::wstring& key = keys[l / 9];
    const std::wstring text = UiText(key.c_str(), UiLanguage(l % 9));
    EXPECT_TRUE(!text.empty() && (text == key) == (l % 9 == 1) &&
                (text.find(L"%s") == text.npos) == (key.find(L"%s") == key.npos))
        << Narrow(key) << " " << l % 9;
  }
}

// Too long, the longer reason is cut first, then both alike. (Uncut: with the status lines in the app tests.)
TEST(TrayTooltip, TooLongTheLongerReasonIsCutFirstThenBothAlike) {
  const std::wstring a(150, L'a'), b(100, L'b'), locked = L"paused: locked", cut = L"\u2026) | Keep active ON (";
  const std::wstring cases[][3] = {{a, locked, a.substr(0, 46) + cut + L"paused: locked) | Black screen"},
                                   {b, b, b.substr(0, 30) + cut + b.substr(0, 29) + L"\u2026) | Black screen"}};
  for (const auto& [sleep, keep, tail] : cases)
    EXPECT_EQ(ComposeTrayTooltip({true, true, true, L"", L"", sleep, keep}, UiLanguage::English),
              L"Umbraline | Sleep prevent ON (" + tail);
}

// 1 h 30 min, 1 d 12 h, 2 d 1 min 2 s: a word for one and for many, the parts apart or (Japanese) joined.
TEST(TrayTexts, DurationsTakeEachLanguagesPlural) {
  using enum UiLanguage;
  const std::pair<UiLanguage, std::array<const wchar_t*, 3>> durations[] = {
      {English, {L"1 hour 30 minutes", L"1 day 12 hours", L"2 days 1 minute 2 seconds"}},
      {Japanese, {L"1時間30分", L"1日12時間", L"2日1分2秒"}},
      {Korean, {L"1시간 30분", L"1일 12시간", L"2일 1분 2초"}}};
  for (const auto& [language, labels] : durations)
    for (int i = 0; i < 3; ++i) EXPECT_EQ(DurationLabel(std::array{5400u, 129600u, 172862u}[i], language), labels[i]);
}
