#include "power/Power.h"

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "app/CommandLineCalls.h"
#include "app/Commands.h"
#include "base/Messages.h"
#include "config/ConfigLoad.h"

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

// A wake nobody attends (a timer, maintenance): the user's modes rest through a timed end, a call and a
// clock change, and nothing is nudged; sleep prevention that a call asks for holds at once, the rest
// from the user's return (Windows' resume for the user, the first input, the display turning on).
TEST(UnattendedWake, OnlyACallKeepsThePcAwakeUntilTheUserIsBack) {
  struct DisplayState { GUID setting; DWORD length, state; };  // a POWERBROADCAST_SETTING with its data
  const DisplayState off{GUID_CONSOLE_DISPLAY_STATE, sizeof(DWORD), 0}, on{GUID_CONSOLE_DISPLAY_STATE, sizeof(DWORD), 1};
  const std::vector<EXECUTION_STATE> states{0x80000003, 0x80000000, 0x80000003, 0x80000000, 0x80000003};
  for (int back = 0; back < 3; ++back) {
    SCOPED_TRACE(back);
    AppScope app("[General]\r\nSleepPrevent=1\r\nKeepActive=1\r\n");
    StateSeams seams;
    seams->getTickCount = [] { return DWORD{0x7FFFFFFF}; };  // idle for weeks
    seams->getLastInputInfo = [](PLASTINPUTINFO info) { return info->dwTime = lastInput, TRUE; };
    seams->sendInput = [](UINT count, LPINPUT, int) { return nudges.emplace_back(), count; };
    const HWND window = app.MakeMainWindow();
    const auto send = [&](UINT message, WPARAM w, const void* l = nullptr) { ::SendMessageW(window, message, w, LPARAM(l)); };
    nudges.clear(), lastInput = 1, LoadConfig(), ReapplyPowerState();
    App().keepActiveUntil = {1, false};  // an end long passed: it comes at the wake
    send(WM_POWERBROADCAST, PBT_APMSUSPEND), send(WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC);
    EXPECT_TRUE(App().settings.SleepPrevent && !App().settings.KeepActive);
    CarryOutCommandLineCall(*ParseCommandLine({L"--keep-active", L"on"}));
    send(WM_TIMECHANGE, 0), send(WM_TIMER, TIMER_KEEPACTIVE), send(WM_TIMER, TIMER_USER_RETURN), send(WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, &off);
    EXPECT_EQ(executionStates, std::vector<EXECUTION_STATE>(states.begin(), states.begin() + 2));
    EXPECT_TRUE(App().settings.KeepActive && app.ConfigText().find("KeepActive=1") != std::string::npos && !App().keepActiveTimerOn);
    CarryOutCommandLineCall(*ParseCommandLine({L"--prevent-sleep", L"on", L"--until", L"05:00"}));
    for (std::size_t round = 0; round < 2; ++round) {  // awake at once; the next wake rests until the user is back
      if (round == 1) send(WM_POWERBROADCAST, PBT_APMSUSPEND), send(WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC);
      EXPECT_EQ(executionStates.size(), 3 + round);
      back == 0 ? send(WM_POWERBROADCAST, PBT_APMRESUMESUSPEND)
                : back == 1 ? (++lastInput, send(WM_TIMER, TIMER_USER_RETURN)) : send(WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, &on);
      EXPECT_EQ(executionStates, std::vector<EXECUTION_STATE>(states.begin(), states.begin() + 3 + 2 * round));
      EXPECT_TRUE(App().keepActiveTimerOn && ::KillTimer(window, TIMER_KEEPACTIVE) && !::KillTimer(window, TIMER_USER_RETURN));
    }
    EXPECT_TRUE(nudges.empty());
  }
}
