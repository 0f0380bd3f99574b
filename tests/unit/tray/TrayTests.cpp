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
  const struct { std::vector<HKL> layouts; std::uint32_t modifiers; UINT key; bool refused; } cases[] = {
      {{kPlain}, ca, 'V', false}, {{kPlain, kAltGr}, ca, 'V', true}, {{kAltGr}, ca, 'S', true},
      {{kAltGr}, ca, 'M', false}, {{kAltGr}, ca | kModShift, 'M', true}, {{kAltGr}, ca | kModShift, 'V', false},
      {{kAltGr}, ca | kModWin, 'V', false}, {{kAltGr}, kModControl | kModShift, 'V', false}};
  // clang-format on
  for (const auto& c : cases) {
    layouts = c.layouts;
    EXPECT_EQ(HotkeyTakesAltGrCharacter(HotkeySpec{c.modifiers, c.key}), c.refused) << c.key << " " << c.modifiers;
  }
}

TEST(UiLanguage, AWordOfTheSettingInAnyCaseWinsOverTheWindowsLanguage) {
  EXPECT_EQ(ResolveUiLanguage(L"DE", 0x0411), UiLanguage::German);
  EXPECT_EQ(ResolveUiLanguage(L"zh-hant", 0x0409), UiLanguage::ChineseTraditional);
  EXPECT_EQ(ResolveUiLanguage(L"deutsch", 0x0411), UiLanguage::Japanese);  // not a word of the setting
}

TEST(UiLanguage, WithoutOneTheWindowsLanguageChineseByRegionAndUnknownOnesEnglish) {
  using enum UiLanguage;
  // clang-format off
  const std::pair<std::uint16_t, UiLanguage> cases[] = {{0x0404, ChineseTraditional}, {0x0C04, ChineseTraditional},
      {0x1404, ChineseTraditional}, {0x0804, ChineseSimplified}, {0x1004, ChineseSimplified}, {0x040C, French},
      {0x0419, English}};
  // clang-format on
  for (const auto& [langId, language] : cases) EXPECT_EQ(ResolveUiLanguage(L"", langId), language) << langId;
}

// A menu read back as one string: each item is "<id><marks> <text>|" with the marks x checked, o radio,
// g grey, d disabled; a separator is "-|"; a submenu follows its title (which has no id) in braces.
std::wstring Describe(HMENU menu) {
  std::wstring out;
  for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
    wchar_t text[256] = {};
    MENUITEMINFOW info{sizeof(info), MIIM_ID | MIIM_FTYPE | MIIM_STATE | MIIM_SUBMENU | MIIM_STRING};
    info.dwTypeData = text;
    info.cch = 256;
    if (!::GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info)) return out + L"<unreadable>";
    if (info.fType & MFT_SEPARATOR) {
      out += L"-|";
      continue;
    }
    out += (info.hSubMenu ? L"" : std::to_wstring(info.wID)) + (info.fState & MFS_CHECKED ? L"x" : L"") +
           (info.fType & MFT_RADIOCHECK ? L"o" : L"") + (info.fState & MF_GRAYED ? L"g" : L"") +
           (info.fState & MF_DISABLED ? L"d" : L"") + L" " + text +
           (info.hSubMenu ? L"{" + Describe(info.hSubMenu) + L"}|" : L"|");
  }
  return out;
}

// The tray menu in English, its hotkey registered from the layouts above.
struct TrayMenu : testing::Test {
  TrayMenu() {
    app.MakeMainWindow();
    App().settings.Language = L"en";
    highContrast = false;
  }
  static void UseHotkey(HotkeySpec hotkey, std::vector<HKL> with = {kPlain}) {
    App().settings.ToggleHotkey = hotkey;
    layouts = with;
    RegisterToggleHotkey();
  }
  static testing::AssertionResult MenuHas(const std::wstring& part) {
    const std::wstring menu = Describe(BuildTrayMenu().Get());
    if (menu.find(part) != std::wstring::npos) return testing::AssertionSuccess();
    return testing::AssertionFailure() << testing::PrintToString(menu);
  }
  AppScope app;
  LayoutSeams seams;
  const std::wstring presets = L"1022o Ctrl + Alt + B|1023o Ctrl + Alt + Q|",
                     plain = L"1024o Ctrl + Alt + S|1025o Ctrl + Alt + M|-|";
};

TEST_F(TrayMenu, HotkeySubmenuChecksTheHotkeyAndTellsWhenAnotherProgramHoldsIt) {
  ASSERT_TRUE(::RegisterHotKey(nullptr, 0x7F02, MOD_CONTROL | MOD_ALT, 'V'));
  UseHotkey({ca, 'V'});
  EXPECT_TRUE(MenuHas(L" Hotkey: (Ctrl + Alt + V \u2013 unavailable){1020o Disabled|1021xo Ctrl + Alt + V|" + presets +
                      plain + L"1026"));
  ::UnregisterHotKey(nullptr, 0x7F02);
  UseHotkey({kModAlt | kModWin, 0});
  EXPECT_TRUE(MenuHas(L" Hotkey: (Disabled){1020xo Disabled|1021o "));
}

TEST_F(TrayMenu, HotkeysTakingAnAltGrCharacterAreUnavailableAndGreyWithANote) {
  UseHotkey({ca, 'V'}, {kPlain, kAltGr});
  EXPECT_TRUE(MenuHas(L" Hotkey: (Ctrl + Alt + V \u2013 unavailable){1020o Disabled|1021xog Ctrl + Alt + V|" + presets +
                      L"1024og Ctrl + Alt + S|1025o Ctrl + Alt + M|0gd Other keys can be set in config.ini|-|1026"));
}

TEST_F(TrayMenu, AHotkeyOutsideThePresetsIsAnInertItem) {
  UseHotkey({ca | kModShift, 'V'});
  EXPECT_TRUE(MenuHas(L" Hotkey: (Ctrl + Alt + Shift + VK_V){1020o Disabled|1021o Ctrl + Alt + V|" + presets + plain +
                      L"0gd Ctrl + Alt + Shift + VK_V|-|1026"));
}

TEST_F(TrayMenu, TheBlackScreenHeaderIsGreyOnlyInLightMenusWhichHighContrastTakes) {
  for (const auto& [dark, high, grey] : {std::tuple{true, false, false}, {true, true, true}, {false, false, true}}) {
    App().darkMode = dark;
    highContrast = high;
    EXPECT_TRUE(MenuHas(grey ? L"|1028g Black screen|" : L"|1028 Black screen|")) << dark << high;
  }
}

// Those the tray names reasons and timed sessions by, each keeping the %s of its English form.
TEST(TrayTexts, ReasonsAndTimedSessionsHaveTextsInAllNineLanguages) {
  // clang-format off
  std::vector<std::wstring> keys{L"Prevent sleep for", L"Keep running for", L"Until I turn it off", L"Until %s",
      L"Prevent sleep ended", L"Keep running ended", L"Prevent sleep and Keep running ended"};
  // clang-format on
  for (ModeReason reason : {ModeReason::Program, ModeReason::OnBattery, ModeReason::BatteryLow, ModeReason::Locked})
    keys.push_back(ModeReasonUiKey(reason));
  for (const std::wstring& key : keys)
    for (int l = 0; l < 9; ++l) {
      const std::wstring text = UiText(key.c_str(), UiLanguage(l));
      EXPECT_TRUE(!text.empty() && (text == key) == (l == 1) &&
                  (text.find(L"%s") != text.npos) == (key.find(L"%s") != key.npos))
          << Narrow(key) << " " << l;
    }
}

TEST(TrayTexts, AReasonFollowsItsLabelInTheLanguagesBrackets) {
  EXPECT_EQ(LabelWithReason(UiLanguage::English, L"Prevent sleep",
                            ModeReasonText(L"while %s runs", L"obs64.exe", UiLanguage::English)),
            L"Prevent sleep (while obs64.exe runs)");
  EXPECT_EQ(
      LabelWithReason(UiLanguage::Japanese, L"\u9ED2", ModeReasonText(L"while %s runs", L"a", UiLanguage::Japanese)),
      L"\u9ED2\uFF08a \u5B9F\u884C\u4E2D\uFF09");
  EXPECT_EQ(LabelWithReason(UiLanguage::German, L"x", ModeReasonText(nullptr, L"a", UiLanguage::German)), L"x");
}

std::wstring Tooltip(const std::wstring& sleepReason, const std::wstring& keepReason) {
  return ComposeTrayTooltip({true, true, true, L"", L"", sleepReason, keepReason}, UiLanguage::English);
}

TEST(TrayTooltip, EachReasonFollowsItsMode) {
  EXPECT_EQ(Tooltip(L"while obs64.exe runs", L"paused: locked"),
            L"Umbraline | Sleep prevent ON (while obs64.exe runs) | Keep active ON (paused: locked) | Black screen");
}

TEST(TrayTooltip, TooLongTheLongerReasonIsCutFirstThenBothAlike) {
  const std::wstring a(150, L'a'), b(100, L'b'), cut = L"\u2026) | Keep active ON (";
  EXPECT_EQ(Tooltip(a, L"paused: locked"),
            L"Umbraline | Sleep prevent ON (" + a.substr(0, 46) + cut + L"paused: locked) | Black screen");
  EXPECT_EQ(Tooltip(b, b),
            L"Umbraline | Sleep prevent ON (" + b.substr(0, 30) + cut + b.substr(0, 29) + L"\u2026) | Black screen");
}

// 1 h 30 min, 1 d 12 h, 2 d 1 min 2 s; Japanese to Spanish.
TEST(TrayTexts, DurationsTakeEachLanguagesPlural) {
  const std::array<const wchar_t*, 3> durations[] = {
      {L"1時間30分", L"1日12時間", L"2日1分2秒"},
      {L"1 hour 30 minutes", L"1 day 12 hours", L"2 days 1 minute 2 seconds"},
      {L"1시간 30분", L"1일 12시간", L"2일 1분 2초"},
      {L"1小时30分钟", L"1天12小时", L"2天1分钟2秒"},
      {L"1小時30分鐘", L"1天12小時", L"2天1分鐘2秒"},
      {L"1 heure 30 minutes", L"1 jour 12 heures", L"2 jours 1 minute 2 secondes"},
      {L"1 ora 30 minuti", L"1 giorno 12 ore", L"2 giorni 1 minuto 2 secondi"},
      {L"1 Stunde 30 Minuten", L"1 Tag 12 Stunden", L"2 Tage 1 Minute 2 Sekunden"},
      {L"1 hora 30 minutos", L"1 día 12 horas", L"2 días 1 minuto 2 segundos"}};
  for (int l = 0; l < 9; ++l)
    for (int i = 0; i < 3; ++i)
      EXPECT_EQ(DurationLabel(std::array{5400u, 129600u, 172862u}[i], UiLanguage(l)), durations[l][i]) << l;
}

TEST_F(TrayMenu, TimedSessionSubmenusFollowKeepRunningWithThePresets) {
  App().settings.Presets = {{L"1h30m", 5400}, {L"17:30", 0, 17, 30}, {L"2d", 172800}};
  const SYSTEMTIME evening{2026, 12, 0, 6, 17, 30};
  wchar_t clock[64] = {};
  ASSERT_GT(::GetTimeFormatEx(nullptr, TIME_NOSECONDS, &evening, nullptr, clock, 64), 0);
  const auto submenu = [&](std::wstring title, int id) {
    return L" " + title + L"{" + std::to_wstring(id) + L"o Until I turn it off|-|" + std::to_wstring(id + 1) +
           L"o 1 hour 30 minutes|" + std::to_wstring(id + 2) + L"o Until " + clock + L"|" + std::to_wstring(id + 3) +
           L"o 2 days|}|";
  };
  EXPECT_TRUE(MenuHas(L"|1004 Keep running|" + submenu(L"Prevent sleep for", 1040) +
                      submenu(L"Keep running for", 1050) + L"-|"));
}

TEST_F(TrayMenu, WithoutPresetsATimedSessionSubmenuOffersOnlyUntilTurnedOff) {
  App().settings.Presets.clear();
  EXPECT_TRUE(MenuHas(L" Prevent sleep for{1040o Until I turn it off|}"));
}
