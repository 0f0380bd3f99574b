// Mutated and random inputs through the hotkey parser and through LoadConfig. The short form
// (scripts/test) runs a few thousand of each; the long form (scripts/stress) at least 100,000 of
// each. Every input must leave the documented invariants standing; the first few violations are
// printed with their input (escaped) and the seed, so a failure can be replayed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <cwctype>
#include <random>
#include <string>
#include <vector>

#include "ConfigTestSupport.h"
#include "app/SystemSeams.h"
#include "config/ConfigLoad.h"
#include "config/ConfigLocation.h"
#include "config/ConfigSave.h"
#include "config/HotkeyText.h"

namespace {

constexpr std::uint32_t kCtrlAlt = kModControl | kModAlt;

std::size_t Count(std::size_t shortForm, std::size_t longForm) { return LongTestMode() ? longForm : shortForm; }

class Random {
 public:
  explicit Random(std::uint64_t seed) : engine_(seed) {}
  std::size_t Below(std::size_t n) { return n == 0 ? 0 : static_cast<std::size_t>(engine_() % n); }
  bool Chance(int percent) { return Below(100) < static_cast<std::size_t>(percent); }
  template <typename T>
  const T& Pick(const std::vector<T>& items) {
    return items[Below(items.size())];
  }
  std::uint8_t Byte() { return static_cast<std::uint8_t>(engine_() & 0xFF); }

 private:
  std::mt19937_64 engine_;
};

// Printable form of a text for failure messages.
std::string Escaped(const std::wstring& text, std::size_t limit = 300) {
  std::string out;
  for (std::size_t i = 0; i < text.size() && i < limit; ++i) {
    const wchar_t c = text[i];
    if (c >= 0x20 && c < 0x7F && c != L'\\') {
      out += static_cast<char>(c);
    } else {
      char buffer[12];
      std::snprintf(buffer, sizeof buffer, "\\u%04X", static_cast<unsigned>(c));
      out += buffer;
    }
  }
  if (text.size() > limit) out += "...(" + std::to_string(text.size()) + " characters)";
  return out;
}

// Collects violations and prints the first few; the test fails when there was any.
class Violations {
 public:
  void Add(const std::string& what) {
    if (count_++ < 12) ADD_FAILURE() << what;
  }
  std::size_t Count() const { return count_; }

 private:
  std::size_t count_ = 0;
};

// ---- hotkey texts ----

struct HotkeyInput {
  std::wstring text;
  bool known = false;  // expected is meaningful
  bool ok = false;
  HotkeySpec expected{kCtrlAlt, 0};
};

const std::vector<std::wstring> kModifierWords = {L"ctrl", L"control", L"alt", L"menu", L"shift",
                                                  L"win",  L"windows", L"lwin", L"rwin"};
const std::vector<std::uint32_t> kModifierFlags = {kModControl, kModControl, kModAlt, kModAlt, kModShift,
                                                   kModWin,     kModWin,     kModWin, kModWin};

// Characters the mutations draw from: the grammar's own, blanks, and characters whose
// classification or case mapping is unusual (non-ASCII letters and digits, surrogate halves, NUL).
const std::vector<wchar_t> kHotkeyAlphabet = {
    L'+',    L'+',    L' ',    L'\t',   L'\'',   L'#',    L'x',    L'X',    L'_',    L'0',    L'7',    L'9',
    L'a',    L'f',    L'v',    L'V',    L'K',    L'\\',   L';',    L'=',    L'-',    L'.',    L'\0',   0x00E9,
    0x00DF,  0x00B2,  0x0436,  0x0101,  0x0663,  0x0966,  0x2167,  0xFF21,  0xFF11,  0x4E2D,  0xD83D,  0xDE00,
    0xFEFF,  0x00A0,  0x3000,  0x0130,  0x0131,  0x01C5,  0x1E9E,  0x00FF,  0x0178,  0x00B5,  0x00AA,  0x2160};

std::wstring RandomCase(Random& random, const std::wstring& word) {
  std::wstring out = word;
  for (wchar_t& c : out)
    if (random.Chance(40)) c = static_cast<wchar_t>(std::iswlower(c) ? std::towupper(c) : std::towlower(c));
  return out;
}

std::wstring Blanks(Random& random, int percent) {
  std::wstring out;
  while (random.Chance(percent)) out += random.Chance(70) ? L' ' : L'\t';
  return out;
}

std::wstring Hex(std::uint32_t value, bool upper) {
  wchar_t buffer[16];
  std::swprintf(buffer, 16, upper ? L"%X" : L"%x", value);
  return buffer;
}

// A key written in one of the accepted forms, with the code it stands for.
std::wstring KeyForm(Random& random, std::uint32_t& code) {
  switch (random.Below(8)) {
    case 0:
    case 1: {
      const VirtualKeyName& row = VirtualKeyNames[random.Below(kVirtualKeyNameCount)];
      code = row.code;
      return RandomCase(random, row.name);
    }
    case 2:
      code = 1 + static_cast<std::uint32_t>(random.Below(255));
      return std::wstring(L"0") + (random.Chance(50) ? L"x" : L"X") + std::wstring(random.Below(3), L'0') +
             Hex(code, random.Chance(50));
    case 3:
      code = 1 + static_cast<std::uint32_t>(random.Below(255));
      return L"#" + Hex(code, random.Chance(50));
    case 4:
      code = 1 + static_cast<std::uint32_t>(random.Below(255));
      return std::wstring(random.Below(3), L'0') + std::to_wstring(code);
    case 5: {
      const wchar_t letter = static_cast<wchar_t>(L'a' + random.Below(26));
      code = static_cast<std::uint32_t>(letter - 32);
      return std::wstring(1, random.Chance(50) ? letter : static_cast<wchar_t>(letter - 32));
    }
    case 6: {
      if (random.Chance(50)) {
        const wchar_t digit = static_cast<wchar_t>(L'0' + random.Below(10));
        code = static_cast<std::uint32_t>(digit);
        return std::wstring(L"'") + digit + L"'";
      }
      const wchar_t letter = static_cast<wchar_t>(L'a' + random.Below(26));
      code = static_cast<std::uint32_t>(letter - 32);
      return std::wstring(L"'") + letter + L"'";
    }
    default: {
      static const std::vector<std::pair<std::wstring, std::uint32_t>> words = {
          {L"space", 0x20}, {L"backslash", 0xDC}, {L"oem5", 0xDC}, {L"\\", 0xDC}};
      const auto& word = random.Pick(words);
      code = word.second;
      return RandomCase(random, word.first);
    }
  }
}

// A valid hotkey text built from the grammar, with the hotkey it must parse to.
HotkeyInput ValidHotkeyText(Random& random) {
  HotkeyInput out;
  out.known = true;
  out.ok = true;
  const std::size_t kind = random.Below(10);
  if (kind == 0) {
    static const std::vector<std::wstring> off = {L"none", L"off", L"disabled", L""};
    out.text = Blanks(random, 30) + RandomCase(random, random.Pick(off));
    out.expected = HotkeySpec{kCtrlAlt, 0};
    return out;
  }
  std::uint32_t code = 0;
  const std::wstring key = KeyForm(random, code);
  if (kind <= 3) {  // a bare key: Ctrl+Alt implied; only leading blanks (the file trims the rest)
    out.text = Blanks(random, 30) + key;
    out.expected = HotkeySpec{kCtrlAlt, code};
    return out;
  }
  for (;;) {
    std::uint32_t modifiers = 0;
    std::wstring text = Blanks(random, 20);
    if (random.Chance(10)) text += L"+";
    const std::size_t words = 1 + random.Below(random.Chance(90) ? 4 : 14);
    for (std::size_t i = 0; i < words; ++i) {
      const std::size_t w = random.Below(kModifierWords.size());
      modifiers |= kModifierFlags[w];
      text += Blanks(random, 20) + RandomCase(random, kModifierWords[w]) + Blanks(random, 20) + L"+";
      if (random.Chance(10)) text += L"+";
    }
    text += Blanks(random, 20) + key;
    if (random.Chance(10)) text += L"+";
    if (text.size() >= 128) continue;  // too long to be valid; draw again
    out.text = text;
    out.expected = HotkeySpec{modifiers, code};
    return out;
  }
}

void MutateText(Random& random, std::wstring& text) {
  static const std::vector<std::wstring> tokens = {
      L"+",      L"ctrl+", L"Alt+",  L"shift", L"win",   L"VK_",  L"VK_F",  L"VK_OEM_", L"0x",   L"#",
      L"none",   L"'",     L"space", L"\\",    L"++",    L"   ",  L"\t",    L"0x100",   L"0xFFFFFFFFFFFF",
      L"256",    L"0",     L"65",    L"VK_V",  L"VK_OEM_4", L"VK_OEM_6", L"vk_kana", L"99999999999"};
  const std::size_t steps = 1 + random.Below(4);
  for (std::size_t step = 0; step < steps; ++step) {
    const std::size_t at = random.Below(text.size() + 1);
    switch (random.Below(8)) {
      case 0: text.insert(at, 1, random.Pick(kHotkeyAlphabet)); break;
      case 1: if (!text.empty()) text.erase(random.Below(text.size()), 1 + random.Below(3)); break;
      case 2: if (!text.empty()) text[random.Below(text.size())] = random.Pick(kHotkeyAlphabet); break;
      case 3: text.insert(at, random.Pick(tokens)); break;
      case 4: text.resize(random.Below(text.size() + 1)); break;
      case 5: {  // repeat the text, sometimes past every length limit
        const std::wstring copy = text;
        const std::size_t times = 1 + random.Below(random.Chance(20) ? 200 : 4);
        for (std::size_t i = 0; i < times; ++i) text += (random.Chance(70) ? L"+" : L"") + copy;
        break;
      }
      case 6: if (!text.empty()) text[random.Below(text.size())] ^= static_cast<wchar_t>(1u << random.Below(16)); break;
      default: text.insert(at, Blanks(random, 60)); break;
    }
  }
}

std::wstring RandomHotkeyJunk(Random& random) {
  std::wstring text;
  const std::size_t length = random.Chance(5) ? random.Below(10000) : random.Below(40);
  for (std::size_t i = 0; i < length; ++i) text += random.Pick(kHotkeyAlphabet);
  return text;
}

HotkeyInput AnyHotkeyText(Random& random) {
  const std::size_t kind = random.Below(10);
  if (kind < 4) return ValidHotkeyText(random);
  if (kind < 9) {
    HotkeyInput mutated = ValidHotkeyText(random);
    MutateText(random, mutated.text);
    mutated.known = false;
    return mutated;
  }
  HotkeyInput junk;
  junk.text = RandomHotkeyJunk(random);
  return junk;
}

std::string SpecText(const HotkeySpec& spec) {
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, "{0x%X, 0x%X}", spec.modifiers, spec.virtualKey);
  return buffer;
}

// The rules every parsed hotkey keeps: a key of 0 has Ctrl+Alt, any other key has at least one
// modifier (and none but the four flags), is a code 1..255 that its own name parses back to, and
// the text written to config.ini parses back to the same hotkey. Empty when all hold.
std::string HotkeyViolation(const HotkeySpec& spec) {
  if (spec.virtualKey == 0) return spec.modifiers == kCtrlAlt ? "" : "no key but modifiers " + SpecText(spec);
  if (spec.modifiers == 0 || (spec.modifiers & ~0xFu) != 0) return "bad modifiers " + SpecText(spec);
  if (spec.virtualKey > 255) return "key code above 255 " + SpecText(spec);
  HotkeySpec key{kCtrlAlt, spec.virtualKey};
  const std::wstring keyText = FormatHotkeyForConfig(key);
  if (ParseKeyName(keyText.c_str()) != spec.virtualKey)
    return "key name " + Escaped(keyText) + " does not parse back to " + SpecText(spec);
  const std::wstring written = FormatHotkeyForConfig(spec);
  HotkeySpec back;
  if (!ParseHotkeySpec(written.c_str(), &back) || !(back == spec))
    return "written as " + Escaped(written) + ", read back as " + SpecText(back) + " instead of " + SpecText(spec);
  if (FormatHotkeyForDisplay(spec).size() > 127 || written.size() > 127) return "text over 127 characters";
  return "";
}

// ---- config files ----

struct ConfigCase {
  Bytes bytes;
};

const std::vector<std::wstring> kSections = {L"General", L"KeepActive", L"UI",      L"Hotkey",
                                             L"Overlay", L"overlay",    L"GENERAL", L"Other"};

struct KeySlot {
  const wchar_t* section;
  const wchar_t* key;
  int kind;  // 0 integer, 1 word, 2 hotkey, 3 language
};
const std::vector<KeySlot> kKeys = {
    {L"General", L"SleepPrevent", 0},        {L"General", L"KeepActive", 0},
    {L"General", L"RunAtStartup", 0},        {L"KeepActive", L"IdleThresholdSec", 0},
    {L"KeepActive", L"CheckIntervalSec", 0}, {L"KeepActive", L"Nudge", 1},
    {L"UI", L"Language", 3},                 {L"Hotkey", L"Action", 1},
    {L"Hotkey", L"ToggleHotkey", 2},         {L"Overlay", L"ClockDisplay", 1},
    {L"Overlay", L"ShowOverlayClock", 0},    {L"Overlay", L"FadeInDurationMs", 0},
    {L"Overlay", L"BadgeAlpha", 0},          {L"Overlay", L"ClockFontPt", 0},
    {L"Overlay", L"ShowSleepPreventBadge", 1}, {L"Overlay", L"ShowKeepActiveBadge", 1},
    {L"Other", L"Custom", 1}};

std::wstring IntegerValue(Random& random) {
  static const std::vector<std::wstring> fixed = {
      L"0",  L"1",     L"-1",    L"59",   L"60",  L"3600", L"3601", L"9",   L"10", L"600",  L"601",
      L"2147483647", L"2147483648", L"-2147483648", L"-2147483649", L"99999999999999999999999", L"-0",
      L"+45", L"0x20", L"1e3", L"12abc", L" 7 ; seven", L";5", L"abc", L"", L"\xFF19\xFF10",
      L"\x0664\x0665", L"4294967296", L"18446744073709551617"};
  if (random.Chance(60)) return random.Pick(fixed);
  return std::to_wstring(static_cast<long long>(random.Below(20000)) - 5000);
}

std::wstring WordValue(Random& random) {
  static const std::vector<std::wstring> words = {
      L"F15",   L"vk_f15", L"Mouse", L"F16",          L"BlackAll", L"blackcurrent", L"AwayAll",
      L"AwayCurrent", L"Away", L"None", L"off", L"0", L"Elapsed", L"ElapsedTime", L"BOTH",
      L"Time+Elapsed", L"TimeAndElapsed", L"Clock", L"", L"F15 ; tap", L"yes", L"no", L"true"};
  return random.Pick(words);
}

std::wstring LanguageValue(Random& random) {
  static const std::vector<std::wstring> words = {L"ja", L"en-US", L"zh-Hant", L"de", L"fr-FR", L"japanese",
                                                  L"xx", L"", L"\x65E5\x672C\x8A9E"};
  if (random.Chance(60)) return random.Pick(words);
  std::wstring text;
  const std::size_t length = random.Chance(20) ? random.Below(10000) : random.Below(100);
  for (std::size_t i = 0; i < length; ++i) {
    if (random.Chance(5)) {
      text += L"\U0001F600";  // a surrogate pair, so a cut can fall inside it
    } else {
      text += static_cast<wchar_t>(L'a' + random.Below(26));
    }
  }
  return text;
}

std::wstring ValueFor(Random& random, int kind) {
  switch (kind) {
    case 0: return IntegerValue(random);
    case 1: return WordValue(random);
    case 2: return AnyHotkeyText(random).text;
    default: return LanguageValue(random);
  }
}

std::wstring LineEnd(Random& random) {
  switch (random.Below(6)) {
    case 0: return L"\r";
    case 1:
    case 2: return L"\n";
    default: return L"\r\n";
  }
}

// A config text from the known sections and keys, with values from each key's interesting set.
std::wstring RandomConfigText(Random& random) {
  std::wstring text;
  const std::size_t lines = random.Below(40);
  for (std::size_t i = 0; i < lines; ++i) {
    const std::size_t what = random.Below(10);
    if (what == 0) {
      text += Blanks(random, 20) + L"[" + random.Pick(kSections) + L"]" + Blanks(random, 20);
    } else if (what == 1) {
      text += L"; comment " + std::to_wstring(i);
    } else {
      const KeySlot& slot = random.Pick(kKeys);
      if (random.Chance(50)) text += std::wstring(L"[") + slot.section + L"]" + LineEnd(random);
      std::wstring value = ValueFor(random, slot.kind);
      // The three switches mostly off: each load that sees one on writes the startup shortcut.
      if (std::wstring(slot.key) == L"RunAtStartup" && random.Chance(90)) value = L"0";
      text += Blanks(random, 20) + slot.key + Blanks(random, 20) + L"=" + Blanks(random, 20) + value +
              Blanks(random, 20);
    }
    text += LineEnd(random);
  }
  return text;
}

Bytes Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
  Bytes bytes(static_cast<std::size_t>(size));
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                        reinterpret_cast<char*>(bytes.data()), size, nullptr, nullptr);
  return bytes;
}

Bytes Encode(Random& random, const std::wstring& text) {
  switch (random.Below(10)) {
    case 0: return Utf16Le(text, true);
    case 1: return Utf16Le(text, false);
    case 2: return Concat({0xEF, 0xBB, 0xBF}, Utf8(text));
    default: return Utf8(text);
  }
}

void MutateBytes(Random& random, Bytes& bytes, std::size_t limit) {
  static const std::vector<std::string> tokens = {
      "[Hotkey]\n", "[General]\n", "[KeepActive]\n", "[UI]\n", "[Overlay]\n", "ToggleHotkey=", "Language=",
      "IdleThresholdSec=", "=", ";", "\r", "\n", "[", "]", "\xEF\xBB\xBF", "\xFF\xFE", std::string(1, '\0'),
      "+", "\xC3", "\xE2\x82", "\xF0\x9F\x98\x80", "\xED\xA0\xBD", "-2147483649", "99999999999999999999"};
  const std::size_t steps = 1 + random.Below(6);
  for (std::size_t step = 0; step < steps; ++step) {
    const std::size_t at = random.Below(bytes.size() + 1);
    switch (random.Below(8)) {
      case 0: bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(at), random.Byte()); break;
      case 1:
        if (!bytes.empty()) {
          const std::size_t from = random.Below(bytes.size());
          const std::size_t n = std::min<std::size_t>(1 + random.Below(16), bytes.size() - from);
          bytes.erase(bytes.begin() + static_cast<std::ptrdiff_t>(from),
                      bytes.begin() + static_cast<std::ptrdiff_t>(from + n));
        }
        break;
      case 2: if (!bytes.empty()) bytes[random.Below(bytes.size())] ^= static_cast<std::uint8_t>(1u << random.Below(8)); break;
      case 3: {
        const std::string& token = tokens[random.Below(tokens.size())];
        bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(at), token.begin(), token.end());
        break;
      }
      case 4: bytes.resize(random.Below(bytes.size() + 1)); break;
      case 5:
        if (!bytes.empty()) {
          const std::size_t from = random.Below(bytes.size());
          const std::size_t n = std::min<std::size_t>(1 + random.Below(64), bytes.size() - from);
          const Bytes chunk(bytes.begin() + static_cast<std::ptrdiff_t>(from),
                            bytes.begin() + static_cast<std::ptrdiff_t>(from + n));
          bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(at), chunk.begin(), chunk.end());
        }
        break;
      case 6:
        if (!bytes.empty()) bytes[random.Below(bytes.size())] = random.Byte();
        break;
      default: {  // a long line of one character
        const Bytes run(random.Below(2000), random.Chance(50) ? static_cast<std::uint8_t>('x') : random.Byte());
        bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(at), run.begin(), run.end());
        break;
      }
    }
  }
  if (bytes.size() > limit) bytes.resize(limit);
}

Bytes AnyConfigBytes(Random& random, const Bytes& defaultText) {
  const std::size_t kind = random.Below(10);
  Bytes bytes;
  if (kind < 3) {
    bytes = defaultText;
  } else if (kind < 9) {
    bytes = Encode(random, RandomConfigText(random));
  } else {
    bytes.resize(random.Below(600));
    for (std::uint8_t& b : bytes) b = random.Byte();
    return bytes;
  }
  if (kind == 0 || random.Chance(60)) MutateBytes(random, bytes, 64 * 1024);
  return bytes;
}

bool HasLoneSurrogate(const std::wstring& text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const wchar_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
        ++i;
        continue;
      }
      return true;
    }
    if (c >= 0xDC00 && c <= 0xDFFF) return true;
  }
  return false;
}

std::string SettingsViolation(const Settings& s) {
  if (s.IdleThresholdSec < 60 || s.IdleThresholdSec > 3600)
    return "IdleThresholdSec " + std::to_string(s.IdleThresholdSec);
  if (s.CheckIntervalSec < 10 || s.CheckIntervalSec > 600)
    return "CheckIntervalSec " + std::to_string(s.CheckIntervalSec);
  const auto nudge = static_cast<std::int32_t>(s.Nudge);
  const auto action = static_cast<std::int32_t>(s.Action);
  const auto clock = static_cast<std::int32_t>(s.ClockDisplay);
  if (nudge < 0 || nudge > 1) return "Nudge " + std::to_string(nudge);
  if (action < 0 || action > 3) return "Action " + std::to_string(action);
  if (clock < 0 || clock > 3) return "ClockDisplay " + std::to_string(clock);
  if (s.Language.size() > 63) return "Language of " + std::to_string(s.Language.size()) + " characters";
  if (s.ToggleHotkey.virtualKey == 0xDB || s.ToggleHotkey.virtualKey == 0xDD)
    return "hotkey key " + SpecText(s.ToggleHotkey);
  return HotkeyViolation(s.ToggleHotkey);
}

// Every section and key of `before`, except the ten that SaveConfig sets, stands unchanged in
// `after`, in the same order. Empty when it holds.
std::string LostKeys(const IniDocument& before, const IniDocument& after) {
  static const std::vector<std::pair<std::wstring, std::wstring>> saved = {
      {L"General", L"SleepPrevent"},        {L"General", L"KeepActive"},  {L"General", L"RunAtStartup"},
      {L"KeepActive", L"IdleThresholdSec"}, {L"KeepActive", L"CheckIntervalSec"},
      {L"KeepActive", L"Nudge"},            {L"UI", L"Language"},         {L"Hotkey", L"Action"},
      {L"Overlay", L"ClockDisplay"},        {L"Hotkey", L"ToggleHotkey"}};
  const auto& order = after.SectionOrder();
  if (order.size() < before.SectionOrder().size() ||
      !std::equal(before.SectionOrder().begin(), before.SectionOrder().end(), order.begin()))
    return "section order changed";
  for (const auto& [section, keys] : before.Values()) {
    const auto afterKeys = after.KeyOrder().find(section);
    const auto beforeKeys = before.KeyOrder().find(section);
    if (afterKeys == after.KeyOrder().end()) return "section lost: " + Escaped(section);
    if (!std::equal(beforeKeys->second.begin(), beforeKeys->second.end(), afterKeys->second.begin(),
                    afterKeys->second.begin() + std::min(afterKeys->second.size(), beforeKeys->second.size())) ||
        afterKeys->second.size() < beforeKeys->second.size())
      return "key order changed in " + Escaped(section);
    for (const auto& [key, value] : keys) {
      bool isSaved = false;
      for (const auto& s : saved) isSaved = isSaved || (s.first == section && s.second == key);
      if (isSaved) continue;
      const std::wstring now = after.GetString(section.c_str(), key.c_str(), L"\x1(missing)");
      if (now != value) return "[" + Escaped(section) + "] " + Escaped(key) + " changed to " + Escaped(now);
    }
  }
  return "";
}

// Records the language list instead of changing the test thread's preferred UI languages, and
// checks that it is a well-formed list.
bool languageListBad = false;
BOOL WINAPI CheckPreferredLanguages(DWORD flags, PCZZWSTR list, PULONG) {
  if (list == nullptr) {
    if (flags != 0) languageListBad = true;
    return TRUE;
  }
  std::size_t total = 0;
  for (const wchar_t* p = list; *p; p += std::wcslen(p) + 1) total += std::wcslen(p) + 1;
  if (total > 128) languageListBad = true;
  return TRUE;
}

Settings RandomValidSettings(Random& random) {
  Settings s;
  s.SleepPrevent = random.Chance(50);
  s.KeepActive = random.Chance(50);
  s.IdleThresholdSec = 60 + static_cast<std::uint32_t>(random.Below(3541));
  s.CheckIntervalSec = 10 + static_cast<std::uint32_t>(random.Below(591));
  s.Nudge = random.Chance(50) ? NudgeKind::F15 : NudgeKind::Mouse;
  s.Language = random.Chance(50) ? L"fr" : L"";
  s.Action = static_cast<OverlayAction>(random.Below(4));
  s.ToggleHotkey = HotkeySpec{kModShift | kModWin, 0x70 + static_cast<std::uint32_t>(random.Below(24))};
  s.ClockDisplay = static_cast<ClockDisplayMode>(random.Below(4));
  return s;
}

}  // namespace

TEST(Mutation, HotkeyParserKeepsItsRules) {
  const std::uint64_t seed = 0x5EED0001;
  Random random(seed);
  const std::size_t total = Count(5000, 120000);
  Violations violations;
  std::size_t accepted = 0;
  std::size_t withKey = 0;
  for (std::size_t i = 0; i < total; ++i) {
    const HotkeyInput input = AnyHotkeyText(random);
    const auto where = [&] { return " (seed " + std::to_string(seed) + ", case " + std::to_string(i) + ", text " +
                                    Escaped(input.text) + ")"; };
    HotkeySpec spec{0x55, 0x55};
    const bool ok = ParseHotkeySpec(input.text.c_str(), &spec);
    if (input.known && (ok != input.ok || !(spec == input.expected))) {
      violations.Add("parsed as " + SpecText(spec) + (ok ? " true" : " false") + ", expected " +
                     SpecText(input.expected) + where());
      continue;
    }
    if (!ok && !(spec == HotkeySpec{kCtrlAlt, 0})) violations.Add("failed parse left " + SpecText(spec) + where());
    if (ok) {
      ++accepted;
      if (spec.virtualKey != 0) ++withKey;
      const std::string problem = HotkeyViolation(spec);
      if (!problem.empty()) violations.Add(problem + where());
    }
    const std::uint32_t key = ParseKeyName(input.text.c_str());
    if (key != 0) {
      const std::string problem = HotkeyViolation(HotkeySpec{kCtrlAlt, key});
      if (!problem.empty()) violations.Add("ParseKeyName: " + problem + where());
    }
  }
  std::printf("hotkey texts: %zu, accepted %zu, with a key %zu\n", total, accepted, withKey);
  // The generator must reach both outcomes in quantity, or the run proves little.
  EXPECT_GT(withKey, total / 4);
  EXPECT_GT(total - accepted, total / 10);
  EXPECT_EQ(violations.Count(), 0u);
}

TEST(Mutation, LoadConfigKeepsTheSettingsRules) {
  ScopedRoamingFolder roaming;
  ASSERT_TRUE(roaming.Active());
  ScopedShellFolder startup(L"Startup");
  ScopedSettings keep;
  ScopedSeams seams;
  seams->setThreadPreferredUILanguages = CheckPreferredLanguages;
  languageListBad = false;

  const std::uint64_t seed = 0x5EED0002;
  Random random(seed);
  const Bytes defaultText = DefaultTextBytes();
  ASSERT_FALSE(defaultText.empty());
  const std::size_t total = Count(2500, 100000);
  const std::size_t saveEvery = LongTestMode() ? 10 : 3;
  Violations violations;
  std::size_t readable = 0;
  std::size_t saved = 0;
  EnsureConfigFilePath();
  const std::wstring path = roaming.ConfigFile();
  ASSERT_EQ(App().configPath, path);

  for (std::size_t i = 0; i < total; ++i) {
    const Bytes bytes = AnyConfigBytes(random, defaultText);
    const auto where = [&] { return " (seed " + std::to_string(seed) + ", case " + std::to_string(i) + ")"; };
    if (!WriteBytes(path, bytes)) {
      violations.Add("could not write the case" + where());
      continue;
    }
    // Readable means 1..524288 bytes that decode to some text without U+0000; the document is
    // what a load sees.
    const std::wstring text = bytes.empty() || bytes.size() > kIniMaxFileBytes
                                  ? std::wstring()
                                  : DecodeIniBytes(bytes.data(), bytes.size());
    const bool canRead = !text.empty() && text.find(L'\0') == std::wstring::npos;
    IniDocument document(path);
    document.Parse(text);
    const Settings before = RandomValidSettings(random);
    App().settings = before;
    LoadConfig();
    const Settings loaded = App().settings;

    if (i % 5 == 0 && ReadBytesOrEmpty(path) != bytes) violations.Add("loading changed the file" + where());
    if (!canRead && !(loaded == before)) violations.Add("an unreadable file changed the settings" + where());
    const std::string problem = SettingsViolation(loaded);
    if (!problem.empty()) violations.Add(problem + where());
    if (!canRead) continue;
    ++readable;

    // Now and then a command's save: every other key must survive it, and the next load must
    // give back exactly what was saved. (Lone surrogates cannot be written as UTF-8 text and are
    // left out of this comparison.)
    if (i % saveEvery != 0) continue;
    if (HasLoneSurrogate(text)) continue;
    ++saved;
    App().settings.SleepPrevent = !App().settings.SleepPrevent;
    const Settings expected = App().settings;
    SaveConfig();
    IniDocument after(path);
    if (!after.Load()) {
      violations.Add("the saved file cannot be read" + where());
      continue;
    }
    const std::string lost = LostKeys(document, after);
    if (!lost.empty()) violations.Add("save: " + lost + where());
    App().settings = RandomValidSettings(random);
    LoadConfig();
    if (!(App().settings == expected)) violations.Add("the saved settings did not load back" + where());
  }
  std::printf("config files: %zu, readable %zu, saved and reloaded %zu\n", total, readable, saved);
  EXPECT_FALSE(languageListBad);
  EXPECT_GT(readable, total / 2);
  EXPECT_GT(saved, readable / (saveEvery * 2));
  EXPECT_EQ(violations.Count(), 0u);
}
