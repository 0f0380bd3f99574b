#include "config/ConfigSave.h"

#include <algorithm>
#include <string>
#include <utility>

#include "app/AppState.h"
#include "base/Helpers.h"
#include "base/LocalTime.h"
#include "base/Messages.h"
#include "config/ConfigLoad.h"
#include "config/HotkeyText.h"

namespace {

const wchar_t* Flag(bool value) { return value ? L"1" : L"0"; }

// A pending end is written while it is pending and removed otherwise.
void StorePendingEnd(IniDocument& document, const wchar_t* key, const SessionEnd& end) {
  const std::wstring text = FormatSessionEndForConfig(end);
  if (text.empty()) {
    document.RemoveKey(L"General", key);
  } else {
    document.SetString(L"General", key, text.c_str());
  }
}

void StoreStartingPreset(IniDocument& document, const wchar_t* key, const TimerPreset* preset) {
  if (preset != nullptr) {
    document.SetString(L"General", key, preset->text.c_str());
  } else {
    document.RemoveKey(L"General", key);
  }
}

// Memory did not come from the file: only what changed since the last load or save is written, so
// that settings never read (the defaults of a start on a busy file) do not replace the user's.
void StoreChangedSettings(IniDocument& document) {
  IniDocument before(L""), now(L"");
  before.Parse(App().savedSettingsText);
  now.Parse(SettingsText());
  for (const auto& [section, keys] : before.Values())
    for (const auto& [key, value] : keys)
      if (!now.HasKey(section.c_str(), key.c_str())) document.RemoveKey(section.c_str(), key.c_str());
  for (const auto& [section, keys] : now.Values())
    for (const auto& [key, value] : keys)
      if (!before.HasKey(section.c_str(), key.c_str()) || before.GetString(section.c_str(), key.c_str(), L"") != value)
        document.SetString(section.c_str(), key.c_str(), value.c_str());
}

bool WriteSettings(bool waitWhileBusy) {
  AppState& app = App();
  IniDocument document(L"");
  bool saved = RetryWhileFileBusy([&] { return ReloadConfigDocument(document); }, waitWhileBusy);
  if (saved) {
    if (app.settingsFromFile || app.savedSettingsText.empty()) {
      StoreSettingsInDocument(document);
    } else {
      StoreChangedSettings(document);
    }
    saved = document.Save(waitWhileBusy);
  }
  if (saved) app.savedSettingsText = SettingsText();
  const DWORD attributes = ::GetFileAttributesW(app.configPath.c_str());
  app.configSavePending = !saved && !app.configPath.empty() &&
                          (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_READONLY) == 0);
  // A file refused for good (a folder's access list) is not tried every few seconds for weeks: each
  // failed try doubles the wait, up to five minutes; after a save that succeeds the first wait is 3 s.
  app.configSaveRetryMs = !app.configSavePending       ? 0
                          : app.configSaveRetryMs == 0 ? kConfigSaveRetryMs
                                                       : std::min(app.configSaveRetryMs * 2, kConfigSaveRetryMaxMs);
  if (app.mainWindow != nullptr && app.configSavePending) {
    ::SetTimer(app.mainWindow, TIMER_CONFIG_SAVE, app.configSaveRetryMs, nullptr);
  } else if (app.mainWindow != nullptr) {
    ::KillTimer(app.mainWindow, TIMER_CONFIG_SAVE);
  }
  return saved;
}

// Whether a save may stop this thread for the pauses between the tries on a busy file. Not while the
// black screen's low-level keyboard hook is held: every key of the session waits for this thread, and
// Windows removes, without a word, a hook that keeps a key waiting longer than LowLevelHooksTimeout
// (at most a second). Such a save is owed instead, and its timer tries again without waiting. Nor
// while a save is owed already: the file was found busy or refused, and every change the user makes
// would otherwise hold the menu or the hotkey for the second of tries; the owed save's timer pays.
bool MayWaitForFile() { return !App().overlayKeyHook && !App().configSavePending; }

}  // namespace

void SaveConfig() {
  AppState& app = App();
  if (app.configSaveHolds > 0) {
    app.configSaveHeldBack = true;
    return;
  }
  WriteSettings(MayWaitForFile());
}

bool RetryPendingSave() {
  AppState& app = App();
  if (app.configSaveHolds > 0) {  // the save held back for the end of the action pays what is owed
    app.configSaveHeldBack |= app.configSavePending;
    return !app.configSaveHeldBack;
  }
  return !app.configSavePending || WriteSettings(false);
}

HeldSaves::HeldSaves() { ++App().configSaveHolds; }

HeldSaves::~HeldSaves() {
  AppState& app = App();
  if (--app.configSaveHolds == 0 && std::exchange(app.configSaveHeldBack, false)) WriteSettings(MayWaitForFile());
}

std::wstring SettingsText() {
  IniDocument document(L"");
  StoreSettingsInDocument(document);
  return document.Serialize();
}

void StoreSettingsInDocument(IniDocument& document) {
  const Settings& s = App().settings;
  document.SetString(L"General", L"SleepPrevent", Flag(s.SleepPrevent));
  document.SetString(L"General", L"KeepActive", Flag(s.KeepActive));
  document.SetString(L"General", L"RunAtStartup", Flag(s.RunAtStartup));
  StoreStartingPreset(document, kSleepPreventPresetKey, StartingPreset(false));
  StoreStartingPreset(document, kKeepActivePresetKey, StartingPreset(true));
  document.SetString(L"KeepActive", L"IdleThresholdSec", DecimalText(s.IdleThresholdSec).c_str());
  document.SetString(L"KeepActive", L"CheckIntervalSec", DecimalText(s.CheckIntervalSec).c_str());
  document.SetString(L"KeepActive", L"Nudge", EnumRow(kNudgeWords, s.Nudge).word);
  if (!s.Language.empty()) {
    document.SetString(L"UI", L"Language", s.Language.substr(0, kLanguageMaxChars).c_str());
  } else if (document.HasKey(L"UI", L"Language")) {
    document.SetString(L"UI", L"Language", L"");
  }
  document.SetString(L"Hotkey", L"Action", EnumRow(kActionWords, s.Action).word);
  document.SetString(L"Overlay", L"ClockDisplay", EnumRow(kClockWords, s.ClockDisplay).word);
  document.SetString(L"Hotkey", L"ToggleHotkey", FormatHotkeyForConfig(s.ToggleHotkey).c_str());
  StorePendingEnd(document, kSleepPreventUntilKey, App().sleepPreventUntil);
  StorePendingEnd(document, kKeepActiveUntilKey, App().keepActiveUntil);
}
