// Which monitors a black screen covers: when it opens, and again after a display change.
#include "app/AppState.h"
#include "overlay/Overlay.h"

OverlayCover CoverFor(OverlayTarget target, std::uint64_t chosen, POINT cursor, std::span<const RECT> monitors) {
  OverlayCover cover;
  const std::size_t at = MonitorAt(monitors, cursor);
  for (std::size_t i = 0; i < monitors.size() && i < kMaxNumberedMonitors; ++i) {
    bool covered = true;  // All, Idle
    if (target == OverlayTarget::Current) covered = i == at;
    if (target == OverlayTarget::Others) covered = i != at;
    if (target == OverlayTarget::Chosen) covered = (chosen >> i & 1) != 0;
    cover.monitors |= std::uint64_t{covered} << i;
    if (i != at) continue;
    cover.freeCentre = RectCentre(monitors[i]);
    cover.takesKeyboard = covered;
  }
  return cover;
}

namespace {

// Where a monitor is now: the centre of the monitor of its name, else its centre as it was.
POINT PlaceNow(POINT centre, std::wstring_view name, std::span<const RECT> monitors,
               std::span<const std::wstring> names) {
  for (std::size_t i = 0; !name.empty() && i < names.size() && i < monitors.size(); ++i)
    if (names[i] == name) return RectCentre(monitors[i]);
  return centre;
}

}  // namespace

std::uint64_t MonitorsUnder(std::span<const OverlayWindow> windows, std::span<const RECT> monitors,
                            std::span<const std::wstring> names) {
  std::uint64_t held = 0;
  for (const OverlayWindow& w : windows)
    held |= MonitorHolding(monitors,
                           PlaceNow({w.left + w.width / 2, w.top + w.height / 2}, w.monitorName, monitors, names));
  return held;
}

std::uint64_t CoveredMonitors() { return MonitorsUnder(App().overlayWindows, ListMonitors().View()); }

std::uint64_t RebuiltCover(OverlayTarget target, std::span<const OverlayWindow> windows, const MonitorPlace& free,
                           std::span<const RECT> monitors, std::span<const std::wstring> names) {
  if (target == OverlayTarget::Current || target == OverlayTarget::Chosen)
    return MonitorsUnder(windows, monitors, names);
  return CoverFor(target, 0, PlaceNow(free.centre, free.name, monitors, names), monitors).monitors;
}
