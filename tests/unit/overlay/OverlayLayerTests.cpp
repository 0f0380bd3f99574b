// Badge layout, clock text and drawing, and decoding of the badge pictures.
#include <gtest/gtest.h>

#include "OverlayTestSupport.h"
#include "app/SystemSeams.h"
#include "overlay/Overlay.h"

namespace {

constexpr std::uint32_t kKeepColour = 0xFF20C040;   // straight BGRA, opaque
constexpr std::uint32_t kSleepColour = 0xFFC04020;

// Bounding box of the pixels equal to one value ({0,0,0,0} when there are none).
RECT BoundsOf(const std::vector<std::uint32_t>& pixels, int width, int height, std::uint32_t value) {
  RECT r{width, height, 0, 0};
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      if (pixels[static_cast<std::size_t>(y) * width + x] == value) {
        r.left = std::min<LONG>(r.left, x);
        r.top = std::min<LONG>(r.top, y);
        r.right = std::max<LONG>(r.right, x + 1);
        r.bottom = std::max<LONG>(r.bottom, y + 1);
      }
  return r.right == 0 ? RECT{} : r;
}

bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

std::string Show(const RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "-" + std::to_string(r.right) + "," +
         std::to_string(r.bottom);
}

OverlayComposition Badges(bool sleep, bool keep, ClockDisplayMode clock = ClockDisplayMode::None) {
  OverlayComposition c;
  c.showSleepPreventBadge = sleep;
  c.showKeepActiveBadge = keep;
  c.clockMode = clock;
  c.openTick = 5000;
  c.badgeAlpha = 255;
  return c;
}

ULONGLONG WINAPI FixedTick64() { return 5000 + 3723000; }  // 1:02:03 after the opening at 5000

void WINAPI FixedLocalTime(LPSYSTEMTIME t) {
  *t = SYSTEMTIME{};
  t->wYear = 2026;
  t->wMonth = 12;
  t->wDay = 5;
  t->wDayOfWeek = 6;
  t->wHour = 14;
  t->wMinute = 5;
  t->wSecond = 30;
}

std::wstring ExpectedTimeText() {
  SYSTEMTIME t;
  FixedLocalTime(&t);
  wchar_t date[80], day[32], time[80];
  ::GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &t, nullptr, date, 80);
  ::GetDateFormatW(LOCALE_USER_DEFAULT, 0, &t, L"ddd", day, 32);
  ::GetTimeFormatW(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &t, nullptr, time, 80);
  return std::wstring(date) + L" (" + day + L") " + time;
}

}  // namespace

TEST(OverlayLayout, BadgesSitInTheCornerAndCloseUp) {
  OverlayScope scope;
  App().keepActiveBadgeImage = SolidBadge(20, 10, kKeepColour);
  App().sleepPreventBadgeImage = SolidBadge(30, 16, kSleepColour);
  const int W = 400, H = 300;
  struct Case {
    const char* name;
    UINT dpi;
    bool sleep, keep, keepLoaded;
    RECT keepAt, sleepAt;
  };
  const Case cases[] = {
      {"both at 96", 96, true, true, true, {356, 266, 376, 276}, {318, 260, 348, 276}},
      {"both at 144", 144, true, true, true, {344, 254, 364, 264}, {302, 248, 332, 264}},
      {"dpi 0 counts as 96", 0, true, true, true, {356, 266, 376, 276}, {318, 260, 348, 276}},
      {"keep-active switched off", 96, true, false, true, {}, {346, 260, 376, 276}},
      {"keep-active picture missing", 96, true, true, false, {}, {346, 260, 376, 276}},
      {"sleep switched off", 96, false, true, true, {356, 266, 376, 276}, {}},
  };
  for (const Case& c : cases) {
    App().keepActiveBadgeImage = SolidBadge(20, 10, kKeepColour);
    App().keepActiveBadgeImage.loaded = c.keepLoaded;
    std::vector<std::uint32_t> pixels(W * H, 0xFF000000);
    const RECT touched = ComposeOverlayContent(pixels.data(), W, H, c.dpi, Badges(c.sleep, c.keep));
    EXPECT_TRUE(SameRect(BoundsOf(pixels, W, H, kKeepColour), c.keepAt)) << c.name << " keep " << Show(BoundsOf(pixels, W, H, kKeepColour));
    EXPECT_TRUE(SameRect(BoundsOf(pixels, W, H, kSleepColour), c.sleepAt)) << c.name << " sleep " << Show(BoundsOf(pixels, W, H, kSleepColour));
    // Nothing else changed, and the reported area holds both.
    int coloured = 0;
    for (std::uint32_t p : pixels) coloured += p != 0xFF000000;
    const int expected = (c.keep && c.keepLoaded ? 200 : 0) + (c.sleep ? 480 : 0);
    EXPECT_EQ(coloured, expected) << c.name;
    RECT both{};
    UnionRect(&both, &c.keepAt, &c.sleepAt);
    EXPECT_TRUE(SameRect(touched, both)) << c.name << " " << Show(touched);
  }
}

TEST(OverlayLayout, ABadgeLargerThanTheMonitorIsClipped) {
  OverlayScope scope;
  App().keepActiveBadgeImage = SolidBadge(500, 400, kKeepColour);
  const int W = 400, H = 300;
  std::vector<std::uint32_t> pixels(W * H, 0xFF000000);
  ComposeOverlayContent(pixels.data(), W, H, 96, Badges(false, true));
  EXPECT_TRUE(SameRect(BoundsOf(pixels, W, H, kKeepColour), RECT{0, 0, 376, 276}));
  EXPECT_EQ(pixels[(H - 1) * W + (W - 1)], 0xFF000000u);  // the margin stays black
}

TEST(OverlayLayout, BadgesSitAboveTheClock) {
  OverlayScope scope;
  ScopedSeams seams;
  seams->getTickCount64 = FixedTick64;
  App().keepActiveBadgeImage = SolidBadge(20, 10, kKeepColour);
  App().sleepPreventBadgeImage = SolidBadge(30, 16, kSleepColour);
  const int W = 800, H = 600;
  for (UINT dpi : {96u, 144u}) {
    const int margin = MulDiv(24, dpi, 96), gap = MulDiv(8, dpi, 96);
    const OverlayComposition c = Badges(true, true, ClockDisplayMode::Elapsed);
    int clockTop = 0, clockHeight = 0;
    ASSERT_TRUE(MeasureClockText(W, H, dpi, margin, c, clockTop, clockHeight));
    EXPECT_GT(clockHeight, MulDiv(32, dpi, 72) / 2);
    std::vector<std::uint32_t> pixels(W * H, 0xFF000000);
    ComposeOverlayContent(pixels.data(), W, H, dpi, c);
    EXPECT_EQ(BoundsOf(pixels, W, H, kKeepColour).bottom, clockTop - gap) << dpi;
    EXPECT_EQ(BoundsOf(pixels, W, H, kSleepColour).bottom, clockTop - gap) << dpi;
    // Clock pixels: white text within the corner box, nothing right of W - margin or below H - margin.
    int clockPixels = 0;
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; ++x) {
        const std::uint32_t p = pixels[y * W + x];
        if (p == 0xFF000000 || p == kKeepColour || p == kSleepColour) continue;
        ++clockPixels;
        EXPECT_GE(y, clockTop - 2);
        EXPECT_LT(x, W - margin + 2);
        EXPECT_EQ(p >> 24, 0xFFu);  // over black the layer stays opaque
      }
    EXPECT_GT(clockPixels, 50) << dpi;
  }
}

TEST(OverlayLayout, BadgeAlphaZeroDrawsNothing) {
  OverlayScope scope;
  App().keepActiveBadgeImage = SolidBadge(20, 10, kKeepColour);
  App().sleepPreventBadgeImage = SolidBadge(30, 16, kSleepColour);
  OverlayComposition c = Badges(true, true, ClockDisplayMode::Time);
  c.badgeAlpha = 0;
  std::vector<std::uint32_t> pixels(400 * 300, 0xFF000000);
  const RECT touched = ComposeOverlayContent(pixels.data(), 400, 300, 96, c);
  EXPECT_TRUE(IsRectEmpty(&touched));
  for (std::uint32_t p : pixels) ASSERT_EQ(p, 0xFF000000u);
}

TEST(OverlayClock, TextForEachMode) {
  ScopedSeams seams;
  seams->getTickCount64 = FixedTick64;
  seams->getLocalTime = FixedLocalTime;
  const std::wstring time = ExpectedTimeText();
  struct Case {
    ClockDisplayMode mode;
    std::uint64_t openTick;
    bool ok;
    std::wstring text;
  };
  const Case cases[] = {
      {ClockDisplayMode::Time, 5000, true, time},
      {ClockDisplayMode::Elapsed, 5000, true, L"1:02:03"},
      {ClockDisplayMode::Elapsed, FixedTick64(), true, L"0:00:00"},
      {ClockDisplayMode::TimeAndElapsed, 5000, true, time + L"  1:02:03"},
      {ClockDisplayMode::Elapsed, 0, false, L""},
      {ClockDisplayMode::Time, 0, true, time},
      {ClockDisplayMode::None, 5000, false, L""},
      {static_cast<ClockDisplayMode>(7), 5000, false, L""},
  };
  for (const Case& c : cases) {
    OverlayComposition composition;
    composition.clockMode = c.mode;
    composition.openTick = c.openTick;
    wchar_t text[kClockTextChars];
    EXPECT_EQ(FormatClockText(composition, text), c.ok) << static_cast<int>(c.mode);
    if (c.ok) {
      EXPECT_EQ(std::wstring(text), c.text);
    }
  }
  EXPECT_NE(time.find(L'('), std::wstring::npos);  // this locale has day names
}

TEST(OverlayBadgeFiles, DecodesStraightBgraAndRefusesOversizedHeaders) {
  OverlayScope scope;
  const std::vector<std::uint32_t> picture = {0xFF0000FF, 0x80FFFFFF, 0x00000000, 0xFF102030, 0x40C86432, 0xFFFFFFFF};
  const std::wstring good = scope.Folder().File(L"good.png");
  ASSERT_TRUE(WriteBytes(good, MakePng(3, 2, 3, 2, picture)));
  BadgeImage image;
  ASSERT_TRUE(DecodePngFile(good, image));
  EXPECT_TRUE(image.loaded);
  EXPECT_EQ(image.width, 3);
  EXPECT_EQ(image.height, 2);
  EXPECT_EQ(image.pixels, picture);

  struct Case {
    const wchar_t* name;
    Bytes bytes;
  };
  const Case bad[] = {
      {L"huge.png", MakePng(60000, 60000, 1, 1, {0xFFFFFFFF})},
      {L"wide.png", MakePng(70000, 1000, 1, 1, {0xFFFFFFFF})},
      {L"notpng.png", ToBytes("this is not a picture")},
      {L"empty.png", Bytes()},
  };
  for (const Case& c : bad) {
    const std::wstring path = scope.Folder().File(c.name);
    ASSERT_TRUE(WriteBytes(path, c.bytes));
    BadgeImage refused = image;  // a failed decode also drops what the record held
    EXPECT_FALSE(DecodePngFile(path, refused)) << c.name;
    EXPECT_FALSE(refused.loaded);
    EXPECT_TRUE(refused.pixels.empty());
    EXPECT_EQ(refused.width, 0);
  }
  BadgeImage missing;
  EXPECT_FALSE(DecodePngFile(scope.Folder().File(L"absent.png"), missing));
  EXPECT_FALSE(DecodePngFile(L"", missing));
}

TEST(OverlayBadgeFiles, PicturesBesideTheExecutableAreLoadedOnceAndKept) {
  OverlayScope scope;
  const std::wstring mode1 = ExecutableFolder() + L"\\mode1.png";
  const std::wstring mode2 = ExecutableFolder() + L"\\mode2.png";
  ASSERT_TRUE(WriteBytes(mode1, MakePng(2, 2, 2, 2, {kSleepColour, kSleepColour, kSleepColour, kSleepColour})));
  ::DeleteFileW(mode2.c_str());
  LoadBadgeImages();
  EXPECT_TRUE(App().sleepPreventBadgeImage.loaded);
  EXPECT_FALSE(App().keepActiveBadgeImage.loaded);
  // Deleting the file afterwards does not remove the decoded picture; adding the other one loads it.
  ::DeleteFileW(mode1.c_str());
  ASSERT_TRUE(WriteBytes(mode2, MakePng(1, 1, 1, 1, {kKeepColour})));
  LoadBadgeImages();
  ::DeleteFileW(mode2.c_str());
  EXPECT_TRUE(App().sleepPreventBadgeImage.loaded);
  EXPECT_EQ(App().sleepPreventBadgeImage.width, 2);
  ASSERT_TRUE(App().keepActiveBadgeImage.loaded);
  EXPECT_EQ(App().keepActiveBadgeImage.pixels[0], kKeepColour);
}

TEST(OverlayComposition, ReadsTheOverlayKeysFromTheFileAtEveryComposition) {
  struct Case {
    const char* name;
    std::string text;  // empty: a folder stands where config.ini should be (unreadable)
    bool sleepOn, keepOn;
    std::uint8_t alpha;
    std::int32_t pt;
    bool sleepShown, keepShown;
  };
  const Case cases[] = {
      {"defaults", "[Overlay]\n", true, true, 64, 32, true, true},
      {"limits", "[Overlay]\nBadgeAlpha=300\nClockFontPt=4\n", true, true, 255, 8, true, true},
      {"other limits", "[Overlay]\nBadgeAlpha=-5\nClockFontPt=200\n", true, true, 0, 96, true, true},
      {"badge switched off", "[Overlay]\nShowSleepPreventBadge=0\nBadgeAlpha=10\n", true, true, 10, 32, false, true},
      {"mode off hides its badge", "[Overlay]\nShowKeepActiveBadge=yes\n", true, false, 64, 32, true, false},
      {"unreadable file", "", true, true, 64, 32, true, true},
  };
  for (const Case& c : cases) {
    OverlayScope scope(c.text);
    if (c.text.empty()) {
      ASSERT_TRUE(::CreateDirectoryW(App().configPath.c_str(), nullptr));
    }
    App().settings.SleepPrevent = c.sleepOn;
    App().settings.KeepActive = c.keepOn;
    App().settings.ClockDisplay = ClockDisplayMode::TimeAndElapsed;
    const OverlayComposition built = BuildOverlayComposition(1234);
    EXPECT_EQ(built.badgeAlpha, c.alpha) << c.name;
    EXPECT_EQ(built.clockFontPt, c.pt) << c.name;
    EXPECT_EQ(built.showSleepPreventBadge, c.sleepShown) << c.name;
    EXPECT_EQ(built.showKeepActiveBadge, c.keepShown) << c.name;
    EXPECT_EQ(built.clockMode, ClockDisplayMode::TimeAndElapsed) << c.name;
    EXPECT_EQ(built.openTick, 1234u) << c.name;
  }
}
