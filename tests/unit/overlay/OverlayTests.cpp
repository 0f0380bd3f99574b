#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <span>

#include "TestSupport.h"
#include "app/Commands.h"
#include "base/Messages.h"
#include "config/ConfigSave.h"

using Box = std::array<LONG, 4>;
using enum OverlayTarget;
// Monitor numbers, and the monitors each target covers when it opens and after a display change.
const RECT left{-1280, 0, 0, 1024}, middle{0, 0, 1920, 1080}, right{1920, 0, 3200, 1024}, wide{0, 0, 3000, 1440};
const std::vector<RECT> three{left, middle, right};

static std::string Corners(std::span<const RECT> all, std::uint64_t set = ~0ull) {  // "x,y;" of each in the set
  std::string text;
  for (std::size_t i = 0; i < all.size(); ++i)
    if (set >> i & 1) text += std::to_string(all[i].left) + "," + std::to_string(all[i].top) + ";";
  return text;
}

TEST(MonitorNumbers, RunLeftToRightThenTopToBottom) {
  for (auto [given, numbered] : std::initializer_list<std::pair<std::vector<RECT>, std::string>>{
           {{{0, 1080, 1920, 2160}, {1920, 300, 3200, 1324}, middle}, "0,0;0,1080;1920,300;"},  // stacked
           {{middle, {-1280, 824, 0, 1848}, {-1280, -200, 0, 824}}, "-1280,-200;-1280,824;0,0;"}}) {  // negative
    NumberMonitors(given);
    EXPECT_EQ(Corners(given), numbered);
  }
}

// The cursor on a monitor, or off every monitor: then on the nearest one.
TEST(OverlayTargets, CoverTheirMonitorsAndTakeTheKeyboardOnlyWithTheCursorsOne) {
  // clang-format off
  const struct { OverlayTarget target; std::uint64_t chosen; POINT cursor; std::string covers; bool keys; } opened[] = {
      {Current, 0, {4000, 9}, "1920,0;", true}, {Others, 0, {-50, 1030}, "0,0;1920,0;", false},
      {Chosen, 5, {9, 9}, "-1280,0;1920,0;", false}, {Chosen, 6, {9, 9}, "0,0;1920,0;", true},
      {Idle, 0, {9, 9}, "-1280,0;0,0;1920,0;", true}};
  // clang-format on
  for (const auto& o : opened) {
    const OverlayCover c = CoverFor(o.target, o.chosen, o.cursor, three);
    EXPECT_EQ(std::pair(Corners(three, c.monitors), c.takesKeyboard), std::pair(o.covers, o.keys)) << o.covers;
  }
}

// Windows stood over `was` (Others: opened with the cursor on the middle monitor); now the monitors are `now`.
TEST(OverlayTargets, AfterADisplayChangeCoverWhatTheyCoveredWhereItIsLeft) {
  // clang-format off
  const struct { OverlayTarget target; std::vector<RECT> was, now; std::string covers; } rebuilt[] = {
      {All, three, {middle, right}, "0,0;1920,0;"}, {Others, {left, right}, {middle, right}, "1920,0;"},
      {Others, {left, right}, {left, wide}, "-1280,0;"},  // the cursor's monitor grew: still free
      {Others, {left, right}, {left, right}, "-1280,0;"},  // it is gone: the nearest one is free
      {Current, {middle}, {wide}, "0,0;"}, {Current, {right}, {left, middle}, ""},  // its centre on a monitor, or not
      {Chosen, {left, right}, {left, wide}, "-1280,0;0,0;"}, {Chosen, {left, right}, {middle}, ""}};
  // clang-format on
  for (const auto& r : rebuilt) {
    std::vector<OverlayWindow> old;
    for (const RECT& w : r.was)
      old.push_back({.width = w.right - w.left, .height = w.bottom - w.top, .left = w.left, .top = w.top});
    EXPECT_EQ(Corners(r.now, RebuiltCover(r.target, old, {RectCentre(middle)}, r.now, {})), r.covers) << &r - rebuilt;
  }
  // A went from 3840 x 2160 to 1920 x 1080, its old centre now on B: found by name A stays free (Others) or covered.
  const std::vector<RECT> now{{0, 0, 1920, 1080}, {1920, 0, 4480, 1440}};
  const std::vector<std::wstring> names{L"A", L"B"};
  std::vector<OverlayWindow> onA(1);
  onA[0] = {.width = 3840, .height = 2160, .monitorName = L"A"};
  EXPECT_EQ(RebuiltCover(Others, {}, {{1920, 1080}, L"A"}, now, names), 2u);
  EXPECT_EQ(RebuiltCover(Current, onA, {}, now, names), 1u);
  EXPECT_EQ(RebuiltCover(Others, {}, {{1920, 1080}, L"A"}, now, {}), 1u);
}

const Box kSecond{1280, 0, 2304, 768};
DWORD tick;
ULONGLONG tick64;
SYSTEMTIME now;

std::vector<Box> Covered() {
  std::vector<Box> boxes;
  for (RECT r{}; const OverlayWindow& overlay : App().overlayWindows)
    if (::GetWindowRect(overlay.window.Get(), &r)) boxes.push_back({r.left, r.top, r.right, r.bottom});
  return boxes;
}
int CursorCount() {  // the thread's display count
  ::ShowCursor(TRUE);
  return ::ShowCursor(FALSE);
}
bool ClockTicks(HWND window) {  // within a few seconds
  for (const ULONGLONG end = ::GetTickCount64() + 5000; ::GetTickCount64() < end; ::Sleep(10))
    for (MSG m; ::PeekMessageW(&m, window, WM_TIMER, WM_TIMER, PM_REMOVE);)
      if (m.wParam == TIMER_OVERLAY_CLOCK) return true;
  return false;
}
void WINAPI Now(LPSYSTEMTIME t) { *t = now; }

// The black screen open over the primary monitor with the cursor on it; the ticks and the time of day above.
struct BlackScreen : testing::Test {
  BlackScreen() {
    tick = 100000;
    tick64 = 1000000;
    now = {2026, 12, 6, 5, 14, 5, 0, 0};  // on the minute: the time of day waits a whole minute
    seams->getTickCount64 = [] { return tick64; };
    seams->getTickCount = [] { return tick; };
    seams->getLocalTime = Now;
    EXPECT_TRUE(::SetCursorPos(300, 300));
    ShowOverlays(Current);
  }
  static HWND Overlay() { return App().overlayWindows.at(0).window.Get(); }
  static void Send(UINT message, WPARAM w = 0, LPARAM l = 0) { ::SendMessageW(Overlay(), message, w, l); }
  OverlayScope scope;
  ScopedSeams seams;
  const int shown = CursorCount();
};

// Steps with the cursor at (x, 300): whether it is hidden after the step, and whether the hide timer runs. On the
// other monitor it stays; at rest over the black screen it hides; 1 px shows it, 3 px more is no move, 4 px is.
TEST_F(BlackScreen, CursorHidesAtRestOverItAndShowsOnAMove) {
  const std::tuple<int, UINT, bool, bool> steps[] = {
      {1600, WM_TIMER, false, false},   {310, WM_MOUSEMOVE, false, true},  {310, WM_TIMER, true, false},
      {311, WM_MOUSEMOVE, false, true}, {314, WM_MOUSEMOVE, false, false}, {315, WM_MOUSEMOVE, false, true},
      {315, WM_TIMER, true, false}};
  for (const auto& [x, message, hidden, armed] : steps) {
    ASSERT_TRUE(::SetCursorPos(x, 300));
    Send(message, TIMER_OVERLAY_CURSOR);
    EXPECT_EQ(std::pair(App().cursorHidden, CursorCount()), std::pair(hidden, shown - (hidden ? 1 : 0))) << x;
    EXPECT_EQ(::KillTimer(Overlay(), TIMER_OVERLAY_CURSOR) != FALSE, armed) << x;
  }
}

// Each closing counts as a dismissal and gives back a cursor hidden at rest. Before each input a left press at
// (10, 10), `after` ms earlier: a second one closes only within 4 px each way and the double-click time.
// (Alt+F4: end to end.)
TEST_F(BlackScreen, ClosesOnEscADoubleClickARightReleaseOrTwoPressesOnly) {
  const DWORD limit = ::GetDoubleClickTime(), late = limit + 1;
  // clang-format off
  const struct { const char* name; UINT message; WPARAM w; POINT at; DWORD after; bool closes; } inputs[] = {
      {"Esc", WM_KEYDOWN, VK_ESCAPE, {}, late, true}, {"double-click", WM_LBUTTONDBLCLK, 0, {10, 10}, late, true},
      {"right release", WM_RBUTTONUP, 0, {}, late, true}, {"F4 alone", WM_SYSKEYDOWN, VK_F4, {}, late, false},
      {"middle", WM_MBUTTONUP, 0, {}, late, false}, {"wheel", WM_MOUSEWHEEL, WHEEL_DELTA << 16, {}, late, false},
      {"5 px right", WM_LBUTTONDOWN, 0, {15, 10}, 0, false}, {"5 px down", WM_LBUTTONDOWN, 0, {10, 15}, 0, false},
      {"too late", WM_LBUTTONDOWN, 0, {14, 10}, late, false}, {"in time", WM_LBUTTONDOWN, 0, {14, 14}, limit, true}};
  // clang-format on
  for (const auto& i : inputs) {
    SCOPED_TRACE(i.name);
    if (App().overlayWindows.empty()) ShowOverlays(Current);
    const HWND target = Overlay();
    const int dismissals = OverlayScope::Dismissals();
    App().lastClickTick = 0;
    Send(WM_LBUTTONDOWN, 0, MAKELPARAM(10, 10));
    Send(WM_MOUSEMOVE);
    Send(WM_TIMER, TIMER_OVERLAY_CURSOR);
    ASSERT_TRUE(App().cursorHidden);
    tick += i.after;
    Send(i.message, i.w, MAKELPARAM(i.at.x, i.at.y));
    PumpMessages(30);
    EXPECT_EQ(std::tuple(::IsWindow(target) == FALSE, OverlayScope::Dismissals(), !i.closes || CursorCount() == shown),
              std::tuple(i.closes, dismissals + (i.closes ? 1 : 0), true));
  }
}

// Switched on while open it is drawn and ticks from the opening, switched off it goes with its timer; on a change of
// scale it is drawn again at once; the time of day ticks at the next minute, not a minute after its last tick.
TEST_F(BlackScreen, ClockFollowsItsSettingTheScaleAndTheMinute) {
  const OverlayWindow& open = App().overlayWindows[0];
  SetClockDisplay(ClockDisplayMode::Elapsed);
  EXPECT_TRUE(App().overlayOpenTick == tick64 && !::IsRectEmpty(&open.contentRect) && ClockTicks(Overlay()));
  SetClockDisplay(ClockDisplayMode::None);
  EXPECT_TRUE(::IsRectEmpty(&open.contentRect) && !::KillTimer(Overlay(), TIMER_OVERLAY_CLOCK));
  SetClockDisplay(ClockDisplayMode::Time);  // a minute away
  std::uint32_t& poked = open.pixels[open.contentRect.top * open.width + open.contentRect.left];
  poked = 0x12345678;
  RECT suggested{0, 0, 1280, 800};
  Send(WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
  EXPECT_NE(poked, 0x12345678u);
  now.wSecond = 59;
  now.wMilliseconds = 850;
  AdvanceOverlayClock(Overlay());
  EXPECT_TRUE(ClockTicks(Overlay()));  // 150 ms away
}

TEST(OverlayFormulas, BadgePixelsArePremultipliedThenBlendedOver) {
  std::uint32_t grey = 0xFF808080, white = 0xFFFFFFFF;
  BlendPixelOver(grey, PremultiplyBadgePixel(0x80FFFFFF, 64));  // 128 * 64 / 255 = 32 over 128 * 223 / 255
  BlendPixelOver(white, PremultiplyBadgePixel(0x80FF0000, 255));  // (255 * 127 + 127) / 255 = 127
  EXPECT_EQ((std::array{grey, white}), (std::array{0xFF909090u, 0xFFFF7F7Fu}));
}

// Elapsed, duration: alpha.
TEST(OverlayFormulas, FadeRisesToOpaqueOverItsDurationAndNoFadeIsOpaque) {
  const std::tuple<std::uint32_t, std::uint32_t, std::uint8_t> fades[] = {
      {0, 120, 0}, {60, 120, 127}, {119, 120, 252}, {120, 120, 255}, {0, 0, 255}, {0xFFFFFFFF, 5000, 255}};
  for (const auto& [elapsed, duration, alpha] : fades) EXPECT_EQ(FadeAlpha(elapsed, duration), alpha) << elapsed;
}

// Decoded as straight BGRA words (these are opaque). A header claiming more than can be held (60000x60000, or a byte
// count that overflows) is refused before anything is reserved for it (Wine's decoder refuses that file sooner).
TEST(BadgePictures, DecodeToTheirSizeAndPixelsAndRefuseSizesTooLargeToHold) {
  OverlayScope scope;
  BadgeImage badge, claimed;
  ASSERT_TRUE(DecodePngFile(SourcePath(L"tests/e2e/badge.png"), badge));
  const auto count = [&](std::uint32_t bgra) { return std::count(badge.pixels.begin(), badge.pixels.end(), bgra); };
  EXPECT_TRUE(badge.width == 30 && badge.height == 20 && count(0xFFE03C28) == 15 * 10 && count(0xFF28A0E0) == 450);
  EXPECT_FALSE(DecodePngFile(SourcePath(L"tests/e2e/claims-60000x60000.png"), claimed) || claimed.pixels.capacity());
  EXPECT_TRUE(BadgeSizeAcceptable(4096, 4096) && !BadgeSizeAcceptable(60000, 60000) &&
              !BadgeSizeAcceptable(1u << 31, 1));
  ReleaseBadgeImages();
}

// Opened at `openTick` (0: not open), the tick now 200000000.
TEST(OverlayClockText, EachModeShowsItsPartsAndElapsedHoursDoNotWrap) {
  ScopedSeams seams;
  seams->getTickCount64 = [] { return ULONGLONG{200000000}; };
  wchar_t time[kClockTextChars], text[kClockTextChars];
  using enum ClockDisplayMode;
  ASSERT_TRUE(FormatClockText({false, false, Time}, time));
  // clang-format off
  const struct { ClockDisplayMode mode; std::uint64_t openTick; std::wstring text; } cases[] = {
      {Elapsed, 200000000, L"0:00:00"}, {Elapsed, 70400000, L"36:00:00"}, {Elapsed, 200000000 - 90189500, L"25:03:09"},
      {TimeAndElapsed, 70400000, time + std::wstring(L"  36:00:00")}, {Elapsed, 0, L""}, {None, 5000, L""}};
  // clang-format on
  for (const auto& k : cases)
    EXPECT_EQ(FormatClockText({false, false, k.mode, k.openTick}, text) ? text : L"", k.text) << k.openTick;
}

// Windows refuses the foreground to a process without the right to it (Wine never does): until a black
// screen window has the keyboard, a low-level hook takes the keys it acts on.
HWND foreground = nullptr;
struct OverlayKeyboard : testing::Test {
  OverlayKeyboard() {
    foreground = underneath.Get();
    seams->getForegroundWindow = [] { return foreground; };
    EXPECT_TRUE(::SetCursorPos(300, 300));
  }
  void Open(OverlayTarget target = Current) {
    ShowOverlays(target);
    ::SetForegroundWindow(underneath.Get());  // where Windows leaves the keyboard
  }
  OverlayScope scope;
  ScopedSeams seams;
  const WindowHandle underneath{
      ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 9, 9, nullptr, nullptr, nullptr, nullptr)};
};

// A key taken is not passed on, and closes the black screen and the hook with it.
TEST_F(OverlayKeyboard, ARefusedForegroundHooksExactlyEscAndAltF4) {
  // clang-format off
  const struct { const char* name; WPARAM message; KBDLLHOOKSTRUCT key; bool taken; int x = 300; } keys[] = {
      {"Esc", WM_KEYDOWN, {VK_ESCAPE}, true}, {"Alt+F4", WM_SYSKEYDOWN, {VK_F4, 0, LLKHF_ALTDOWN}, true},
      {"A", WM_KEYDOWN, {'A'}, false}, {"F4 alone", WM_KEYDOWN, {VK_F4}, false},
      {"Alt+Esc", WM_SYSKEYDOWN, {VK_ESCAPE, 0, LLKHF_ALTDOWN}, false}, {"Esc released", WM_KEYUP, {VK_ESCAPE}, false},
      {"Esc from the uncovered monitor", WM_KEYDOWN, {VK_ESCAPE}, false, 1600}};
  // clang-format on
  for (const auto& k : keys) {
    SCOPED_TRACE(k.name);
    ASSERT_TRUE(::SetCursorPos(300, 300));
    Open();
    ASSERT_TRUE(App().overlayKeyHook && ::SetCursorPos(k.x, 300));
    EXPECT_EQ(OverlayKeyboardHookProc(HC_ACTION, k.message, reinterpret_cast<LPARAM>(&k.key)) != 0, k.taken);
    PumpMessages(30);
    EXPECT_EQ(std::pair(App().overlayWindows.empty(), !App().overlayKeyHook), std::pair(k.taken, k.taken));
  }
}

// Windows drops a hook that keeps a key waiting: the save is owed instead.
TEST_F(OverlayKeyboard, HookedItNeverWaitsOnABusyConfigFile) {
  Open(All);
  seams->sleep = [](DWORD) { ADD_FAILURE() << "waited with the keyboard hooked"; };
  const LockedFile busy(App().configPath);
  App().settings.KeepActive = true;
  SaveConfig();
  EXPECT_TRUE(busy.Held() && App().overlayKeyHook && App().configSavePending);
}

int liveOverlays = 0, fewestLive = 0;  // overlay windows alive on this thread, and the fewest since set
LRESULT CALLBACK CountOverlayWindows(int code, WPARAM window, LPARAM info) {
  wchar_t name[32] = {};
  if ((code == HCBT_CREATEWND || code == HCBT_DESTROYWND) &&
      ::GetClassNameW(reinterpret_cast<HWND>(window), name, 32) && name == std::wstring(kOverlayWindowClass))
    fewestLive = std::min(fewestLive, liveOverlays += code == HCBT_CREATEWND ? 1 : -1);
  return ::CallNextHookEx(nullptr, code, window, info);
}

// At once: the new window up before the old one goes, and no fade left running; closed as dismissed when the
// monitor under its centre is gone.
TEST(OverlayWindows, DisplayChangeRebuildsOverTheCursorsMonitorAtOnceOrClosesWithIt) {
  OverlayScope scope{"FadeInDurationMs=5000\nClockDisplay=None\n"};
  const HookHandle counting{::SetWindowsHookExW(WH_CBT, CountOverlayWindows, nullptr, ::GetCurrentThreadId())};
  for (const bool gone : {false, true}) {  // the window's centre on the cursor's monitor, or on none
    ASSERT_TRUE(::SetCursorPos(gone ? 300 : 1600, 300));
    ShowOverlays(Current);
    ASSERT_EQ(App().overlayWindows.at(0).monitorName, gone ? L"\\\\.\\DISPLAY1" : L"\\\\.\\DISPLAY2");
    liveOverlays = fewestLive = 1;
    App().overlayWindows.at(0).left += gone ? 2400 : 0;  // its monitor went, with the name it had
    if (gone) App().overlayWindows.at(0).monitorName = L"\\\\.\\GONE";
    RebuildOverlaysForDisplays();
    EXPECT_EQ(std::pair(fewestLive, OverlayScope::Dismissals()), std::pair(gone ? 0 : 1, gone ? 1 : 0));
    EXPECT_EQ(Covered(), gone ? std::vector<Box>{} : std::vector<Box>{kSecond});
    EXPECT_TRUE(App().overlayWindows.empty() ||
                (App().overlayAlpha == 255 && App().overlayWindows[0].pushedAlpha == 255));
    CloseOverlays();
  }
}

// Each step renders the whole window once and refreshes only the content of a second one.
TEST(OverlayRendering, ClockTicksRedrawOnlyTheCornerYetMatchAFullRender) {
  OverlayScope scope;
  ScopedSeams seams;
  seams->getTickCount64 = [] { return tick64; };
  App().keepActiveBadgeImage = SolidBadge(48, 48, 0xC0C86432);
  App().sleepPreventBadgeImage = SolidBadge(64, 40, 0xFF30A0F0);
  RegisterOverlayClass();
  const int W = 1200, H = 760;
  for (int i = 0; i < 2; ++i) ASSERT_TRUE(AddOverlayWindow(RECT{0, 0, W, H}, OverlayComposition{}));
  OverlayWindow &full = App().overlayWindows[0], &partial = App().overlayWindows[1];
  using enum ClockDisplayMode;
  // Elapsed ms (35999000: 9:59:59); badges, clock, font pt, alpha.
  const std::pair<std::uint64_t, OverlayComposition> steps[] = {
      {0, {true, true, Elapsed, 1, 32, 200}},        {35999000, {true, true, Elapsed, 1, 32, 200}},
      {36000000, {true, true, Elapsed, 1, 32, 200}}, {36001000, {false, true, TimeAndElapsed, 1, 60, 200}},
      {36002000, {true, false, Elapsed, 1, 8, 255}}, {36003000, {false, false, None, 1, 32, 64}},
      {36004000, {true, true, Time, 1, 32, 0}},      {36005000, {true, true, Elapsed, 1, 96, 128}}};
  long long lit = 0;
  for (const auto& [elapsed, c] : steps) {
    SCOPED_TRACE(elapsed);
    tick64 = 1 + elapsed;  // opened at tick 1
    RenderOverlayBitmap(full, c);
    ASSERT_TRUE(PushOverlayBitmap(full, 255) && PushOverlayRect(partial, 255, RefreshOverlayContent(partial, c)));
    ASSERT_EQ(std::memcmp(full.pixels, partial.pixels, W * H * 4), 0);
    const RECT& r = partial.contentRect;  // with a clock of the usual size the next redraw stays in the corner
    EXPECT_TRUE(c.clockFontPt > 32 || (r.right - r.left) * (r.bottom - r.top) < W * H / 10);
    lit += std::count_if(full.pixels, full.pixels + W * H, [](std::uint32_t p) { return p != 0xFF000000u; });
  }
  EXPECT_GT(lit, 10000);  // not a comparison of black bitmaps only
}
