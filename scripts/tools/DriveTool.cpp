// For scripts/screenshots, inside Wine; exit code 1 on failure. Windows and requests by name, their
// numbers from the program's own header:
//   screenshot_drive open about|menu    asks the running program for its About card or its tray menu
//   screenshot_drive wait|rect|close main|about|menu [MS]   waits for the window (visible, but for main),
//                                prints its rectangle, or closes it (Esc for the menu)
//   screenshot_drive cursor X Y
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/Messages.h"

int main(int argc, char** argv) {
  ::SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);  // physical pixels everywhere
  const std::string command = argc > 2 ? argv[1] : "", name = argc > 2 ? argv[2] : "";
  const auto number = [&](int i, int otherwise) { return argc > i ? std::atoi(argv[i]) : otherwise; };
  if (command == "cursor") return ::SetCursorPos(number(2, 0), number(3, 0)) ? 0 : 1;
  if (command == "open") {
    const HWND main = ::FindWindowW(kMainWindowClass, nullptr);
    return main && ::PostMessageW(main, name == "about" ? WM_COMMAND : WM_SHOWTRAYMENU, name == "about" ? IDM_ABOUT : 0,
                                  0)
               ? 0
               : 1;
  }
  const wchar_t* windowClass = name == "main" ? kMainWindowClass : name == "about" ? kAboutWindowClass : L"#32768";
  HWND window = nullptr;
  for (ULONGLONG end = ::GetTickCount64() + number(3, 10000); !window && ::GetTickCount64() < end; ::Sleep(20)) {
    while ((window = ::FindWindowExW(nullptr, window, windowClass, nullptr)) && name != "main" &&
           !::IsWindowVisible(window)) {
    }
    if (command != "wait") break;
  }
  RECT r{};
  if (command == "rect" && window && ::GetWindowRect(window, &r))
    std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
  if (command == "close" && window)
    return ::PostMessageW(window, name == "menu" ? WM_KEYDOWN : WM_CLOSE, VK_ESCAPE, 0) ? 0 : 1;
  return window ? 0 : 1;
}
