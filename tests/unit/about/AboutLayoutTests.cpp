#include <gtest/gtest.h>

#include "about/AboutWindow.h"

namespace {
int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }
}  // namespace

TEST(AboutLayout, CardSizeFollowsTheDpi) {
  const RECT work{0, 0, 1280, 770};
  struct Case {
    UINT dpi;
    int width, height;
  };
  const Case cases[] = {{96, 520, 200}, {0, 520, 200}, {120, 650, 250}, {144, 780, 300}, {192, 1040, 400}};
  for (const Case& c : cases) {
    const RECT card = AboutCardRect(POINT{640, 100}, work, c.dpi);
    EXPECT_EQ(Width(card), c.width) << c.dpi;
    EXPECT_EQ(Height(card), c.height) << c.dpi;
    EXPECT_EQ(card.bottom, work.bottom - ScaleForDpi(12, c.dpi)) << c.dpi;
  }
}

TEST(AboutLayout, CardIsCentredOnTheCursorAndClampedToTheWorkArea) {
  struct Case {
    const char* name;
    RECT work;
    POINT cursor;
    UINT dpi;
    int left;
  };
  const Case cases[] = {
      {"centred", {0, 0, 1280, 770}, {640, 5}, 96, 380},
      {"odd width halves down", {0, 0, 1280, 770}, {641, 5}, 96, 381},
      {"left edge", {0, 0, 1280, 770}, {3, 5}, 96, 12},
      {"left edge at 144", {0, 0, 1280, 770}, {3, 5}, 144, 18},
      {"right edge", {0, 0, 1280, 770}, {1279, 5}, 96, 1280 - 12 - 520},
      {"right edge at 144", {0, 0, 1280, 770}, {1279, 5}, 144, 1280 - 18 - 780},
      {"second monitor, left", {1280, 0, 2304, 738}, {1281, 5}, 96, 1292},
      {"second monitor, right", {1280, 0, 2304, 738}, {2303, 5}, 96, 2304 - 12 - 520},
      {"work area narrower than the card", {0, 0, 500, 400}, {250, 5}, 96, 12},
      {"negative coordinates", {-1024, 0, 0, 768}, {-1020, 5}, 96, -1012},
  };
  for (const Case& c : cases) {
    const RECT card = AboutCardRect(c.cursor, c.work, c.dpi);
    EXPECT_EQ(card.left, c.left) << c.name;
    EXPECT_EQ(card.bottom, c.work.bottom - ScaleForDpi(12, c.dpi)) << c.name;
  }
}

TEST(AboutLayout, ElementsAndFontsScale) {
  const RECT title96 = AboutElementRect(AboutElement::ProductName, 96);
  EXPECT_EQ(title96.left, 142);
  EXPECT_EQ(title96.top, 30);
  EXPECT_EQ(Width(title96), 180);
  EXPECT_EQ(Height(title96), 36);

  const RECT title144 = AboutElementRect(AboutElement::ProductName, 144);
  EXPECT_EQ(title144.left, 213);
  EXPECT_EQ(title144.top, 45);
  EXPECT_EQ(Width(title144), 270);
  EXPECT_EQ(Height(title144), 54);

  const RECT note144 = AboutElementRect(AboutElement::Note, 144);
  EXPECT_EQ(note144.top, 224);  // 149 * 1.5 rounded
  EXPECT_EQ(Height(note144), 66);
  const RECT icon144 = AboutElementRect(AboutElement::Icon, 144);
  EXPECT_EQ(Width(icon144), 96);
  EXPECT_EQ(AboutElementRect(AboutElement::Count, 96).right, 0);

  const RECT line = AboutSeparatorLine(144);
  EXPECT_EQ(line.left, 213);
  EXPECT_EQ(line.right, 732);
  EXPECT_EQ(line.top, 141);
  EXPECT_EQ(line.bottom, 141);

  struct Case {
    AboutFont font;
    UINT dpi;
    int height, weight;
    bool italic;
  };
  const Case cases[] = {
      {AboutFont::Title, 96, 28, 650, false},   {AboutFont::Title, 144, 42, 650, false},
      {AboutFont::Version, 144, 26, 400, false}, {AboutFont::Comments, 96, 17, 400, true},
      {AboutFont::Small, 96, 15, 400, false},   {AboutFont::Small, 0, 15, 400, false},
  };
  for (const Case& c : cases) {
    const AboutFontStyle style = AboutFontStyleAt(c.font, c.dpi);
    EXPECT_EQ(style.cellHeight, c.height) << static_cast<int>(c.font) << " at " << c.dpi;
    EXPECT_EQ(style.weight, c.weight);
    EXPECT_EQ(style.italic, c.italic);
  }
}
