#include "power/Power.h"

#include <cstring>

#include "app/AppState.h"
#include "base/Messages.h"
#include "base/SystemSeams.h"

namespace {

constexpr EXECUTION_STATE kAwake = ES_CONTINUOUS | ES_SYSTEM_REQUIRED | ES_DISPLAY_REQUIRED;
constexpr EXECUTION_STATE kReleased = ES_CONTINUOUS;

INPUT MouseMove(LONG dx) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dx = dx;
  input.mi.dwFlags = MOUSEEVENTF_MOVE;
  return input;
}

INPUT KeyEvent(DWORD flags) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = VK_F15;
  input.ki.dwFlags = flags;
  return input;
}

bool DisplayTurnedOn(LPARAM data) {
  const auto* setting = reinterpret_cast<const POWERBROADCAST_SETTING*>(data);
  if (setting == nullptr || !IsEqualGUID(setting->PowerSetting, GUID_CONSOLE_DISPLAY_STATE) ||
      setting->DataLength < sizeof(DWORD))
    return false;
  DWORD state = 0;  // 0 off, 1 on, 2 dimmed
  std::memcpy(&state, setting->Data, sizeof state);
  return state == 1;
}

// The wake has woken no one yet: watch for the user's first input.
void WatchForUsersReturn() {
  AppState& app = App();
  if (!app.wakeUnattended) return;
  LASTINPUTINFO info{sizeof info, 0};
  app.lastInputAtWake = Seams().getLastInputInfo(&info) ? info.dwTime : 0;
  ::SetTimer(app.mainWindow, TIMER_USER_RETURN, kUserReturnCheckMs, nullptr);
}

void OnUsersReturn() {
  AppState& app = App();
  ::KillTimer(app.mainWindow, TIMER_USER_RETURN);
  if (!app.wakeUnattended) return;
  app.wakeUnattended = false;
  ApplyPowerModes(true);
}

}  // namespace

bool SleepPreventionWanted(bool setting, bool wakeUnattended, bool calledThisWake) {
  return setting && (!wakeUnattended || calledThisWake);
}

bool KeepActiveWanted(bool setting, bool wakeUnattended) { return setting && !wakeUnattended; }

void DeriveKeepActiveSettings() {
  AppState& app = App();
  app.idleThresholdMs = app.settings.IdleThresholdSec * 1000u;
  app.checkIntervalMs = app.settings.CheckIntervalSec * 1000u;
  app.nudgeKind = app.settings.Nudge;
}

void ApplySleepPrevention(bool on) {
  AppState& app = App();
  if (app.executionStateApplied == on) return;
  app.executionStateApplied = on;
  Seams().setThreadExecutionState(on ? kAwake : kReleased);
}

bool ApplyPowerModes(bool restartTimer) {
  AppState& app = App();
  const bool sleep = SleepPreventionWanted(app.settings.SleepPrevent, app.wakeUnattended, app.sleepPreventionCalled);
  const bool keep = KeepActiveWanted(app.settings.KeepActive, app.wakeUnattended);
  const bool changed = app.executionStateApplied != sleep || app.keepActiveTimerOn != keep;
  ApplySleepPrevention(sleep);
  if (restartTimer || app.keepActiveTimerOn != keep) {
    app.keepActiveTimerOn = keep;
    RestartKeepActiveTimer();
  }
  return changed;
}

void RestartKeepActiveTimer() {
  DeriveKeepActiveSettings();
  AppState& app = App();
  if (app.mainWindow == nullptr) return;
  ::KillTimer(app.mainWindow, TIMER_KEEPACTIVE);
  if (app.keepActiveTimerOn && static_cast<std::int32_t>(app.checkIntervalMs) > 0)
    ::SetTimer(app.mainWindow, TIMER_KEEPACTIVE, app.checkIntervalMs, nullptr);
}

void OnKeepActiveTimer() {
  const AppState& app = App();
  if (!app.keepActiveTimerOn || app.wakeUnattended) return;  // input injected now would wake the user's session
  LASTINPUTINFO info{};
  info.cbSize = sizeof info;
  std::uint32_t idle = 0;
  if (Seams().getLastInputInfo(&info)) idle = static_cast<std::uint32_t>(Seams().getTickCount() - info.dwTime);
  if (idle < app.idleThresholdMs) return;
  SendNudge(app.nudgeKind);
}

bool SendNudge(NudgeKind kind) {
  INPUT inputs[2];
  if (kind == NudgeKind::F15) {
    inputs[0] = KeyEvent(0);
    inputs[1] = KeyEvent(KEYEVENTF_KEYUP);
  } else {
    inputs[0] = MouseMove(1);
    inputs[1] = MouseMove(-1);
  }
  return Seams().sendInput(2, inputs, sizeof(INPUT)) == 2;
}

void OnPowerBroadcast(WPARAM event, LPARAM data) {
  AppState& app = App();
  switch (event) {
    case PBT_APMSUSPEND:
      app.wakeUnattended = true;
      app.sleepPreventionCalled = false;
      ::KillTimer(app.mainWindow, TIMER_USER_RETURN);
      ApplyPowerModes(false);
      break;
    case PBT_APMRESUMEAUTOMATIC: WatchForUsersReturn(); break;
    case PBT_APMRESUMESUSPEND: OnUsersReturn(); break;
    case PBT_POWERSETTINGCHANGE:
      if (DisplayTurnedOn(data)) OnUsersReturn();
      break;
    default: break;
  }
}

void CheckForUsersReturn() {
  LASTINPUTINFO info{sizeof info, 0};
  if (Seams().getLastInputInfo(&info) && info.dwTime != App().lastInputAtWake) OnUsersReturn();
}

void RegisterDisplayStateNotification() {
  AppState& app = App();
  app.displayStateNotification.Reset(
      ::RegisterPowerSettingNotification(app.mainWindow, &GUID_CONSOLE_DISPLAY_STATE, DEVICE_NOTIFY_WINDOW_HANDLE));
}
