#include "app/AppState.h"

AppState& App() {
  static AppState state;
  return state;
}

const TimerPreset* StartingPreset(bool keepActive) {
  const AppState& app = App();
  const SessionEnd& pending = keepActive ? app.keepActiveUntil : app.sleepPreventUntil;
  const SessionEnd& started = keepActive ? app.keepActivePresetEnd : app.sleepPreventPresetEnd;
  if (pending.time == 0 || started != pending) return nullptr;
  return keepActive ? &app.keepActivePreset : &app.sleepPreventPreset;
}
