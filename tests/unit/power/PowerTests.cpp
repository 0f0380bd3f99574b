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
