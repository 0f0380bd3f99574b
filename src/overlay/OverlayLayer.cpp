// What the overlay bitmap shows over the black fill: the two status badges and the clock.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <new>
#include <string>

#include "app/AppState.h"
#include "base/Helpers.h"
#include "config/ConfigLoad.h"
#include "config/IniDocument.h"
#include "overlay/Overlay.h"

namespace {

constexpr int kMargin96 = 24;
constexpr int kGap96 = 8;

}  // namespace

OverlayComposition BuildOverlayComposition(std::uint64_t openTick) {
  const Settings& settings = App().settings;
  OverlayComposition c;
  c.clockMode = settings.ClockDisplay;
  c.openTick = openTick;
  // The badges show the modes in force. One read of config.ini for the four keys (this runs on every clock tick);
  // defaults when unreadable.
  IniDocument document{std::wstring()};
  const bool read = ReloadConfigDocument(document);
  c.badgeAlpha =
      static_cast<std::uint8_t>(read ? ReadOverlayInt(document, kBadgeAlphaKey) : kBadgeAlphaKey.defaultValue);
  c.clockFontPt = read ? ReadOverlayInt(document, kClockFontKey) : kClockFontKey.defaultValue;
  c.showSleepPreventBadge = (!read || ReadOverlayBool(document, L"ShowSleepPreventBadge")) &&
                            App().sleepPreventShown.inForce;
  c.showKeepActiveBadge = (!read || ReadOverlayBool(document, L"ShowKeepActiveBadge")) && App().keepActiveShown.inForce;
  return c;
}

bool ShowsOverlayContent(const OverlayComposition& c) {
  return c.showSleepPreventBadge || c.showKeepActiveBadge || c.clockMode != ClockDisplayMode::None;
}

RECT ComposeOverlayContent(std::uint32_t* pixels, int width, int height, UINT dpi, const OverlayComposition& c) {
  RECT touched{};
  if (!pixels || width < 1 || height < 1 || !ShowsOverlayContent(c) || c.badgeAlpha == 0) return touched;
  if (c.showSleepPreventBadge || c.showKeepActiveBadge) LoadBadgeImages();

  const int d = static_cast<int>(DpiOrDefault(dpi));
  const int margin = ::MulDiv(kMargin96, d, 96);
  const int gap = ::MulDiv(kGap96, d, 96);
  const bool clock = c.clockMode != ClockDisplayMode::None;

  const BadgeImage& keepActive = App().keepActiveBadgeImage;
  const BadgeImage& sleepPrevent = App().sleepPreventBadgeImage;
  const bool keepActiveDrawn = c.showKeepActiveBadge && keepActive.loaded;
  const bool sleepPreventDrawn = c.showSleepPreventBadge && sleepPrevent.loaded;

  // The clock is measured only to lift the badges above it.
  int badgeBottom = height - margin;
  int clockTop = 0;
  int clockHeight = 0;
  if (clock && (keepActiveDrawn || sleepPreventDrawn) &&
      MeasureClockText(width, height, dpi, margin, c, clockTop, clockHeight))
    badgeBottom = std::max(clockTop - gap, margin);

  int right = width - margin;
  if (keepActiveDrawn) {
    const int x = right - keepActive.width;
    const RECT drawn = DrawBadge(pixels, width, height, keepActive, x, badgeBottom - keepActive.height, c.badgeAlpha);
    ::UnionRect(&touched, &touched, &drawn);
    right = x - gap;
  }
  if (sleepPreventDrawn) {
    const int x = right - sleepPrevent.width;
    const RECT drawn =
        DrawBadge(pixels, width, height, sleepPrevent, x, badgeBottom - sleepPrevent.height, c.badgeAlpha);
    ::UnionRect(&touched, &touched, &drawn);
  }
  if (clock) {
    RECT clockArea{};
    DrawClockText(pixels, width, height, dpi, margin, c, &clockArea);
    ::UnionRect(&touched, &touched, &clockArea);
  }
  return touched;
}

std::uint32_t PremultiplyBadgePixel(std::uint32_t s, std::uint8_t alpha) {
  const std::uint32_t a = (s >> 24) * alpha / 255;
  const std::uint32_t r = ((s >> 16) & 0xFF) * a / 255;
  const std::uint32_t g = ((s >> 8) & 0xFF) * a / 255;
  const std::uint32_t b = (s & 0xFF) * a / 255;
  return a << 24 | r << 16 | g << 8 | b;
}

void BlendPixelOver(std::uint32_t& destination, std::uint32_t source) {
  const std::uint32_t sa = source >> 24;
  if (sa == 0) return;
  if (sa == 255) {
    destination = source;
    return;
  }
  const std::uint32_t inv = 255 - sa;
  std::uint32_t out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const std::uint32_t d = (destination >> shift) & 0xFF;
    const std::uint32_t s = (source >> shift) & 0xFF;
    out |= std::min<std::uint32_t>((d * inv + 127) / 255 + s, 255) << shift;
  }
  destination = out;
}

RECT DrawBadge(std::uint32_t* pixels, int width, int height, const BadgeImage& image, int x, int y,
               std::uint8_t alpha) {
  if (!pixels || !image.loaded || image.width < 1 || image.height < 1 ||
      image.pixels.size() < static_cast<std::size_t>(image.width) * image.height)
    return RECT{};
  // The part of the picture that lands inside the bitmap; 64-bit so far-off positions cannot wrap.
  const std::int64_t left = std::max<std::int64_t>(x, 0);
  const std::int64_t top = std::max<std::int64_t>(y, 0);
  const std::int64_t right = std::min<std::int64_t>(static_cast<std::int64_t>(x) + image.width, width);
  const std::int64_t bottom = std::min<std::int64_t>(static_cast<std::int64_t>(y) + image.height, height);
  if (right <= left || bottom <= top) return RECT{};
  if (alpha != 0) {
    for (std::int64_t ty = top; ty < bottom; ++ty) {
      const std::uint32_t* source = image.pixels.data() + static_cast<std::size_t>(ty - y) * image.width;
      std::uint32_t* target = pixels + static_cast<std::size_t>(ty) * width;
      for (std::int64_t tx = left; tx < right; ++tx) {
        const std::uint32_t s = source[tx - x];
        if ((s >> 24) == 0) continue;
        BlendPixelOver(target[tx], PremultiplyBadgePixel(s, alpha));
      }
    }
  }
  return RECT{static_cast<LONG>(left), static_cast<LONG>(top), static_cast<LONG>(right), static_cast<LONG>(bottom)};
}
