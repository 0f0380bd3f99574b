#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "TestSupport.h"
#include "config/ConfigLoad.h"
#include "config/ConfigLocation.h"
#include "config/HotkeyText.h"

constexpr std::uint32_t kCtrlAlt = kModControl | kModAlt;
using Random = std::mt19937_64;
static const std::wstring& Pick(Random& r, const std::vector<std::wstring>& items) { return items[r() % items.size()]; }

// Grammar pieces, numbers out of range, and characters with unusual class or case (also config values).
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

// Seeded rounds over a private config.ini.
class Mutation : public testing::Test {
 protected:
  Mutation() { EnsureConfigFilePath(); }
  // The default text or lines of the known keys in a read encoding, often mutated as text and as bytes.
  Bytes RandomFile() {
    static const std::vector<std::wstring> lines = {
        L"[General]", L"[KeepActive]",  L"[UI]",          L"[Hotkey]",          L"[Overlay]",
        L"; note",    L"SleepPrevent=", L"KeepActive = ", L"IdleThresholdSec=", L"CheckIntervalSec=",
        L"Nudge=",    L"Language=",     L"Action=",       L"ClockDisplay=",     L"ToggleHotkey=",
        L"x=y\r"};
    std::wstring text;
    for (auto n = r() % 40; n > 0; --n) {
      const std::wstring& line = Pick(r, lines);
      const bool valued = line.back() == L'=' || line.back() == L' ';
      text += line + (!valued ? L"" : line == L"ToggleHotkey=" ? HotkeyText(r) : Pick(r, kPieces)) + L"\n";
    }
    if (r() % 4 == 0) Mutate(r, text);
    const auto kind = r() % 10;  // the default text, UTF-16 with or without mark, UTF-8 with or without mark
    Bytes bytes = kind < 3   ? DefaultTextBytes()
                  : kind < 5 ? Utf16Le(text, kind == 3)
                             : Concat(kind == 5 ? Bytes{0xEF, 0xBB, 0xBF} : Bytes{}, Utf8Bytes(text));
    for (auto n = kind == 0 || r() % 2 ? 1 + r() % 6 : 0; n > 0; --n) {  // erase, flip a bit, insert a byte or a run
      const auto at = bytes.begin() + static_cast<std::ptrdiff_t>(r() % (bytes.size() + 1));
      if (r() % 3 == 0) bytes.erase(at, at + std::min<std::ptrdiff_t>(1 + r() % 16, bytes.end() - at));
      else if (r() % 2 && at != bytes.end()) *at ^= static_cast<std::uint8_t>(1u << r() % 8);
      else bytes.insert(at, r() % 3 ? 1 : r() % 2000, static_cast<std::uint8_t>(r()));
    }
    EXPECT_TRUE(WriteBytes(scope.File(), bytes));
    return bytes;
  }
  static bool Readable(const Bytes& b) {
    return !b.empty() && b.size() <= kIniMaxFileBytes && !DecodeIniBytes(b.data(), b.size()).empty();
  }
  ConfigScope scope;
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
  EXPECT_GT(withKey, total / 4);  // both outcomes in quantity
  EXPECT_GT(total - accepted, total / 10);
}

TEST_F(Mutation, LoadedSettingsKeepTheirRules) {
  const auto out = [](auto value, IntegerKey range) {
    return static_cast<std::int32_t>(value) < range.minimum || static_cast<std::int32_t>(value) > range.maximum;
  };
  for (std::size_t i = 0; i < total; ++i) {
    RandomFile();
    LoadConfig();
    const Settings& s = App().settings;
    ASSERT_FALSE(out(s.IdleThresholdSec, kIdleThresholdKey) || out(s.CheckIntervalSec, kCheckIntervalKey) ||
                 out(s.Nudge, {.maximum = 1}) || out(s.Action, {.maximum = 4}) || out(s.ClockDisplay, {.maximum = 3}) ||
                 s.Language.size() > kLanguageMaxChars || Broken(s.ToggleHotkey))
        << "case " << i;
  }
}

// A file loads when the decoder reads it; what it loads as, saved, reads back the same.
TEST_F(Mutation, ASavedDocumentReadsBackTheSame) {
  const std::wstring copy = scope.roaming.File(L"copy.ini");
  std::size_t saved = 0;
  for (std::size_t i = 0; i < total; ++i) {
    const bool readable = Readable(RandomFile());
    IniDocument first(scope.File()), second(copy);
    ASSERT_EQ(first.Load(), readable) << "case " << i;
    const std::wstring text = first.Serialize();
    if (first.SectionOrder().empty() ||
        std::any_of(text.begin(), text.end(), [](wchar_t c) { return c >= 0xD800 && c <= 0xDFFF; }))
      continue;  // nothing to save, or a surrogate that UTF-8 cannot keep
    ASSERT_TRUE(WriteUtf8FileAtomic(copy, text) && second.Load()) << "case " << i;
    ASSERT_EQ(second.Serialize(), text) << "case " << i;
    ++saved;
  }
  EXPECT_GT(saved, total / 3);
}
