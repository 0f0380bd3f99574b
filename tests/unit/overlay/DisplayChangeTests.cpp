// The black screen across display changes: the one-monitor close guard and the rebuild.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "OverlayTestSupport.h"
#include "app/Messages.h"
#include "app/SystemSeams.h"

namespace {
using Box = std::array<LONG, 4>;
const Box kPrimary{0, 0, 1280, 800}, kSecond{1280, 0, 2304, 768};

std::vector<Box> Covered() {
  std::vector<Box> boxes;
  for (const OverlayWindow& overlay : App().overlayWindows) {
    RECT r{};
    ::GetWindowRect(overlay.window, &r);
    boxes.push_back({r.left, r.top, r.right, r.bottom});
  }
  return boxes;
}
}  // namespace

TEST(DisplayChange, GuardMeasuresTheCursorAgainstTheWindowNotAStoredMonitor) {
  OverlayScope scope;
  for (const int x : {1600, 600}) {  // on the uncovered monitor, then on the covered one
    ASSERT_TRUE(::SetCursorPos(300, 300));
    ShowOverlays(OverlayTarget::Current);
    App().overlayMonitor = reinterpret_cast<HMONITOR>(0x7777);  // a monitor that has gone away
    ASSERT_TRUE(::SetCursorPos(x, 300));
    ::SendMessageW(App().overlayWindows.at(0).window, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(App().overlayWindows.empty(), x == 600) << x;
    EXPECT_EQ(OverlayScope::Dismissals(), x == 600 ? 1 : 0) << x;
  }
}

TEST(DisplayChange, RebuildCoversTheCurrentMonitorsAtOnceOrClosesAsDismissed) {
  OverlayScope scope("FadeInDurationMs=5000\nClockDisplay=None\n");  // a fade that would still run
  const struct { const char* name; OverlayTarget target; POINT cursor; RECT was; std::vector<Box> covers; } cases[] = {
      {"all", OverlayTarget::All, {300, 300}, {}, {kPrimary, kSecond}},
      {"current, monitor still there", OverlayTarget::Current, {1600, 300}, {}, {kSecond}},
      {"current, centre now on the primary", OverlayTarget::Current, {1600, 300}, {0, 0, 1920, 1080}, {kPrimary}},
      {"current, monitor gone", OverlayTarget::Current, {300, 300}, {2400, 0, 3000, 600}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(::SetCursorPos(c.cursor.x, c.cursor.y));
    ShowOverlays(c.target);
    ASSERT_EQ(App().overlayAlpha, 0);
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
  AdvanceOverlayClock(window);  // a tick redraws and arms the next one
  bool ticked = false;
  for (const DWORD start = ::GetTickCount(); !ticked && ::GetTickCount() - start < 3000; ::Sleep(10)) {
    MSG m{};
    ticked = ::PeekMessageW(&m, window, WM_TIMER, WM_TIMER, PM_REMOVE) && m.wParam == TIMER_OVERLAY_CLOCK;
  }
  EXPECT_TRUE(ticked) << "a plain 60 s period after the tick";
}
