// The smallest Win32 program with one window, idle until the window is closed: the baseline for the
// start-up and memory figures. With "tray" on its command line it also shows one notification-area icon.
#include <windows.h>
#include <shellapi.h>

#include <cwchar>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
  const WNDCLASSW windowClass{0, ::DefWindowProcW, 0, 0, instance, nullptr, nullptr, nullptr, nullptr, L"BareWindow"};
  ::RegisterClassW(&windowClass);
  HWND window = ::CreateWindowExW(WS_EX_TOOLWINDOW, L"BareWindow", L"Bare", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                  instance, nullptr);
  NOTIFYICONDATAW icon{sizeof icon, window, 1, NIF_ICON | NIF_TIP};
  icon.hIcon = ::LoadIconW(nullptr, IDI_APPLICATION);
  const bool tray = std::wcsstr(commandLine, L"tray") != nullptr && ::Shell_NotifyIconW(NIM_ADD, &icon);
  for (MSG message; ::IsWindow(window) && ::GetMessageW(&message, nullptr, 0, 0) > 0;) ::DispatchMessageW(&message);
  if (tray) ::Shell_NotifyIconW(NIM_DELETE, &icon);
  return 0;
}
