#include "power/Power.h"

#include <windows.h>

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

}  // namespace

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
  if (!app.keepActiveTimerOn) return;
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

void OnPowerBroadcast(std::uintptr_t event) {
  AppState& app = App();
  if (event == PBT_APMSUSPEND) {
    if (app.executionStateApplied) Seams().setThreadExecutionState(kReleased);
    app.executionStateApplied = false;
    app.keepActiveTimerOn = false;
    RestartKeepActiveTimer();
  } else if (event == PBT_APMRESUMESUSPEND) {
    ApplySleepPrevention(app.settings.SleepPrevent);
    app.keepActiveTimerOn = app.settings.KeepActive;
    RestartKeepActiveTimer();
  }
}
