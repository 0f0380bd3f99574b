// Pure logic of the overlay: pixel formulas, fade, click pairing, clock text and intervals, badge
// size limits.
#include <gtest/gtest.h>

#include <cstring>

#include "OverlayTestSupport.h"
#include "overlay/Overlay.h"

TEST(OverlayPixels, BadgePixelIsScaledByTheBadgeAlphaAndPremultiplied) {
  struct Case {
    std::uint32_t straight;
    std::uint8_t alpha;
    std::uint32_t expected;
  };
  const Case cases[] = {
      {0xFFC86432, 255, 0xFFC86432},  // opaque at full alpha: the colour as it is
      {0x80FFFFFF, 64, 0x20202020},   // 128 * 64 / 255 = 32, white premultiplied by 32
      {0x80C86432, 64, 0x20190C06},   // 200*32/255=25, 100*32/255=12, 50*32/255=6
      {0xFF102030, 0, 0x00000000},
      {0x00FFFFFF, 255, 0x00000000},
      {0x01FFFFFF, 255, 0x01010101},
  };
  for (const Case& c : cases) EXPECT_EQ(PremultiplyBadgePixel(c.straight, c.alpha), c.expected) << std::hex << c.straight;
}

TEST(OverlayPixels, SourceOverWithRounding) {
  struct Case {
    std::uint32_t destination;
    std::uint32_t source;
    std::uint32_t expected;
  };
  const Case cases[] = {
      {0xFF000000, 0x00FFFFFF, 0xFF000000},  // alpha 0 leaves the destination (even with colour bits)
      {0xFF123456, 0xFFC86432, 0xFFC86432},  // alpha 255 copies
      {0xFF000000, 0x20202020, 0xFF202020},  // over black the result stays opaque
      // 0xFF * 223 + 127 = 56992, / 255 = 223, + 0x20 = 255 for A; 0x80 * 223 + 127 = 28671 / 255 = 112 + 32 = 144
      {0xFF808080, 0x20202020, 0xFF909090},
      {0x00000000, 0x80402010, 0x80402010},
      {0xFFFFFFFF, 0x80FF0000, 0xFFFF7F7F},  // 255 * 127 + 127 = 32512 / 255 = 127; red clamps at 255
  };
  for (const Case& c : cases) {
    std::uint32_t d = c.destination;
    BlendPixelOver(d, c.source);
    EXPECT_EQ(d, c.expected) << std::hex << c.destination << " " << c.source;
  }
}

TEST(OverlayPixels, BadgesAreClippedAtTheEdgesNeverWrapped) {
  const int W = 8, H = 6;
  const BadgeImage badge = SolidBadge(4, 4, 0xFFFFFFFF);
  struct Case {
    int x, y;
    RECT expected;
  };
  const Case cases[] = {
      {2, 1, {2, 1, 6, 5}}, {-2, -3, {0, 0, 2, 1}}, {6, 4, {6, 4, 8, 6}}, {8, 0, {0, 0, 0, 0}}, {0, -4, {0, 0, 0, 0}},
      {-2147483647, 0, {0, 0, 0, 0}}, {2147483647 - 2, 0, {0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    std::vector<std::uint32_t> pixels(W * H, 0xFF000000);
    const RECT r = DrawBadge(pixels.data(), W, H, badge, c.x, c.y, 255);
    EXPECT_TRUE(std::memcmp(&r, &c.expected, sizeof(RECT)) == 0) << c.x << "," << c.y;
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; ++x) {
        const bool inside = x >= c.x && x < static_cast<long long>(c.x) + 4 && y >= c.y && y < c.y + 4;
        EXPECT_EQ(pixels[y * W + x], inside ? 0xFFFFFFFFu : 0xFF000000u) << c.x << "," << c.y << " at " << x << "," << y;
      }
  }
}

TEST(OverlayFade, AlphaFollowsElapsedTime) {
  struct Case {
    std::uint32_t elapsed, duration;
    std::uint8_t expected;
  };
  const Case cases[] = {{0, 120, 0},     {60, 120, 127},  {119, 120, 252}, {120, 120, 255}, {5000, 120, 255},
                        {0, 0, 255},     {2500, 5000, 127}, {4999, 5000, 254}, {0xFFFFFFFF, 5000, 255}};
  for (const Case& c : cases) EXPECT_EQ(FadeAlpha(c.elapsed, c.duration), c.expected) << c.elapsed << "/" << c.duration;
}

TEST(OverlayClicks, PairingAcrossTheTickCounterWrap) {
  // The window tests cover distance and time; this is the one case they cannot reach.
  EXPECT_TRUE(PressesPair(0xFFFFFF00, POINT{50, 60}, 0x10, POINT{46, 56}, 500));
  EXPECT_FALSE(PressesPair(0xFFFFFF00, POINT{50, 60}, 0x200, POINT{50, 60}, 500));
  EXPECT_FALSE(PressesPair(0, POINT{0, 0}, 100, POINT{0, 0}, 500));  // no stored press
}

TEST(OverlayBadgeFiles, SizeLimit) {
  struct Case {
    std::uint32_t w, h;
    bool ok;
  };
  const Case cases[] = {{1, 1, true},           {4096, 4096, true},    {4097, 4096, false},   {4096, 4097, false},
                        {16777216, 1, true},    {1, 16777217, false},  {60000, 60000, false}, {0, 10, false},
                        {10, 0, false},         {0x80000000u, 1, false}, {0xFFFFFFFFu, 0xFFFFFFFFu, false}};
  for (const Case& c : cases) EXPECT_EQ(BadgeSizeAcceptable(c.w, c.h), c.ok) << c.w << "x" << c.h;
}

TEST(OverlayClockText, ElapsedText) {
  struct Case {
    std::uint64_t ms;
    const wchar_t* text;
  };
  const Case cases[] = {{0, L"0:00:00"},           {999, L"0:00:00"},          {61000, L"0:01:01"},
                        {3599999, L"0:59:59"},     {36ull * 3600000, L"36:00:00"},
                        {(25ull * 3600 + 3 * 60 + 9) * 1000 + 500, L"25:03:09"}};
  for (const Case& c : cases) {
    wchar_t text[32];
    ASSERT_TRUE(FormatElapsedText(c.ms, text));
    EXPECT_STREQ(text, c.text);
  }
}

TEST(OverlayClockText, TimeTextWithAndWithoutDayName) {
  wchar_t text[192];
  ASSERT_TRUE(FormatTimeText(L"12/5/2026", L"Sat", L"2:05 PM", text));
  EXPECT_STREQ(text, L"12/5/2026 (Sat) 2:05 PM");
  ASSERT_TRUE(FormatTimeText(L"2026/12/05", L"", L"14:05", text));
  EXPECT_STREQ(text, L"2026/12/05 14:05");
}

TEST(OverlayClockText, FontSizeInPixels) {
  struct Case {
    int pt;
    UINT dpi;
    int px;
  };
  const Case cases[] = {{32, 96, 43}, {32, 120, 53}, {32, 144, 64}, {32, 0, 43}, {8, 96, 11}, {96, 144, 192}};
  for (const Case& c : cases) EXPECT_EQ(ClockFontPixels(c.pt, c.dpi), c.px) << c.pt << "pt at " << c.dpi;
}

TEST(OverlayClockText, FirstTimerInterval) {
  auto at = [](WORD second, WORD ms) {
    SYSTEMTIME t{};
    t.wHour = 10;
    t.wMinute = 15;
    t.wSecond = second;
    t.wMilliseconds = ms;
    return t;
  };
  EXPECT_EQ(ClockFirstIntervalMs(ClockDisplayMode::Time, at(42, 300)), 17700u);
  EXPECT_EQ(ClockFirstIntervalMs(ClockDisplayMode::Time, at(0, 0)), 60000u);
  EXPECT_EQ(ClockFirstIntervalMs(ClockDisplayMode::Time, at(59, 999)), 1u);
  EXPECT_EQ(ClockFirstIntervalMs(ClockDisplayMode::Time, at(60, 500)), 1000u);  // leap second
  EXPECT_EQ(ClockFirstIntervalMs(ClockDisplayMode::Elapsed, at(42, 300)), 1000u);
  EXPECT_EQ(ClockFirstIntervalMs(ClockDisplayMode::TimeAndElapsed, at(42, 300)), 1000u);
}
