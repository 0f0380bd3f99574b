#include "power/Power.h"

#include <gtest/gtest.h>

#include <chrono>

#include "TestSupport.h"
#include "base/Messages.h"
#include "base/SystemSeams.h"

static std::vector<EXECUTION_STATE> g_states;
static std::vector<std::vector<INPUT>> g_sends;
static DWORD g_lastInput = 0, g_now = 0;
static BOOL g_lastInputOk = TRUE;

struct PowerTest : testing::Test {
  void SetUp() override {
    seams_->setThreadExecutionState = [](EXECUTION_STATE state) {
      g_states.push_back(state);
      return EXECUTION_STATE{ES_CONTINUOUS};
    };
    seams_->sendInput = [](UINT count, LPINPUT inputs, int size) {
      g_sends.emplace_back(inputs, inputs + (size == sizeof(INPUT) ? count : 0));
      return count;
    };
    seams_->getLastInputInfo = [](PLASTINPUTINFO info) {
      info->dwTime = info->cbSize == 8 ? g_lastInput : 0;
      return g_lastInputOk;
    };
    seams_->getTickCount = [] { return g_now; };
    g_states.clear();
    g_sends.clear();
  }
  AppScope app_{"[General]\r\nSleepPrevent=0\r\nKeepActive=0\r\n"};
  ScopedSeams seams_;
};

TEST_F(PowerTest, ExecutionStateIsSetOnlyOnChange) {
  for (bool on : {true, true, false, false, true}) ApplySleepPrevention(on);
  EXPECT_EQ(g_states, (std::vector<EXECUTION_STATE>{0x80000003, 0x80000000, 0x80000003}));
}

TEST_F(PowerTest, KeepActiveTickNudgesOnlyAtOrAboveTheThreshold) {
  App().idleThresholdMs = 60000;
  const struct { DWORD lastInput, now; BOOL infoOk; bool timerOn, nudge; } cases[] = {
      {1000, 60999, TRUE, true, false},               // 59.999 s idle
      {1000, 61000, TRUE, true, true},                // exactly the threshold
      {0xFFFFFF00u, 0x0000E800u, TRUE, true, false},  // across the tick wrap: 59648 ms idle
      {0xFFFF0000u, 0x0000EA60u, TRUE, true, true},   // across the tick wrap: 125536 ms idle
      {1000, 500000, FALSE, true, false},             // GetLastInputInfo failing counts as no idle time
      {1000, 500000, TRUE, false, false},             // a tick arriving after switching off
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "case " << (&c - cases));
    g_sends.clear();
    g_lastInput = c.lastInput;
    g_now = c.now;
    g_lastInputOk = c.infoOk;
    App().keepActiveTimerOn = c.timerOn;
    OnKeepActiveTimer();
    EXPECT_EQ(g_sends.size(), c.nudge ? 1u : 0u);
  }
}

TEST_F(PowerTest, NudgesSendTwoRecordsInOneCall) {
  for (NudgeKind kind : {NudgeKind::F15, NudgeKind::Mouse, static_cast<NudgeKind>(7)}) ASSERT_TRUE(SendNudge(kind));
  ASSERT_EQ(g_sends.size(), 3u);
  for (std::size_t n = 0; n < 3; ++n) {
    SCOPED_TRACE(n);  // an unknown kind moves the mouse
    ASSERT_EQ(g_sends[n].size(), 2u);
    for (int i = 0; i < 2; ++i) {
      const INPUT& r = g_sends[n][i];
      if (n == 0) {
        EXPECT_TRUE(r.type == INPUT_KEYBOARD && r.ki.wVk == VK_F15 && r.ki.wScan == 0 && r.ki.time == 0);
        EXPECT_EQ(r.ki.dwFlags, i == 0 ? 0u : DWORD{KEYEVENTF_KEYUP});
      } else {
        EXPECT_TRUE(r.type == INPUT_MOUSE && r.mi.dy == 0 && r.mi.mouseData == 0 && r.mi.dwFlags == MOUSEEVENTF_MOVE);
        EXPECT_EQ(r.mi.dx, i == 0 ? 1 : -1);
      }
    }
  }
}

TEST_F(PowerTest, TimerPeriodFollowsCheckIntervalAndSwitchingSaves) {
  const HWND window = app_.MakeMainWindow();
  ASSERT_NE(window, nullptr);
  App().settings.CheckIntervalSec = 1;
  App().settings.IdleThresholdSec = 120;
  const auto start = std::chrono::steady_clock::now();
  SetKeepActive(true);
  EXPECT_NE(app_.ConfigText().find("KeepActive=1"), std::string::npos);
  EXPECT_EQ(App().idleThresholdMs, 120000u);
  for (MSG m{}; !::PeekMessageW(&m, window, WM_TIMER, WM_TIMER, PM_REMOVE) || m.wParam != TIMER_KEEPACTIVE; ::Sleep(10))
    ASSERT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(900));  // about one second
  SetKeepActive(false);
  EXPECT_FALSE(::KillTimer(window, TIMER_KEEPACTIVE));  // succeeds only for a timer that exists
  EXPECT_NE(app_.ConfigText().find("KeepActive=0"), std::string::npos);
}
