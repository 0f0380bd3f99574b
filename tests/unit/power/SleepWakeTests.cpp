// Going to sleep and waking up, as the main window hears it.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "base/Messages.h"
#include "base/SystemSeams.h"
#include "power/Power.h"

static std::vector<EXECUTION_STATE> g_requests;

TEST(SleepAndWake, SuspendReleasesAndPausesOnlyTheUsersReturnAppliesAgain) {
  AppScope app;
  ScopedSeams seams;
  seams->setThreadExecutionState = [](EXECUTION_STATE state) { return g_requests.push_back(state), EXECUTION_STATE{0}; };
  const HWND window = app.MakeMainWindow();
  App().settings.SleepPrevent = App().settings.KeepActive = App().keepActiveTimerOn = true;
  ApplySleepPrevention(true);
  const struct { WPARAM event; std::vector<EXECUTION_STATE> requests; bool awake; } steps[] = {
      {PBT_APMSUSPEND, {0x80000000}, false},
      {PBT_APMRESUMEAUTOMATIC, {}, false},  // a timer or maintenance wake: Windows may sleep again
      {PBT_APMRESUMESUSPEND, {0x80000003}, true}};
  for (const auto& s : steps) {
    RestartKeepActiveTimer();
    g_requests.clear();
    EXPECT_EQ(::SendMessageW(window, WM_POWERBROADCAST, s.event, 0), TRUE);
    EXPECT_EQ(g_requests, s.requests) << s.event;
    EXPECT_EQ(App().executionStateApplied && App().keepActiveTimerOn, s.awake) << s.event;
    EXPECT_EQ(::KillTimer(window, TIMER_KEEPACTIVE) != FALSE, s.awake) << s.event;  // only a running timer
  }
}
