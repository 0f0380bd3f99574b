#include "config/ConfigSave.h"

#include <string>

#include "app/AppState.h"
#include "base/Helpers.h"
#include "base/LocalTime.h"
#include "config/ConfigLoad.h"
#include "config/HotkeyText.h"

namespace {

const wchar_t* Flag(bool value) { return value ? L"1" : L"0"; }

// A pending end is written while it is pending and removed otherwise.
void StorePendingEnd(IniDocument& document, const wchar_t* key, LocalTime end) {
  const std::wstring text = FormatLocalTimeForConfig(end);
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

}  // namespace

void SaveConfig() {
  IniDocument document(L"");
  if (!RetryWhileFileBusy([&] { return ReloadConfigDocument(document); })) return;
  StoreSettingsInDocument(document);
  document.Save();
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
