#pragma once
// The hidden main window: receiver of tray, hotkey, timer, command and shell messages.
#include <windows.h>

// Registers the window class and creates the hidden main window (kept in AppState.mainWindow).
HWND CreateMainWindow();
// The main window of the running program, by its class and title (else by its class alone); null when none.
HWND FindMainWindow();
// Lets Explorer's restart, the menu request and command-line calls reach the window from lower
// integrity levels, only when the process runs above medium (elevated).
void AdmitLowerIntegrityCallers(HWND window, DWORD integrityLevel);
// The mandatory integrity level of the process token (a SECURITY_MANDATORY_*_RID); medium when unreadable.
DWORD ProcessIntegrityLevel();
LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void OnOverlayDismissed();

#include <cstdint>

// The tray click filter: true when the event is a click to act on (and remembers its time).
bool AcceptTrayClick(std::uint32_t eventCode, std::uint32_t now);
void OnTrayIconMessage(LPARAM lParam);
