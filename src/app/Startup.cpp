#include "app/Startup.h"

#include "app/AppState.h"
#include "app/CommandLineCalls.h"
#include "app/Commands.h"
#include "app/Conditions.h"
#include "app/MainWindow.h"
#include "app/TimedEnds.h"
#include "app/TimedSessions.h"
#include "base/Helpers.h"
#include "base/Messages.h"
#include "base/SystemSeams.h"
#include "config/ConfigLoad.h"
#include "config/ConfigSave.h"
#include "config/StartupShortcut.h"
#include "overlay/Overlay.h"
#include "power/Power.h"
#include "resource.h"
#include "tray/TrayIcon.h"
#include "tray/UiLanguage.h"

bool SignalRunningInstance() {
  const HWND running = FindMainWindow();
  if (running == nullptr) return false;
  // Only this just-started process may take the foreground; without passing that right on, the
  // running instance's menu could not take it, and would then neither close on a click elsewhere
  // nor get the keys.
  DWORD runningProcess = 0;
  if (::GetWindowThreadProcessId(running, &runningProcess) != 0) Seams().allowSetForegroundWindow(runningProcess);
  ::PostMessageW(running, WM_SHOWTRAYMENU, 0, 0);
  return true;
}

bool AnotherInstanceRuns(DWORD mutexError) {
  // An elevated instance's mutex is denied to a normal one rather than reported as existing.
  return mutexError == ERROR_ALREADY_EXISTS || mutexError == ERROR_ACCESS_DENIED;
}

StartedBy ClassifyStart(DWORD startFlags, const wchar_t* title, const std::wstring& startupShortcut, bool callMark) {
  if (callMark) return StartedBy::CommandLineCall;
  // Our own link only: a shortcut of the same name on the desktop or in the Start menu is the user's start.
  if ((startFlags & STARTF_TITLEISLINKNAME) != 0 && title != nullptr && !startupShortcut.empty() &&
      EqualsNoCase(title, startupShortcut))
    return StartedBy::StartupShortcut;
  return StartedBy::User;
}

namespace {

// The command line marks the program it starts with a variable in its environment. The environment
// is the one part of the start-up information that reaches the program as it was given: an argument
// would be a usage error to an older copy, lpReserved is reserved, and lpTitle must stay null for a
// GUI program (Explorer fills it for a shortcut). The variable is taken out at once, so that programs
// started from here (the editor of config.ini, the browser) do not carry it on.
bool TakeStartedByCallMark() {
  wchar_t mark[2] = {};
  const bool marked = ::GetEnvironmentVariableW(kStartedByCallVariable, mark, 2) != 0;
  ::SetEnvironmentVariableW(kStartedByCallVariable, nullptr);
  return marked;
}

StartedBy HowThisCopyStarted(bool callMark) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  ::GetStartupInfoW(&startup);
  return ClassifyStart(startup.dwFlags, startup.lpTitle, StartupShortcutPath(), callMark);
}

bool AddTrayIconWithTooltip() {
  if (!AddTrayIcon()) return false;
  UpdateTrayTooltip();
  return true;
}

}  // namespace

void StartTrayIcon() {
  AppState& app = App();
  app.trayIconRetriesLeft = kTrayIconRetries;
  if (!AddTrayIconWithTooltip()) ::SetTimer(app.mainWindow, TIMER_TRAY_ICON, kTrayIconRetryMs, nullptr);
}

void OnTrayIconTimer() {
  AppState& app = App();
  if (AddTrayIconWithTooltip() || --app.trayIconRetriesLeft <= 0) ::KillTimer(app.mainWindow, TIMER_TRAY_ICON);
}

void ReleaseProcessResources() {
  AppState& app = App();
  ReleaseOverlayResources();
  app.singleInstanceMutex.Reset();
}

int RunApplication(HINSTANCE instance) {
  App().instance = instance;
  ::SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
  if (const std::optional<int> exitCode = RunCommandLineCall()) return *exitCode;
  return RunResident();
}

int RunResident() {
  AppState& app = App();
  // No one would see the icon or answer the menu, and the program would keep the PC awake for good.
  if (!WindowStationVisible()) return 1;
  const bool callMark = TakeStartedByCallMark();
  const HANDLE mutex = ::CreateMutexW(nullptr, TRUE, kSingleInstanceMutexName);
  const DWORD mutexError = ::GetLastError();  // before any other call can change it
  app.singleInstanceMutex.Reset(mutex);
  if (AnotherInstanceRuns(mutexError)) {
    if (HowThisCopyStarted(callMark) == StartedBy::User) SignalRunningInstance();
    app.singleInstanceMutex.Reset();
    return 0;
  }

  LoadConfig();  // creates config.ini first when it is missing
  ApplyUiLanguage();
  RestoreTimedSessions();
  MigrateAwayAction();
  DeriveKeepActiveSettings();
  app.taskbarCreatedMessage = ::RegisterWindowMessageW(L"TaskbarCreated");

  if (CreateMainWindow() == nullptr) {
    app.singleInstanceMutex.Reset();
    return 1;
  }
  ::ShowWindow(app.mainWindow, SW_HIDE);
  RegisterOverlayClass();
  app.overlayDismissedHandler = OnOverlayDismissed;
  ::AllowSetForegroundWindow(ASFW_ANY);
  RegisterToggleHotkey();
  FollowConditions();
  if (app.settings.SleepPrevent || app.settings.KeepActive) SaveConfig();
  ScheduleTimedEnds();
  // Calls are answered from here on (the shell, adding the icon, may deliver one already); the icon
  // does not hold them up.
  app.startupFinished = true;
  StartTrayIcon();
  const int exitCode = RunMessageLoop();
  ReleaseProcessResources();
  return exitCode;
}

int RunMessageLoop() {
  for (;;) {
    WaitForMessageOrProgramEnd(INFINITE);
    MSG message{};
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) return static_cast<int>(message.wParam);
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
  }
}
