#include "config/ConfigLoad.h"

#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <utility>

#include "app/AppState.h"
#include "base/Helpers.h"
#include "base/TimeText.h"
#include "config/ConfigLocation.h"
#include "config/ConfigSave.h"
#include "config/HotkeyText.h"
#include "config/StartupShortcut.h"

namespace {

// The key's value brought into its range; its default when missing or unreadable.
std::uint32_t ReadLimited(const IniDocument& document, const IntegerKey& key) {
  return static_cast<std::uint32_t>(
      std::clamp(document.GetInt(key.section, key.name, key.defaultValue), key.minimum, key.maximum));
}

// At most kLanguageMaxChars characters, never ending in the first half of a surrogate pair.
std::wstring CutLanguage(std::wstring text) {
  if (text.size() > kLanguageMaxChars) {
    text.resize(SurrogateSafeLength(text, kLanguageMaxChars));
  }
  return text;
}

}  // namespace

void LoadConfig() {
  // The shortcut of an entry disabled in Task Manager or Settings is the user's to keep as it is.
  if (ReadConfigSettings() && !StartupDisabledInWindows()) UpdateStartupShortcut(App().settings.RunAtStartup);
}

bool ReadConfigSettings() {
  EnsureConfigFilePath();
  BootstrapConfigFile();
  AppState& app = App();
  IniDocument document(app.configPath);
  // A change the file has not got yet is never undone by reading it: it is saved first, or memory stays.
  if (!RetryPendingSave()) return false;
  if (!document.Load()) {
    if (app.savedSettingsText.empty()) app.savedSettingsText = SettingsText();  // defaults, never read
    app.settingsFromFile = false;
    return false;
  }
  ApplyConfigDocument(document);
  app.savedSettingsText = SettingsText();
  app.settingsFromFile = true;
  return true;
}

void ApplyConfigDocument(const IniDocument& document) {
  Settings& s = App().settings;
  s.SleepPrevent = document.GetInt(L"General", L"SleepPrevent", 0) != 0;
  s.KeepActive = document.GetInt(L"General", L"KeepActive", 0) != 0;
  s.RunAtStartup = document.GetInt(L"General", L"RunAtStartup", 0) != 0;
  s.IdleThresholdSec = ReadLimited(document, kIdleThresholdKey);
  s.CheckIntervalSec = ReadLimited(document, kCheckIntervalKey);

  s.Nudge = EnumFromWord(kNudgeWords, document.GetString(L"KeepActive", L"Nudge", L"Mouse")).value_or(NudgeKind::Mouse);

  s.Language = document.HasKey(L"UI", L"Language") ? CutLanguage(document.GetString(L"UI", L"Language", L""))
                                                   : std::wstring();

  s.Action = EnumFromWord(kActionWords, document.GetString(L"Hotkey", L"Action", L"AwayCurrent"))
                 .value_or(OverlayAction::AwayCurrent);

  s.ClockDisplay = ReadClockDisplay(document);

  const std::wstring hotkeyText = document.GetString(L"Hotkey", L"ToggleHotkey", L"VK_V");
  HotkeySpec hotkey;
  if (!ParseHotkeySpec(hotkeyText.c_str(), &hotkey) || hotkey.virtualKey == VK_OEM_4 || hotkey.virtualKey == VK_OEM_6)
    hotkey = kDefaultHotkey;
  s.ToggleHotkey = hotkey;
  s.Presets = ParseTimerPresets(document.GetString(L"Timer", L"Presets", kDefaultTimerPresets));
  s.NotifyAtEnd = document.GetInt(L"Timer", L"NotifyAtEnd", 1) != 0;
  s.BlackScreenAfterIdleMin = ReadLimited(document, kIdleBlackScreenKey);

  ConditionSettings& c = s.Conditions;
  c.SleepPreventWhileRunning = ParseProgramList(document.GetString(L"Conditions", L"SleepPreventWhileRunning", L""));
  c.KeepActiveWhileRunning = ParseProgramList(document.GetString(L"Conditions", L"KeepActiveWhileRunning", L""));
  c.OnlyOnMainsPower = document.GetInt(L"Conditions", L"OnlyOnMainsPower", 0) != 0;
  c.MinBatteryPercent = ReadLimited(document, kMinBatteryKey);
  c.PauseSleepPreventWhileLocked = document.GetInt(L"Conditions", L"PauseSleepPreventWhileLocked", 0) != 0;
}

bool ReloadConfigDocument(IniDocument& document) {
  EnsureConfigFilePath();
  document = IniDocument(App().configPath);
  return document.Load();
}

ClockDisplayMode ReadClockDisplay(const IniDocument& document) {
  if (document.HasKey(L"Overlay", L"ClockDisplay")) {
    const std::wstring v = document.GetString(L"Overlay", L"ClockDisplay", L"Time");
    if (v.empty()) return ClockDisplayMode::None;
    return EnumFromWord(kClockWords, v).value_or(ClockDisplayMode::Time);
  }
  if (document.HasKey(L"Overlay", L"ShowOverlayClock"))
    return document.GetInt(L"Overlay", L"ShowOverlayClock", 1) != 0 ? ClockDisplayMode::Time : ClockDisplayMode::None;
  return ClockDisplayMode::Time;
}

std::vector<TimerPreset> ParseTimerPresets(std::wstring_view text) {
  std::vector<TimerPreset> presets;
  for (std::size_t start = 0; start <= text.size() && presets.size() < kMaxTimerPresets;) {
    std::size_t end = text.find(L',', start);
    if (end == std::wstring_view::npos) end = text.size();
    std::wstring_view entry = text.substr(start, end - start);
    start = end + 1;
    while (!entry.empty() && IsBlank(entry.front())) entry.remove_prefix(1);
    while (!entry.empty() && IsBlank(entry.back())) entry.remove_suffix(1);
    TimerPreset preset{std::wstring(entry)};
    if (const std::optional<std::uint32_t> seconds = ParseDuration(preset.text)) {
      preset.seconds = *seconds;
    } else if (!ParseTimeOfDay(preset.text, preset.hour, preset.minute)) {
      continue;
    }
    if (std::none_of(presets.begin(), presets.end(), [&](const TimerPreset& p) { return p.SameAs(preset); }))
      presets.push_back(std::move(preset));
  }
  return presets;
}
