// Pure logic of the overlay: pixel formulas, fade, badge size limit, clock text and timing, badge layout.
#include <gtest/gtest.h>

#include <algorithm>

#include "TestSupport.h"
#include "base/SystemSeams.h"

TEST(OverlayPixels, BadgePixelIsScaledPremultipliedAndBlendedOver) {
  const struct { std::uint32_t straight; std::uint8_t badgeAlpha; std::uint32_t premultiplied, destination, blended; }
  cases[] = {
      {0xFFC86432, 255, 0xFFC86432, 0xFF123456, 0xFFC86432},  // full alpha copies the colour
      {0x80FFFFFF, 64, 0x20202020, 0xFF808080, 0xFF909090},   // 128 * 64 / 255 = 32; 128 * 223 / 255 + 32
      {0x80C86432, 64, 0x20190C06, 0xFF000000, 0xFF190C06},   // stays opaque over black
      {0xFF102030, 0, 0x00000000, 0xFF405060, 0xFF405060},    // alpha 0 leaves the destination
      {0x80804020, 255, 0x80402010, 0x00000000, 0x80402010},  // over transparent
      {0x80FF0000, 255, 0x80800000, 0xFFFFFFFF, 0xFFFF7F7F},  // (255 * 127 + 127) / 255 = 127
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.straight);
    EXPECT_EQ(PremultiplyBadgePixel(c.straight, c.badgeAlpha), c.premultiplied);
    std::uint32_t d = c.destination;
    BlendPixelOver(d, c.premultiplied);
    EXPECT_EQ(d, c.blended);
  }
}

TEST(OverlayPixels, FadeAlphaFollowsElapsedTimeAndHugePicturesAreRefused) {
  const struct { std::uint32_t elapsed, duration; std::uint8_t alpha; } cases[] = {
      {0, 120, 0}, {60, 120, 127}, {119, 120, 252}, {120, 120, 255}, {0, 0, 255}, {0xFFFFFFFF, 5000, 255}};
  for (const auto& c : cases) EXPECT_EQ(FadeAlpha(c.elapsed, c.duration), c.alpha) << c.elapsed << "/" << c.duration;
  EXPECT_TRUE(BadgeSizeAcceptable(4096, 4096));
  EXPECT_FALSE(BadgeSizeAcceptable(60000, 60000));
  EXPECT_FALSE(BadgeSizeAcceptable(0x80000000u, 1));
}

TEST(OverlayClock, TextForEachModeFontSizeAndFirstInterval) {
  ScopedSeams seams;
  seams->getTickCount64 = [] { return ULONGLONG{200000000}; };
  seams->getLocalTime = [](LPSYSTEMTIME t) { *t = SYSTEMTIME{2026, 12, 6, 5, 14, 5, 30, 0}; };
  wchar_t time[kClockTextChars], text[kClockTextChars], joined[192];
  OverlayComposition c{false, false, ClockDisplayMode::Time};
  ASSERT_TRUE(FormatClockText(c, time));
  EXPECT_NE(std::wstring(time).find(L") "), std::wstring::npos);  // date (day) time: this locale has day names
  const std::wstring both = std::wstring(time) + L"  36:00:00";
  using enum ClockDisplayMode;
  const struct { ClockDisplayMode mode; std::uint64_t openTick; const wchar_t* text; } cases[] = {  // null: none
      {Elapsed, 200000000, L"0:00:00"}, {Elapsed, 70400000, L"36:00:00"}, {Elapsed, 200000000 - 90189500, L"25:03:09"},
      {TimeAndElapsed, 70400000, both.c_str()}, {Elapsed, 0, nullptr}, {None, 5000, nullptr}};
  for (const auto& k : cases) {
    SCOPED_TRACE(k.openTick);
    c.clockMode = k.mode;
    c.openTick = k.openTick;
    EXPECT_STREQ(FormatClockText(c, text) ? text : nullptr, k.text);
  }
  ASSERT_TRUE(FormatTimeText(L"12/5/2026", L"Sat", L"2:05 PM", joined));
  EXPECT_STREQ(joined, L"12/5/2026 (Sat) 2:05 PM");
  ASSERT_TRUE(FormatTimeText(L"2026/12/05", L"", L"14:05", joined));  // a locale without day names
  EXPECT_STREQ(joined, L"2026/12/05 14:05");
  EXPECT_EQ(ClockFontPixels(32, 96), 43);
  EXPECT_EQ(ClockFontPixels(32, 120), 53);
  EXPECT_EQ(ClockFontPixels(32, 144), 64);
  const SYSTEMTIME at{2026, 12, 6, 5, 10, 15, 42, 300};
  EXPECT_EQ(ClockFirstIntervalMs(ClockDisplayMode::Time, at), 17700u);  // to the next full minute
  EXPECT_EQ(ClockFirstIntervalMs(ClockDisplayMode::Elapsed, at), 1000u);
}

constexpr std::uint32_t kKeep = 0xFF20C040, kSleep = 0xFFC04020;  // straight BGRA, opaque
constexpr int W = 400, H = 300;

static RECT BoundsOf(const std::vector<std::uint32_t>& pixels, std::uint32_t value) {
  RECT r{};
  for (std::size_t i = 0; i < pixels.size(); ++i) {
    const RECT one{LONG(i % W), LONG(i / W), LONG(i % W + 1), LONG(i / W + 1)};
    if (pixels[i] == value) UnionRect(&r, &r, &one);
  }
  return r;
}

TEST(OverlayLayout, BadgesSitInTheCornerAboveTheClockAndCloseUp) {
  OverlayScope scope;
  App().sleepPreventBadgeImage = SolidBadge(30, 16, kSleep);
  const struct { UINT dpi; bool sleep, keep, keepLoaded; int keepWidth; std::uint8_t alpha; RECT keepAt, sleepAt; }
  cases[] = {
      {96, true, true, true, 20, 255, {356, 266, 376, 276}, {318, 260, 348, 276}},   // 24 px margin, 8 px gap
      {144, true, true, true, 20, 255, {344, 254, 364, 264}, {302, 248, 332, 264}},  // 36 px margin, 12 px gap
      {96, true, false, true, 20, 255, {}, {346, 260, 376, 276}},                    // keep-active switched off
      {96, true, true, false, 20, 255, {}, {346, 260, 376, 276}},                    // its picture missing
      {96, false, true, true, 20, 255, {356, 266, 376, 276}, {}},                    // sleep badge switched off
      {96, false, true, true, 500, 255, {0, 266, 376, 276}, {}},                     // too wide: clipped
      {96, true, true, true, 20, 0, {}, {}},                                         // BadgeAlpha=0
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << &c - cases);
    App().keepActiveBadgeImage = SolidBadge(c.keepWidth, 10, kKeep);
    App().keepActiveBadgeImage.loaded = c.keepLoaded;
    std::vector<std::uint32_t> pixels(W * H, 0xFF000000);
    const OverlayComposition composition{c.sleep, c.keep, ClockDisplayMode::None, 5000, 32, c.alpha};
    const RECT touched = ComposeOverlayContent(pixels.data(), W, H, c.dpi, composition);
    RECT both{}, keepAt = BoundsOf(pixels, kKeep), sleepAt = BoundsOf(pixels, kSleep);
    EXPECT_TRUE(EqualRect(&keepAt, &c.keepAt));
    EXPECT_TRUE(EqualRect(&sleepAt, &c.sleepAt));
    UnionRect(&both, &c.keepAt, &c.sleepAt);
    EXPECT_TRUE(EqualRect(&touched, &both));
    const auto area = [](const RECT& r) { return (r.right - r.left) * (r.bottom - r.top); };
    EXPECT_EQ(std::count(pixels.begin(), pixels.end(), 0xFF000000u), W * H - area(c.keepAt) - area(c.sleepAt));
  }
  App().keepActiveBadgeImage = SolidBadge(20, 10, kKeep);
  for (const UINT dpi : {96u, 144u}) {
    const OverlayComposition c{true, true, ClockDisplayMode::Elapsed, 5000, 32, 255};
    int clockTop = 0, clockHeight = 0;
    ASSERT_TRUE(MeasureClockText(W, H, dpi, MulDiv(24, dpi, 96), c, clockTop, clockHeight));
    std::vector<std::uint32_t> pixels(W * H, 0xFF000000);
    ComposeOverlayContent(pixels.data(), W, H, dpi, c);
    EXPECT_EQ(BoundsOf(pixels, kKeep).bottom, clockTop - MulDiv(8, dpi, 96)) << dpi;
    EXPECT_EQ(BoundsOf(pixels, kSleep).bottom, clockTop - MulDiv(8, dpi, 96)) << dpi;
    EXPECT_GT(std::count_if(pixels.begin(), pixels.end(),
                            [](std::uint32_t p) { return p != 0xFF000000 && p != kKeep && p != kSleep; }),
              50);  // the clock's text
  }
  std::vector<std::uint32_t> pixels(W * H, 0xFF000000);  // BadgeAlpha=0 hides the clock as well
  ComposeOverlayContent(pixels.data(), W, H, 96, OverlayComposition{true, true, ClockDisplayMode::Time, 5000, 32, 0});
  EXPECT_EQ(std::count(pixels.begin(), pixels.end(), 0xFF000000u), W * H);
}
