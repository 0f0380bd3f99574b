// The smallest Win32 program with one window, the baseline for start-up figures; with "wait" on its
// command line it stays until the window is closed, the baseline for memory figures; with "tray" it
// also shows one notification-area icon, as every tray program does.
#include <windows.h>
#include <shellapi.h>

#include <cwchar>

static LRESULT CALLBACK BareProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) ::PostQuitMessage(0);
  return ::DefWindowProcW(window, message, wParam, lParam);
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
  WNDCLASSEXW windowClass{sizeof windowClass, 0, BareProc};
  windowClass.hInstance = instance;
  windowClass.lpszClassName = L"BareWindow";
  ::RegisterClassExW(&windowClass);
  HWND window = ::CreateWindowExW(WS_EX_TOOLWINDOW, L"BareWindow", L"Bare", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                  instance, nullptr);
  NOTIFYICONDATAW icon{sizeof icon, window, 1, NIF_ICON | NIF_TIP};
  icon.hIcon = ::LoadIconW(nullptr, IDI_APPLICATION);
  const bool tray = commandLine != nullptr && std::wcsstr(commandLine, L"tray") != nullptr;
  if (tray) ::Shell_NotifyIconW(NIM_ADD, &icon);
  if (commandLine == nullptr || std::wcsstr(commandLine, L"wait") == nullptr) return ::DestroyWindow(window) ? 0 : 1;
  for (MSG message; ::GetMessageW(&message, nullptr, 0, 0) > 0;) ::DispatchMessageW(&message);
  if (tray) ::Shell_NotifyIconW(NIM_DELETE, &icon);
  return 0;
}
