#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/AppState.h"
#include "app/Messages.h"
#include "tray/TrayMenu.h"
#include "tray/TraySupport.h"
#include "tray/UiLanguage.h"

namespace {

// Settings for a menu build, with everything else of App() restored afterwards.
class MenuFixture : public testing::Test {
 protected:
  void SetUp() override {
    App().settings = Settings{};
    App().settings.Action = OverlayAction::BlackCurrent;
    App().settings.Language = L"en";
    App().darkMode = false;
  }
  std::vector<MenuItemView> Build() {
    menu_ = BuildTrayMenu();
    EXPECT_TRUE(menu_);
    return ReadMenu(menu_.Get());
  }

  ScopedTrayState state_;
  MenuHandle menu_;
};

// Top-level rows.
enum Row { kPrevent, kKeep, kSep1, kHeader, kAll, kCurrent, kSep2, kAction, kHotkey, kSep3, kClock, kSep4, kStartup, kAbout, kSep5, kExit };

TEST_F(MenuFixture, SixteenRowsInOrderWithIdsLabelsAndMarks) {
  App().settings.SleepPrevent = true;
  App().settings.RunAtStartup = true;
  App().settings.Action = OverlayAction::BlackAll;
  const auto items = Build();
  ASSERT_EQ(16u, items.size());
  const struct {
    UINT id;
    const wchar_t* text;  // null for separators
    bool checked;
    UINT inert;
    bool popup;
  } expected[] = {
      {1001, L"Prevent sleep", true, 0, false},
      {1004, L"Keep running", false, 0, false},
      {0, nullptr, false, 0, false},
      {1028, L"Black screen", false, MF_GRAYED, false},
      {1002, L"  \u251C All monitors", false, 0, false},
      {1003, L"  \u2514 Monitor with cursor", false, 0, false},
      {0, nullptr, false, 0, false},
      {0, L"Hotkey action (Black screen (all monitors))", false, 0, true},
      {0, L"Hotkey: (Ctrl + Alt + V)", false, 0, true},
      {0, nullptr, false, 0, false},
      {0, L"Clock display (Time)", false, 0, true},
      {0, nullptr, false, 0, false},
      {1027, L"Run at Windows startup", true, 0, false},
      {1006, L"About\u2026", false, 0, false},
      {0, nullptr, false, 0, false},
      {1007, L"Exit Umbraline", false, 0, false},
  };
  for (std::size_t i = 0; i < items.size(); ++i) {
    SCOPED_TRACE(i + 1);
    const auto& e = expected[i];
    const auto& item = items[i];
    EXPECT_EQ(e.text == nullptr, item.Separator());
    if (!e.text) continue;
    EXPECT_EQ(e.text, item.text);
    EXPECT_EQ(e.checked, item.Checked());
    EXPECT_FALSE(item.Radio());
    EXPECT_EQ(e.inert, item.Inert());
    EXPECT_EQ(e.popup, item.submenu != nullptr);
    if (!e.popup) {
      EXPECT_EQ(e.id, item.id);
    }
  }
}

TEST_F(MenuFixture, SubmenusHoldRadioItemsForTheCurrentValues) {
  App().settings.ClockDisplay = ClockDisplayMode::Elapsed;
  const auto items = Build();
  ASSERT_EQ(16u, items.size());

  const auto action = ReadMenu(items[kAction].submenu);
  ASSERT_EQ(2u, action.size());
  EXPECT_EQ(1010u, action[0].id);
  EXPECT_EQ(L"Black screen (all monitors)", action[0].text);
  EXPECT_FALSE(action[0].Checked());
  EXPECT_EQ(1011u, action[1].id);
  EXPECT_EQ(L"Black screen (monitor with cursor)", action[1].text);
  EXPECT_TRUE(action[1].Checked());
  for (const auto& item : action) EXPECT_TRUE(item.Radio());

  const auto hotkey = ReadMenu(items[kHotkey].submenu);
  ASSERT_EQ(8u, hotkey.size());
  const struct {
    UINT id;
    const wchar_t* text;
  } hotkeyItems[] = {{1020, L"Disabled"},       {1021, L"Ctrl + Alt + V"}, {1022, L"Ctrl + Alt + B"},
                     {1023, L"Ctrl + Alt + Q"}, {1024, L"Ctrl + Alt + S"}, {1025, L"Ctrl + Alt + M"}};
  for (std::size_t i = 0; i < 6; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(hotkeyItems[i].id, hotkey[i].id);
    EXPECT_EQ(hotkeyItems[i].text, hotkey[i].text);
    EXPECT_TRUE(hotkey[i].Radio());
    EXPECT_EQ(i == 1, hotkey[i].Checked());
  }
  EXPECT_TRUE(hotkey[6].Separator());
  EXPECT_EQ(1026u, hotkey[7].id);
  EXPECT_EQ(L"Edit config.ini (advanced)\u2026", hotkey[7].text);
  EXPECT_EQ(0u, hotkey[7].Inert());

  const auto clock = ReadMenu(items[kClock].submenu);
  ASSERT_EQ(4u, clock.size());
  const struct {
    UINT id;
    const wchar_t* text;
  } clockItems[] = {{1030, L"None"}, {1031, L"Time"}, {1032, L"Elapsed time"}, {1033, L"Time and elapsed"}};
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(clockItems[i].id, clock[i].id);
    EXPECT_EQ(clockItems[i].text, clock[i].text);
    EXPECT_TRUE(clock[i].Radio());
    EXPECT_EQ(i == 2, clock[i].Checked());
  }
  EXPECT_EQ(L"Clock display (Elapsed time)", items[kClock].text);
}

TEST_F(MenuFixture, CheckMarksFollowTheSettings) {
  for (int bits = 0; bits < 8; ++bits) {
    App().settings.SleepPrevent = (bits & 1) != 0;
    App().settings.KeepActive = (bits & 2) != 0;
    App().settings.RunAtStartup = (bits & 4) != 0;
    const auto items = Build();
    ASSERT_EQ(16u, items.size());
    EXPECT_EQ(App().settings.SleepPrevent, items[kPrevent].Checked());
    EXPECT_EQ(App().settings.KeepActive, items[kKeep].Checked());
    EXPECT_EQ(App().settings.RunAtStartup, items[kStartup].Checked());
    // The black-screen items never carry a mark.
    EXPECT_FALSE(items[kAll].Checked());
    EXPECT_FALSE(items[kCurrent].Checked());
  }
  const struct {
    ClockDisplayMode mode;
    int checked;  // index in the clock submenu, -1 for none
    const wchar_t* title;
  } clocks[] = {
      {ClockDisplayMode::None, 0, L"Clock display (None)"},
      {ClockDisplayMode::Time, 1, L"Clock display (Time)"},
      {ClockDisplayMode::Elapsed, 2, L"Clock display (Elapsed time)"},
      {ClockDisplayMode::TimeAndElapsed, 3, L"Clock display (Time and elapsed)"},
      {static_cast<ClockDisplayMode>(7), -1, L"Clock display (Time)"},
  };
  for (const auto& c : clocks) {
    App().settings.ClockDisplay = c.mode;
    const auto items = Build();
    EXPECT_EQ(c.title, items[kClock].text);
    const auto clock = ReadMenu(items[kClock].submenu);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(i == c.checked, clock[static_cast<std::size_t>(i)].Checked());
  }
  App().settings.Action = OverlayAction::BlackAll;
  auto action = ReadMenu(Build()[kAction].submenu);
  EXPECT_TRUE(action[0].Checked());
  EXPECT_FALSE(action[1].Checked());
}

struct HotkeyMenuCase {
  HotkeySpec hotkey;
  int checked;               // index of the checked item, -1 for none
  const wchar_t* titleValue;
  const wchar_t* info;       // the grey information item, null when there is none
};

TEST_F(MenuFixture, HotkeySubmenuForPresetsDisabledAndCustomKeys) {
  const HotkeyMenuCase cases[] = {
      {{kModControl | kModAlt, 0x56}, 1, L"Ctrl + Alt + V", nullptr},
      {{kModControl | kModAlt, 0x42}, 2, L"Ctrl + Alt + B", nullptr},
      {{kModControl | kModAlt, 0x51}, 3, L"Ctrl + Alt + Q", nullptr},
      {{kModControl | kModAlt, 0x53}, 4, L"Ctrl + Alt + S", nullptr},
      {{kModControl | kModAlt, 0x4D}, 5, L"Ctrl + Alt + M", nullptr},
      {{kModControl | kModAlt, 0}, 0, L"Disabled", nullptr},
      {{kModControl | kModShift, 0}, 0, L"Disabled", nullptr},
      {{0, 0}, 0, L"Disabled", nullptr},
      {{kModControl | kModShift, VK_F1}, -1, L"Ctrl + Shift + VK_F1", L"Ctrl + Shift + VK_F1"},
      {{kModControl | kModAlt | kModShift, 0x56}, -1, L"Ctrl + Alt + Shift + VK_V", L"Ctrl + Alt + Shift + VK_V"},
      {{kModControl, 0x56}, -1, L"Ctrl + VK_V", L"Ctrl + VK_V"},
      {{kModControl | kModAlt, 0x41}, -1, L"Ctrl + Alt + VK_A", L"Ctrl + Alt + VK_A"},
  };
  for (bool dark : {false, true}) {
    App().darkMode = dark;
    for (const auto& c : cases) {
      SCOPED_TRACE(testing::Message() << Narrow(c.titleValue) << (dark ? " dark" : " light"));
      App().settings.ToggleHotkey = c.hotkey;
      const auto items = Build();
      EXPECT_EQ(std::wstring(L"Hotkey: (") + c.titleValue + L")", items[kHotkey].text);
      const auto hotkey = ReadMenu(items[kHotkey].submenu);
      ASSERT_EQ(c.info ? 10u : 8u, hotkey.size());
      for (int i = 0; i < 6; ++i) EXPECT_EQ(i == c.checked, hotkey[static_cast<std::size_t>(i)].Checked());
      if (c.info) {
        EXPECT_TRUE(hotkey[6].Separator());
        EXPECT_EQ(c.info, hotkey[7].text);
        EXPECT_EQ(0u, hotkey[7].id);
        EXPECT_FALSE(hotkey[7].Checked());
        EXPECT_EQ(dark ? static_cast<UINT>(MF_DISABLED) : static_cast<UINT>(MF_DISABLED | MF_GRAYED), hotkey[7].Inert());
      }
      EXPECT_TRUE(hotkey[hotkey.size() - 2].Separator());
      EXPECT_EQ(1026u, hotkey.back().id);
    }
  }
}

TEST_F(MenuFixture, DarkThemeLeavesTheHeaderEnabled) {
  App().darkMode = true;
  auto items = Build();
  EXPECT_EQ(1028u, items[kHeader].id);
  EXPECT_EQ(0u, items[kHeader].Inert());
  App().darkMode = false;
  items = Build();
  EXPECT_EQ(static_cast<UINT>(MF_GRAYED), items[kHeader].Inert());
}

TEST_F(MenuFixture, LabelsAndTitlesInEveryLanguage) {
  const struct {
    const wchar_t* setting;
    UiLanguage language;
    const wchar_t* actionTitle;
    const wchar_t* clockTitle;
  } cases[] = {
      {L"ja", UiLanguage::Japanese,
       L"\u30DB\u30C3\u30C8\u30AD\u30FC\u5B9F\u884C\uFF08\u9ED2\u753B\u9762\uFF08\u30AB\u30FC\u30BD\u30EB\u306E\u3042"
       L"\u308B\u30E2\u30CB\u30BF\u30FC\uFF09\uFF09",
       L"\u6642\u8A08\u8868\u793A\uFF08\u6642\u523B\uFF09"},
      {L"en", UiLanguage::English, L"Hotkey action (Black screen (monitor with cursor))", L"Clock display (Time)"},
      {L"ko", UiLanguage::Korean,
       L"\uB2E8\uCD95\uD0A4 \uC2E4\uD589 (\uD751\uD654\uBA74 (\uCEE4\uC11C\uAC00 \uC788\uB294 \uBAA8\uB2C8\uD130))",
       L"\uC2DC\uACC4 \uD45C\uC2DC (\uC2DC\uAC01)"},
      {L"zh-CN", UiLanguage::ChineseSimplified,
       L"\u70ED\u952E\u6267\u884C\uFF08\u9ED1\u5C4F\uFF08\u5149\u6807\u6240\u5728\u663E\u793A\u5668\uFF09\uFF09",
       L"\u65F6\u949F\u663E\u793A\uFF08\u65F6\u523B\uFF09"},
      {L"zh-TW", UiLanguage::ChineseTraditional,
       L"\u71B1\u9375\u57F7\u884C\uFF08\u9ED1\u5C4F\uFF08\u5149\u6A19\u6240\u5728\u986F\u793A\u5668\uFF09\uFF09",
       L"\u6642\u9418\u986F\u793A\uFF08\u6642\u523B\uFF09"},
      {L"fr", UiLanguage::French, L"Action du raccourci (\u00C9cran noir (\u00E9cran du curseur))",
       L"Affichage de l'horloge (Heure)"},
      {L"it", UiLanguage::Italian, L"Azione scorciatoia (Schermo nero (monitor con cursore))",
       L"Visualizzazione orologio (Ora)"},
      {L"de", UiLanguage::German, L"Hotkey-Aktion (Schwarzbild (Monitor mit Cursor))", L"Uhranzeige (Uhrzeit)"},
      {L"es", UiLanguage::Spanish, L"Acci\u00F3n de atajo (Pantalla negra (monitor con cursor))",
       L"Visualizaci\u00F3n de reloj (Hora)"},
  };
  const wchar_t* rowKeys[16] = {L"Prevent sleep", L"Keep running", nullptr, L"Black screen", L"All monitors",
                                L"Monitor with cursor", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                L"Run at Windows startup", L"About\u2026", nullptr, L"Exit Umbraline"};
  for (const auto& c : cases) {
    SCOPED_TRACE(Narrow(c.setting));
    App().settings.Language = c.setting;
    App().settings.ToggleHotkey = HotkeySpec{kModControl | kModAlt, 0};
    const auto items = Build();
    ASSERT_EQ(16u, items.size());
    for (std::size_t i = 0; i < 16; ++i) {
      if (!rowKeys[i]) continue;
      std::wstring expected = UiText(rowKeys[i], c.language);
      if (i == kAll) expected = std::wstring(L"  \u251C ") + expected;
      if (i == kCurrent) expected = std::wstring(L"  \u2514 ") + expected;
      EXPECT_EQ(expected, items[i].text);
    }
    EXPECT_EQ(c.actionTitle, items[kAction].text);
    EXPECT_EQ(c.clockTitle, items[kClock].text);
    EXPECT_EQ(FormatMenuTitle(c.language, UiText(L"Hotkey:", c.language), UiText(L"Disabled", c.language)),
              items[kHotkey].text);
    const auto hotkey = ReadMenu(items[kHotkey].submenu);
    EXPECT_EQ(UiText(L"Disabled", c.language), hotkey[0].text);
    EXPECT_EQ(L"Ctrl + Alt + V", hotkey[1].text);
    EXPECT_EQ(UiText(L"Edit config.ini (advanced)\u2026", c.language), hotkey.back().text);
    const auto clock = ReadMenu(items[kClock].submenu);
    EXPECT_EQ(UiText(L"Time and elapsed", c.language), clock[3].text);
  }
  // French: no-break space before the colon of the hotkey title.
  App().settings.Language = L"fr";
  App().settings.ToggleHotkey = kDefaultHotkey;
  EXPECT_EQ(L"Raccourci\u00A0: (Ctrl + Alt + V)", Build()[kHotkey].text);
}

TEST(FormatMenuTitle, PatternPerLanguageAndCut) {
  for (int value = -1; value <= 9; ++value) {
    const auto language = static_cast<UiLanguage>(value);
    const bool fullWidth = value == 0 || value == 3 || value == 4;
    EXPECT_EQ(fullWidth ? L"T\uFF08v\uFF09" : L"T (v)", FormatMenuTitle(language, L"T", L"v")) << value;
  }
  const std::wstring longValue(300, L'x');
  const std::wstring title = FormatMenuTitle(UiLanguage::English, L"Hotkey:", longValue);
  EXPECT_EQ(255u, title.size());
  EXPECT_EQ(L"Hotkey: (xxx", title.substr(0, 12));
}

TEST(FormatTreeItemLabel, TwoBlanksBranchBlankAndCutLabel) {
  EXPECT_EQ(L"  \u251C All monitors", FormatTreeItemLabel(kTreeBranchMiddle, L"All monitors"));
  EXPECT_EQ(L"  \u2514 x", FormatTreeItemLabel(kTreeBranchLast, L"x"));
  EXPECT_EQ(L"  \u2514 ", FormatTreeItemLabel(kTreeBranchLast, L""));
  const std::wstring cut = FormatTreeItemLabel(kTreeBranchLast, std::wstring(250, L'y'));
  EXPECT_EQ(4u + 199u, cut.size());
}

TEST(TrayMenuLabels, ActionClockAndHotkeyTexts) {
  EXPECT_STREQ(L"Black screen (all monitors)", ActionLabel(OverlayAction::BlackAll));
  EXPECT_STREQ(L"Black screen (monitor with cursor)", ActionLabel(OverlayAction::BlackCurrent));
  EXPECT_STREQ(L"None", ClockDisplayLabel(ClockDisplayMode::None));
  EXPECT_STREQ(L"Time", ClockDisplayLabel(ClockDisplayMode::Time));
  EXPECT_STREQ(L"Elapsed time", ClockDisplayLabel(ClockDisplayMode::Elapsed));
  EXPECT_STREQ(L"Time and elapsed", ClockDisplayLabel(ClockDisplayMode::TimeAndElapsed));
  EXPECT_STREQ(L"Time", ClockDisplayLabel(static_cast<ClockDisplayMode>(-3)));

  const struct {
    HotkeySpec hotkey;
    WORD preset;
  } presets[] = {
      {{3, 0x56}, IDM_HOTKEY_CTRL_ALT_V}, {{3, 0x42}, IDM_HOTKEY_CTRL_ALT_B}, {{3, 0x51}, IDM_HOTKEY_CTRL_ALT_Q},
      {{3, 0x53}, IDM_HOTKEY_CTRL_ALT_S}, {{3, 0x4D}, IDM_HOTKEY_CTRL_ALT_M}, {{7, 0x56}, 0},
      {{2, 0x56}, 0},                     {{11, 0x56}, 0},                    {{3, 0}, 0},
      {{3, 0x76}, 0},                     {{3, 0x41}, 0},
  };
  for (const auto& p : presets) EXPECT_EQ(p.preset, HotkeyPresetCommand(p.hotkey));

  EXPECT_EQ(L"\u7121\u52B9", FormatCurrentHotkey({6, 0}, UiLanguage::Japanese));
  EXPECT_EQ(L"Disabled", FormatCurrentHotkey({3, 0}, static_cast<UiLanguage>(12)));
  EXPECT_EQ(L"Ctrl + Alt + M", FormatCurrentHotkey({3, 0x4D}, UiLanguage::German));
  EXPECT_EQ(L"Ctrl + Shift + VK_F1", FormatCurrentHotkey({6, VK_F1}, UiLanguage::Korean));
}

}  // namespace
