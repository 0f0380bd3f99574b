#pragma once
// The hidden main window: receiver of tray, hotkey, timer, command and shell messages.
#include <windows.h>

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void OnOverlayDismissed();
