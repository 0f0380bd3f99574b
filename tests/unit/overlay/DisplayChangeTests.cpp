// The black screen across display changes, and the clock timer after a resume or a clock change.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "TestSupport.h"
#include "base/Messages.h"
#include "base/SystemSeams.h"

using Box = std::array<LONG, 4>;
static const Box kPrimary{0, 0, 1280, 800}, kSecond{1280, 0, 2304, 768};
static std::vector<Box> Covered() {
  std::vector<Box> boxes;
  for (RECT r{}; const OverlayWindow& overlay : App().overlayWindows)
    if (::GetWindowRect(overlay.window, &r)) boxes.push_back({r.left, r.top, r.right, r.bottom});
  return boxes;
}

TEST(DisplayChange, GuardMeasuresTheCursorAgainstTheWindowNotAStoredMonitor) {
  OverlayScope scope;
  for (const int x : {1600, 600}) {  // on the uncovered monitor, then on the covered one
    ASSERT_TRUE(::SetCursorPos(300, 300));
    ShowOverlays(OverlayTarget::Current);
    App().overlayMonitor = reinterpret_cast<HMONITOR>(0x7777);  // a monitor that has gone away
    ASSERT_TRUE(::SetCursorPos(x, 300));
    ::SendMessageW(App().overlayWindows.at(0).window, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(OverlayScope::Dismissals(), x == 600 ? 1 : 0) << x;
  }
}

TEST(DisplayChange, RebuildCoversTheCurrentMonitorsAtOnceOrClosesAsDismissed) {
  OverlayScope scope("FadeInDurationMs=5000\nClockDisplay=None\n");  // a fade that would still run
  const struct { OverlayTarget target; LONG cursorX; RECT was; std::vector<Box> covers; } cases[] = {
      {OverlayTarget::All, 300, {}, {kPrimary, kSecond}},
      {OverlayTarget::Current, 1600, {}, {kSecond}},
      {OverlayTarget::Current, 1600, {0, 0, 1920, 1080}, {kPrimary}},  // its centre lies on the primary now
      {OverlayTarget::Current, 300, {2400, 0, 3000, 600}, {}},          // its monitor is gone
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    ASSERT_TRUE(::SetCursorPos(c.cursorX, 300));
    ShowOverlays(c.target);
    OverlayWindow& old = App().overlayWindows.at(0);
    if (c.was.right != 0) {  // where the window stood before the change
      old.left = c.was.left, old.top = c.was.top;
      old.width = c.was.right - c.was.left, old.height = c.was.bottom - c.was.top;
    }
    const int dismissals = OverlayScope::Dismissals();
    RebuildOverlaysForDisplays();
    EXPECT_EQ(Covered(), c.covers);
    EXPECT_EQ(App().overlayAlpha, 255);
    for (const OverlayWindow& overlay : App().overlayWindows) EXPECT_EQ(overlay.pushedAlpha, 255);
    EXPECT_EQ(OverlayScope::Dismissals(), dismissals + (c.covers.empty() ? 1 : 0));
  }
  // A burst of changes reaching the main window rebuilds once, a moment after the last one.
  const HWND main = scope.MakeMainWindow();
  ShowOverlays(OverlayTarget::All);
  const HWND before = App().overlayWindows.at(0).window;
  for (int i = 0; i < 3; ++i) ::SendMessageW(main, WM_DISPLAYCHANGE, 32, MAKELPARAM(1280, 800));
  EXPECT_TRUE(::IsWindow(before));
  PumpMessages(kDisplayChangeSettleMs + 300);
  EXPECT_FALSE(::IsWindow(before));
  EXPECT_EQ(Covered(), (std::vector<Box>{kPrimary, kSecond}));
}

TEST(OverlayClockTimer, EveryTickAimsAtTheNextFullMinute) {
  OverlayScope scope("FadeInDurationMs=0\nClockDisplay=Time\n");
  ScopedSeams seams;
  seams->getLocalTime = [](LPSYSTEMTIME t) { *t = SYSTEMTIME{2026, 12, 0, 6, 10, 15, 59, 850}; };  // 150 ms before
  ShowOverlays(OverlayTarget::Current);
  const HWND window = App().overlayWindows.at(0).window;
  ::KillTimer(window, TIMER_OVERLAY_CLOCK);
  AdvanceOverlayClock(window);  // a tick redraws and arms the next one: not a plain 60 s later
  MSG m{};
  for (const DWORD start = ::GetTickCount(); m.wParam != TIMER_OVERLAY_CLOCK && ::GetTickCount() - start < 3000; ::Sleep(10))
    if (!::PeekMessageW(&m, window, WM_TIMER, WM_TIMER, PM_REMOVE)) m.wParam = 0;
  EXPECT_EQ(m.wParam, TIMER_OVERLAY_CLOCK);
}
