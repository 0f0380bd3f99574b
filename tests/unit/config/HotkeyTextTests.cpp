#include "config/HotkeyText.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <utility>
#include <string>
#include <vector>

namespace {

constexpr std::uint32_t kCtrlAlt = kModControl | kModAlt;

struct ParseCase {
  std::wstring text;
  bool ok;
  std::uint32_t modifiers;
  std::uint32_t key;
};

std::wstring Repeat(const std::wstring& piece, int count, const std::wstring& separator) {
  std::wstring text;
  for (int i = 0; i < count; ++i) text += (i ? separator : L"") + piece;
  return text;
}

}  // namespace

TEST(HotkeyText, ParseTable) {
  const std::wstring combination128 = L"Ctrl+Alt+" + std::wstring(115, L' ') + L"VK_V";
  ASSERT_EQ(combination128.size(), 128u);
  const std::vector<ParseCase> cases = {
      {L"VK_V", true, kCtrlAlt, 0x56},
      {L"vk_v", true, kCtrlAlt, 0x56},
      {L"  \tVK_V", true, kCtrlAlt, 0x56},
      {L"v", true, kCtrlAlt, 0x56},
      {L"V", true, kCtrlAlt, 0x56},
      {L"'v'", true, kCtrlAlt, 0x56},
      {L"0x56", true, kCtrlAlt, 0x56},
      {L"#56", true, kCtrlAlt, 0x56},
      {L"86", true, kCtrlAlt, 0x56},
      {L"Ctrl+Alt+V", true, kCtrlAlt, 0x56},
      {L"ctrl + alt + v", true, kCtrlAlt, 0x56},
      {L"Control+Menu+V", true, kCtrlAlt, 0x56},
      {L"Alt+Ctrl+VK_V", true, kCtrlAlt, 0x56},
      {L"Shift+V", true, kModShift, 0x56},
      {L"Win+Windows+LWin+RWin+V", true, kModWin, 0x56},
      {L"none", true, kCtrlAlt, 0},
      {L"OFF", true, kCtrlAlt, 0},
      {L"Disabled", true, kCtrlAlt, 0},
      {L"", true, kCtrlAlt, 0},
      {L"   \t ", true, kCtrlAlt, 0},
      {L"F1", true, kCtrlAlt, 0},
      {L"Esc", true, kCtrlAlt, 0},
      {L"VK_F1", true, kCtrlAlt, 0x70},
      {L"VK_NOSUCHKEY", true, kCtrlAlt, 0},
      {L"Ctrl+F1", false, kCtrlAlt, 0},
      {L"Ctrl+Alt+Del", false, kCtrlAlt, 0},
      {L"Ctrl+Alt+", false, kCtrlAlt, 0},
      {L"+V", false, kCtrlAlt, 0},
      {L"+++", false, kCtrlAlt, 0},
      {L"Hyper+V", false, kCtrlAlt, 0},
      {L"Ctrl+ \t +V", true, kModControl, 0x56},  // the blank piece does not count
      {L"Ctrl+ \t +", false, kCtrlAlt, 0},
      {combination128, false, kCtrlAlt, 0},
      {L"Ctrl+Alt+\\", true, kCtrlAlt, 0xDC},
      {L"Ctrl+Alt+backslash", true, kCtrlAlt, 0xDC},
      {L"Ctrl+Alt+OEM5", true, kCtrlAlt, 0xDC},
      {L"Ctrl+Alt+space", true, kCtrlAlt, 0x20},
      {L"Ctrl+Alt+7", true, kCtrlAlt, 0x07},
      {L"Ctrl+Alt+'7'", true, kCtrlAlt, 0x37},
      {L"Ctrl++Alt++V", true, kCtrlAlt, 0x56},
      {L"0x0", true, kCtrlAlt, 0},
      {L"0x100", true, kCtrlAlt, 0},
      {L"0xff", true, kCtrlAlt, 0xFF},
      {L"0xg", true, kCtrlAlt, 0},
      {L"#", true, kCtrlAlt, 0},
      {L"0", true, kCtrlAlt, 0},
      {L"256", true, kCtrlAlt, 0},
      {L"255", true, kCtrlAlt, 0xFF},
      {L"99999999999999999999", true, kCtrlAlt, 0},
      {L"Ctrl+0x0", false, kCtrlAlt, 0},
      {L"Ctrl+256", false, kCtrlAlt, 0},
      {L"Ctrl+'+'", false, kCtrlAlt, 0},
      {L"Ctrl+''", false, kCtrlAlt, 0},
      {Repeat(L"Ctrl", 15, L"+") + L"+V+Q", true, kModControl, 0x56},
      {Repeat(L"Ctrl", 16, L"+") + L"+V", false, kCtrlAlt, 0},
      {L"Ctrl+" + std::wstring(47, L'x') + L"V", false, kCtrlAlt, 0},
      {L"Ctrl+  VK_V" + std::wstring(43, L' ') + L"zz", true, kModControl, 0x56},  // cut at 47 characters
      {L"Ctrl+  VK_V" + std::wstring(42, L' ') + L"zz", false, kCtrlAlt, 0},
      {L"Ctrl+VK_V" + std::wstring(60, L' '), true, kModControl, 0x56},
  };
  for (const ParseCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "text \"" << std::string(c.text.begin(), c.text.end()) << "\"");
    HotkeySpec hotkey{0x55, 0x55};
    EXPECT_EQ(ParseHotkeySpec(c.text.c_str(), &hotkey), c.ok);
    if (c.ok) {
      EXPECT_EQ(hotkey, (HotkeySpec{c.modifiers, c.key}));
    }
  }
  // 127 characters is short enough.
  HotkeySpec hotkey;
  const std::wstring shorter = L"Alt+" + std::wstring(119, L' ') + L"VK_V";
  ASSERT_EQ(shorter.size(), 127u);
  EXPECT_TRUE(ParseHotkeySpec(shorter.c_str(), &hotkey));
  EXPECT_EQ(hotkey, (HotkeySpec{kModAlt, 0x56}));
}

TEST(HotkeyText, ParseNullArguments) {
  HotkeySpec hotkey{0x4, 0x41};
  EXPECT_FALSE(ParseHotkeySpec(nullptr, &hotkey));
  EXPECT_EQ(hotkey, (HotkeySpec{kCtrlAlt, 0}));
  EXPECT_FALSE(ParseHotkeySpec(L"VK_V", nullptr));
  EXPECT_EQ(ParseKeyName(nullptr), 0u);
  EXPECT_EQ(ParseKeyName(L""), 0u);
}

TEST(HotkeyText, KeyNameRules) {
  const struct {
    const wchar_t* text;
    std::uint32_t key;
  } cases[] = {
      {L"VK_", 0},           {L"vk_oem_clear", 0xFE}, {L"VK_LSHIFT", 0},  {L"VK_VOLUME_UP", 0},
      {L"VK_KANA", 0x15},    {L"VK_HANGEUL", 0x15},   {L"VK_KANJI", 0x19}, {L"0X1b", 0x1B},
      {L"0x41zz", 0x41},     {L"#a0", 0xA0},          {L"#100", 0},       {L"007", 7},
      {L"SPACE", 0x20},      {L"BackSlash", 0xDC},    {L"\\", 0xDC},      {L"z", 0x5A},
      {L"%", 0},               {L"'%'", 0},        {L"'a'", 0x41},
      {L"'ab'", 0},          {L"ab", 0},              {L"Del", 0},        {L"VK_0", 0x30},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "index " << (&c - cases));
    EXPECT_EQ(ParseKeyName(c.text), c.key);
  }
}

// The table against the SDK's own constants (digits and letters are their characters).
TEST(HotkeyText, TableMatchesTheSdkCodesInOrder) {
#define ROW(n) {L"VK_" #n, VK_##n}
  const VirtualKeyName head[] = {
      ROW(LBUTTON), ROW(RBUTTON), ROW(CANCEL),   ROW(MBUTTON),    ROW(XBUTTON1), ROW(XBUTTON2), ROW(BACK),
      ROW(TAB),     ROW(CLEAR),   ROW(RETURN),   ROW(SHIFT),      ROW(CONTROL),  ROW(MENU),     ROW(PAUSE),
      ROW(CAPITAL), ROW(KANA),    ROW(HANGUL),   {L"VK_HANGEUL", 0x15}, ROW(JUNJA), ROW(FINAL), ROW(HANJA),
      ROW(KANJI),   ROW(ESCAPE),  ROW(CONVERT),  ROW(NONCONVERT), ROW(ACCEPT),   ROW(MODECHANGE), ROW(SPACE),
      ROW(PRIOR),   ROW(NEXT),    ROW(END),      ROW(HOME),       ROW(LEFT),     ROW(UP),       ROW(RIGHT),
      ROW(DOWN),    ROW(SELECT),  ROW(PRINT),    ROW(EXECUTE),    ROW(SNAPSHOT), ROW(INSERT),   ROW(DELETE),
      ROW(HELP)};
  const VirtualKeyName middle[] = {ROW(LWIN), ROW(RWIN), ROW(APPS), ROW(SLEEP)};
  const VirtualKeyName operators[] = {ROW(MULTIPLY), ROW(ADD), ROW(SEPARATOR), ROW(SUBTRACT), ROW(DECIMAL),
                                      ROW(DIVIDE)};
  const VirtualKeyName tail[] = {
      ROW(NUMLOCK),    ROW(SCROLL),  ROW(OEM_1),   ROW(OEM_PLUS),  ROW(OEM_COMMA), ROW(OEM_MINUS),
      ROW(OEM_PERIOD), ROW(OEM_2),   ROW(OEM_3),   ROW(OEM_4),     ROW(OEM_5),     ROW(OEM_6),
      ROW(OEM_7),      ROW(OEM_8),   ROW(OEM_AX),  ROW(OEM_102),   ROW(PROCESSKEY), ROW(PACKET),
      ROW(ATTN),       ROW(CRSEL),   ROW(EXSEL),   ROW(EREOF),     ROW(PLAY),      ROW(ZOOM),
      ROW(NONAME),     ROW(PA1),     ROW(OEM_CLEAR)};
#undef ROW
  std::vector<std::pair<std::wstring, std::uint32_t>> expected;
  for (const auto& row : head) expected.emplace_back(row.name, row.code);
  for (wchar_t c = L'0'; c <= L'9'; ++c) expected.emplace_back(std::wstring(L"VK_") + c, c);
  for (wchar_t c = L'A'; c <= L'Z'; ++c) expected.emplace_back(std::wstring(L"VK_") + c, c);
  for (const auto& row : middle) expected.emplace_back(row.name, row.code);
  for (int i = 0; i <= 9; ++i) expected.emplace_back(L"VK_NUMPAD" + std::to_wstring(i), VK_NUMPAD0 + i);
  for (const auto& row : operators) expected.emplace_back(row.name, row.code);
  for (int i = 1; i <= 24; ++i) expected.emplace_back(L"VK_F" + std::to_wstring(i), VK_F1 + i - 1);
  for (const auto& row : tail) expected.emplace_back(row.name, row.code);

  ASSERT_EQ(expected.size(), kVirtualKeyNameCount);
  for (std::size_t i = 0; i < kVirtualKeyNameCount; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(std::wstring(VirtualKeyNames[i].name), expected[i].first);
    EXPECT_EQ(VirtualKeyNames[i].code, expected[i].second);
  }
}

TEST(HotkeyText, FormatTable) {
  const struct {
    std::uint32_t modifiers;
    std::uint32_t key;
    const wchar_t* config;
    const wchar_t* display;
  } cases[] = {
      {0x3, 0, L"none", L""},
      {0x6, 0, L"none", L""},
      {0x3, 0x56, L"VK_V", L"Ctrl + Alt + VK_V"},
      {0x3, 0x70, L"VK_F1", L"Ctrl + Alt + VK_F1"},
      {0x6, 0x70, L"Ctrl+Shift+VK_F1", L"Ctrl + Shift + VK_F1"},
      {0x1, 0x20, L"Alt+VK_SPACE", L"Alt + VK_SPACE"},
      {0x7, 0x41, L"Ctrl+Alt+Shift+VK_A", L"Ctrl + Alt + Shift + VK_A"},
      {0x8, 0xDC, L"Win+VK_OEM_5", L"Win + VK_OEM_5"},
      {0x8, 0xA0, L"Win+0xA0", L"Win + 0xA0"},
      {0x2, 0x15, L"Ctrl+VK_KANA", L"Ctrl + VK_KANA"},
      {0x2, 0x19, L"Ctrl+VK_HANJA", L"Ctrl + VK_HANJA"},
      {0x3, 0x07, L"0x07", L"Ctrl + Alt + 0x07"},
      {0xF, 0x1234, L"Ctrl+Alt+Shift+Win+0x1234", L"Ctrl + Alt + Shift + Win + 0x1234"},
      {0xC, 0x5A, L"Shift+Win+VK_Z", L"Shift + Win + VK_Z"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "index " << (&c - cases));
    const HotkeySpec hotkey{c.modifiers, c.key};
    EXPECT_EQ(FormatHotkeyForConfig(hotkey), c.config);
    EXPECT_EQ(FormatHotkeyForDisplay(hotkey), c.display);
  }
}

// Every name and every code 1..255 with every non-empty modifier set comes back unchanged.
TEST(HotkeyText, FormatThenParseRoundTrips) {
  for (const VirtualKeyName& row : VirtualKeyNames) {
    HotkeySpec hotkey;
    ASSERT_TRUE(ParseHotkeySpec(row.name, &hotkey)) << row.name;
    EXPECT_EQ(hotkey.virtualKey, row.code);
    EXPECT_EQ(ParseKeyName(row.name), row.code);
  }
  int checked = 0;
  for (std::uint32_t modifiers = 1; modifiers <= 0xF; ++modifiers) {
    for (std::uint32_t key = 1; key <= 255; ++key) {
      const HotkeySpec original{modifiers, key};
      const std::wstring text = FormatHotkeyForConfig(original);
      HotkeySpec parsed{0, 0};
      ASSERT_TRUE(ParseHotkeySpec(text.c_str(), &parsed)) << std::string(text.begin(), text.end());
      ASSERT_EQ(parsed, original) << std::string(text.begin(), text.end());
      ++checked;
    }
  }
  EXPECT_EQ(checked, 15 * 255);
  HotkeySpec parsed;
  EXPECT_TRUE(ParseHotkeySpec(FormatHotkeyForConfig(HotkeySpec{kCtrlAlt, 0}).c_str(), &parsed));
  EXPECT_EQ(parsed, (HotkeySpec{kCtrlAlt, 0}));
}
