// A small console tool for scripts that drive the running program from inside Wine:
//   e2e_drive post CLASS MESSAGE [WPARAM [LPARAM]]   posts a message to the top-level window of CLASS
//   e2e_drive wait CLASS [TIMEOUT_MS]                 waits until a visible window of CLASS exists
//   e2e_drive wait-any CLASS [TIMEOUT_MS]             waits until any window of CLASS exists (hidden too)
//   e2e_drive rect CLASS                              prints "left top width height" of that window
//   e2e_drive cursor X Y                              moves the cursor
// Numbers may be decimal or 0x-hexadecimal. Exit code 0 on success, 1 on failure, 2 on bad usage.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::wstring Widen(const char* text) {
  std::wstring wide;
  for (const char* c = text; *c != '\0'; ++c) wide += static_cast<wchar_t>(static_cast<unsigned char>(*c));
  return wide;
}

bool ParseNumber(const char* text, long long& value) {
  char* end = nullptr;
  value = std::strtoll(text, &end, 0);
  return end != text && *end == '\0';
}

// The visible (or, with anyWindow, any) top-level window of the class, or null.
HWND FindVisible(const std::wstring& className, bool anyWindow = false) {
  struct Search {
    const std::wstring* className;
    bool anyWindow;
    HWND found;
  } search{&className, anyWindow, nullptr};
  ::EnumWindows(
      [](HWND window, LPARAM data) -> BOOL {
        auto* s = reinterpret_cast<Search*>(data);
        wchar_t name[256] = {};
        ::GetClassNameW(window, name, 256);
        if (*s->className == name && (s->anyWindow || ::IsWindowVisible(window))) {
          s->found = window;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

int Post(int argc, char** argv) {
  long long message = 0;
  long long wParam = 0;
  long long lParam = 0;
  if (argc < 4 || argc > 6 || !ParseNumber(argv[3], message) || (argc > 4 && !ParseNumber(argv[4], wParam)) ||
      (argc > 5 && !ParseNumber(argv[5], lParam))) {
    return 2;
  }
  // The main window is hidden, so any window of the class counts here.
  HWND window = ::FindWindowW(Widen(argv[2]).c_str(), nullptr);
  if (window == nullptr) {
    std::fprintf(stderr, "no window of class %s\n", argv[2]);
    return 1;
  }
  return ::PostMessageW(window, static_cast<UINT>(message), static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam))
             ? 0
             : 1;
}

int Wait(int argc, char** argv, bool anyWindow) {
  long long timeoutMs = 10000;
  if (argc < 3 || argc > 4 || (argc > 3 && !ParseNumber(argv[3], timeoutMs))) return 2;
  const std::wstring className = Widen(argv[2]);
  const ULONGLONG end = ::GetTickCount64() + static_cast<ULONGLONG>(timeoutMs);
  for (;;) {
    if (FindVisible(className, anyWindow) != nullptr) return 0;
    if (::GetTickCount64() >= end) break;
    ::Sleep(20);
  }
  std::fprintf(stderr, "no %swindow of class %s\n", anyWindow ? "" : "visible ", argv[2]);
  return 1;
}

int Rect(int argc, char** argv) {
  if (argc != 3) return 2;
  HWND window = FindVisible(Widen(argv[2]));
  RECT r{};
  if (window == nullptr || !::GetWindowRect(window, &r)) {
    std::fprintf(stderr, "no visible window of class %s\n", argv[2]);
    return 1;
  }
  std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
  return 0;
}

int Cursor(int argc, char** argv) {
  long long x = 0;
  long long y = 0;
  if (argc != 4 || !ParseNumber(argv[2], x) || !ParseNumber(argv[3], y)) return 2;
  return ::SetCursorPos(static_cast<int>(x), static_cast<int>(y)) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  // Coordinates are physical pixels on every monitor.
  ::SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
  const std::string command = argc > 1 ? argv[1] : "";
  int result = 2;
  if (command == "post") result = Post(argc, argv);
  if (command == "wait") result = Wait(argc, argv, false);
  if (command == "wait-any") result = Wait(argc, argv, true);
  if (command == "rect") result = Rect(argc, argv);
  if (command == "cursor") result = Cursor(argc, argv);
  if (result == 2) {
    std::fprintf(stderr, "usage: e2e_drive post CLASS MESSAGE [WPARAM [LPARAM]] | wait CLASS [TIMEOUT_MS] | "
                         "wait-any CLASS [TIMEOUT_MS] | rect CLASS | cursor X Y\n");
  }
  return result;
}
