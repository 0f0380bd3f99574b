// The overlay windows in process: monitors covered, closing inputs, the monitor guard, replacing,
// fade and cursor timers, what the screen shows, and the partial redraw against a full render.
#include <gtest/gtest.h>

#include <cstring>

#include "OverlayTestSupport.h"
#include "app/Messages.h"
#include "app/SystemSeams.h"
#include "overlay/Overlay.h"

namespace {

const RECT kPrimary{0, 0, 1280, 800};
const RECT kSecond{1280, 0, 2304, 768};

RECT WindowRectOf(HWND window) {
  RECT r{};
  ::GetWindowRect(window, &r);
  return r;
}

bool SameRect(const RECT& a, const RECT& b) { return std::memcmp(&a, &b, sizeof(RECT)) == 0; }

std::string Config(const std::string& overlayLines) { return "[Overlay]\n" + overlayLines; }

DWORD g_tick = 100000;
DWORD WINAPI FakeTick() { return g_tick; }
ULONGLONG g_tick64 = 1000000;
ULONGLONG WINAPI FakeTick64() { return g_tick64; }
void WINAPI FixedLocalTime(LPSYSTEMTIME t) {
  *t = SYSTEMTIME{2026, 12, 6, 5, 14, 5, 30, 0};
}

void PressAlt(bool down) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = VK_MENU;
  input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
  ::SendInput(1, &input, sizeof(INPUT));
}

}  // namespace

TEST(OverlayWindows, AllCoversEveryMonitorAndCurrentOnlyTheCursorsOne) {
  OverlayScope scope(Config("FadeInDurationMs=0\nClockDisplay=None\n"));
  ASSERT_TRUE(::SetCursorPos(200, 200));
  ShowOverlays(OverlayTarget::All);
  ASSERT_EQ(App().overlayWindows.size(), 2u);
  EXPECT_TRUE(SameRect(WindowRectOf(App().overlayWindows[0].window), kPrimary));
  EXPECT_TRUE(SameRect(WindowRectOf(App().overlayWindows[1].window), kSecond));
  for (const OverlayWindow& overlay : App().overlayWindows) EXPECT_TRUE(::IsWindowVisible(overlay.window));
  EXPECT_EQ(::GetFocus(), App().overlayWindows[0].window);
  EXPECT_EQ(App().overlayAlpha, 255);
  EXPECT_EQ(App().overlayTarget, OverlayTarget::All);
  EXPECT_EQ(App().overlayMonitor, nullptr);

  // Opening again replaces the windows, here with the one under the cursor.
  const HWND old0 = App().overlayWindows[0].window, old1 = App().overlayWindows[1].window;
  ASSERT_TRUE(::SetCursorPos(1500, 300));
  ShowOverlays(OverlayTarget::Current);
  EXPECT_FALSE(::IsWindow(old0));
  EXPECT_FALSE(::IsWindow(old1));
  ASSERT_EQ(App().overlayWindows.size(), 1u);
  EXPECT_TRUE(SameRect(WindowRectOf(App().overlayWindows[0].window), kSecond));
  EXPECT_EQ(App().overlayMonitor, ::MonitorFromPoint(POINT{1500, 300}, MONITOR_DEFAULTTONEAREST));

  CloseOverlays();
  EXPECT_TRUE(App().overlayWindows.empty());
  EXPECT_EQ(App().overlayTarget, OverlayTarget::All);
  EXPECT_EQ(App().overlayMonitor, nullptr);
  EXPECT_EQ(OverlayScope::Dismissals(), 0);  // closing by command does not notify
  CloseOverlays();                           // harmless when nothing is open
}

TEST(OverlayWindows, ClosingInputs) {
  struct Case {
    const char* name;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    bool altHeld;
    bool secondPress;  // a second WM_LBUTTONDOWN at lParam2
    LPARAM lParam2;
    bool closes;
  };
  const Case cases[] = {
      {"Esc", WM_KEYDOWN, VK_ESCAPE, 0, false, false, 0, true},
      {"Alt+F4", WM_SYSKEYDOWN, VK_F4, 0x20000000, true, false, 0, true},
      {"F4 alone", WM_SYSKEYDOWN, VK_F4, 0, false, false, 0, false},
      {"other key", WM_KEYDOWN, 'A', 0, false, false, 0, false},
      {"system double-click", WM_LBUTTONDBLCLK, 0, MAKELPARAM(10, 10), false, false, 0, true},
      {"two presses 4 px apart", WM_LBUTTONDOWN, 0, MAKELPARAM(10, 10), false, true, MAKELPARAM(14, 14), true},
      {"two presses 5 px apart", WM_LBUTTONDOWN, 0, MAKELPARAM(10, 10), false, true, MAKELPARAM(15, 10), false},
      {"one click", WM_LBUTTONDOWN, 0, MAKELPARAM(10, 10), false, false, 0, false},
      {"right press", WM_RBUTTONDOWN, 0, 0, false, false, 0, false},
      {"right release", WM_RBUTTONUP, 0, 0, false, false, 0, true},
      {"middle press", WM_MBUTTONDOWN, 0, 0, false, false, 0, false},
      {"middle release", WM_MBUTTONUP, 0, 0, false, false, 0, false},
      {"wheel", WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0, false, false, 0, false},
      {"key up Esc", WM_KEYUP, VK_ESCAPE, 0, false, false, 0, false},
      {"character", WM_CHAR, 27, 0, false, false, 0, false},
  };
  // Closing a window that covers a whole monitor costs Wine about two seconds (it waits for a window
  // manager that the headless server does not run), so the inputs that must not close share one
  // opening and each closing input gets a single-monitor one.
  ASSERT_TRUE(::SetCursorPos(300, 300));
  auto send = [](const Case& c, HWND target) {
    if (c.altHeld) {
      PumpMessages(200);  // focus events first: Wine resets the key state from X when they arrive
      PressAlt(true);
      PumpMessages(80);  // the asynchronous key state is cached for a few milliseconds
      ASSERT_NE(::GetAsyncKeyState(VK_MENU) & 0x8000, 0);
    }
    ::SendMessageW(target, c.message, c.wParam, c.lParam);
    if (c.secondPress) ::SendMessageW(target, WM_LBUTTONDOWN, 0, c.lParam2);
    if (c.altHeld) PressAlt(false);
    PumpMessages(30);
  };
  {
    OverlayScope scope(Config("FadeInDurationMs=0\nClockDisplay=None\n"));
    ShowOverlays(OverlayTarget::Current);
    ASSERT_EQ(App().overlayWindows.size(), 1u);
    const HWND target = App().overlayWindows[0].window;
    for (const Case& c : cases) {
      if (c.closes) continue;
      App().lastClickTick = 0;
      send(c, target);
      EXPECT_EQ(App().overlayWindows.size(), 1u) << c.name;
      EXPECT_EQ(OverlayScope::Dismissals(), 0) << c.name;
    }
  }
  for (const Case& c : cases) {
    if (!c.closes) continue;
    OverlayScope scope(Config("FadeInDurationMs=0\nClockDisplay=None\n"));
    ShowOverlays(OverlayTarget::Current);
    ASSERT_EQ(App().overlayWindows.size(), 1u) << c.name;
    const HWND target = App().overlayWindows[0].window;
    send(c, target);
    EXPECT_TRUE(App().overlayWindows.empty()) << c.name;
    EXPECT_EQ(OverlayScope::Dismissals(), 1) << c.name;
    EXPECT_FALSE(::IsWindow(target)) << c.name;
  }
}

TEST(OverlayWindows, PressesFurtherApartInTimeThanTheDoubleClickTimeDoNotClose) {
  OverlayScope scope;
  ScopedSeams seams;
  seams->getTickCount = FakeTick;
  ASSERT_TRUE(::SetCursorPos(300, 300));
  ShowOverlays(OverlayTarget::Current);
  ASSERT_FALSE(App().overlayWindows.empty());
  const HWND target = App().overlayWindows[0].window;
  g_tick = 200000;
  ::SendMessageW(target, WM_LBUTTONDOWN, 0, MAKELPARAM(30, 30));
  g_tick += ::GetDoubleClickTime() + 1;
  ::SendMessageW(target, WM_LBUTTONDOWN, 0, MAKELPARAM(30, 30));
  EXPECT_FALSE(App().overlayWindows.empty());
  g_tick += ::GetDoubleClickTime();  // pairs with the second press
  ::SendMessageW(target, WM_LBUTTONDOWN, 0, MAKELPARAM(31, 29));
  EXPECT_TRUE(App().overlayWindows.empty());
  EXPECT_EQ(App().lastClickTick, 0u);
}

TEST(OverlayWindows, ASingleMonitorOverlayOnlyClosesWithTheCursorOnIt) {
  OverlayScope scope;
  ASSERT_TRUE(::SetCursorPos(300, 300));
  ShowOverlays(OverlayTarget::Current);
  ASSERT_EQ(App().overlayWindows.size(), 1u);
  const HWND window = App().overlayWindows[0].window;
  EXPECT_TRUE(SameRect(WindowRectOf(window), kPrimary));

  ASSERT_TRUE(::SetCursorPos(1600, 300));
  ::SendMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0);
  ::SendMessageW(window, WM_OVERLAYCLOSE, 0, 0);
  EXPECT_EQ(App().overlayWindows.size(), 1u);
  EXPECT_EQ(OverlayScope::Dismissals(), 0);

  ASSERT_TRUE(::SetCursorPos(300, 300));
  ::SendMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_TRUE(App().overlayWindows.empty());
  EXPECT_EQ(OverlayScope::Dismissals(), 1);
}

TEST(OverlayWindows, FadeLengthFromTheFileAndAlphaFromElapsedTime) {
  struct Case {
    const char* line;
    std::uint32_t duration;
  };
  const Case cases[] = {{"FadeInDurationMs=0\n", 0},       {"FadeInDurationMs=-1\n", 0},
                        {"FadeInDurationMs=99999\n", 5000}, {"FadeInDurationMs=400\n", 400},
                        {"", 120}};
  for (const Case& c : cases) {
    OverlayScope scope(Config(std::string(c.line) + "ClockDisplay=None\n"));
    ScopedSeams seams;
    seams->getTickCount = FakeTick;
    g_tick = 50000;
    ASSERT_TRUE(::SetCursorPos(300, 300));
    ShowOverlays(OverlayTarget::Current);
    ASSERT_EQ(App().overlayWindows.size(), 1u) << c.line;
    EXPECT_EQ(App().fadeDurationMs, c.duration) << c.line;
    if (c.duration == 0) {
      EXPECT_EQ(App().overlayAlpha, 255) << c.line;
      continue;
    }
    EXPECT_EQ(App().overlayAlpha, 0);
    const HWND second = App().overlayWindows[0].window;
    g_tick = 50000 + c.duration / 2;
    ::SendMessageW(second, WM_TIMER, TIMER_OVERLAY_FADE, 0);
    EXPECT_EQ(App().overlayAlpha, static_cast<std::uint8_t>((c.duration / 2) * 255 / c.duration)) << c.line;
    for (const OverlayWindow& overlay : App().overlayWindows) EXPECT_EQ(overlay.pushedAlpha, App().overlayAlpha);
    g_tick = 50000 + c.duration;
    ::SendMessageW(second, WM_TIMER, TIMER_OVERLAY_FADE, 0);
    EXPECT_EQ(App().overlayAlpha, 255);
  }
}

TEST(OverlayWindows, CursorHidesOnceAndComesBackOnMovement) {
  OverlayScope scope;
  ASSERT_TRUE(::SetCursorPos(400, 400));
  ShowOverlays(OverlayTarget::All);
  ASSERT_EQ(App().overlayWindows.size(), 2u);
  CURSORINFO before{sizeof(CURSORINFO)};
  ::GetCursorInfo(&before);
  const HWND a = App().overlayWindows[0].window, b = App().overlayWindows[1].window;
  ::SendMessageW(a, WM_TIMER, TIMER_OVERLAY_CURSOR, 0);
  ::SendMessageW(b, WM_TIMER, TIMER_OVERLAY_CURSOR, 0);
  EXPECT_TRUE(App().cursorHidden);
  EXPECT_TRUE(App().cursorCountLowered);
  // ShowCursor(FALSE) was called once: one ShowCursor(TRUE) brings the count back exactly.
  const int lowered = ::ShowCursor(TRUE);
  const int restored = ::ShowCursor(FALSE);
  EXPECT_EQ(lowered, restored + 1);
  EXPECT_EQ(::SendMessageW(a, WM_SETCURSOR, reinterpret_cast<WPARAM>(a), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)), TRUE);

  ASSERT_TRUE(::SetCursorPos(401, 400));  // one pixel shows it again while hidden
  ::SendMessageW(a, WM_MOUSEMOVE, 0, 0);
  EXPECT_FALSE(App().cursorHidden);
  EXPECT_FALSE(App().cursorCountLowered);
  EXPECT_EQ(::ShowCursor(TRUE) - 1, lowered);  // back at the count from before the hiding
  ::ShowCursor(FALSE);

  ASSERT_TRUE(::SetCursorPos(404, 400));  // 3 pixels while shown: does not count
  ::SendMessageW(a, WM_MOUSEMOVE, 0, 0);
  EXPECT_EQ(App().lastCursorPos.x, 401);
  ASSERT_TRUE(::SetCursorPos(405, 400));
  ::SendMessageW(a, WM_MOUSEMOVE, 0, 0);
  EXPECT_EQ(App().lastCursorPos.x, 405);

  // Closing while hidden gives the cursor back.
  ::SendMessageW(b, WM_TIMER, TIMER_OVERLAY_CURSOR, 0);
  EXPECT_TRUE(App().cursorCountLowered);
  CloseOverlays();
  EXPECT_FALSE(App().cursorHidden);
  EXPECT_FALSE(App().cursorCountLowered);
  EXPECT_EQ(::ShowCursor(TRUE) - 1, lowered);
  ::ShowCursor(FALSE);
}

TEST(OverlayWindows, TheScreenShowsBlackAndTheBadgeAfterTheFade) {
  OverlayScope scope(Config("FadeInDurationMs=0\nClockDisplay=None\nBadgeAlpha=255\n") +
                     "[General]\nKeepActive=1\n");
  App().keepActiveBadgeImage = SolidBadge(10, 10, 0xFFC86432);
  ShowOverlays(OverlayTarget::All);
  ASSERT_EQ(App().overlayWindows.size(), 2u);
  PumpMessages(300);
  const std::vector<std::uint32_t> primary = ReadScreen(kPrimary);
  const std::vector<std::uint32_t> second = ReadScreen(kSecond);
  // Badge in the corner of each monitor: x from width-24-10, y from height-24-10.
  auto at = [](const std::vector<std::uint32_t>& pixels, const RECT& m, int x, int y) {
    return pixels[static_cast<std::size_t>(y) * (m.right - m.left) + x];
  };
  EXPECT_EQ(at(primary, kPrimary, 640, 400), 0u);
  EXPECT_EQ(at(primary, kPrimary, 0, 0), 0u);
  EXPECT_EQ(at(primary, kPrimary, 1280 - 34, 800 - 34), 0xC86432u);
  EXPECT_EQ(at(primary, kPrimary, 1280 - 25, 800 - 25), 0xC86432u);
  EXPECT_EQ(at(primary, kPrimary, 1280 - 24, 800 - 25), 0u);
  EXPECT_EQ(at(second, kSecond, 500, 300), 0u);
  EXPECT_EQ(at(second, kSecond, 1024 - 30, 768 - 30), 0xC86432u);

  CloseOverlays();
  PumpMessages(300);
  EXPECT_NE(ReadScreen(kPrimary)[400 * 1280 + 640], 0u);  // the desktop is back
}

TEST(OverlayWindows, ClockTicksRedrawOnlyTheCornerYetMatchAFullRender) {
  OverlayScope scope;
  ScopedSeams seams;
  seams->getTickCount64 = FakeTick64;
  seams->getTickCount = FakeTick;
  seams->getLocalTime = FixedLocalTime;
  App().keepActiveBadgeImage = SolidBadge(48, 48, 0xC0C86432);
  App().sleepPreventBadgeImage = SolidBadge(64, 40, 0xFF30A0F0);
  RegisterOverlayClass();
  const RECT monitor{0, 0, 1200, 760};
  OverlayComposition c;
  c.openTick = 1000000;
  c.badgeAlpha = 200;
  ASSERT_TRUE(AddOverlayWindow(monitor, c));
  ASSERT_TRUE(AddOverlayWindow(monitor, c));
  OverlayWindow& full = App().overlayWindows[0];
  OverlayWindow& partial = App().overlayWindows[1];
  const std::size_t count = static_cast<std::size_t>(1200) * 760;

  struct Step {
    std::uint64_t elapsedMs;
    ClockDisplayMode mode;
    bool sleep, keep;
    std::uint8_t alpha;
    std::int32_t pt;
  };
  const Step steps[] = {
      {0, ClockDisplayMode::Elapsed, true, true, 200, 32},
      {1000, ClockDisplayMode::Elapsed, true, true, 200, 32},
      {9 * 3600000ull + 3599000, ClockDisplayMode::Elapsed, true, true, 200, 32},  // 9:59:59
      {10 * 3600000ull, ClockDisplayMode::Elapsed, true, true, 200, 32},           // wider text
      {10 * 3600000ull + 1000, ClockDisplayMode::Elapsed, false, true, 200, 32},   // a badge goes away
      {10 * 3600000ull + 2000, ClockDisplayMode::TimeAndElapsed, false, true, 200, 60},
      {10 * 3600000ull + 3000, ClockDisplayMode::Elapsed, true, false, 255, 8},    // narrower again
      {10 * 3600000ull + 4000, ClockDisplayMode::None, true, true, 64, 32},
      {10 * 3600000ull + 5000, ClockDisplayMode::None, false, false, 64, 32},       // plain black
      {10 * 3600000ull + 6000, ClockDisplayMode::Time, true, true, 0, 32},          // alpha 0
      {10 * 3600000ull + 7000, ClockDisplayMode::Elapsed, true, true, 128, 96},
  };
  for (const Step& s : steps) {
    g_tick64 = 1000000 + s.elapsedMs;
    c.clockMode = s.mode;
    c.showSleepPreventBadge = s.sleep;
    c.showKeepActiveBadge = s.keep;
    c.badgeAlpha = s.alpha;
    c.clockFontPt = s.pt;
    RenderOverlayBitmap(full, c);
    ASSERT_TRUE(PushOverlayBitmap(full, 255));
    const RECT dirty = RefreshOverlayContent(partial, c);
    ASSERT_TRUE(PushOverlayRect(partial, 255, dirty));
    ASSERT_EQ(std::memcmp(full.pixels, partial.pixels, count * 4), 0) << s.elapsedMs;
    // With a clock of the usual size the content, and so the next redraw, stays in the corner.
    const RECT& content = partial.contentRect;
    const long long area = static_cast<long long>(content.right - content.left) * (content.bottom - content.top);
    if (s.pt <= 32) {
      EXPECT_LT(area, static_cast<long long>(count) / 10) << s.elapsedMs;
    }
  }
  // Some step really drew something (the comparison is not between two black bitmaps only).
  c.clockMode = ClockDisplayMode::Elapsed;
  c.badgeAlpha = 255;
  RenderOverlayBitmap(full, c);
  std::size_t lit = 0;
  for (std::size_t i = 0; i < count; ++i) lit += full.pixels[i] != 0xFF000000u;
  EXPECT_GT(lit, 1000u);
}

TEST(OverlayWindows, ElapsedClockStartsAtZeroAndTicksOncePerSecond) {
  OverlayScope scope(Config("FadeInDurationMs=0\nClockDisplay=Elapsed\n"));
  ScopedSeams seams;
  seams->getTickCount64 = FakeTick64;
  g_tick64 = 7000000;
  ASSERT_TRUE(::SetCursorPos(1500, 300));
  ShowOverlays(OverlayTarget::Current);
  ASSERT_EQ(App().overlayWindows.size(), 1u);
  EXPECT_EQ(App().overlayOpenTick, 7000000u);
  wchar_t text[kClockTextChars];
  ASSERT_TRUE(FormatClockText(BuildOverlayComposition(App().overlayOpenTick), text));
  EXPECT_STREQ(text, L"0:00:00");

  // A tick redraws the corner of every window with the new text.
  std::vector<std::uint32_t> before(App().overlayWindows[0].pixels,
                                    App().overlayWindows[0].pixels + 1024 * 768);
  g_tick64 += 36ull * 3600000;
  ::SendMessageW(App().overlayWindows[0].window, WM_TIMER, TIMER_OVERLAY_CLOCK, 0);
  ASSERT_TRUE(FormatClockText(BuildOverlayComposition(App().overlayOpenTick), text));
  EXPECT_STREQ(text, L"36:00:00");
  EXPECT_NE(std::memcmp(before.data(), App().overlayWindows[0].pixels, before.size() * 4), 0);
}

namespace {
SYSTEMTIME g_localTime{};
int g_localTimeCalls = 0;
void WINAPI CountingLocalTime(LPSYSTEMTIME t) {
  *t = g_localTime;
  ++g_localTimeCalls;
}
}  // namespace

TEST(OverlayWindows, TheTimeClockFirstTicksAtTheNextFullMinute) {
  OverlayScope scope(Config("FadeInDurationMs=0\nClockDisplay=Time\n"));
  ScopedSeams seams;
  seams->getLocalTime = CountingLocalTime;
  g_localTime = SYSTEMTIME{2026, 12, 6, 5, 10, 15, 59, 950};  // 50 ms before the minute
  ASSERT_TRUE(::SetCursorPos(300, 300));
  ShowOverlays(OverlayTarget::Current);
  ASSERT_EQ(App().overlayWindows.size(), 1u);
  int before = g_localTimeCalls;
  PumpMessages(500);
  EXPECT_GT(g_localTimeCalls, before);  // the tick redrew the clock

  g_localTime = SYSTEMTIME{2026, 12, 6, 5, 10, 15, 42, 300};  // 17.7 s before the minute
  ScheduleClockTimer();
  before = g_localTimeCalls;
  PumpMessages(500);
  EXPECT_EQ(g_localTimeCalls, before);

  g_localTime = SYSTEMTIME{2026, 12, 6, 5, 10, 15, 59, 990};
  App().settings.ClockDisplay = ClockDisplayMode::None;  // no clock: no timer at all
  ScheduleClockTimer();
  before = g_localTimeCalls;
  PumpMessages(300);
  EXPECT_EQ(g_localTimeCalls, before);
}
