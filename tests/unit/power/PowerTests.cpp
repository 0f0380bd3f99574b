#include "power/Power.h"

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "AppTestSupport.h"
#include "app/Messages.h"
#include "app/SystemSeams.h"

namespace {

// What the fake platform saw.
std::vector<EXECUTION_STATE> g_states;
std::vector<std::vector<INPUT>> g_sends;
DWORD g_lastInput = 0;
DWORD g_now = 0;
BOOL g_lastInputOk = TRUE;

EXECUTION_STATE WINAPI RecordState(EXECUTION_STATE state) {
  g_states.push_back(state);
  return ES_CONTINUOUS;
}
UINT WINAPI RecordSend(UINT count, LPINPUT inputs, int size) {
  EXPECT_EQ(size, static_cast<int>(sizeof(INPUT)));
  g_sends.emplace_back(inputs, inputs + count);
  return count;
}
BOOL WINAPI FakeLastInput(PLASTINPUTINFO info) {
  EXPECT_EQ(info->cbSize, 8u);
  info->dwTime = g_lastInput;
  return g_lastInputOk;
}
DWORD WINAPI FakeTick() { return g_now; }

class PowerTest : public testing::Test {
 protected:
  void SetUp() override {
    g_states.clear();
    g_sends.clear();
    g_lastInputOk = TRUE;
    seams_->setThreadExecutionState = RecordState;
    seams_->sendInput = RecordSend;
    seams_->getLastInputInfo = FakeLastInput;
    seams_->getTickCount = FakeTick;
  }
  AppScope app_{"[General]\r\nSleepPrevent=0\r\nKeepActive=0\r\n[KeepActive]\r\nIdleThresholdSec=60\r\n"};
  ScopedSeams seams_;
};

}  // namespace

TEST_F(PowerTest, ExecutionStateIsSetOnlyOnChange) {
  ApplySleepPrevention(true);
  ApplySleepPrevention(true);
  ApplySleepPrevention(false);
  ApplySleepPrevention(false);
  ApplySleepPrevention(true);
  EXPECT_EQ(g_states, (std::vector<EXECUTION_STATE>{0x80000003, 0x80000000, 0x80000003}));
  EXPECT_TRUE(App().executionStateApplied);
}

TEST_F(PowerTest, KeepActiveTickNudgesOnlyAtOrAboveTheThreshold) {
  App().keepActiveTimerOn = true;
  App().idleThresholdMs = 60000;
  struct Case {
    DWORD lastInput;
    DWORD now;
    BOOL infoOk;
    bool nudge;
  };
  const Case cases[] = {
      {1000, 60999, TRUE, false},             // 59.999 s idle
      {1000, 61000, TRUE, true},              // exactly the threshold
      {1000, 500000, TRUE, true},             // long idle: a nudge on every tick
      {0xFFFFFF00u, 0x0000E800u, TRUE, false},  // across the tick wrap: 59648 ms idle
      {0xFFFF0000u, 0x0000EA60u, TRUE, true},   // across the tick wrap: 125536 ms idle
      {1000, 500000, FALSE, false},           // GetLastInputInfo failing counts as no idle time
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "case " << (&c - cases));
    g_sends.clear();
    g_lastInput = c.lastInput;
    g_now = c.now;
    g_lastInputOk = c.infoOk;
    OnKeepActiveTimer();
    EXPECT_EQ(g_sends.size(), c.nudge ? 1u : 0u);
  }
}

TEST_F(PowerTest, TickAfterSwitchingOffDoesNothing) {
  App().keepActiveTimerOn = false;
  g_lastInput = 0;
  g_now = 10000000;
  OnKeepActiveTimer();
  EXPECT_TRUE(g_sends.empty());
}

TEST_F(PowerTest, NudgeRecords) {
  ASSERT_TRUE(SendNudge(NudgeKind::F15));
  ASSERT_TRUE(SendNudge(NudgeKind::Mouse));
  ASSERT_TRUE(SendNudge(static_cast<NudgeKind>(7)));
  ASSERT_EQ(g_sends.size(), 3u);
  for (const auto& send : g_sends) ASSERT_EQ(send.size(), 2u);

  const auto& keys = g_sends[0];
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(keys[i].type, static_cast<DWORD>(INPUT_KEYBOARD));
    EXPECT_EQ(keys[i].ki.wVk, VK_F15);
    EXPECT_EQ(keys[i].ki.wScan, 0);
    EXPECT_EQ(keys[i].ki.time, 0u);
    EXPECT_EQ(keys[i].ki.dwExtraInfo, 0u);
  }
  EXPECT_EQ(keys[0].ki.dwFlags, 0u);
  EXPECT_EQ(keys[1].ki.dwFlags, static_cast<DWORD>(KEYEVENTF_KEYUP));

  for (int n = 1; n < 3; ++n) {
    const auto& moves = g_sends[n];
    for (int i = 0; i < 2; ++i) {
      EXPECT_EQ(moves[i].type, static_cast<DWORD>(INPUT_MOUSE));
      EXPECT_EQ(moves[i].mi.dy, 0);
      EXPECT_EQ(moves[i].mi.mouseData, 0u);
      EXPECT_EQ(moves[i].mi.dwFlags, static_cast<DWORD>(MOUSEEVENTF_MOVE));
    }
    EXPECT_EQ(moves[0].mi.dx, 1);
    EXPECT_EQ(moves[1].mi.dx, -1);
  }
}

TEST_F(PowerTest, SetKeepActiveStartsAndStopsTheTimerAndSaves) {
  HWND window = app_.MakeMainWindow();
  ASSERT_NE(window, nullptr);
  App().settings.CheckIntervalSec = 30;
  App().settings.IdleThresholdSec = 120;
  App().settings.Nudge = NudgeKind::F15;
  SetKeepActive(true);
  EXPECT_TRUE(App().keepActiveTimerOn);
  EXPECT_EQ(App().checkIntervalMs, 30000u);
  EXPECT_EQ(App().idleThresholdMs, 120000u);
  EXPECT_EQ(App().nudgeKind, NudgeKind::F15);
  EXPECT_NE(app_.ConfigText().find("KeepActive=1"), std::string::npos);
  // KillTimer succeeds only for a timer that exists.
  EXPECT_TRUE(::KillTimer(window, TIMER_KEEPACTIVE));
  SetKeepActive(false);
  EXPECT_FALSE(App().keepActiveTimerOn);
  EXPECT_FALSE(::KillTimer(window, TIMER_KEEPACTIVE));
  EXPECT_NE(app_.ConfigText().find("KeepActive=0"), std::string::npos);
}

// The period comes from CheckIntervalSec: with one second, the first tick arrives after about a second.
TEST_F(PowerTest, TimerPeriodFollowsCheckInterval) {
  HWND window = app_.MakeMainWindow();
  ASSERT_NE(window, nullptr);
  App().settings.CheckIntervalSec = 1;
  App().keepActiveTimerOn = true;
  const auto start = std::chrono::steady_clock::now();
  RestartKeepActiveTimer();
  MSG message{};
  bool ticked = false;
  while (std::chrono::steady_clock::now() - start < std::chrono::seconds(5)) {
    if (::PeekMessageW(&message, window, WM_TIMER, WM_TIMER, PM_REMOVE) && message.wParam == TIMER_KEEPACTIVE) {
      ticked = true;
      break;
    }
    ::Sleep(10);
  }
  ASSERT_TRUE(ticked);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(900));
  ::KillTimer(window, TIMER_KEEPACTIVE);
}

TEST_F(PowerTest, ReapplyPowerStateFollowsTheSettingsWithoutSaving) {
  HWND window = app_.MakeMainWindow();
  ASSERT_NE(window, nullptr);
  const std::string before = app_.ConfigText();
  App().settings.SleepPrevent = true;
  App().settings.KeepActive = true;
  ReapplyPowerState();
  EXPECT_EQ(g_states, (std::vector<EXECUTION_STATE>{0x80000003}));
  EXPECT_TRUE(App().keepActiveTimerOn);
  EXPECT_TRUE(::KillTimer(window, TIMER_KEEPACTIVE));
  EXPECT_EQ(app_.ConfigText(), before);
}
