#pragma once
// The hidden main window: receiver of tray, hotkey, timer, command and shell messages.
#include <windows.h>

// Registers the window class and creates the hidden main window (kept in AppState.mainWindow).
HWND CreateMainWindow();
LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void OnOverlayDismissed();

#include <cstdint>

// The tray click filter: true when the event is a click to act on (and remembers its time).
bool AcceptTrayClick(std::uint32_t eventCode, std::uint32_t now);
void OnTrayIconMessage(LPARAM lParam);
