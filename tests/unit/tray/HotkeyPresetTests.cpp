// A preset is exactly Ctrl+Alt with its letter; a key code of 0 is "Disabled" whatever the modifiers.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "base/Messages.h"
#include "tray/TrayMenu.h"

TEST(HotkeyPresets, ExactlyCtrlAltAndTheLetterOrDisabledForKeyZero) {
  AppScope scope;
  App().settings.Language = L"en";
  const struct { HotkeySpec hotkey; WORD checked; const wchar_t* title; } cases[] = {
      {{kModControl | kModAlt, 'V'}, IDM_HOTKEY_CTRL_ALT_V, L"Ctrl + Alt + V"},
      {{kModControl | kModAlt | kModShift, 'V'}, 0, L"Ctrl + Alt + Shift + VK_V"},
      {{kModControl | kModShift, 0}, IDM_HOTKEY_DISABLED, L"Disabled"},
      {{kModAlt | kModWin, 0}, IDM_HOTKEY_DISABLED, L"Disabled"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.title);
    App().settings.ToggleHotkey = c.hotkey;
    EXPECT_EQ(FormatCurrentHotkey(c.hotkey, UiLanguage::English), c.title);
    const MenuHandle menu = BuildTrayMenu();
    for (WORD id = IDM_HOTKEY_DISABLED; id <= IDM_HOTKEY_CTRL_ALT_M; ++id)
      EXPECT_EQ((::GetMenuState(menu.Get(), id, MF_BYCOMMAND) & MF_CHECKED) != 0, id == c.checked) << id;
  }
}
