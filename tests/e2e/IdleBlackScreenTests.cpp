// The black screen after idle time, driven from outside as the user's mouse would.
#include "E2eSupport.h"  // windows.h first
#include <gtest/gtest.h>

static bool MoveMouse(LONG dx) {
  INPUT input{INPUT_MOUSE};
  input.mi.dx = dx, input.mi.dwFlags = MOUSEEVENTF_MOVE;
  return ::SendInput(1, &input, sizeof input) == 1;
}
static LONG CursorX() { POINT p{}; return ::GetCursorPos(&p) ? p.x : -1; }

// A minute without input opens it on both monitors and --status names it; 2 pixels away and back leave it open,
// a move of 5 pixels closes it.
TEST(IdleBlackScreen, OpensAfterAMinuteWithoutInputAndClosesAtAMoveOfFivePixels) {
  ASSERT_TRUE((ForgetConfiguration(), WriteConfig("[Overlay]\r\nFadeInDurationMs=0\r\nClockDisplay=None\r\n"
                                                  "BlackScreenAfterIdleMin=1\r\n[Hotkey]\r\nToggleHotkey=none\r\n")));
  ASSERT_TRUE(MoveCursor(kOnPrimary) && MoveMouse(1) && MoveMouse(-1));  // the user's last input
  const ULONGLONG lastInput = ::GetTickCount64();
  RunningProgram program;
  ASSERT_TRUE(program.WaitForWindow());
  ASSERT_TRUE(WaitForOverlays({kPrimaryMonitor, kSecondMonitor}, 90000)) << "not open 90 s after the last input";
  const ULONGLONG after = ::GetTickCount64() - lastInput;
  EXPECT_TRUE(after >= 59000 && after <= 80000) << after << " ms";  // checked every 10 s
  EXPECT_NE(RunCall(L"--status").out.find("black-screen idle\r\n"), std::string::npos);
  const LONG x = CursorX();
  const auto moved = [&](LONG dx) { return WaitFor([&] { return CursorX() == x + dx; }); };
  ASSERT_TRUE(MoveMouse(2) && moved(2) && MoveMouse(-2) && moved(0));
  ::Sleep(500);  // the moves have been read
  EXPECT_TRUE(OverlaysCover({kPrimaryMonitor, kSecondMonitor})) << "closed by 2 pixels";
  ASSERT_TRUE(MoveMouse(5) && moved(5));
  EXPECT_TRUE(WaitForOverlays({}, 3000)) << "open after 5 pixels";
  program.Stop(), ForgetConfiguration();
}
