#pragma once
// Process start-up, the single-instance rule and the release of process-wide resources.
#include <windows.h>

#include <cstdint>
#include <string>

// The whole life of the process: start-up, message loop, shutdown. Returns the exit code.
int RunApplication(HINSTANCE instance);
// The resident program (started without arguments): 1 at once on a window station no one sees,
// 0 after a second start or at the end of the message loop.
int RunResident();
// Dispatches messages until WM_QUIT (its exit code), waiting on the watched programs as well.
int RunMessageLoop();

// Whether CreateMutexW's error says that another instance holds the name.
bool AnotherInstanceRuns(DWORD mutexError);

// Second start: asks the running instance to open its tray menu. False when no window was found.
bool SignalRunningInstance();

// Who started this copy. Only a copy the user started asks a running one for its menu: at log-on the
// copy from the Startup folder and one started by a command-line call may meet, and neither asked
// for a menu.
enum class StartedBy : std::uint8_t { User, StartupShortcut, CommandLineCall };
// From the start-up information (Explorer, starting a shortcut, sets STARTF_TITLEISLINKNAME and puts
// the link's path in lpTitle), the path of our shortcut in the user's Startup folder (empty when
// unknown) and whether the command line's mark was in the environment.
StartedBy ClassifyStart(DWORD startFlags, const wchar_t* title, const std::wstring& startupShortcut, bool callMark);

// Adds the tray icon with its tooltip. The shell may refuse it for a while (the taskbar comes 5 to 30
// seconds after log-on); then TIMER_TRAY_ICON tries again every kTrayIconRetryMs, kTrayIconRetries
// times, and after that "TaskbarCreated" adds it. Nothing else waits for the icon.
void StartTrayIcon();
void OnTrayIconTimer();

// Releases the badge images, GDI+, COM and the mutex after the message loop.
void ReleaseProcessResources();
