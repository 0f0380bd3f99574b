#pragma once
// Dark or light tray menus, following the app theme of Windows.
#include <windows.h>

// Reads the app theme of Windows and sets the menus of this process to follow it (the theme library
// is loaded at the first call).
void ApplyMenuTheme();
void ThemeOpenMenuWindows();
