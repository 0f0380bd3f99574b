// The black screen after idle time, driven from outside as the user's mouse would.
#include "E2eSupport.h"  // windows.h first
#include <gtest/gtest.h>

static LONG MovedX(LONG dx) {  // the cursor's x a moment after a relative move, input as the user's
  POINT p{};
  return SendInputs({INPUT{INPUT_MOUSE, {.mi = {dx, 0, 0, MOUSEEVENTF_MOVE}}}}), ::Sleep(300), ::GetCursorPos(&p), p.x;
}

// A minute without input opens it on both monitors, --status names it; 2 pixels there and back leave it, 5 close it.
TEST(IdleBlackScreen, OpensAfterAMinuteWithoutInputAndClosesAtAMoveOfFivePixels) {
  ASSERT_TRUE((ForgetConfiguration(), WriteConfig("[Overlay]\r\nFadeInDurationMs=0\r\nBlackScreenAfterIdleMin=1\r\n")));
  ASSERT_TRUE(MoveCursor(kOnPrimary) && MovedX(1) == kOnPrimary.x + 1);  // the user's last input
  const ULONGLONG lastInput = ::GetTickCount64();
  RunningProgram program;
  ASSERT_TRUE(program.WaitForWindow() && WaitForOverlays({kPrimaryMonitor, kSecondMonitor}, 90000));
  EXPECT_NEAR(double(::GetTickCount64() - lastInput), 70000, 10500) << "checked every 10 s";
  EXPECT_NE(RunCall(L"--status").out.find("black-screen idle\r\n"), std::string::npos);
  ASSERT_TRUE(MovedX(2) == kOnPrimary.x + 3 && MovedX(-2) == kOnPrimary.x + 1);
  EXPECT_TRUE(OverlaysCover({kPrimaryMonitor, kSecondMonitor})) << "closed by 2 pixels";
  EXPECT_TRUE(MovedX(5) == kOnPrimary.x + 6 && WaitForOverlays({}, 3000)) << "open after 5 pixels";
}
