#include "config/HotkeyText.h"

#include <gtest/gtest.h>

#include "TestSupport.h"

constexpr std::uint32_t CA = kModControl | kModAlt, C = kModControl;

// Refused: ok is 0 and the rest does not matter.
TEST(HotkeyText, EachTextParsesToItsHotkeyOrIsRefused) {
  std::wstring ctrl15;
  for (int i = 0; i < 15; ++i) ctrl15 += L"Ctrl+";
  const struct {
    std::wstring text;
    bool ok;
    std::uint32_t modifiers, key;
  } cases[] = {// clang-format off
      {L"  \tvk_v", 1, CA, 0x56}, {L"v", 1, CA, 0x56}, {L"'v'", 1, CA, 0x56}, {L"#56", 1, CA, 0x56},
      {L"ctrl + alt + v", 1, CA, 0x56}, {L"Control+Menu+V", 1, CA, 0x56}, {L"Ctrl++Alt++V", 1, CA, 0x56},
      {L"Win+Windows+LWin+RWin+V", 1, kModWin, 0x56}, {L"none", 1, CA, 0}, {L"Disabled", 1, CA, 0},
      {L"   \t ", 1, CA, 0}, {L"F1", 1, CA, 0}, {L"VK_F1", 1, CA, 0x70}, {L"Ctrl+F1", 0}, {L"Ctrl+Alt+", 0},
      {L"+V", 0}, {L"Hyper+V", 0}, {L"Ctrl+ \t +V", 1, C, 0x56},
      {L"Ctrl+Alt+" + std::wstring(115, L' ') + L"VK_V", 0},  // 128 characters
      {L"Alt+" + std::wstring(119, L' ') + L"VK_V", 1, kModAlt, 0x56},
      {L"Ctrl+Alt+\\", 1, CA, 0xDC}, {L"Ctrl+Alt+backslash", 1, CA, 0xDC}, {L"Ctrl+Alt+OEM5", 1, CA, 0xDC},
      {L"Ctrl+Alt+space", 1, CA, 0x20}, {L"Ctrl+Alt+7", 1, CA, 0x07}, {L"Ctrl+Alt+'7'", 1, CA, 0x37},
      {L"0x100", 1, CA, 0}, {L"0x41zz", 1, CA, 0x41}, {L"256", 1, CA, 0}, {L"255", 1, CA, 0xFF},
      {L"99999999999999999999", 1, CA, 0}, {L"Ctrl+0x0", 0}, {L"Ctrl+'+'", 0}, {ctrl15 + L"V+Q", 1, C, 0x56},
      {L"Ctrl+" + ctrl15 + L"V", 0}, {L"vk_oem_clear", 1, CA, 0xFE},
      {L"Ctrl+  VK_V" + std::wstring(43, L' ') + L"zz", 1, C, 0x56},
      {L"Ctrl+  VK_V" + std::wstring(42, L' ') + L"zz", 0},  // pieces cut at 47
      {L"007", 1, CA, 7}, {L"'%'", 1, CA, 0}, {L"ab", 1, CA, 0}, {L"\x0436", 1, CA, 0}};
  // clang-format on
  for (const auto& c : cases) {
    HotkeySpec hotkey{0x55, 0x55};
    EXPECT_EQ(ParseHotkeySpec(c.text.c_str(), &hotkey), c.ok) << Narrow(c.text);
    EXPECT_TRUE(!c.ok || hotkey == (HotkeySpec{c.modifiers, c.key})) << Narrow(c.text);
  }
}

TEST(HotkeyText, NullArgumentsAreRefused) {
  EXPECT_FALSE(ParseHotkeySpec(nullptr, nullptr) || ParseHotkeySpec(L"VK_V", nullptr) || ParseKeyName(nullptr) != 0);
}

TEST(HotkeyText, IsWrittenOneWayForTheFileAndAnotherForDisplay) {
  const struct {
    HotkeySpec hotkey;
    std::wstring config, display;
  } cases[] = {// clang-format off
      {{0x6, 0}, L"none", L""}, {{0x3, 0x56}, L"VK_V", L"Ctrl + Alt + VK_V"},
      {{0x6, 0x70}, L"Ctrl+Shift+VK_F1", L"Ctrl + Shift + VK_F1"}, {{0x2, 0x19}, L"Ctrl+VK_HANJA", L"Ctrl + VK_HANJA"},
      {{0x3, 0x07}, L"0x07", L"Ctrl + Alt + 0x07"},
      {{0xF, 0x1234}, L"Ctrl+Alt+Shift+Win+0x1234", L"Ctrl + Alt + Shift + Win + 0x1234"}};
  // clang-format on
  for (const auto& c : cases) {
    EXPECT_EQ(FormatHotkeyForConfig(c.hotkey), c.config);
    EXPECT_EQ(FormatHotkeyForDisplay(c.hotkey), c.display);
  }
}

TEST(HotkeyText, EveryKeyWithEveryModifierSetReadsBackAsWritten) {
  for (std::uint32_t modifiers = 1; modifiers <= 0xF; ++modifiers)
    for (std::uint32_t key = 1; key <= 255; ++key) {
      HotkeySpec parsed;
      ASSERT_TRUE(ParseHotkeySpec(FormatHotkeyForConfig({modifiers, key}).c_str(), &parsed) &&
                  parsed == (HotkeySpec{modifiers, key}))
          << modifiers << ' ' << key;
    }
}
