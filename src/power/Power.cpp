#include "power/Power.h"

#include <cstring>

#include "app/AppState.h"
#include "base/Messages.h"
#include "base/SystemSeams.h"
#include "power/WantedState.h"

namespace {

constexpr EXECUTION_STATE kAwake = ES_CONTINUOUS | ES_SYSTEM_REQUIRED | ES_DISPLAY_REQUIRED;
constexpr EXECUTION_STATE kReleased = ES_CONTINUOUS;

// The DWORD a power setting's notice carries for `guid`; -1 for another setting.
long long SettingValue(LPARAM data, const GUID& guid) {
  const auto* setting = reinterpret_cast<const POWERBROADCAST_SETTING*>(data);
  if (setting == nullptr || !IsEqualGUID(setting->PowerSetting, guid) || setting->DataLength < sizeof(DWORD)) return -1;
  DWORD value = 0;
  std::memcpy(&value, setting->Data, sizeof value);
  return value;
}

void UpdateBatteryLow() {
  AppState& app = App();
  app.batteryLow = NextBatteryLow(app.batteryLow, app.onBattery, app.hasBattery, app.batteryPercent,
                                  app.settings.Conditions.MinBatteryPercent);
}

// The power source (0 mains; 1 battery and 2 a short-term source such as a UPS count as battery)
// and the battery's charge in percent.
void FollowPowerSourceChange(LPARAM data) {
  AppState& app = App();
  if (const long long source = SettingValue(data, GUID_ACDC_POWER_SOURCE); source >= 0) app.onBattery = source != 0;
  if (const long long percent = SettingValue(data, GUID_BATTERY_PERCENTAGE_REMAINING); percent >= 0)
    app.batteryPercent = static_cast<int>(percent);
  UpdateBatteryLow();
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
  app.wakeUnattended = false;
  // The idle time counts from here: GetLastInputInfo may still show an input from before a sleep (the
  // key that woke the PC is not always one).
  app.userInputTick = Seams().getTickCount();
}

void ApplySleepPrevention(bool on) {
  AppState& app = App();
  if (app.executionStateApplied == on) return;
  app.executionStateApplied = on;
  Seams().setThreadExecutionState(on ? kAwake : kReleased);
}

}  // namespace

void DeriveKeepActiveSettings() {
  AppState& app = App();
  app.idleThresholdMs = app.settings.IdleThresholdSec * 1000u;
  app.checkIntervalMs = app.settings.CheckIntervalSec * 1000u;
  app.nudgeKind = app.settings.Nudge;
}

bool ApplyPowerModes(bool sleepPrevent, bool keepActive) {
  AppState& app = App();
  const bool changed = app.executionStateApplied != sleepPrevent || app.keepActiveTimerOn != keepActive;
  ApplySleepPrevention(sleepPrevent);
  DeriveKeepActiveSettings();
  if (app.keepActiveTimerOn != keepActive || (keepActive && app.keepActiveTimerMs != app.checkIntervalMs)) {
    app.keepActiveTimerOn = keepActive;
    RestartKeepActiveTimer();
  }
  return changed;
}

void RestartKeepActiveTimer() {
  DeriveKeepActiveSettings();
  AppState& app = App();
  app.keepActiveTimerMs = 0;
  if (app.mainWindow == nullptr) return;
  ::KillTimer(app.mainWindow, TIMER_KEEPACTIVE);
  if (app.keepActiveTimerOn && static_cast<std::int32_t>(app.checkIntervalMs) > 0 &&
      ::SetTimer(app.mainWindow, TIMER_KEEPACTIVE, app.checkIntervalMs, nullptr) != 0)
    app.keepActiveTimerMs = app.checkIntervalMs;
}

void OnKeepActiveTimer() {
  AppState& app = App();
  if (!app.keepActiveTimerOn || app.wakeUnattended) return;  // input injected now would wake the user's session
  LASTINPUTINFO info{};
  info.cbSize = sizeof info;
  std::uint32_t idle = 0;
  if (Seams().getLastInputInfo(&info)) idle = static_cast<std::uint32_t>(Seams().getTickCount() - info.dwTime);
  if (idle < app.idleThresholdMs) return;
  // No input for a minute at least: the idle black screen's check (every 10 s) has seen the user's last.
  app.nudgeTick = Seams().getTickCount();
  SendNudge(app.nudgeKind);
}

std::uint32_t UserInputTick(std::uint32_t lastInput, std::uint32_t userInput, std::uint32_t nudgeTick) {
  return static_cast<std::int32_t>(lastInput - userInput) > 0 && lastInput - nudgeTick > kNudgeInputMs ? lastInput
                                                                                                       : userInput;
}

bool SendNudge(NudgeKind kind) {
  INPUT inputs[2];
  if (kind == NudgeKind::F15) {
    inputs[0] = MarkedKeyInput(VK_F15, 0);
    inputs[1] = MarkedKeyInput(VK_F15, KEYEVENTF_KEYUP);
  } else {
    inputs[0] = MarkedMouseMove(1);
    inputs[1] = MarkedMouseMove(-1);
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
      break;
    case PBT_APMRESUMEAUTOMATIC: WatchForUsersReturn(); break;
    case PBT_APMRESUMESUSPEND: OnUsersReturn(); break;
    case PBT_POWERSETTINGCHANGE:
      if (SettingValue(data, GUID_CONSOLE_DISPLAY_STATE) == 1) OnUsersReturn();  // 0 off, 1 on, 2 dimmed
      FollowPowerSourceChange(data);
      break;
    default: break;
  }
}

void CheckForUsersReturn() {
  LASTINPUTINFO info{sizeof info, 0};
  if (Seams().getLastInputInfo(&info) && info.dwTime != App().lastInputAtWake) OnUsersReturn();
}

void WatchPowerSource(bool needed) {
  AppState& app = App();
  if (!needed || app.mainWindow == nullptr) {
    app.powerSourceNotification.Reset();
    app.batteryNotification.Reset();
    app.onBattery = app.hasBattery = app.batteryLow = false;
    app.batteryPercent = -1;
    return;
  }
  if (!app.powerSourceNotification) {
    SYSTEM_POWER_STATUS status{};
    if (Seams().getSystemPowerStatus(&status)) {
      app.onBattery = status.ACLineStatus == 0;  // 1 mains, 255 unknown
      app.hasBattery = status.BatteryFlag != 128;  // 128: no system battery
      app.batteryPercent = status.BatteryLifePercent <= 100 ? status.BatteryLifePercent : -1;  // 255: unknown
    }
    app.powerSourceNotification.Reset(
        Seams().registerPowerSettingNotification(app.mainWindow, &GUID_ACDC_POWER_SOURCE, DEVICE_NOTIFY_WINDOW_HANDLE));
    app.batteryNotification.Reset(Seams().registerPowerSettingNotification(
        app.mainWindow, &GUID_BATTERY_PERCENTAGE_REMAINING, DEVICE_NOTIFY_WINDOW_HANDLE));
  }
  UpdateBatteryLow();  // the floor may have changed
}

void RegisterDisplayStateNotification() {
  AppState& app = App();
  app.displayStateNotification.Reset(
      ::RegisterPowerSettingNotification(app.mainWindow, &GUID_CONSOLE_DISPLAY_STATE, DEVICE_NOTIFY_WINDOW_HANDLE));
}
