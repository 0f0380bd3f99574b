// The About command of the running program: one card, at its place on the cursor's monitor.
#include <gtest/gtest.h>

#include <algorithm>

#include "E2eSupport.h"

TEST(About, CommandOpensOneCardAtItsPlaceAndEscClosesIt) {
  ForgetConfiguration();
  RunningProgram program;
  HWND window = program.WaitForWindow();
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(WaitFor([] { return FileHas("SleepPrevent=0"); }));
  // Near the right side of the second monitor (1024x768 at 1280,0); the clamps are checked in process.
  for (const POINT cursor : {POINT{2300, 20}}) {
    SCOPED_TRACE(testing::Message() << "cursor " << cursor.x << "," << cursor.y);
    ASSERT_TRUE(::SetCursorPos(cursor.x, cursor.y));
    // Twice, then a command that writes the file: once the file shows it, both have run.
    PostCommand(window, IDM_ABOUT);
    PostCommand(window, IDM_ABOUT);
    PostCommand(window, IDM_PREVENT_SLEEP);
    const bool preventSleep = !FileHas("SleepPrevent=1");
    ASSERT_TRUE(WaitFor([&] { return FileHas(preventSleep ? "SleepPrevent=1" : "SleepPrevent=0"); }));
    const std::vector<HWND> cards = WindowsOf(program.Id(), kAboutWindowClass);
    ASSERT_EQ(cards.size(), 1u);
    // 520 x 200 at 96 DPI, centred on the cursor's x but 12 px inside the sides of its monitor's
    // work area, its bottom 12 px above the work area's bottom.
    MONITORINFO info{sizeof info};
    ::GetMonitorInfoW(::MonitorFromPoint(cursor, MONITOR_DEFAULTTONEAREST), &info);
    const RECT& work = info.rcWork;
    const long x = std::clamp(cursor.x - 260, work.left + 12, std::max(work.left + 12, work.right - 532));
    RECT card{};
    ::GetWindowRect(cards[0], &card);
    EXPECT_TRUE(::IsWindowVisible(cards[0]));
    EXPECT_EQ((std::vector<long>{card.left, card.top, card.right, card.bottom}),
              (std::vector<long>{x, work.bottom - 212, x + 520, work.bottom - 12}));
    // The card takes the foreground, so Esc typed on the keyboard closes it; the next command opens a new one.
    ASSERT_TRUE(WaitFor([&] { return ::GetForegroundWindow() == cards[0]; }));
    ASSERT_TRUE(SendKeys({VK_ESCAPE}));
    EXPECT_TRUE(WaitFor([&] { return WindowsOf(program.Id(), kAboutWindowClass).empty(); }));
  }
  EXPECT_TRUE(program.Running());
  program.Stop();
  ForgetConfiguration();
}
