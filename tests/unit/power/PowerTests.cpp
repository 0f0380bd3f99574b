#include "power/Power.h"

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "base/Messages.h"

// The request is made only on a change; sleep releases it and pauses the nudges, only the user's return reapplies.
TEST(SleepAndWake, SuspendReleasesAndPausesOnlyTheUsersReturnAppliesAgain) {
  AppScope app;
  StateSeams seams;
  const HWND window = app.MakeMainWindow();
  for (bool on : {true, true, false, false, true}) ApplySleepPrevention(on);
  EXPECT_EQ(executionStates, (std::vector<EXECUTION_STATE>{0x80000003, 0x80000000, 0x80000003}));
  App().settings.SleepPrevent = App().settings.KeepActive = App().keepActiveTimerOn = true;
  const struct { WPARAM event; std::vector<EXECUTION_STATE> requests; bool awake; } steps[] = {
      {PBT_APMSUSPEND, {0x80000000}, false}, {PBT_APMRESUMEAUTOMATIC, {}, false},  // a timer or maintenance wake: may sleep again
      {PBT_APMRESUMESUSPEND, {0x80000003}, true}};
  for (const auto& s : steps) {
    RestartKeepActiveTimer();
    executionStates.clear();
    EXPECT_EQ(::SendMessageW(window, WM_POWERBROADCAST, s.event, 0), TRUE);
    EXPECT_EQ(executionStates, s.requests) << s.event;
    EXPECT_EQ(App().executionStateApplied && App().keepActiveTimerOn, s.awake) << s.event;
    EXPECT_EQ(::KillTimer(window, TIMER_KEEPACTIVE) != FALSE, s.awake) << s.event;  // only a running timer
  }
}

using Sent = std::vector<std::tuple<DWORD, LONG, DWORD>>;  // each input: type, dx or key, flags
Sent nudges;
DWORD lastInput = 0;

// Nudges only after the idle threshold (also across the tick's wrap): a pixel there and back, or F15.
TEST(KeepActive, NudgesOnlyAfterTheIdleThresholdWithTheChosenInput) {
  AppScope app;
  ScopedSeams seams;
  seams->getTickCount = [] { return DWORD{5000}; };
  seams->getLastInputInfo = [](PLASTINPUTINFO info) { return info->dwTime = lastInput, TRUE; };
  seams->sendInput = [](UINT count, LPINPUT in, int) {
    for (UINT i = 0; i < count; ++i)
      nudges.emplace_back(in[i].type, in[i].type == INPUT_MOUSE ? in[i].mi.dx : in[i].ki.wVk, in[i].type == INPUT_MOUSE ? in[i].mi.dwFlags : in[i].ki.dwFlags);
    return count;
  };
  const Sent mouse{{INPUT_MOUSE, 1, MOUSEEVENTF_MOVE}, {INPUT_MOUSE, -1, MOUSEEVENTF_MOVE}};
  const struct { DWORD last; NudgeKind kind; bool on; Sent sent; } checks[] = {{4001, NudgeKind::Mouse, true, {}},
      {4000, NudgeKind::Mouse, true, mouse}, {4000, NudgeKind::F15, true, {{INPUT_KEYBOARD, VK_F15, 0}, {INPUT_KEYBOARD, VK_F15, KEYEVENTF_KEYUP}}},
      {0xFFFFFF00u, NudgeKind::Mouse, true, mouse}, {0, NudgeKind::Mouse, false, {}}};
  App().idleThresholdMs = 1000;
  for (const auto& c : checks) {
    nudges.clear(), lastInput = c.last, App().nudgeKind = c.kind, App().keepActiveTimerOn = c.on;
    OnKeepActiveTimer();
    EXPECT_EQ(nudges, c.sent) << c.last;
  }
}
