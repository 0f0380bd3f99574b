// The overlay windows in process: monitors covered, fade, closing inputs, and the partial redraw.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "TestSupport.h"
#include "base/Messages.h"
#include "base/SystemSeams.h"

const RECT kPrimary{0, 0, 1280, 800}, kSecond{1280, 0, 2304, 768};
static DWORD g_tick = 100000;
static ULONGLONG g_tick64 = 1000000;

static bool Covers(std::size_t index, const RECT& monitor) {
  RECT r{};
  return ::GetWindowRect(App().overlayWindows.at(index).window, &r) && EqualRect(&r, &monitor);
}

TEST(OverlayWindows, AllCoversEveryMonitorCurrentTheCursorsOneAndTheFadeFollowsTheFile) {
  OverlayScope scope;
  ScopedSeams seams;
  seams->getTickCount64 = [] { return g_tick64; };
  seams->getTickCount = [] { return g_tick; };
  ASSERT_TRUE(::SetCursorPos(200, 200));
  ShowOverlays(OverlayTarget::All);
  ASSERT_EQ(App().overlayWindows.size(), 2u);
  EXPECT_TRUE(Covers(0, kPrimary) && Covers(1, kSecond));
  EXPECT_EQ(App().overlayOpenTick, g_tick64);  // the elapsed clock starts at 0:00:00
  ASSERT_TRUE(::SetCursorPos(1500, 300));
  const std::pair<const char*, std::uint32_t> fades[] = {
      {"FadeInDurationMs=0", 0}, {"FadeInDurationMs=-1", 0}, {"FadeInDurationMs=99999", 5000}, {"", 120}};
  for (const auto& [line, duration] : fades) {
    SCOPED_TRACE(line);
    const HWND old = App().overlayWindows[0].window;
    ASSERT_TRUE(WriteBytes(App().configPath, ToBytes(std::string("[Overlay]\nClockDisplay=None\n") + line)));
    ShowOverlays(OverlayTarget::Current);  // replaces the open windows
    EXPECT_FALSE(::IsWindow(old));
    ASSERT_EQ(App().overlayWindows.size(), 1u);
    EXPECT_TRUE(Covers(0, kSecond));
    EXPECT_EQ(App().fadeDurationMs, duration);
    EXPECT_EQ(App().overlayAlpha, duration ? 0 : 255);
    g_tick += duration / 2;  // half way: 127 of 255
    ::SendMessageW(App().overlayWindows[0].window, WM_TIMER, TIMER_OVERLAY_FADE, 0);
    EXPECT_EQ(App().overlayAlpha, duration ? 127 : 255);
    EXPECT_EQ(App().overlayWindows[0].pushedAlpha, App().overlayAlpha);
  }
  CloseOverlays();
  EXPECT_TRUE(App().overlayWindows.empty());
  EXPECT_EQ(OverlayScope::Dismissals(), 0);  // closing by command does not notify
}

TEST(OverlayWindows, ClosingInputs) {
  // secondPress: another left press 4 px away follows.
  const struct { const char* name; UINT message; WPARAM wParam; LPARAM lParam; bool alt, secondPress, closes; int x; }
  cases[] = {
      {"Esc", WM_KEYDOWN, VK_ESCAPE, 0, false, false, true, 300},
      {"Alt+F4", WM_SYSKEYDOWN, VK_F4, 0x20000000, true, false, true, 300},
      {"double-click", WM_LBUTTONDBLCLK, 0, MAKELPARAM(10, 10), false, false, true, 300},
      {"two presses", WM_LBUTTONDOWN, 0, MAKELPARAM(10, 10), false, true, true, 300},
      {"right release", WM_RBUTTONUP, 0, 0, false, false, true, 300},
      {"F4 alone", WM_SYSKEYDOWN, VK_F4, 0, false, false, false, 300},
      {"one click", WM_LBUTTONDOWN, 0, MAKELPARAM(10, 10), false, false, false, 300},
      {"middle", WM_MBUTTONUP, 0, 0, false, false, false, 300},
      {"wheel", WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0, false, false, false, 300},
      {"Esc with the cursor on the other monitor", WM_KEYDOWN, VK_ESCAPE, 0, false, false, false, 1600},
  };
  OverlayScope scope;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(::SetCursorPos(300, 300));
    if (App().overlayWindows.empty()) ShowOverlays(OverlayTarget::Current);
    ASSERT_EQ(App().overlayWindows.size(), 1u);
    const HWND target = App().overlayWindows[0].window;
    const int dismissals = OverlayScope::Dismissals();
    App().lastClickTick = 0;
    if (c.alt) {  // Wine takes the key state from X on focus events, and caches it for a few ms
      PumpMessages(200);
      ::keybd_event(VK_MENU, 0, 0, 0);
      PumpMessages(80);
    }
    ASSERT_TRUE(::SetCursorPos(c.x, 300));
    ::SendMessageW(target, c.message, c.wParam, c.lParam);
    if (c.secondPress) ::SendMessageW(target, WM_LBUTTONDOWN, 0, MAKELPARAM(14, 14));
    if (c.alt) ::keybd_event(VK_MENU, 0, KEYEVENTF_KEYUP, 0);
    PumpMessages(30);
    EXPECT_EQ(::IsWindow(target) != FALSE, !c.closes);
    EXPECT_EQ(OverlayScope::Dismissals(), dismissals + (c.closes ? 1 : 0));
  }
}

TEST(OverlayWindows, ClockTicksRedrawOnlyTheCornerYetMatchAFullRender) {
  OverlayScope scope;
  ScopedSeams seams;
  seams->getTickCount64 = [] { return g_tick64; };
  seams->getLocalTime = [](LPSYSTEMTIME t) { *t = SYSTEMTIME{2026, 12, 6, 5, 14, 5, 30, 0}; };
  App().keepActiveBadgeImage = SolidBadge(48, 48, 0xC0C86432);
  App().sleepPreventBadgeImage = SolidBadge(64, 40, 0xFF30A0F0);
  RegisterOverlayClass();
  const int W = 1200, H = 760;
  ASSERT_TRUE(AddOverlayWindow(RECT{0, 0, W, H}, OverlayComposition{}));
  ASSERT_TRUE(AddOverlayWindow(RECT{0, 0, W, H}, OverlayComposition{}));
  OverlayWindow &full = App().overlayWindows[0], &partial = App().overlayWindows[1];
  using enum ClockDisplayMode;
  const std::pair<std::uint64_t, OverlayComposition> steps[] = {  // elapsed ms; badges, clock, font pt, alpha
      {0, {true, true, Elapsed, 1, 32, 200}},        {35999000, {true, true, Elapsed, 1, 32, 200}},  // 9:59:59
      {36000000, {true, true, Elapsed, 1, 32, 200}}, {36001000, {false, true, TimeAndElapsed, 1, 60, 200}},
      {36002000, {true, false, Elapsed, 1, 8, 255}}, {36003000, {false, false, None, 1, 32, 64}},
      {36004000, {true, true, Time, 1, 32, 0}},      {36005000, {true, true, Elapsed, 1, 96, 128}},
  };
  long long lit = 0;
  for (const auto& [elapsed, c] : steps) {
    SCOPED_TRACE(elapsed);
    g_tick64 = 1 + elapsed;  // opened at tick 1
    RenderOverlayBitmap(full, c);
    ASSERT_TRUE(PushOverlayBitmap(full, 255));
    ASSERT_TRUE(PushOverlayRect(partial, 255, RefreshOverlayContent(partial, c)));
    ASSERT_EQ(std::memcmp(full.pixels, partial.pixels, W * H * 4), 0);
    const RECT& r = partial.contentRect;  // with a clock of the usual size the next redraw stays in the corner
    EXPECT_TRUE(c.clockFontPt > 32 || (r.right - r.left) * (r.bottom - r.top) < W * H / 10);
    lit += std::count_if(full.pixels, full.pixels + W * H, [](std::uint32_t p) { return p != 0xFF000000u; });
  }
  EXPECT_GT(lit, 10000);  // not a comparison of black bitmaps only
}
