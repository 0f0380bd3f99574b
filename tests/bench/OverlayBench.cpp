// An elapsed clock ticking on a 3840 x 2160 overlay: a full render and push per tick against the
// partial redraw of the corner that held or now holds the badges and the clock.
#include <windows.h>

#include <cstdint>

#include "BenchSupport.h"
#include "app/AppState.h"
#include "app/SystemSeams.h"
#include "overlay/Overlay.h"

namespace {

ULONGLONG g_now = 10000000;
ULONGLONG WINAPI BenchTick64() { return g_now; }

BadgeImage Badge(int size, std::uint32_t bgra) {
  BadgeImage image;
  image.pixels.assign(static_cast<std::size_t>(size) * size, bgra);
  image.width = image.height = size;
  image.loaded = true;
  return image;
}

}  // namespace

void RunOverlayBench() {
  ScopedSeams seams;
  seams->getTickCount64 = BenchTick64;
  AppState& app = App();
  app.instance = ::GetModuleHandleW(nullptr);
  app.sleepPreventBadgeImage = Badge(64, 0xFF30A0F0);
  app.keepActiveBadgeImage = Badge(64, 0xC0C86432);
  RegisterOverlayClass();

  OverlayComposition c;
  c.showSleepPreventBadge = true;
  c.showKeepActiveBadge = true;
  c.clockMode = ClockDisplayMode::Elapsed;
  c.openTick = g_now;
  c.clockFontPt = 32;
  c.badgeAlpha = 200;
  if (!AddOverlayWindow(RECT{0, 0, 3840, 2160}, c)) {
    PrintRow("overlay: could not create a 3840x2160 window", 0, "");
    return;
  }
  OverlayWindow& overlay = app.overlayWindows.front();
  PushOverlayBitmap(overlay, 255);

  const int rounds = 21;
  const double fullRender = MedianMs(rounds, [&] {
    g_now += 1000;
    RenderOverlayBitmap(overlay, c);
  });
  PrintRow("overlay: full render per tick, 3840x2160", fullRender, "ms");
  const double partialRender = MedianMs(rounds, [&] {
    g_now += 1000;
    RefreshOverlayContent(overlay, c);
  });
  PrintRow("overlay: partial render per tick, 3840x2160", partialRender, "ms");
  const double fullTick = MedianMs(rounds, [&] {
    g_now += 1000;
    RenderOverlayBitmap(overlay, c);
    PushOverlayBitmap(overlay, 255);
  });
  PrintRow("overlay: full render + push per tick", fullTick, "ms");
  const double partialTick = MedianMs(rounds, [&] {
    g_now += 1000;
    const RECT dirty = RefreshOverlayContent(overlay, c);
    PushOverlayRect(overlay, 255, dirty);
  });
  PrintRow("overlay: partial render + push per tick", partialTick, "ms");
  PrintRow("overlay: partial / full, render + push", partialTick / fullTick, "");
  CloseOverlays();
  app.sleepPreventBadgeImage = BadgeImage{};
  app.keepActiveBadgeImage = BadgeImage{};
}
