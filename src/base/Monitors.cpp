#include "base/Monitors.h"

#include <utility>

#include "base/SystemSeams.h"

namespace {

BOOL CALLBACK CollectMonitor(HMONITOR, HDC, LPRECT rect, LPARAM context) {
  MonitorList& list = *reinterpret_cast<MonitorList*>(context);
  if (rect && list.count < kMaxNumberedMonitors) list.rects[list.count++] = *rect;
  return TRUE;
}

}  // namespace

// An insertion sort: a handful of monitors, and far less code than the library's sorts.
void NumberMonitors(std::span<RECT> monitors) {
  for (std::size_t i = 1; i < monitors.size(); ++i)
    for (std::size_t j = i; j > 0; --j) {
      const RECT &a = monitors[j - 1], &b = monitors[j];
      if (a.left < b.left || (a.left == b.left && a.top <= b.top)) break;
      std::swap(monitors[j - 1], monitors[j]);
    }
}

MonitorList ListMonitors() {
  MonitorList list;
  Seams().enumDisplayMonitors(nullptr, nullptr, CollectMonitor, reinterpret_cast<LPARAM>(&list));
  NumberMonitors({list.rects, list.count});
  return list;
}

std::wstring MonitorName(const RECT& monitor) {
  MONITORINFOEXW info{};
  info.cbSize = sizeof info;
  const HMONITOR handle = ::MonitorFromRect(&monitor, MONITOR_DEFAULTTONULL);
  if (handle == nullptr || !::GetMonitorInfoW(handle, &info) || !::EqualRect(&info.rcMonitor, &monitor)) return {};
  return info.szDevice;
}

std::size_t MonitorAt(std::span<const RECT> monitors, POINT point) {
  std::size_t nearest = 0;
  long long best = -1;
  for (std::size_t i = 0; i < monitors.size(); ++i) {
    const RECT& r = monitors[i];
    const long long dx = point.x < r.left ? r.left - point.x : point.x < r.right ? 0 : point.x - r.right + 1;
    const long long dy = point.y < r.top ? r.top - point.y : point.y < r.bottom ? 0 : point.y - r.bottom + 1;
    if (best >= 0 && dx * dx + dy * dy >= best) continue;
    best = dx * dx + dy * dy;
    nearest = i;
  }
  return nearest;
}

std::uint64_t MonitorHolding(std::span<const RECT> monitors, POINT point) {
  const std::size_t at = MonitorAt(monitors, point);
  const bool held = at < monitors.size() && at < kMaxNumberedMonitors && ::PtInRect(&monitors[at], point);
  return held ? std::uint64_t{1} << at : 0;
}
