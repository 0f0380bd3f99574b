#pragma once
// Process start-up, the single-instance rule and the release of process-wide resources.
#include <windows.h>

// The whole life of the process: start-up, message loop, shutdown. Returns the exit code.
int RunApplication(HINSTANCE instance);

// Whether CreateMutexW's error says that another instance holds the name.
bool AnotherInstanceRuns(DWORD mutexError);

// Second start: asks the running instance to open its tray menu. False when no window was found.
bool SignalRunningInstance();


// Adds the tray icon at start-up. The shell may refuse it for a while (Explorer still starting at
// log-on), so it is tried again for 30 seconds while messages are handled ("TaskbarCreated" among
// them adds it at once); after that the program runs without an icon until the next "TaskbarCreated".
// False when WM_QUIT arrived meanwhile (it is posted again for the message loop).
bool AddTrayIconAtStartup();
inline constexpr ULONGLONG kTrayIconRetryMs = 30000;
inline constexpr DWORD kTrayIconRetryStepMs = 500;

// Releases the badge images, GDI+, COM and the mutex after the message loop.
void ReleaseProcessResources();
