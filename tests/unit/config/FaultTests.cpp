// Faults the mutation and bad-input runs found, each kept as a plain case.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ConfigTestSupport.h"
#include "config/ConfigLocation.h"
#include "config/ConfigSave.h"
#include "config/HotkeyText.h"
#include "config/IniDocument.h"

namespace {

constexpr std::uint32_t kCtrlAlt = kModControl | kModAlt;

Bytes Utf16BigEndian(const std::string& text) {
  Bytes out = {0xFE, 0xFF};
  for (char c : text) {
    out.push_back(0);
    out.push_back(static_cast<std::uint8_t>(c));
  }
  return out;
}

}  // namespace

// A letter or digit beyond Latin-1 is a character, not a virtual-key code: taking its code point as
// the key gave hotkeys that could not be registered, saved as a text that reads back as no hotkey.
TEST(ConfigFaults, KeyNamesNeverGiveCodesAbove255) {
  struct Case {
    std::wstring text;
    bool ok;  // ParseHotkeySpec's result; the key is 0 either way
  };
  const std::vector<Case> cases = {
      {L"\x0436", true},        {L"\x0101", true},          {L"\xFF21", true},      {L"\x4E2D", true},
      {L"\x0663", true},        {L"\x0966", true},          {L"'\x0436'", true},    {L"'\x0663'", true},
      {L"Ctrl+\x0436", false},  {L"Ctrl+'\xFF21'", false},  {L"Alt+\x2167", false}};
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(i);
    EXPECT_EQ(ParseKeyName(c.text.c_str()), 0u);
    HotkeySpec spec;
    EXPECT_EQ(ParseHotkeySpec(c.text.c_str(), &spec), c.ok);
    EXPECT_EQ(spec, (HotkeySpec{kCtrlAlt, 0}));
  }
  // Latin-1 letters and digits still name the key of their code, and ASCII is as before.
  for (const wchar_t* text : {L"\x00E9", L"'\x00E9'", L"\x00B2"}) {
    const std::uint32_t key = ParseKeyName(text);
    EXPECT_GE(key, 0xB2u);
    EXPECT_LE(key, 0xFFu);
  }
  EXPECT_EQ(ParseKeyName(L"v"), 0x56u);
  EXPECT_EQ(ParseKeyName(L"'7'"), 0x37u);
}

// A UTF-16 big-endian config.ini decoded to text full of U+0000 and loaded as an empty document;
// the next save then replaced the user's file with the ten saved keys alone.
TEST(ConfigFaults, SaveLeavesAFileItCannotDecodeAlone) {
  ScopedRoamingFolder roaming;
  ASSERT_TRUE(roaming.Active());
  ScopedSettings keep;
  EnsureConfigFilePath();
  ::SHCreateDirectoryExW(nullptr, roaming.ConfigFolder().c_str(), nullptr);
  const std::string text = "[General]\r\nSleepPrevent=0\r\n[Overlay]\r\nBadgeAlpha=10\r\n";
  for (const Bytes& bytes : {Utf16BigEndian(text), Utf16Le(L";c\r\n[Overlay]\r\nBadgeAlpha=10\r\n", false),
                             Concat(ToBytes(text), Bytes{0, 'x'})}) {
    ASSERT_TRUE(WriteBytes(roaming.ConfigFile(), bytes));
    App().settings.SleepPrevent = true;
    SaveConfig();
    EXPECT_EQ(ReadBytesOrEmpty(roaming.ConfigFile()), bytes);
  }
}
