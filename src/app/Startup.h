#pragma once
// Process start-up, the single-instance rule and the release of process-wide resources.
#include <windows.h>

// The whole life of the process: start-up, message loop, shutdown. Returns the exit code.
int RunApplication(HINSTANCE instance);

// Second start: asks the running instance to open its tray menu. False when no window was found.
bool SignalRunningInstance();


// Replaces the hotkey actions the menu no longer offers (AwayAll, AwayCurrent) by BlackCurrent.
void MigrateAwayAction();

// Releases the badge images, GDI+, COM and the mutex after the message loop.
void ReleaseProcessResources();
