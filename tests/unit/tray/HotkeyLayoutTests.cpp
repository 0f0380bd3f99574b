// Hotkeys that cannot work (another program owns them, or they are AltGr on an installed keyboard
// layout), and the tray menu in high contrast.
#include <gtest/gtest.h>

#include <vector>

#include "TestSupport.h"
#include "app/Commands.h"
#include "base/Messages.h"
#include "base/SystemSeams.h"
#include "config/HotkeyText.h"
#include "tray/TrayMenu.h"

static const HKL kPlain = reinterpret_cast<HKL>(0x04090409), kAltGr = reinterpret_cast<HKL>(0x04050405);
static std::vector<HKL> g_layouts;
static bool g_highContrast = false;

// kAltGr gives "@" for AltGr+V, a dead key for AltGr+S and "µ" for AltGr+Shift+M; Ctrl with a letter
// gives a control character on every layout.
static int WINAPI Answer(UINT key, UINT, const BYTE* keys, LPWSTR text, int, UINT flags, HKL layout) {
  const bool altGr = layout == kAltGr && (keys[VK_CONTROL] & keys[VK_MENU] & 0x80) && (flags & 4), shift = keys[VK_SHIFT];
  text[0] = !altGr ? wchar_t(0x16) : key == 'V' && !shift ? L'@' : L'\u00B5';
  return !altGr || (key == 'V' && !shift) || (key == 'M' && shift) ? 1 : key == 'S' ? -1 : 0;
}
struct LayoutSeams : ScopedSeams {
  LayoutSeams() {
    Seams().getKeyboardLayoutList = [](int n, HKL* out) {
      for (int i = 0; i < n && i < static_cast<int>(g_layouts.size()); ++i) out[i] = g_layouts[i];
      return static_cast<int>(g_layouts.size());
    };
    Seams().toUnicodeEx = Answer;
    Seams().systemParametersInfo = [](UINT action, UINT size, PVOID data, UINT flags) -> BOOL {
      if (action != SPI_GETHIGHCONTRAST) return ::SystemParametersInfoW(action, size, data, flags);
      return static_cast<HIGHCONTRASTW*>(data)->dwFlags = g_highContrast ? HCF_HIGHCONTRASTON : 0, TRUE;
    };
  }
};

TEST(HotkeyLayouts, AltGrCharactersAndDeadKeysRefuseACtrlAltHotkey) {
  LayoutSeams seams;
  const std::uint32_t ca = kModControl | kModAlt;
  const struct { std::vector<HKL> layouts; std::uint32_t modifiers; UINT key; bool refused; } cases[] = {
      {{kPlain}, ca, 'V', false},            {{kPlain, kAltGr}, ca, 'V', true},     {{kAltGr}, ca, 'S', true},
      {{kAltGr}, ca, 'M', false},            {{kAltGr}, ca | kModShift, 'M', true}, {{kAltGr}, ca | kModShift, 'V', false},
      {{kAltGr}, ca | kModWin, 'V', false},  {{kAltGr}, kModControl | kModShift, 'V', false}};
  for (const auto& c : cases) {
    g_layouts = c.layouts;
    EXPECT_EQ(HotkeyTakesAltGrCharacter(HotkeySpec{c.modifiers, c.key}), c.refused) << c.key << " " << c.modifiers;
  }
}

TEST(HotkeyLayouts, MenuGreysRefusedPresetsAndTitlesAHotkeyThatIsNotRegistered) {
  AppScope app;
  LayoutSeams seams;
  app.MakeMainWindow();
  App().settings.Language = L"en";
  App().darkMode = true;  // the header is grey only in the light menus, which high contrast takes
  const struct { std::vector<HKL> layouts; bool heldElsewhere, highContrast; const wchar_t* title; bool grey; } cases[] = {
      {{kPlain, kAltGr}, false, false, L"Hotkey: (Ctrl + Alt + V \u2013 unavailable)", true},
      {{kPlain}, true, false, L"Hotkey: (Ctrl + Alt + V \u2013 unavailable)", false},
      {{kPlain}, false, false, L"Hotkey: (Ctrl + Alt + V)", false},
      {{kPlain}, false, true, L"Hotkey: (Ctrl + Alt + V)", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    g_layouts = c.layouts;
    g_highContrast = c.highContrast;
    ASSERT_TRUE(!c.heldElsewhere || ::RegisterHotKey(nullptr, 0x7F02, MOD_CONTROL | MOD_ALT, 'V'));
    RegisterToggleHotkey();
    ::UnregisterHotKey(nullptr, 0x7F02);
    const MenuHandle menu = BuildTrayMenu();
    const HMENU hotkeys = ::GetSubMenu(menu.Get(), 8);
    wchar_t title[256] = {}, info[64] = {};
    ::GetMenuStringW(menu.Get(), 8, title, 256, MF_BYPOSITION);
    ::GetMenuStringW(hotkeys, 6, info, 64, MF_BYPOSITION);
    EXPECT_STREQ(title, c.title);
    EXPECT_STREQ(info, c.grey ? L"Other keys can be set in config.ini" : L"");
    for (const WORD id : {IDM_HOTKEY_CTRL_ALT_V, IDM_HOTKEY_CTRL_ALT_S, IDM_HOTKEY_CTRL_ALT_B})
      EXPECT_EQ((::GetMenuState(hotkeys, id, MF_BYCOMMAND) & MF_GRAYED) != 0, c.grey && id != IDM_HOTKEY_CTRL_ALT_B);
    EXPECT_EQ((::GetMenuState(menu.Get(), IDM_HEADER_BLACK_SCREEN, MF_BYCOMMAND) & MF_GRAYED) != 0, c.highContrast);
  }
}
