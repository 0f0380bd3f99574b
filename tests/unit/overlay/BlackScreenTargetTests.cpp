// The black screen's targets: monitor numbers, which monitors a target covers when it opens and after
// a display change, and who keeps the keyboard.
#include <gtest/gtest.h>

#include "TestSupport.h"

namespace {

using Rects = std::vector<RECT>;
std::string Corners(std::span<const RECT> rects) {  // "x,y x,y": the top-left corners
  std::string text;
  for (const RECT& r : rects)
    text.append(text.empty() ? "" : " ").append(std::to_string(r.left)).append(",").append(std::to_string(r.top));
  return text;
}
std::string Corners(std::uint64_t set, const Rects& monitors) {
  Rects chosen;
  for (std::size_t i = 0; i < monitors.size(); ++i)
    if (set >> i & 1) chosen.push_back(monitors[i]);
  return Corners(chosen);
}
std::vector<OverlayWindow> WindowsOver(const Rects& rects) {
  std::vector<OverlayWindow> windows(rects.size());
  for (std::size_t i = 0; i < rects.size(); ++i) {
    OverlayWindow& w = windows[i];
    w.left = rects[i].left, w.top = rects[i].top, w.width = rects[i].right - w.left, w.height = rects[i].bottom - w.top;
  }
  return windows;
}
const RECT kLeft{-1280, 0, 0, 1024}, kMiddle{0, 0, 1920, 1080}, kRight{1920, 0, 3200, 1024};

}  // namespace

TEST(MonitorNumbers, LeftToRightThenTopToBottom) {
  const struct { Rects given; std::string numbered; } cases[] = {
      {{{1280, 0, 2304, 768}, {0, 0, 1280, 800}}, "0,0 1280,0"},                                   // unequal heights
      {{{0, 1080, 1920, 2160}, {1920, 300, 3200, 1324}, {0, 0, 1920, 1080}}, "0,0 0,1080 1920,300"},  // stacked
      {{kMiddle, {-1280, 824, 0, 1848}, {-1280, -200, 0, 824}}, "-1280,-200 -1280,824 0,0"},        // negative
      {{{-800, -600, 0, 0}}, "-800,-600"}, {{}, ""}};
  for (auto [given, numbered] : cases) {
    NumberMonitors(given);
    EXPECT_EQ(Corners(given), numbered);
  }
}

// Numbered: 1 left (negative x), 2 middle (primary), 3 right. The cursor at (100, 100) is on 2.
TEST(MonitorNumbers, EachTargetCoversItsMonitorsWhenOpenedAndAfterADisplayChange) {
  using enum OverlayTarget;
  const Rects three{kLeft, kMiddle, kRight};
  struct Opened { OverlayTarget target; std::uint64_t chosen; POINT cursor; std::string covers; bool keyboard; };
  const Opened opened[] = {
      {All, 0, {100, 100}, "-1280,0 0,0 1920,0", true},   {Idle, 0, {100, 100}, "-1280,0 0,0 1920,0", true},
      {Current, 0, {100, 100}, "0,0", true},
      {Current, 0, {5000, 500}, "1920,0", true},  // off every monitor: the nearest
      {Others, 0, {100, 100}, "-1280,0 1920,0", false},    {Others, 0, {-50, 1030}, "0,0 1920,0", false},
      {Chosen, 0b101, {100, 100}, "-1280,0 1920,0", false}, {Chosen, 0b110, {100, 100}, "0,0 1920,0", true}};
  for (const auto& o : opened) {
    SCOPED_TRACE(&o - opened);
    const OverlayCover cover = CoverFor(o.target, o.chosen, o.cursor, three);
    EXPECT_EQ(std::pair(Corners(cover.monitors, three), cover.takesKeyboard), std::pair(o.covers, o.keyboard));
  }
  EXPECT_EQ(CoverFor(Others, 0, {100, 100}, three).freeCentre.x, 960);
  // Opened over `was` (Others with the cursor on the middle monitor); then the monitors are `now`.
  const RECT wide{0, 0, 2560, 1440}, movedRight{2560, 0, 3840, 1024};
  const struct { OverlayTarget target; Rects was, now; std::string covers; } rebuilt[] = {
      {All, three, {kMiddle, kRight}, "0,0 1920,0"},
      {Others, {kLeft, kRight}, {kMiddle, kRight}, "1920,0"},             // the left one unplugged
      {Others, {kLeft, kRight}, {kLeft, wide, movedRight}, "-1280,0 2560,0"},  // the cursor's grew: still free
      {Others, {kLeft, kRight}, {kLeft, kRight}, "-1280,0"},              // the cursor's gone: the nearest is free
      {Current, {kMiddle}, {wide, movedRight}, "0,0"},                    // its centre on a bigger monitor
      {Current, {kRight}, {kLeft, kMiddle}, ""},                          // its monitor gone: closes
      {Chosen, {kLeft, kRight}, {kMiddle}, ""},                           // no old centre is on a monitor now
      {Chosen, {kLeft, kRight}, {kLeft, {0, 0, 3000, 1440}}, "-1280,0 0,0"}};  // the right one's centre on a wider one
  for (const auto& r : rebuilt) {
    SCOPED_TRACE(&r - rebuilt);
    EXPECT_EQ(Corners(RebuiltCover(r.target, WindowsOver(r.was), RectCentre(kMiddle), r.now), r.now), r.covers);
  }
}

// Wine never refuses the foreground: a SetForegroundWindow by the black screen would show here. The seam
// answers as Windows does for a process without the right to the foreground, which the keyboard hook
// is for; a black screen that does not take the keyboard holds no hook either.
HWND underneath = nullptr;
TEST(BlackScreenKeyboard, OnlyABlackScreenOverTheCursorsMonitorTakesTheKeyboardAndOnlyCoveredOnesClose) {
  OverlayScope scope;
  ScopedSeams seams;
  seams->getForegroundWindow = [] { return underneath; };
  const WindowHandle window(
      ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 9, 9, nullptr, nullptr, nullptr, nullptr));
  underneath = window.Get();
  const struct { OverlayTarget target; std::uint64_t chosen; bool keyboard; } cases[] = {
      {OverlayTarget::Others, 0, false}, {OverlayTarget::Chosen, 0b10, false}, {OverlayTarget::Chosen, 0b11, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    ::SetForegroundWindow(underneath);
    ASSERT_TRUE(::SetCursorPos(300, 300));
    ShowOverlays(c.target, c.chosen);
    ASSERT_FALSE(App().overlayWindows.empty());
    const HWND last = App().overlayWindows.back().window.Get();  // over the second monitor
    EXPECT_EQ(::GetForegroundWindow() != underneath, c.keyboard);
    EXPECT_EQ(static_cast<bool>(App().overlayKeyHook), c.keyboard);
    EXPECT_EQ(::GetWindowLongW(last, GWL_EXSTYLE) & WS_EX_NOACTIVATE, 0);  // a click into it activates it
    const int dismissals = OverlayScope::Dismissals();
    ::SendMessageW(last, WM_KEYDOWN, VK_ESCAPE, 0), ::SendMessageW(last, WM_RBUTTONUP, 0, 0), PumpMessages(30);
    EXPECT_EQ(::IsWindow(last) != FALSE, !c.keyboard);  // with the cursor on the first: only when covered
    ASSERT_TRUE(::SetCursorPos(1600, 300));
    if (::IsWindow(last)) ::SendMessageW(last, WM_RBUTTONUP, 0, 0), PumpMessages(30);
    EXPECT_TRUE(App().overlayWindows.empty() && OverlayScope::Dismissals() == dismissals + 1);
  }
}
