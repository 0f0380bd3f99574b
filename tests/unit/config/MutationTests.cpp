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
const std::vector<std::wstring> kPieces = {L"+",
                                           L"++",
                                           L" ",
                                           L"ctrl+",
                                           L"VK_",
                                           L"0x",
                                           L"#",
                                           L"'",
                                           L"none",
                                           L"0x100",
                                           L"256",
                                           L"99999999999",
                                           L"-1",
                                           L"3601",
                                           L" 7 ; x",
                                           L"F15",
                                           L"blackall",
                                           L"\\",
                                           std::wstring(1, L'\0'),
                                           std::wstring(63, L'a'),
                                           L"\x00DF",
                                           L"\x00B2",
                                           L"\x0663",
                                           L"\xFF21",
                                           L"\xD83D",
                                           L"\xFEFF",
                                           L"\x0130",
                                           L"[",
                                           L"]",
                                           L"=",
                                           L";",
                                           L"\r\n"};

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
  static const std::vector<std::wstring> mods = {L"ctrl", L"Control", L"ALT", L"menu", L"Shift", L"win", L"rwin"},
                                         keys = {L"v",     L"7",    L"'q'",  L"VK_F15", L"vk_v", L"F12",
                                                 L"Space", L"\\",   L"OEM5", L"0x41",   L"#7b",  L"65",
                                                 L"007",   L"none", L"",     L"\x00E9"};
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

// Each round: a hotkey text straight through the parser; the default text or lines of the known keys in a read
// encoding, often mutated as text and as bytes, through LoadConfig; a readable file through Load, Save and Load.
TEST(Mutation, HotkeysAndLoadedSettingsKeepTheirRulesAndSavesReadBack) {
  static const std::vector<std::wstring> lines = {
      L"[General]", L"[KeepActive]",  L"[UI]",          L"[Hotkey]",          L"[Overlay]",
      L"; note",    L"SleepPrevent=", L"KeepActive = ", L"IdleThresholdSec=", L"CheckIntervalSec=",
      L"Nudge=",    L"Language=",     L"Action=",       L"ClockDisplay=",     L"ToggleHotkey=",
      L"x=y\r"};
  const Settings scrambled{
      true, true, false, 999, 99, NudgeKind::F15, L"previous", OverlayAction::BlackAll, {kModShift, 0x41}};
  ConfigScope scope;
  Random r(0x5EED0002);
  const std::size_t total = LongTestMode() ? 100000 : 800;
  std::size_t bad = 0, readable = 0, accepted = 0, withKey = 0;
  EnsureConfigFilePath();
  const std::wstring path = scope.File(), copy = scope.roaming.File(L"copy.ini");
  ASSERT_TRUE(App().configPath == path && !DefaultTextBytes().empty());
  for (std::size_t i = 0; i < total; ++i) {
    const auto fail = [&](const std::string& what) {
      if (++bad <= 10) ADD_FAILURE() << what << ", case " << i;
    };
    const std::wstring hotkey = HotkeyText(r);
    HotkeySpec spec{0x55, 0x55};
    const bool ok = ParseHotkeySpec(hotkey.c_str(), &spec);
    const std::uint32_t key = ParseKeyName(hotkey.c_str());  // a key name alone, as in the parsed hotkey
    if ((ok ? Broken(spec) : !(spec == HotkeySpec{kCtrlAlt, 0})) || (key != 0 && Broken({kCtrlAlt, key})))
      fail("hotkey " + Narrow(hotkey));
    accepted += ok, withKey += ok && spec.virtualKey != 0;
    std::wstring text;
    for (auto n = r() % 40; n > 0; --n) {
      const std::wstring& line = Pick(r, lines);
      text += line +
              (line.back() != L'=' && line.back() != L' ' ? L""
               : line == L"ToggleHotkey="                 ? HotkeyText(r)
                                                          : Pick(r, kPieces)) +
              L"\n";
    }
    if (r() % 4 == 0) Mutate(r, text);
    const auto kind = r() % 10;  // the default text, UTF-16 with or without mark, UTF-8 with or without mark
    Bytes bytes = kind < 3   ? DefaultTextBytes()
                  : kind < 5 ? Utf16Le(text, kind == 3)
                             : Concat(kind == 5 ? Bytes{0xEF, 0xBB, 0xBF} : Bytes{}, Utf8Bytes(text));
    for (auto n = kind == 0 || r() % 2 ? 1 + r() % 6 : 0; n > 0;
         --n) {  // erase bytes, flip a bit, insert one byte or a run
      const auto at = bytes.begin() + static_cast<std::ptrdiff_t>(r() % (bytes.size() + 1));
      if (r() % 3 == 0) bytes.erase(at, at + std::min<std::ptrdiff_t>(1 + r() % 16, bytes.end() - at));
      else if (r() % 2 && at != bytes.end()) *at ^= static_cast<std::uint8_t>(1u << r() % 8);
      else bytes.insert(at, r() % 3 ? 1 : r() % 2000, static_cast<std::uint8_t>(r()));
    }
    ASSERT_TRUE(WriteBytes(path, bytes));
    const bool canRead = !bytes.empty() && bytes.size() <= kIniMaxFileBytes &&
                         !DecodeIniBytes(bytes.data(), bytes.size()).empty();
    App().settings = scrambled;
    LoadConfig();
    if ((!canRead || i % 5 == 0) && ReadBytesOrEmpty(path) != bytes) fail("loading changed the file");
    if (!canRead && !(App().settings == scrambled)) fail("an unreadable file changed the settings");
    const Settings& s = App().settings;
    const auto out = [](auto value, IntegerKey range) {
      return static_cast<std::int32_t>(value) < range.minimum || static_cast<std::int32_t>(value) > range.maximum;
    };
    if (out(s.IdleThresholdSec, kIdleThresholdKey) || out(s.CheckIntervalSec, kCheckIntervalKey) ||
        out(s.Nudge, {.maximum = 1}) || out(s.Action, {.maximum = 3}) || out(s.ClockDisplay, {.maximum = 3}) ||
        s.Language.size() > kLanguageMaxChars || Broken(s.ToggleHotkey))
      fail("a number, an enum, the language or the hotkey out of its rules");
    IniDocument first(path), second(copy);
    if (first.Load() != canRead) fail("Load and the decoder disagree");
    const std::wstring saved = first.Serialize();
    if (first.SectionOrder().empty() ||
        std::any_of(saved.begin(), saved.end(), [](wchar_t c) { return c >= 0xD800 && c <= 0xDFFF; }))
      continue;  // nothing to save, or a surrogate that UTF-8 cannot keep
    if (!WriteUtf8FileAtomic(copy, saved) || !second.Load() || first.Serialize() != second.Serialize())
      fail("saved document reads back different");
    readable += canRead;
  }
  EXPECT_TRUE(withKey > total / 4 && total - accepted > total / 10)
      << withKey << ' ' << accepted;  // both outcomes in quantity
  EXPECT_GT(readable, total / 3);
  EXPECT_EQ(bad, 0u);
}
