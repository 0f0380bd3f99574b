#include "config/HotkeyText.h"

#include <gtest/gtest.h>

#include <tuple>

#include "TestSupport.h"

constexpr std::uint32_t CA = kModControl | kModAlt, C = kModControl;

static const std::wstring kCtrl15 = L"Ctrl+Ctrl+Ctrl+Ctrl+Ctrl+Ctrl+Ctrl+Ctrl+Ctrl+Ctrl+Ctrl+Ctrl+Ctrl+Ctrl+Ctrl+";
// Texts and what they parse to; refused: ok is 0 (and the hotkey does not matter).
// clang-format off
static const std::tuple<std::wstring, bool, std::uint32_t, std::uint32_t> kParseCases[] = {
    {L"  \tvk_v", 1, CA, 0x56}, {L"v", 1, CA, 0x56}, {L"'v'", 1, CA, 0x56}, {L"#56", 1, CA, 0x56},
    {L"ctrl + alt + v", 1, CA, 0x56}, {L"Control+Menu+V", 1, CA, 0x56}, {L"Ctrl++Alt++V", 1, CA, 0x56},
    {L"Win+Windows+LWin+RWin+V", 1, kModWin, 0x56}, {L"none", 1, CA, 0}, {L"Disabled", 1, CA, 0},
    {L"   \t ", 1, CA, 0}, {L"F1", 1, CA, 0}, {L"VK_F1", 1, CA, 0x70}, {L"Ctrl+F1", 0, 0, 0}, {L"+V", 0, 0, 0},
    {L"Ctrl+Alt+", 0, 0, 0}, {L"Hyper+V", 0, 0, 0}, {L"Ctrl+ \t +V", 1, C, 0x56},
    {L"Ctrl+Alt+" + std::wstring(115, L' ') + L"VK_V", 0, 0, 0},  // 128 characters
    {L"Alt+" + std::wstring(119, L' ') + L"VK_V", 1, kModAlt, 0x56},
    {L"Ctrl+Alt+\\", 1, CA, 0xDC}, {L"Ctrl+Alt+backslash", 1, CA, 0xDC}, {L"Ctrl+Alt+OEM5", 1, CA, 0xDC},
    {L"Ctrl+Alt+space", 1, CA, 0x20}, {L"Ctrl+Alt+7", 1, CA, 0x07}, {L"Ctrl+Alt+'7'", 1, CA, 0x37},
    {L"0x100", 1, CA, 0}, {L"0x41zz", 1, CA, 0x41}, {L"256", 1, CA, 0}, {L"255", 1, CA, 0xFF},
    {L"99999999999999999999", 1, CA, 0}, {L"Ctrl+0x0", 0, 0, 0}, {L"Ctrl+'+'", 0, 0, 0},
    {L"vk_oem_clear", 1, CA, 0xFE}, {kCtrl15 + L"V+Q", 1, C, 0x56}, {L"Ctrl+" + kCtrl15 + L"V", 0, 0, 0},
    {L"Ctrl+  VK_V" + std::wstring(43, L' ') + L"zz", 1, C, 0x56},
    {L"Ctrl+  VK_V" + std::wstring(42, L' ') + L"zz", 0, 0, 0},  // pieces cut at 47
    {L"007", 1, CA, 7}, {L"'%'", 1, CA, 0}, {L"ab", 1, CA, 0}, {L"\x0436", 1, CA, 0}};
// clang-format on

TEST(HotkeyText, EachTextParsesToItsHotkeyOrIsRefused) {
  for (const auto& [text, ok, modifiers, key] : kParseCases) {
    HotkeySpec hotkey{0x55, 0x55};
    EXPECT_EQ(ParseHotkeySpec(text.c_str(), &hotkey), ok) << Narrow(text);
    EXPECT_TRUE(!ok || hotkey == (HotkeySpec{modifiers, key})) << Narrow(text);
  }
}

TEST(HotkeyText, IsWrittenOneWayForTheFileAndAnotherForDisplay) {
  const std::tuple<HotkeySpec, std::wstring, std::wstring> cases[] = {
      // clang-format off
      {{0x3, 0x56}, L"VK_V", L"Ctrl + Alt + VK_V"}, {{0x3, 0x07}, L"0x07", L"Ctrl + Alt + 0x07"},
      {{0x6, 0x70}, L"Ctrl+Shift+VK_F1", L"Ctrl + Shift + VK_F1"}, {{0x2, 0x19}, L"Ctrl+VK_HANJA", L"Ctrl + VK_HANJA"},
      {{0xF, 0x1234}, L"Ctrl+Alt+Shift+Win+0x1234", L"Ctrl + Alt + Shift + Win + 0x1234"}, {{0x6, 0}, L"none", L""}};
  // clang-format on
  for (const auto& [hotkey, config, display] : cases)
    EXPECT_EQ(std::pair(FormatHotkeyForConfig(hotkey), FormatHotkeyForDisplay(hotkey)), std::pair(config, display));
}

TEST(HotkeyText, EveryKeyWithEveryModifierSetReadsBackAsWritten) {
  for (std::uint32_t i = 0; i < 15 * 255; ++i) {
    const HotkeySpec written{1 + i / 255, 1 + i % 255};
    HotkeySpec parsed;
    ASSERT_TRUE(ParseHotkeySpec(FormatHotkeyForConfig(written).c_str(), &parsed) && parsed == written) << i;
  }
}
