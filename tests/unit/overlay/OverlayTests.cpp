#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>

#include "TestSupport.h"
#include "app/Commands.h"
#include "base/Messages.h"
#include "config/ConfigSave.h"

using Box = std::array<LONG, 4>;
const Box kPrimary{0, 0, 1280, 800}, kSecond{1280, 0, 2304, 768};
DWORD tick = 100000;
ULONGLONG tick64 = 1000000;
SYSTEMTIME now{2026, 12, 6, 5, 14, 5, 0, 0};  // on the minute: the time of day waits a whole minute

std::vector<Box> Covered() {
  std::vector<Box> boxes;
  for (RECT r{}; const OverlayWindow& overlay : App().overlayWindows)
    if (::GetWindowRect(overlay.window.Get(), &r)) boxes.push_back({r.left, r.top, r.right, r.bottom});
  return boxes;
}
int CursorCount() { return ::ShowCursor(TRUE), ::ShowCursor(FALSE); }  // the thread's display count
bool ClockTicks(HWND window) {  // within a few seconds
  for (const ULONGLONG end = ::GetTickCount64() + 5000; ::GetTickCount64() < end; ::Sleep(10))
    for (MSG m; ::PeekMessageW(&m, window, WM_TIMER, WM_TIMER, PM_REMOVE);)
      if (m.wParam == TIMER_OVERLAY_CLOCK) return true;
  return false;
}
struct FakeClocks : ScopedSeams {  // the ticks and the time of day above
  FakeClocks() {
    Seams().getTickCount64 = [] { return tick64; }, Seams().getTickCount = [] { return tick; },
    Seams().getLocalTime = Now;
  }
  static void WINAPI Now(LPSYSTEMTIME t) { *t = now; }
};

TEST(OverlayWindows, CursorHidingClockTimersClosingInputsAndTheGuard) {
  OverlayScope scope;
  FakeClocks clocks;
  const int shown = CursorCount();
  ASSERT_TRUE(::SetCursorPos(300, 300));
  ShowOverlays(OverlayTarget::Current);  // the primary monitor only
  const HWND overlay = App().overlayWindows.at(0).window.Get();
  const struct {
    int x;
    UINT message;
    bool hidden, armed;
  } steps[] = {// armed: the hide timer runs
               {1600, WM_TIMER, false, false},  // on the other monitor: stays
               {310, WM_MOUSEMOVE, false, true}, {310, WM_TIMER, true, false},  // at rest over the overlay: hides
               {311, WM_MOUSEMOVE, false, true}, {314, WM_MOUSEMOVE, false, false},  // 1 px shows, 3 px is no move
               {315, WM_MOUSEMOVE, false, true}, {315, WM_TIMER, true, false}};  // 4 px is; hidden for the Esc below
  for (const auto& s : steps) {
    SCOPED_TRACE(s.x);
    ASSERT_TRUE(::SetCursorPos(s.x, 300));
    ::SendMessageW(overlay, s.message, TIMER_OVERLAY_CURSOR, 0);
    EXPECT_EQ(std::pair(App().cursorHidden, CursorCount()), std::pair(s.hidden, shown - (s.hidden ? 1 : 0)));
    EXPECT_EQ(::KillTimer(overlay, TIMER_OVERLAY_CURSOR) != FALSE, s.armed);
  }
  const OverlayWindow& open = App().overlayWindows[0];  // the clock switched while open:
  EXPECT_EQ(App().overlayOpenTick, tick64);  // the elapsed clock starts at 0:00:00
  SetClockDisplay(ClockDisplayMode::Elapsed);
  EXPECT_TRUE(!::IsRectEmpty(&open.contentRect) && ClockTicks(overlay));  // drawn, ticking each second
  SetClockDisplay(ClockDisplayMode::None);
  EXPECT_TRUE(::IsRectEmpty(&open.contentRect) &&
              !::KillTimer(overlay, TIMER_OVERLAY_CLOCK));  // gone, its timer stopped
  SetClockDisplay(ClockDisplayMode::Time);  // its first tick a minute away
  std::uint32_t& poked = open.pixels[open.contentRect.top * open.width + open.contentRect.left];
  RECT suggested{0, 0, 1280, 800};
  poked = 0x12345678,
  ::SendMessageW(overlay, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
  EXPECT_NE(poked, 0x12345678u);  // a change of scale redraws at once
  now.wSecond = 59, now.wMilliseconds = 850;
  AdvanceOverlayClock(overlay);
  EXPECT_TRUE(ClockTicks(overlay));  // re-armed for the next minute 150 ms away, not 60 s later
  // A second left press at (10 + dx, 10 + dy) after the pause follows when any is set. (Alt+F4: end to end.)
  const DWORD limit = ::GetDoubleClickTime(), at = MAKELPARAM(10, 10);
  const struct {
    const char* name;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    bool closes;
    int x = 300, dx = 0, dy = 0;
    DWORD pause = 0;
  } cases[] = {{"Esc", WM_KEYDOWN, VK_ESCAPE, 0, true},
               {"double-click", WM_LBUTTONDBLCLK, 0, at, true},
               {"right release", WM_RBUTTONUP, 0, 0, true},
               {"F4 alone", WM_SYSKEYDOWN, VK_F4, 0, false},
               {"one click", WM_LBUTTONDOWN, 0, at, false},
               {"middle", WM_MBUTTONUP, 0, 0, false},
               {"wheel", WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0, false},
               {"Esc from the uncovered monitor", WM_KEYDOWN, VK_ESCAPE, 0, false, 1600},
               {"presses 4 px apart within the time", WM_LBUTTONDOWN, 0, at, true, 300, 4, 4, limit},
               {"presses 5 px apart", WM_LBUTTONDOWN, 0, at, false, 300, 5},
               {"5 px apart down", WM_LBUTTONDOWN, 0, at, false, 300, 0, 5},
               {"presses a longer pause apart", WM_LBUTTONDOWN, 0, at, false, 300, 4, 0, limit + 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(::SetCursorPos(300, 300));
    if (App().overlayWindows.empty()) ShowOverlays(OverlayTarget::Current);
    App().overlayMonitor = reinterpret_cast<HMONITOR>(0x7777),
    App().lastClickTick = 0;  // gone: the guard must measure the window
    const HWND target = App().overlayWindows.at(0).window.Get();
    const int dismissals = OverlayScope::Dismissals();
    ASSERT_TRUE(::SetCursorPos(c.x, 300));
    ::SendMessageW(target, c.message, c.wParam, c.lParam);
    tick += c.pause;
    if (c.dx || c.dy || c.pause) ::SendMessageW(target, WM_LBUTTONDOWN, 0, MAKELPARAM(10 + c.dx, 10 + c.dy));
    PumpMessages(30);
    EXPECT_EQ(::IsWindow(target) == FALSE, c.closes);
    EXPECT_EQ(OverlayScope::Dismissals(), dismissals + (c.closes ? 1 : 0));
    if (c.closes) {
      EXPECT_EQ(CursorCount(), shown);
    }  // given back, also when it was hidden
  }
}

TEST(OverlayFormulas, BadgePixelsFadeSizeLimitAndClockTexts) {
  std::uint32_t grey = 0xFF808080, white = 0xFFFFFFFF;
  BlendPixelOver(grey, PremultiplyBadgePixel(0x80FFFFFF, 64));  // 128 * 64 / 255 = 32 over 128 * 223 / 255
  BlendPixelOver(white, PremultiplyBadgePixel(0x80FF0000, 255));  // (255 * 127 + 127) / 255 = 127
  EXPECT_EQ((std::array{grey, white}), (std::array{0xFF909090u, 0xFFFF7F7Fu}));
  const struct {
    std::uint32_t elapsed, duration;
    std::uint8_t alpha;
  } fades[] = {{0, 120, 0}, {60, 120, 127}, {119, 120, 252}, {120, 120, 255}, {0, 0, 255}, {0xFFFFFFFF, 5000, 255}};
  for (const auto& f : fades) EXPECT_EQ(FadeAlpha(f.elapsed, f.duration), f.alpha) << f.elapsed << "/" << f.duration;
  EXPECT_TRUE(BadgeSizeAcceptable(4096, 4096) && !BadgeSizeAcceptable(60000, 60000) &&
              !BadgeSizeAcceptable(1u << 31, 1));
  ScopedSeams seams;
  seams->getTickCount64 = [] { return ULONGLONG{200000000}; };
  wchar_t time[kClockTextChars], text[kClockTextChars], joined[192];
  using enum ClockDisplayMode;
  ASSERT_TRUE(FormatClockText({false, false, Time}, time));
  const struct {
    ClockDisplayMode mode;
    std::uint64_t openTick;
    std::wstring text;
  } cases[] = {// empty: none
               {Elapsed, 200000000, L"0:00:00"},
               {Elapsed, 70400000, L"36:00:00"},
               {Elapsed, 200000000 - 90189500, L"25:03:09"},
               {TimeAndElapsed, 70400000, time + std::wstring(L"  36:00:00")},
               {Elapsed, 0, L""},
               {None, 5000, L""}};  // hours do not wrap
  for (const auto& k : cases)
    EXPECT_EQ(FormatClockText({false, false, k.mode, k.openTick}, text) ? text : L"", k.text) << k.openTick;
  EXPECT_TRUE(FormatTimeText(L"2026/12/05", L"", L"14:05", joined) &&
              joined == std::wstring(L"2026/12/05 14:05"));  // no day name
}

// Windows refuses the foreground to a process without the right to it (Wine never does): until an
// overlay window has the keyboard, a low-level hook takes the keys the black screen acts on.
HWND foreground = nullptr;
TEST(OverlayKeyboard, ARefusedForegroundHooksExactlyEscAndAltF4UntilTheBlackScreenHasTheKeyboard) {
  OverlayScope scope;
  ScopedSeams seams;
  seams->getForegroundWindow = [] { return foreground; };
  const WindowHandle underneath(
      ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 9, 9, nullptr, nullptr, nullptr, nullptr));
  const struct {
    const char* name;
    WPARAM message;
    KBDLLHOOKSTRUCT key;
    bool taken;
    int x = 300;
  } keys[] = {{"Esc", WM_KEYDOWN, {VK_ESCAPE}, true},
              {"Alt+F4", WM_SYSKEYDOWN, {VK_F4, 0, LLKHF_ALTDOWN}, true},
              {"A", WM_KEYDOWN, {'A'}, false},
              {"F4 alone", WM_KEYDOWN, {VK_F4}, false},
              {"Alt+Esc", WM_SYSKEYDOWN, {VK_ESCAPE, 0, LLKHF_ALTDOWN}, false},
              {"Esc released", WM_KEYUP, {VK_ESCAPE}, false},
              {"Esc from the uncovered monitor", WM_KEYDOWN, {VK_ESCAPE}, false, 1600}};
  for (const auto& k : keys) {
    SCOPED_TRACE(k.name);
    ASSERT_TRUE(::SetCursorPos(300, 300));
    ShowOverlays(OverlayTarget::Current), ::SetForegroundWindow(underneath.Get());  // where Windows leaves the keyboard
    ASSERT_TRUE(App().overlayKeyHook && ::SetCursorPos(k.x, 300));
    EXPECT_EQ(OverlayKeyboardHookProc(HC_ACTION, k.message, reinterpret_cast<LPARAM>(&k.key)) != 0,
              k.taken);  // not passed on
    PumpMessages(30);
    EXPECT_EQ(std::pair(App().overlayWindows.empty(), !App().overlayKeyHook), std::pair(k.taken, k.taken));
  }
  foreground = App().overlayWindows.at(0).window.Get();  // a click on the black screen gives it the keyboard
  ::SendMessageW(foreground, WM_SETFOCUS, 0, 0);
  EXPECT_FALSE(App().overlayKeyHook);
  // Held, it never waits on a busy config.ini (Windows drops a hook that keeps a key waiting): the save is owed.
  foreground = underneath.Get(), ShowOverlays(OverlayTarget::All);
  seams->sleep = [](DWORD) { ADD_FAILURE() << "waited with the keyboard hooked"; };
  const LockedFile busy(App().configPath);
  EXPECT_TRUE(
      (App().settings.KeepActive = true, SaveConfig(), busy.Held() && App().overlayKeyHook && App().configSavePending));
}

int liveOverlays = 0, fewestLive = 0;  // overlay windows alive on this thread, and the fewest since set
LRESULT CALLBACK CountOverlayWindows(int code, WPARAM window, LPARAM info) {
  wchar_t name[32] = {};
  if ((code == HCBT_CREATEWND || code == HCBT_DESTROYWND) &&
      ::GetClassNameW(reinterpret_cast<HWND>(window), name, 32) && name == std::wstring(kOverlayWindowClass))
    fewestLive = std::min(fewestLive, liveOverlays += code == HCBT_CREATEWND ? 1 : -1);
  return ::CallNextHookEx(nullptr, code, window, info);
}

TEST(OverlayWindows, DisplayChangeRebuildsForTheCurrentMonitorsAtOnceOrClosesAsDismissed) {
  OverlayScope scope("FadeInDurationMs=5000\nClockDisplay=None\n");  // a fade that would still run: none after
  const HookHandle counting(::SetWindowsHookExW(WH_CBT, CountOverlayWindows, nullptr, ::GetCurrentThreadId()));
  const struct {
    LONG cursorX;
    RECT was;
    std::vector<Box> covers;
  } cases[] = {{1600, {}, {kSecond}},
               {1600, {0, 0, 1920, 1080}, {kPrimary}},  // its centre lies on the primary now
               {300, {2400, 0, 3000, 600}, {}}};  // its monitor is gone
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    ASSERT_TRUE(::SetCursorPos(c.cursorX, 300));
    ShowOverlays(OverlayTarget::Current);
    OverlayWindow& old = App().overlayWindows.at(0);
    if (c.was.right != 0)  // where the window stood before the change
      old.left = c.was.left, old.top = c.was.top, old.width = c.was.right - c.was.left,
      old.height = c.was.bottom - c.was.top;
    const int dismissals = OverlayScope::Dismissals();
    liveOverlays = fewestLive = 1;
    RebuildOverlaysForDisplays();
    EXPECT_EQ(fewestLive, c.covers.empty() ? 0 : 1);  // the new window came before the old one went
    EXPECT_EQ(Covered(), c.covers);
    EXPECT_EQ(App().overlayAlpha, 255);  // no fade left running
    for (const OverlayWindow& overlay : App().overlayWindows) EXPECT_EQ(overlay.pushedAlpha, 255);
    EXPECT_EQ(OverlayScope::Dismissals(), dismissals + (c.covers.empty() ? 1 : 0));
  }
  // A burst of changes reaching the main window rebuilds All once, a moment after the last one.
  const HWND main = scope.MakeMainWindow();
  ShowOverlays(OverlayTarget::All);
  const HWND before = App().overlayWindows.at(0).window.Get();
  for (int i = 0; i < 3; ++i) ::SendMessageW(main, WM_DISPLAYCHANGE, 32, MAKELPARAM(1280, 800));
  EXPECT_TRUE(::IsWindow(before));
  PumpMessages(kDisplayChangeSettleMs + 300);
  EXPECT_FALSE(::IsWindow(before));
  EXPECT_EQ(Covered(), (std::vector<Box>{kPrimary, kSecond}));
}

TEST(OverlayWindows, ClockTicksRedrawOnlyTheCornerYetMatchAFullRender) {
  OverlayScope scope;
  FakeClocks clocks;
  App().keepActiveBadgeImage = SolidBadge(48, 48, 0xC0C86432);
  App().sleepPreventBadgeImage = SolidBadge(64, 40, 0xFF30A0F0);
  RegisterOverlayClass();
  const int W = 1200, H = 760;
  for (int i = 0; i < 2; ++i) ASSERT_TRUE(AddOverlayWindow(RECT{0, 0, W, H}, OverlayComposition{}));
  OverlayWindow &full = App().overlayWindows[0], &partial = App().overlayWindows[1];
  using enum ClockDisplayMode;
  const std::pair<std::uint64_t, OverlayComposition> steps[] = {
      // elapsed ms; badges, clock, font pt, alpha
      {0, {true, true, Elapsed, 1, 32, 200}},        {35999000, {true, true, Elapsed, 1, 32, 200}},  // 9:59:59
      {36000000, {true, true, Elapsed, 1, 32, 200}}, {36001000, {false, true, TimeAndElapsed, 1, 60, 200}},
      {36002000, {true, false, Elapsed, 1, 8, 255}}, {36003000, {false, false, None, 1, 32, 64}},
      {36004000, {true, true, Time, 1, 32, 0}},      {36005000, {true, true, Elapsed, 1, 96, 128}},
  };
  long long lit = 0;
  for (const auto& [elapsed, c] : steps) {
    SCOPED_TRACE(elapsed);
    tick64 = 1 + elapsed;  // opened at tick 1
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
