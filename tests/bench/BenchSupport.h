#pragma once
// Minimal timing helpers for the benchmark executable (not a test: it prints figures).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

// Median wall time of `rounds` runs of `work`, in milliseconds.
inline double MedianMs(int rounds, const std::function<void()>& work) {
  LARGE_INTEGER frequency;
  ::QueryPerformanceFrequency(&frequency);
  std::vector<double> times;
  for (int i = 0; i < rounds; ++i) {
    LARGE_INTEGER start, end;
    ::QueryPerformanceCounter(&start);
    work();
    ::QueryPerformanceCounter(&end);
    times.push_back(1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart));
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

inline void PrintRow(const char* name, double value, const char* unit) {
  std::printf("%-48s %12.3f %s\n", name, value, unit);
  std::fflush(stdout);
}
