#include <gtest/gtest.h>

#include <random>

#include "TestSupport.h"
#include "config/HotkeyText.h"

constexpr std::uint32_t kCtrlAlt = kModControl | kModAlt;
using Random = std::mt19937_64;
static const std::wstring& Pick(Random& r, const std::vector<std::wstring>& items) { return items[r() % items.size()]; }

// Grammar pieces, numbers out of range, and characters with unusual class or case.
// clang-format off
const std::vector<std::wstring> kPieces = {
    L"+", L"++", L" ", L"ctrl+", L"VK_", L"0x", L"#", L"'", L"none", L"0x100", L"256", L"99999999999", L"-1", L"3601",
    L" 7 ; x", L"F15", L"blackall", L"\\", std::wstring(1, L'\0'), std::wstring(63, L'a'), L"\x00DF", L"\x00B2",
    L"\x0663", L"\xFF21", L"\xD83D", L"\xFEFF", L"\x0130", L"[", L"]", L"=", L";", L"\r\n"};
// clang-format on

// Inserts pieces, erases characters, flips bits, or repeats the text after '+' (up to 200 times).
static void Mutate(Random& r, std::wstring& text) {
  for (auto n = 1 + r() % 4; n > 0; --n) {
    const std::size_t at = r() % (text.size() + 1), kind = r() % 4;
    if (kind == 0) text.insert(at, Pick(r, kPieces));
    if (kind == 1) text.erase(at, 1 + r() % 3);
    if (kind == 2 && !text.empty()) text[at % text.size()] ^= static_cast<wchar_t>(1u << r() % 16);
    for (auto t = kind < 3 ? 0 : r() % 10 ? 1 + r() % 3 : 200, base = text.size(); t > 0; --t)
      text += L"+" + text.substr(0, base);
  }
}

static std::wstring HotkeyText(Random& r) {
  // clang-format off
  static const std::vector<std::wstring> mods = {L"ctrl", L"Control", L"ALT", L"menu", L"Shift", L"win", L"rwin"},
      keys = {L"v", L"7", L"'q'", L"VK_F15", L"vk_v", L"F12", L"Space", L"\\", L"OEM5", L"0x41", L"#7b", L"65", L"007",
              L"none", L"", L"\x00E9"};
  // clang-format on
  std::wstring text = r() % 4 ? L"" : L" ";
  for (auto n = r() % 4; n > 0; --n) text += Pick(r, mods) + (r() % 5 ? L"+" : L" + ");
  text += Pick(r, keys);
  if (r() % 10 < 6) Mutate(r, text);
  return text;
}

// Whether the hotkey breaks its rules: no key means Ctrl+Alt; a key is 1..255 with at least one of the
// four modifiers; the hotkey as written to the file (at most 127 characters, as its label) parses back.
static bool Broken(const HotkeySpec& s) {
  const std::wstring written = FormatHotkeyForConfig(s);
  HotkeySpec back;
  if (s.virtualKey == 0) return s.modifiers != kCtrlAlt;
  return s.modifiers == 0 || (s.modifiers & ~0xFu) != 0 || s.virtualKey > 255 ||
         !ParseHotkeySpec(written.c_str(), &back) || !(back == s) || written.size() > 127 ||
         FormatHotkeyForDisplay(s).size() > 127;
}

class Mutation : public testing::Test {
 protected:
  Random r{0x5EED0002};
  const std::size_t total = LongTestMode() ? 100000 : 800;
};

// Parsed or refused, a text gives a hotkey within the rules; so does a key name alone.
TEST_F(Mutation, ParsedHotkeysKeepTheirRules) {
  std::size_t accepted = 0, withKey = 0;
  for (std::size_t i = 0; i < total; ++i) {
    const std::wstring hotkey = HotkeyText(r);
    HotkeySpec spec{0x55, 0x55};
    const bool ok = ParseHotkeySpec(hotkey.c_str(), &spec);
    const std::uint32_t key = ParseKeyName(hotkey.c_str());
    ASSERT_FALSE(ok ? Broken(spec) : !(spec == HotkeySpec{kCtrlAlt, 0})) << Narrow(hotkey);
    ASSERT_FALSE(key != 0 && Broken({kCtrlAlt, key})) << Narrow(hotkey);
    accepted += ok;
    withKey += ok && spec.virtualKey != 0;
  }
  EXPECT_TRUE(withKey > total / 4 && total - accepted > total / 10);  // both outcomes in quantity
}
