#include "app/Conditions.h"

#include "app/AppState.h"

WantedInputs CurrentWantedInputs() {
  const AppState& app = App();
  const Settings& settings = app.settings;
  WantedInputs inputs;
  inputs.sleepPrevent = {settings.SleepPrevent, app.sleepPreventUntil.time != 0 ? LocalClockAt(app.sleepPreventUntil) : 0,
                         app.sleepPreventionCalled, app.sleepPreventProgram};
  inputs.keepActive = {settings.KeepActive, app.keepActiveUntil.time != 0 ? LocalClockAt(app.keepActiveUntil) : 0, false,
                       app.keepActiveProgram};
  inputs.onBattery = app.onBattery;
  inputs.hasBattery = app.hasBattery;
  inputs.onlyOnMainsPower = settings.Conditions.OnlyOnMainsPower;
  inputs.batteryLow = app.batteryLow;
  inputs.lockedOrDisconnected = app.sessionLocked;
  inputs.pauseSleepPreventWhileLocked = settings.Conditions.PauseSleepPreventWhileLocked;
  inputs.unattendedWake = app.wakeUnattended;
  return inputs;
}

WantedState CurrentWantedState() { return ComputeWantedState(CurrentWantedInputs()); }

ShownMode ShownModeOf(bool keepActive) {
  const WantedState wanted = CurrentWantedState();
  const ModeWanted& mode = keepActive ? wanted.keepActive : wanted.sleepPrevent;
  return {mode.state != ModeState::Off, mode.state == ModeState::On, ModeReasonUiKey(mode.reason), mode.program};
}
