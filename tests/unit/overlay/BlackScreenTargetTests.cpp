// Monitor numbers, the monitors each target covers when it opens and after a display change.
#include <gtest/gtest.h>

#include "TestSupport.h"

using enum OverlayTarget;
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
           {{{1280, 0, 2304, 768}, {0, 0, 1280, 800}}, "0,0;1280,0;"},  // unequal heights
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
    EXPECT_EQ(Corners(r.now, RebuiltCover(r.target, old, RectCentre(middle), r.now)), r.covers) << &r - rebuilt;
  }
}
