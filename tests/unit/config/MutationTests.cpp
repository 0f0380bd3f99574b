// Random and mutated hotkey texts and config files keep the parsed values within their rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "TestSupport.h"
#include "base/SystemSeams.h"
#include "config/ConfigLoad.h"
#include "config/ConfigLocation.h"
#include "config/ConfigSave.h"
#include "config/HotkeyText.h"

constexpr std::uint32_t kCtrlAlt = kModControl | kModAlt;
using Random = std::mt19937_64;
static const std::wstring& Pick(Random& r, const std::vector<std::wstring>& items) { return items[r() % items.size()]; }

// Grammar pieces, numbers out of range, and characters with unusual class or case (also config values).
const std::vector<std::wstring> kPieces = {L"+", L"++", L" ", L"\t", L"ctrl+", L"Alt+", L"VK_", L"VK_OEM_", L"vk_kana", L"0x", L"#",
    L"'", L"none", L"0x100", L"0xFFFFFFFFFFFF", L"256", L"99999999999", L"0", L"1", L"-1", L"59", L"3601", L"601", L"-2147483649",
    L" 7 ; x", L"12abc", L"F15", L"Mouse", L"blackall", L"TimeAndElapsed", L"en-US", L"\\", std::wstring(1, L'\0'), L"\x00E9",
    std::wstring(63, L'a'), L"\x00DF", L"\x00B2", L"\x0436", L"\x0663", L"\x2167", L"\xFF21", L"\x4E2D", L"\xD83D", L"\xDE00",
    L"\xFEFF", L"\x00A0", L"\x0130", L"\x0131", L"\x00FF"};

static void Mutate(Random& r, std::wstring& text) {
  for (auto n = 1 + r() % 4; n > 0; --n) {
    const std::size_t at = r() % (text.size() + 1);
    switch (r() % 5) {
      case 0: text.insert(at, Pick(r, kPieces)); break;
      case 1: text.erase(at, 1 + r() % 3); break;
      case 2: text.resize(at); break;
      case 3: if (!text.empty()) text[at % text.size()] ^= static_cast<wchar_t>(1u << r() % 16); break;
      default: for (auto t = r() % 10 ? 1 + r() % 3 : 200, base = text.size(); t > 0; --t) text += L"+" + text.substr(0, base);
    }
  }
}

// Modifiers, then a key in one of its written forms; more often than not mutated.
static std::wstring HotkeyText(Random& r) {
  static const std::vector<std::wstring> mods = {L"ctrl", L"Control", L"ALT", L"menu", L"Shift", L"win", L"LWin", L"rwin"};
  static const std::vector<std::wstring> keys = {L"v", L"Z", L"7", L"'q'", L"'5'", L"VK_F15", L"vk_v", L"F12", L"Space",
      L"\\", L"OEM5", L"0x41", L"0X0070", L"#7b", L"65", L"007", L"VK_OEM_4", L"none", L"off", L"", L"\x00E9"};
  std::wstring text = r() % 4 ? L"" : L" ";
  for (auto n = r() % 4; n > 0; --n) text += Pick(r, mods) + (r() % 5 ? L"+" : L" + ");
  text += Pick(r, keys);
  if (r() % 10 < 6) Mutate(r, text);
  return text;
}

// Empty when the hotkey keeps its rules: no key means Ctrl+Alt; a key is 1..255 with at least one
// of the four modifiers; its name and the whole hotkey, as written to the file, parse back.
static std::string Broken(const HotkeySpec& s) {
  if (s.virtualKey == 0) return s.modifiers == kCtrlAlt ? "" : "no key but other modifiers";
  if (s.modifiers == 0 || (s.modifiers & ~0xFu) != 0 || s.virtualKey > 255) return "modifiers or key out of range";
  if (ParseKeyName(FormatHotkeyForConfig({kCtrlAlt, s.virtualKey}).c_str()) != s.virtualKey) return "key name lost";
  const std::wstring written = FormatHotkeyForConfig(s);
  HotkeySpec back;
  if (!ParseHotkeySpec(written.c_str(), &back) || !(back == s)) return "written form does not parse back";
  return written.size() > 127 || FormatHotkeyForDisplay(s).size() > 127 ? "text over 127 characters" : "";
}

static std::string Broken(const Settings& s) {
  if (s.IdleThresholdSec < 60 || s.IdleThresholdSec > 3600 || s.CheckIntervalSec < 10 || s.CheckIntervalSec > 600 ||
      static_cast<std::uint32_t>(s.Nudge) > 1 || static_cast<std::uint32_t>(s.Action) > 3 || static_cast<std::uint32_t>(s.ClockDisplay) > 3)
    return "a number or an enum out of range";
  return s.Language.size() > 63 ? "Language over 63 characters" : Broken(s.ToggleHotkey);
}

// The default text, or lines of the known sections and keys in one of the read encodings, often
// mutated as text and as bytes.
static Bytes ConfigBytes(Random& r, const Bytes& defaultText) {
  static const std::vector<std::wstring> lines = {L"[General]", L"[KeepActive]", L"[UI]", L"[Hotkey]", L"[Overlay]", L" [ UI ] ",
      L"; note", L"SleepPrevent=", L"KeepActive = ", L"RunAtStartup=0", L"IdleThresholdSec=", L"CheckIntervalSec=", L"Nudge=",
      L"Language=", L"Action=", L"ClockDisplay=", L"ToggleHotkey=", L"BadgeAlpha="};
  static const std::vector<std::string> tokens = {"[Hotkey]\n", "Language=", "=", "\r", "\n", "[", "\xEF\xBB\xBF",
      "\xFF\xFE", std::string(1, '\0'), "\xC3", "\xF0\x9F\x98\x80", "\xED\xA0\xBD"};
  const auto kind = r() % 10;  // 0-2: the default text, always mutated when 0
  Bytes bytes = defaultText;
  if (kind >= 3) {
    std::wstring text;
    for (auto n = r() % 40; n > 0; --n) {
      const std::wstring& line = Pick(r, lines);
      text += line + (line.back() != L'=' && line.back() != L' ' ? L"" : line == L"ToggleHotkey=" ? HotkeyText(r) : Pick(r, kPieces)) +
              (r() % 3 ? L"\r\n" : r() % 2 ? L"\n" : L"\r");
    }
    if (r() % 4 == 0) Mutate(r, text);
    bytes = r() % 5 == 0 ? Utf16Le(text, r() % 2) : Concat(r() % 8 ? Bytes{} : Bytes{0xEF, 0xBB, 0xBF}, Utf8Bytes(text));
  }
  for (auto n = kind == 0 || r() % 10 < 5 ? 1 + r() % 6 : 0; n > 0; --n) {
    const auto at = bytes.begin() + static_cast<std::ptrdiff_t>(r() % (bytes.size() + 1));
    switch (r() % 4) {
      case 0: bytes.erase(at, at + std::min<std::ptrdiff_t>(1 + r() % 16, bytes.end() - at)); break;
      case 1: if (at != bytes.end()) *at ^= static_cast<std::uint8_t>(1u << r() % 8); break;
      case 2: { const std::string& token = tokens[r() % tokens.size()]; bytes.insert(at, token.begin(), token.end()); break; }
      default: bytes.insert(at, r() % 3 ? 1 : r() % 2000, static_cast<std::uint8_t>(r()));
    }
  }
  return bytes;
}

TEST(Mutation, HotkeyParserKeepsItsRules) {
  Random r(0x5EED0001);
  const std::size_t total = LongTestMode() ? 120000 : 5000;
  std::size_t bad = 0, accepted = 0, withKey = 0;
  for (std::size_t i = 0; i < total; ++i) {
    const std::wstring text = HotkeyText(r);
    const auto fail = [&](const std::string& what) { if (++bad <= 10) ADD_FAILURE() << what << ", case " << i; };
    HotkeySpec spec{0x55, 0x55};
    const bool ok = ParseHotkeySpec(text.c_str(), &spec);
    if (!ok && !(spec == HotkeySpec{kCtrlAlt, 0})) fail("a failed parse left a hotkey");
    if (const std::string problem = ok ? Broken(spec) : ""; !problem.empty()) fail(problem);
    if (const std::uint32_t key = ParseKeyName(text.c_str()); key != 0 && !Broken(HotkeySpec{kCtrlAlt, key}).empty()) fail("key name");
    accepted += ok, withKey += ok && spec.virtualKey != 0;
  }
  EXPECT_TRUE(withKey > total / 4 && total - accepted > total / 10) << withKey << ' ' << accepted;  // both outcomes in quantity
  EXPECT_EQ(bad, 0u);
}

// Settings unlike anything a load gives, to see whether a load changed them.
Settings ScrambledSettings() {
  return Settings{true, true, false, 999, 99, NudgeKind::F15, L"previous", OverlayAction::BlackAll,
                  HotkeySpec{kModShift, 0x41}, ClockDisplayMode::Elapsed};
}

TEST(Mutation, LoadConfigKeepsTheSettingsRules) {
  ConfigScope scope;  // private roaming folder; the thread's UI languages stay as they are
  Random r(0x5EED0002);
  const Bytes defaultText = DefaultTextBytes();
  ASSERT_FALSE(defaultText.empty());
  const std::size_t total = LongTestMode() ? 100000 : 2500;
  std::size_t bad = 0, readable = 0;
  EnsureConfigFilePath();
  const std::wstring path = scope.File();
  ASSERT_EQ(App().configPath, path);
  for (std::size_t i = 0; i < total; ++i) {
    const auto fail = [&](const std::string& what) { if (++bad <= 10) ADD_FAILURE() << what << ", case " << i; };
    const Bytes bytes = ConfigBytes(r, defaultText);
    ASSERT_TRUE(WriteBytes(path, bytes));
    const std::wstring text = bytes.empty() || bytes.size() > kIniMaxFileBytes ? L"" : DecodeIniBytes(bytes.data(), bytes.size());
    const bool canRead = !text.empty();  // 1..524288 bytes that decode (UTF-16 that would be misread does not)
    App().settings = ScrambledSettings();
    LoadConfig();
    if ((!canRead || i % 5 == 0) && ReadBytesOrEmpty(path) != bytes) fail("loading changed the file");
    if (!canRead && !(App().settings == ScrambledSettings())) fail("an unreadable file changed the settings");
    if (const std::string problem = Broken(App().settings); !problem.empty()) fail(problem);
    readable += canRead;
  }
  EXPECT_GT(readable, total / 2);
  EXPECT_EQ(bad, 0u);
}
