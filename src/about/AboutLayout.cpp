// Sizes and positions of the About card at a given DPI.
#include <windows.h>

#include <algorithm>

#include "about/AboutWindow.h"
#include "base/Helpers.h"

namespace {
constexpr int kClientWidth = 520;
constexpr int kClientHeight = 200;
constexpr int kEdgeMargin = 12;
constexpr int kSeparatorLeft = 142;
constexpr int kSeparatorRight = 488;
constexpr int kSeparatorY = 94;

struct ElementBox {
  int x, y, width, height;
};

// Indexed by AboutElement, at 96 DPI.
constexpr ElementBox kElementBoxes[] = {
    {34, 28, 64, 64},  // icon
    {142, 30, 180, 36},  // product name
    {292, 39, 190, 25},  // version
    {142, 62, 346, 28},  // description
    {142, 105, 346, 22},  // copyright
    {142, 127, 346, 22},  // created-by
    {142, 149, 346, 44},  // note
};
static_assert(sizeof kElementBoxes / sizeof kElementBoxes[0] == static_cast<int>(AboutElement::Count));

// Indexed by AboutFont, at 96 DPI.
constexpr AboutFontStyle kFontStyles[] = {
    {28, 650, false},  // title
    {17, 400, false},  // version
    {17, 400, true},  // comments
    {15, 400, false},  // small
};
}  // namespace

int ScaleForDpi(int value, UINT dpi) {
  return ::MulDiv(value, static_cast<int>(DpiOrDefault(dpi)), static_cast<int>(kDefaultDpi));
}

RECT AboutElementRect(AboutElement element, UINT dpi) {
  const int index = static_cast<int>(element);
  if (index < 0 || index >= static_cast<int>(AboutElement::Count)) return RECT{};
  const ElementBox& box = kElementBoxes[index];
  const int left = ScaleForDpi(box.x, dpi);
  const int top = ScaleForDpi(box.y, dpi);
  return RECT{left, top, left + ScaleForDpi(box.width, dpi), top + ScaleForDpi(box.height, dpi)};
}

RECT AboutSeparatorLine(UINT dpi) {
  const int y = ScaleForDpi(kSeparatorY, dpi);
  return RECT{ScaleForDpi(kSeparatorLeft, dpi), y, ScaleForDpi(kSeparatorRight, dpi), y};
}

AboutFontStyle AboutFontStyleAt(AboutFont font, UINT dpi) {
  AboutFontStyle style = kFontStyles[static_cast<int>(font)];
  style.cellHeight = ScaleForDpi(style.cellHeight, dpi);
  return style;
}

RECT AboutCardRect(POINT cursor, const RECT& workArea, UINT dpi) {
  RECT frame{0, 0, ScaleForDpi(kClientWidth, dpi), ScaleForDpi(kClientHeight, dpi)};
  ::AdjustWindowRectEx(&frame, WS_POPUP, FALSE, WS_EX_TOOLWINDOW);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  const int margin = ScaleForDpi(kEdgeMargin, dpi);
  const int lowest = workArea.left + margin;
  const int highest = std::max(lowest, static_cast<int>(workArea.right) - width - margin);
  const int x = std::clamp(static_cast<int>(cursor.x) - width / 2, lowest, highest);
  const int y = workArea.bottom - height - margin;
  return RECT{x, y, x + width, y + height};
}
