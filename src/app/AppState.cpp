#include "app/AppState.h"

AppState& App() {
  static AppState state;
  return state;
}

const TimerPreset* StartingPreset(bool keepActive) {
  const AppState& app = App();
  const std::int64_t pending = keepActive ? app.keepActiveUntil : app.sleepPreventUntil;
  const std::int64_t started = keepActive ? app.keepActivePresetEnd : app.sleepPreventPresetEnd;
  if (pending == 0 || started != pending) return nullptr;
  return keepActive ? &app.keepActivePreset : &app.sleepPreventPreset;
}
