#pragma once
// Dark or light tray menus, following the app theme of Windows.
#include <windows.h>

void ApplyMenuTheme(HWND window);
void ThemeOpenMenuWindows();
