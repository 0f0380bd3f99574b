// The black screen after idle time, driven from outside as the user's mouse would.
#include "E2eSupport.h"  // windows.h first
#include <gtest/gtest.h>

static LONG MovedX(LONG dx) {  // the cursor's x a moment after a relative move, input as the user's
  POINT p{};
  SendInputs({INPUT{INPUT_MOUSE, {.mi = {dx, 0, 0, MOUSEEVENTF_MOVE}}}});
  return Pause() && ::GetCursorPos(&p) ? p.x : -1;
}

TEST(IdleBlackScreen, AMinuteWithoutInputOpensItOnBothMonitorsUntilTheUsersMouseMoves) {
  ASSERT_TRUE(WriteConfig("[Overlay]\r\nFadeInDurationMs=0\r\nBlackScreenAfterIdleMin=1\r\n"));
  ASSERT_TRUE(MoveCursor(kOnPrimary) && MovedX(1) == kOnPrimary.x + 1);  // the user's last input
  RunningProgram program;
  ASSERT_TRUE(program.WaitForWindow() && WaitForOverlays({kPrimaryMonitor, kSecondMonitor}, 90000));
  EXPECT_TRUE(MovedX(5) == kOnPrimary.x + 6 && WaitForOverlays({}, 3000));  // at once: measured from the opening
}
