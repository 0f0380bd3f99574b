// The smallest Win32 program that creates one window and ends: the baseline for start-up figures.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = ::DefWindowProcW;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = L"BareWindow";
  ::RegisterClassExW(&windowClass);
  HWND window = ::CreateWindowExW(WS_EX_TOOLWINDOW, L"BareWindow", L"Bare", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                  instance, nullptr);
  ::DestroyWindow(window);
  return 0;
}
