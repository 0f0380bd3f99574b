// The smallest Win32 program that creates one window and ends: the baseline for start-up figures.
// With "wait" on its command line it stays in its message loop until the window is closed, as the
// baseline for memory figures.
#include <windows.h>

#include <cwchar>

namespace {

LRESULT CALLBACK BareProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    ::PostQuitMessage(0);
    return 0;
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = BareProc;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = L"BareWindow";
  ::RegisterClassExW(&windowClass);
  HWND window = ::CreateWindowExW(WS_EX_TOOLWINDOW, L"BareWindow", L"Bare", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                  instance, nullptr);
  if (commandLine == nullptr || std::wcsstr(commandLine, L"wait") == nullptr) {
    ::DestroyWindow(window);
    return 0;
  }
  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) ::DispatchMessageW(&message);
  return 0;
}
