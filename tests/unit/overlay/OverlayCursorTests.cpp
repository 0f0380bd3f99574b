// The cursor over the black screen, the limits of the own double-click, the clock timer of open
// windows, and where the badge pictures are looked up.
#include <gtest/gtest.h>

#include <algorithm>

#include "TestSupport.h"
#include "app/Commands.h"
#include "base/Messages.h"
#include "base/SystemSeams.h"

namespace {
int CursorCount() {  // the thread's display count
  ::ShowCursor(TRUE);
  return ::ShowCursor(FALSE);
}

TEST(OverlayCursor, HiddenOnlyOverTheOverlayAndBackOnAMoveOrAtClose) {
  OverlayScope scope;
  const int shown = CursorCount();
  ASSERT_TRUE(::SetCursorPos(300, 300));
  ShowOverlays(OverlayTarget::Current);  // the primary monitor only
  ASSERT_EQ(App().overlayWindows.size(), 1u);
  const HWND overlay = App().overlayWindows[0].window;
  const struct { int x; UINT message; bool hidden, armed; } steps[] = {  // armed: the hide timer runs
      {1600, WM_TIMER, false, false},                                    // on the other monitor: stays
      {310, WM_MOUSEMOVE, false, true}, {310, WM_TIMER, true, false},    // at rest over the overlay: hides
      {311, WM_MOUSEMOVE, false, true}, {314, WM_MOUSEMOVE, false, false},  // 1 px shows, 3 px is no move
      {315, WM_MOUSEMOVE, false, true}, {315, WM_TIMER, true, false}};   // 4 px is
  for (const auto& s : steps) {
    SCOPED_TRACE(s.x);
    ASSERT_TRUE(::SetCursorPos(s.x, 300));
    ::SendMessageW(overlay, s.message, TIMER_OVERLAY_CURSOR, 0);
    EXPECT_EQ(App().cursorHidden, s.hidden);
    EXPECT_EQ(CursorCount(), shown - (s.hidden ? 1 : 0));
    EXPECT_EQ(::KillTimer(overlay, TIMER_OVERLAY_CURSOR) != FALSE, s.armed);
  }
  CloseOverlays();
  EXPECT_EQ(CursorCount(), shown);
}

DWORD tick = 0;

TEST(OverlayClicks, TwoPressesCloseOnlyWithinFourPixelsAndTheDoubleClickTime) {
  OverlayScope scope;
  ScopedSeams seams;
  seams->getTickCount = [] { return tick; };
  const DWORD limit = ::GetDoubleClickTime();
  const struct { int dx, dy; DWORD pause; bool closes; } cases[] = {
      {5, 0, 0, false}, {0, 5, 0, false}, {4, 0, limit + 1, false}, {4, 4, limit, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.dx << "," << c.dy << " after " << c.pause);
    ASSERT_TRUE(::SetCursorPos(300, 300));
    if (App().overlayWindows.empty()) ShowOverlays(OverlayTarget::Current);
    const HWND overlay = App().overlayWindows.at(0).window;
    App().lastClickTick = 0;
    ::SendMessageW(overlay, WM_LBUTTONDOWN, 0, MAKELPARAM(10, 10));
    tick += c.pause;
    ::SendMessageW(overlay, WM_LBUTTONDOWN, 0, MAKELPARAM(10 + c.dx, 10 + c.dy));
    EXPECT_EQ(::IsWindow(overlay) == FALSE, c.closes);
  }
}

TEST(OverlayClock, ModeChangesWhileOpenStopOrStartTheTicks) {
  OverlayScope scope("FadeInDurationMs=0\nClockDisplay=Time\n");
  ScopedSeams seams;  // on the minute: the time of day waits a whole minute for its first tick
  seams->getLocalTime = [](LPSYSTEMTIME t) { *t = SYSTEMTIME{2026, 12, 6, 5, 14, 5, 0, 0}; };
  ShowOverlays(OverlayTarget::Current);
  ASSERT_EQ(App().overlayWindows.size(), 1u);
  const OverlayWindow& overlay = App().overlayWindows[0];
  EXPECT_FALSE(::IsRectEmpty(&overlay.contentRect));
  SetClockDisplay(ClockDisplayMode::None);
  EXPECT_TRUE(::IsRectEmpty(&overlay.contentRect));
  EXPECT_FALSE(::KillTimer(overlay.window, TIMER_OVERLAY_CLOCK));
  SetClockDisplay(ClockDisplayMode::Elapsed);
  EXPECT_FALSE(::IsRectEmpty(&overlay.contentRect));
  MSG tickMessage{};
  const DWORD start = ::GetTickCount();
  while (!::PeekMessageW(&tickMessage, overlay.window, WM_TIMER, WM_TIMER, PM_REMOVE) ||
         tickMessage.wParam != TIMER_OVERLAY_CLOCK) {
    ASSERT_LT(::GetTickCount() - start, 5000u) << "no tick within seconds";
    ::Sleep(10);
  }
}

std::wstring modulePath;

TEST(BadgeFolder, NoBadgeWhenTheExecutablePathComesBackCut) {
  OverlayScope scope;
  TempFolder folder;
  ASSERT_TRUE(::CopyFileW(SourcePath(L"tests/e2e/badge.png").c_str(), folder.File(L"mode1.png").c_str(), FALSE));
  ScopedSeams seams;
  seams->getModuleFileName = [](HMODULE, LPWSTR buffer, DWORD size) {  // cut as the system cuts it
    const DWORD length = static_cast<DWORD>(std::min<std::size_t>(modulePath.size(), size - 1));
    modulePath.copy(buffer, length);
    buffer[length] = L'\0';
    return modulePath.size() < size ? length : size;
  };
  // Cut inside the long folder name, the path would name the folder holding a mode1.png.
  const std::pair<std::wstring, bool> cases[] = {{folder.File(L"umbraline.exe"), true},
                                                 {folder.File(std::wstring(300, L'x') + L"\\umbraline.exe"), false}};
  for (const auto& [path, loaded] : cases) {
    modulePath = path;
    App().sleepPreventBadgeImage = BadgeImage{};
    LoadBadgeImages();
    EXPECT_EQ(App().sleepPreventBadgeImage.loaded, loaded);
  }
}

}  // namespace
