#pragma once
// The monitors as the program numbers them: from 1, left to right by the left edge of their
// rectangle, top to bottom where left edges are equal. Rectangles in physical pixels of the virtual
// screen; the primary monitor is the one whose top-left corner is (0, 0).
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

// Monitors that are numbered (any further ones are left alone); a set of monitors is a 64-bit word
// whose bit n - 1 stands for monitor n.
inline constexpr std::size_t kMaxNumberedMonitors = 64;

struct MonitorList {
  RECT rects[kMaxNumberedMonitors];
  std::size_t count = 0;
  std::span<const RECT> View() const { return {rects, count}; }
};

// Puts the rectangles in number order.
void NumberMonitors(std::span<RECT> monitors);
// The monitors of the desktop now, in number order.
MonitorList ListMonitors();
// The index of the monitor that holds the point, else of the one nearest to it (0 when there is none).
std::size_t MonitorAt(std::span<const RECT> monitors, POINT point);
// The set of the monitor that holds the point; empty when none does.
std::uint64_t MonitorHolding(std::span<const RECT> monitors, POINT point);
// The device name (\\.\DISPLAY1) of the monitor whose rectangle this is; empty when no monitor has it.
// A monitor keeps its name when its resolution or place changes, or the primary monitor does.
std::wstring MonitorName(const RECT& monitor);
inline POINT RectCentre(const RECT& r) { return {r.left + (r.right - r.left) / 2, r.top + (r.bottom - r.top) / 2}; }
