#include "app/TimedEnds.h"

#include "app/AppState.h"
#include "app/Commands.h"
#include "base/Messages.h"
#include "config/ConfigSave.h"
#include "config/IniDocument.h"
#include "tray/TrayIcon.h"

namespace {

constexpr std::int64_t kLongestWaitMs = kMsPerMinute;

// The end has come: switched off as by the menu command, after the same reload as the menu's.
void FireTimedEnd(TimedMode mode) {
  PendingEnd(mode) = {};
  ReloadSettingsFromFile();
  if (ModeSetting(mode)) {
    HandleCommand(NamesOf(mode).command);
    return;
  }
  SaveConfig();  // only removes the end from the file
  UpdateTrayTooltip();
}

}  // namespace

SessionEnd& PendingEnd(TimedMode mode) {
  AppState& app = App();
  return mode == TimedMode::PreventSleep ? app.sleepPreventUntil : app.keepActiveUntil;
}

void SetTimedEnd(TimedMode mode, SessionEnd end) {
  PendingEnd(mode) = end;
  SaveConfig();
  UpdateTrayTooltip();
  ScheduleTimedEnds();
}

bool CancelTimedEnd(TimedMode mode) {
  if (PendingEnd(mode).time == 0) return false;
  PendingEnd(mode) = {};
  SaveConfig();
  ScheduleTimedEnds();
  return true;
}

void CheckTimedEnds() {
  for (TimedMode mode : kTimedModes)
    if (PendingEnd(mode).time != 0 && TimeLeft(PendingEnd(mode)) <= 0) FireTimedEnd(mode);
  ScheduleTimedEnds();
}

void ScheduleTimedEnds() {
  const AppState& app = App();
  if (app.mainWindow == nullptr) return;
  ::KillTimer(app.mainWindow, TIMER_TIMED_ENDS);
  std::int64_t wait = kLongestWaitMs;  // each end on its own clock
  bool pending = false;
  for (TimedMode mode : kTimedModes) {
    if (PendingEnd(mode).time == 0) continue;
    pending = true;
    if (TimeLeft(PendingEnd(mode)) < wait) wait = TimeLeft(PendingEnd(mode));
  }
  if (!pending) return;
  if (wait < USER_TIMER_MINIMUM) wait = USER_TIMER_MINIMUM;
  ::SetTimer(app.mainWindow, TIMER_TIMED_ENDS, static_cast<UINT>(wait), nullptr);
}

void RestoreTimedEnds() {
  IniDocument document(App().configPath);
  if (!document.Load()) return;
  bool changed = false;
  for (TimedMode mode : kTimedModes) {
    if (!document.HasKey(L"General", NamesOf(mode).untilKey)) continue;
    const SessionEnd end = ParseSessionEndFromConfig(document.GetString(L"General", NamesOf(mode).untilKey, L""));
    if (end.time != 0 && TimeLeft(end) > 0) {
      PendingEnd(mode) = end;
      continue;
    }
    // Passed while the program was not running: the mode ends now. An unreadable value is dropped
    // and leaves the mode as it is.
    if (end.time != 0) ModeSetting(mode) = false;
    changed = true;
  }
  if (changed) SaveConfig();
}

void CheckTimedEndsAtResume(WPARAM event) {
  if (event == PBT_APMRESUMEAUTOMATIC || event == PBT_APMRESUMESUSPEND) CheckTimedEnds();
}

bool& ModeSetting(TimedMode mode) {
  Settings& settings = App().settings;
  return mode == TimedMode::PreventSleep ? settings.SleepPrevent : settings.KeepActive;
}

void ApplyModeRequest(TimedMode mode, const ModeRequest& request) {
  if (request.word == SwitchWord::None) return;
  if (request.word == SwitchWord::Toggle || ModeSetting(mode) != (request.word == SwitchWord::On)) {
    HandleCommand(NamesOf(mode).command);  // cancels a pending end of the mode as well
  } else {
    CancelTimedEnd(mode);
    UpdateTrayTooltip();
  }
  if (request.end != EndKind::None) SetTimedEnd(mode, RequestedEnd(request, LocalNow(), UtcNow()));
}
