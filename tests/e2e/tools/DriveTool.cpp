// For scripts/screenshots, inside Wine ("wait" and "rect" want a visible window; exit code 1 on failure):
//   e2e_drive post CLASS MESSAGE [WPARAM [LPARAM]] | wait CLASS [MS] | wait-any CLASS [MS] | rect CLASS | cursor X Y
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
  ::SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);  // physical pixels everywhere
  const std::string command = argc > 2 ? argv[1] : "", name = argc > 2 ? argv[2] : "";
  const auto number = [&](int i, long long otherwise) { return argc > i ? std::strtoll(argv[i], nullptr, 0) : otherwise; };
  if (command == "cursor") return ::SetCursorPos(static_cast<int>(number(2, 0)), static_cast<int>(number(3, 0))) ? 0 : 1;
  HWND window = nullptr;
  for (ULONGLONG end = ::GetTickCount64() + number(3, 10000); !window; ::Sleep(20)) {
    while ((window = ::FindWindowExW(nullptr, window, std::wstring(name.begin(), name.end()).c_str(), nullptr)) &&
           command != "post" && command != "wait-any" && !::IsWindowVisible(window)) {}
    if (!command.starts_with("wait") || ::GetTickCount64() >= end) break;
  }
  RECT r{};
  if (command == "rect" && window && ::GetWindowRect(window, &r))
    std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
  if (command == "post") return window && ::PostMessageW(window, static_cast<UINT>(number(3, 0)), number(4, 0), number(5, 0)) ? 0 : 1;
  return window ? 0 : 1;
}
