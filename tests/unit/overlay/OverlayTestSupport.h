#pragma once
// Helpers for the overlay tests: a clean state whose config.ini holds the given [Overlay] lines, that
// counts dismissals and closes what a test leaves open; solid badge pictures; a message pump.
#include "AppTestSupport.h"
#include "overlay/Overlay.h"

struct OverlayScope : AppScope {
  explicit OverlayScope(const std::string& lines = "FadeInDurationMs=0\nClockDisplay=None\n")
      : AppScope("[Overlay]\n" + lines) {
    App().overlayDismissedHandler = [] { ++Dismissals(); };
    Dismissals() = 0;
  }
  ~OverlayScope() { CloseOverlays(); }
  static int& Dismissals() {
    static int count = 0;
    return count;
  }
};

inline BadgeImage SolidBadge(int width, int height, std::uint32_t bgra) {
  return BadgeImage{std::vector<std::uint32_t>(static_cast<std::size_t>(width) * height, bgra), width, height, true};
}

// Delivers whatever is queued for this thread's windows, for at least `forMs`.
inline void PumpMessages(DWORD forMs) {
  const DWORD start = ::GetTickCount();
  for (MSG message; ::GetTickCount() - start < forMs; ::Sleep(10))
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);
}
