#include "config/ConfigLoad.h"

#include <cwchar>
#include <cwctype>
#include <utility>

#include "app/AppState.h"
#include "config/ConfigLocation.h"
#include "config/HotkeyText.h"
#include "config/StartupShortcut.h"
#include "tray/UiLanguage.h"

namespace {

bool EqualsNoCase(const std::wstring& a, const wchar_t* b) {
  const std::size_t n = std::wcslen(b);
  if (a.size() != n) return false;
  for (std::size_t i = 0; i < n; ++i)
    if (std::towlower(static_cast<wint_t>(a[i])) != std::towlower(static_cast<wint_t>(b[i]))) return false;
  return true;
}

std::int32_t Clamp(std::int32_t value, std::int32_t minimum, std::int32_t maximum) {
  if (value < minimum) return minimum;
  if (value > maximum) return maximum;
  return value;
}

// The text before the first ';', trimmed of spaces and tabs.
std::wstring ValueBeforeComment(const std::wstring& text) {
  const std::size_t semicolon = text.find(L';');
  return TrimBlanks(semicolon == std::wstring::npos ? text : text.substr(0, semicolon));
}

// At most kLanguageMaxChars characters, never ending in the first half of a surrogate pair.
std::wstring CutLanguage(std::wstring text) {
  if (text.size() > kLanguageMaxChars) {
    std::size_t length = kLanguageMaxChars;
    if (text[length - 1] >= 0xD800 && text[length - 1] <= 0xDBFF) --length;
    text.resize(length);
  }
  return text;
}

// The value of the key named `key` (any case) that wins: the last one found in a section named
// "Overlay" (any case), else the last one found anywhere. Sections are visited as in the file, keys in
// ordinal order within a section.
bool FindOverlayValue(const IniDocument& document, const wchar_t* key, std::wstring& found) {
  if (key == nullptr) return false;
  bool foundAnywhere = false;
  bool foundInOverlay = false;
  for (const std::wstring& section : document.SectionOrder()) {
    auto keys = document.Values().find(section);
    if (keys == document.Values().end()) continue;
    const bool overlay = EqualsNoCase(section, L"Overlay");
    for (const auto& [name, value] : keys->second) {
      if (!EqualsNoCase(name, key) || (foundInOverlay && !overlay)) continue;
      found = value;
      foundAnywhere = true;
      foundInOverlay = foundInOverlay || overlay;
    }
  }
  return foundAnywhere;
}

bool ReadBadgeFlag(const wchar_t* key) {
  IniDocument document(L"");
  if (!ReloadConfigDocument(document)) return true;
  return ReadOverlayBool(document, key);
}

}  // namespace

void LoadConfig() {
  EnsureConfigFilePath();
  BootstrapConfigFile();
  IniDocument document(App().configPath);
  if (document.Load()) ApplyConfigDocument(document);
}

void ApplyConfigDocument(const IniDocument& document) {
  Settings& s = App().settings;
  s.SleepPrevent = document.GetInt(L"General", L"SleepPrevent", 0) != 0;
  s.KeepActive = document.GetInt(L"General", L"KeepActive", 0) != 0;
  s.RunAtStartup = document.GetInt(L"General", L"RunAtStartup", 0) != 0;
  s.IdleThresholdSec = static_cast<std::uint32_t>(
      Clamp(document.GetInt(L"KeepActive", L"IdleThresholdSec", kIdleThresholdDefaultSec), kIdleThresholdMinSec,
            kIdleThresholdMaxSec));
  s.CheckIntervalSec = static_cast<std::uint32_t>(
      Clamp(document.GetInt(L"KeepActive", L"CheckIntervalSec", kCheckIntervalDefaultSec), kCheckIntervalMinSec,
            kCheckIntervalMaxSec));

  const std::wstring nudge = document.GetString(L"KeepActive", L"Nudge", L"Mouse");
  s.Nudge = (EqualsNoCase(nudge, L"F15") || EqualsNoCase(nudge, L"VK_F15")) ? NudgeKind::F15 : NudgeKind::Mouse;

  s.Language = document.HasKey(L"UI", L"Language") ? CutLanguage(document.GetString(L"UI", L"Language", L""))
                                                    : std::wstring();

  const std::wstring action = document.GetString(L"Hotkey", L"Action", L"AwayCurrent");
  if (EqualsNoCase(action, L"BlackAll")) {
    s.Action = OverlayAction::BlackAll;
  } else if (EqualsNoCase(action, L"BlackCurrent")) {
    s.Action = OverlayAction::BlackCurrent;
  } else if (EqualsNoCase(action, L"AwayAll")) {
    s.Action = OverlayAction::AwayAll;
  } else {
    s.Action = OverlayAction::AwayCurrent;
  }

  s.ClockDisplay = ReadClockDisplay(document);

  const std::wstring hotkeyText = document.GetString(L"Hotkey", L"ToggleHotkey", L"VK_V");
  HotkeySpec hotkey;
  if (!ParseHotkeySpec(hotkeyText.c_str(), &hotkey) || hotkey.virtualKey == 0xDB || hotkey.virtualKey == 0xDD)
    hotkey = kDefaultHotkey;
  s.ToggleHotkey = hotkey;

  ApplyUiLanguage();
  UpdateStartupShortcut(s.RunAtStartup);
}

bool ReloadConfigDocument(IniDocument& document) {
  EnsureConfigFilePath();
  document = IniDocument(App().configPath);
  return document.Load();
}

ClockDisplayMode ReadClockDisplay(const IniDocument& document) {
  if (document.HasKey(L"Overlay", L"ClockDisplay")) {
    const std::wstring v = document.GetString(L"Overlay", L"ClockDisplay", L"Time");
    if (v.empty() || EqualsNoCase(v, L"None") || EqualsNoCase(v, L"Off") || EqualsNoCase(v, L"0"))
      return ClockDisplayMode::None;
    if (EqualsNoCase(v, L"Elapsed") || EqualsNoCase(v, L"ElapsedTime")) return ClockDisplayMode::Elapsed;
    if (EqualsNoCase(v, L"TimeAndElapsed") || EqualsNoCase(v, L"Both") || EqualsNoCase(v, L"Time+Elapsed"))
      return ClockDisplayMode::TimeAndElapsed;
    return ClockDisplayMode::Time;
  }
  if (document.HasKey(L"Overlay", L"ShowOverlayClock"))
    return document.GetInt(L"Overlay", L"ShowOverlayClock", 1) != 0 ? ClockDisplayMode::Time : ClockDisplayMode::None;
  return ClockDisplayMode::Time;
}

std::int32_t ParseIntValue(const std::wstring& text, std::int32_t defaultValue) {
  return ParseIniInt(text, defaultValue);
}

bool ParseBoolValue(const std::wstring& text) {
  const std::wstring value = ValueBeforeComment(text);
  return !(EqualsNoCase(value, L"0") || EqualsNoCase(value, L"false") || EqualsNoCase(value, L"no") ||
           EqualsNoCase(value, L"off"));
}

std::int32_t ReadOverlayInt(const IniDocument& document, const wchar_t* key, std::int32_t defaultValue,
                            std::int32_t minimum, std::int32_t maximum) {
  std::wstring value;
  if (!FindOverlayValue(document, key, value)) return defaultValue;
  return Clamp(ParseIntValue(value, defaultValue), minimum, maximum);
}

bool ReadOverlayBool(const IniDocument& document, const wchar_t* key) {
  std::wstring value;
  return !FindOverlayValue(document, key, value) || ParseBoolValue(value);
}

std::int32_t ReadFadeInDurationMs(const IniDocument& document) {
  return ReadOverlayInt(document, L"FadeInDurationMs", 120, 0, 5000);
}

bool ReadShowSleepPreventBadge() { return ReadBadgeFlag(L"ShowSleepPreventBadge"); }

bool ReadShowKeepActiveBadge() { return ReadBadgeFlag(L"ShowKeepActiveBadge"); }
