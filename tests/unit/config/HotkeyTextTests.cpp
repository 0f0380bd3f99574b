#include "config/HotkeyText.h"

#include <gtest/gtest.h>

#include <utility>

#include "TestSupport.h"

constexpr std::uint32_t CA = kModControl | kModAlt, C = kModControl;

TEST(HotkeyText, ParseTable) {
  std::wstring ctrl15;
  for (int i = 0; i < 15; ++i) ctrl15 += L"Ctrl+";
  const struct { std::wstring text; bool ok; std::uint32_t modifiers, key; } cases[] = {
      {L"VK_V", 1, CA, 0x56}, {L"vk_v", 1, CA, 0x56}, {L"  \tVK_V", 1, CA, 0x56}, {L"v", 1, CA, 0x56},
      {L"V", 1, CA, 0x56}, {L"'v'", 1, CA, 0x56}, {L"0x56", 1, CA, 0x56}, {L"#56", 1, CA, 0x56}, {L"86", 1, CA, 0x56},
      {L"Ctrl+Alt+V", 1, CA, 0x56}, {L"ctrl + alt + v", 1, CA, 0x56}, {L"Control+Menu+V", 1, CA, 0x56},
      {L"Alt+Ctrl+VK_V", 1, CA, 0x56}, {L"Shift+V", 1, kModShift, 0x56}, {L"Win+Windows+LWin+RWin+V", 1, kModWin, 0x56},
      {L"none", 1, CA, 0}, {L"OFF", 1, CA, 0}, {L"Disabled", 1, CA, 0}, {L"", 1, CA, 0}, {L"   \t ", 1, CA, 0},
      {L"F1", 1, CA, 0}, {L"Esc", 1, CA, 0}, {L"VK_F1", 1, CA, 0x70}, {L"VK_NOSUCHKEY", 1, CA, 0}, {L"Ctrl+F1", 0},
      {L"Ctrl+Alt+Del", 0}, {L"Ctrl+Alt+", 0}, {L"+V", 0}, {L"+++", 0}, {L"Hyper+V", 0}, {L"Ctrl+ \t +V", 1, C, 0x56},
      {L"Ctrl+ \t +", 0}, {L"Ctrl+Alt+" + std::wstring(115, L' ') + L"VK_V", 0},  // 128 characters
      {L"Alt+" + std::wstring(119, L' ') + L"VK_V", 1, kModAlt, 0x56},  // 127 characters
      {L"Ctrl+Alt+\\", 1, CA, 0xDC}, {L"Ctrl+Alt+backslash", 1, CA, 0xDC}, {L"Ctrl+Alt+OEM5", 1, CA, 0xDC},
      {L"Ctrl+Alt+space", 1, CA, 0x20}, {L"Ctrl+Alt+7", 1, CA, 0x07}, {L"Ctrl+Alt+'7'", 1, CA, 0x37},
      {L"Ctrl++Alt++V", 1, CA, 0x56}, {L"0x0", 1, CA, 0}, {L"0x100", 1, CA, 0}, {L"0xff", 1, CA, 0xFF},
      {L"0xg", 1, CA, 0}, {L"#", 1, CA, 0}, {L"0", 1, CA, 0}, {L"256", 1, CA, 0}, {L"255", 1, CA, 0xFF},
      {L"99999999999999999999", 1, CA, 0}, {L"Ctrl+0x0", 0}, {L"Ctrl+256", 0}, {L"Ctrl+'+'", 0}, {L"Ctrl+''", 0},
      {ctrl15 + L"V+Q", 1, C, 0x56}, {L"Ctrl+" + ctrl15 + L"V", 0}, {L"Ctrl+" + std::wstring(47, L'x') + L"V", 0},
      {L"Ctrl+  VK_V" + std::wstring(43, L' ') + L"zz", 1, C, 0x56},  // cut at 47 characters
      {L"Ctrl+  VK_V" + std::wstring(42, L' ') + L"zz", 0}, {L"Ctrl+VK_V" + std::wstring(60, L' '), 1, C, 0x56},
      {L"vk_oem_clear", 1, CA, 0xFE}, {L"VK_LSHIFT", 1, CA, 0}, {L"VK_HANGEUL", 1, CA, 0x15}, {L"VK_KANJI", 1, CA, 0x19},
      {L"0X1b", 1, CA, 0x1B}, {L"0x41zz", 1, CA, 0x41}, {L"#a0", 1, CA, 0xA0}, {L"#100", 1, CA, 0}, {L"007", 1, CA, 7},
      {L"BackSlash", 1, CA, 0xDC}, {L"'%'", 1, CA, 0}, {L"'ab'", 1, CA, 0}, {L"ab", 1, CA, 0}, {L"VK_0", 1, CA, 0x30},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Narrow(c.text));
    HotkeySpec hotkey{0x55, 0x55};
    EXPECT_EQ(ParseHotkeySpec(c.text.c_str(), &hotkey), c.ok);
    EXPECT_TRUE(!c.ok || hotkey == (HotkeySpec{c.modifiers, c.key}));
  }
  HotkeySpec hotkey{0x4, 0x41};
  EXPECT_FALSE(ParseHotkeySpec(nullptr, &hotkey));
  EXPECT_EQ(hotkey, (HotkeySpec{CA, 0}));
  EXPECT_FALSE(ParseHotkeySpec(L"VK_V", nullptr));
  EXPECT_EQ(ParseKeyName(nullptr), 0u);
}

TEST(HotkeyText, FormatTable) {
  const struct { std::uint32_t modifiers, key; const wchar_t *config, *display; } cases[] = {
      {0x3, 0, L"none", L""}, {0x6, 0, L"none", L""}, {0x3, 0x56, L"VK_V", L"Ctrl + Alt + VK_V"},
      {0x3, 0x70, L"VK_F1", L"Ctrl + Alt + VK_F1"}, {0x6, 0x70, L"Ctrl+Shift+VK_F1", L"Ctrl + Shift + VK_F1"},
      {0x1, 0x20, L"Alt+VK_SPACE", L"Alt + VK_SPACE"},
      {0x7, 0x41, L"Ctrl+Alt+Shift+VK_A", L"Ctrl + Alt + Shift + VK_A"},
      {0x8, 0xDC, L"Win+VK_OEM_5", L"Win + VK_OEM_5"}, {0x8, 0xA0, L"Win+0xA0", L"Win + 0xA0"},
      {0x2, 0x15, L"Ctrl+VK_KANA", L"Ctrl + VK_KANA"}, {0x2, 0x19, L"Ctrl+VK_HANJA", L"Ctrl + VK_HANJA"},
      {0x3, 0x07, L"0x07", L"Ctrl + Alt + 0x07"}, {0xC, 0x5A, L"Shift+Win+VK_Z", L"Shift + Win + VK_Z"},
      {0xF, 0x1234, L"Ctrl+Alt+Shift+Win+0x1234", L"Ctrl + Alt + Shift + Win + 0x1234"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormatHotkeyForConfig({c.modifiers, c.key}), c.config) << "index " << (&c - cases);
    EXPECT_EQ(FormatHotkeyForDisplay({c.modifiers, c.key}), c.display) << "index " << (&c - cases);
  }
}

// Every name, and every code 1..255 with every modifier set, comes back unchanged.
TEST(HotkeyText, FormatThenParseRoundTrips) {
  for (const VirtualKeyName& row : VirtualKeyNames) {
    HotkeySpec hotkey{0, 0};
    EXPECT_TRUE(ParseHotkeySpec(row.name, &hotkey) && hotkey == (HotkeySpec{CA, row.code})) << Narrow(row.name);
  }
  for (std::uint32_t modifiers = 1; modifiers <= 0xF; ++modifiers) {
    for (std::uint32_t key = 1; key <= 255; ++key) {
      const std::wstring text = FormatHotkeyForConfig({modifiers, key});
      HotkeySpec parsed{0, 0};
      ASSERT_TRUE(ParseHotkeySpec(text.c_str(), &parsed)) << Narrow(text);
      ASSERT_EQ(parsed, (HotkeySpec{modifiers, key})) << Narrow(text);
    }
  }
}
