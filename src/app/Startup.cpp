#include "app/Startup.h"


#include "app/AppState.h"
#include "app/CommandLineCalls.h"
#include "app/Commands.h"
#include "app/MainWindow.h"
#include "base/Messages.h"
#include "base/SystemSeams.h"
#include "app/TimedEnds.h"
#include "app/TimedSessions.h"
#include "config/ConfigLoad.h"
#include "config/ConfigSave.h"
#include "overlay/Overlay.h"
#include "power/Power.h"
#include "resource.h"
#include "tray/TrayIcon.h"
#include "tray/UiLanguage.h"

bool SignalRunningInstance() {
  HWND running = ::FindWindowW(kMainWindowClass, kMainWindowTitle);
  if (running == nullptr) running = ::FindWindowW(kMainWindowClass, nullptr);
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

bool AddTrayIconAtStartup() {
  const ULONGLONG start = Seams().getTickCount64();
  while (!AddTrayIcon()) {
    if (Seams().getTickCount64() - start >= kTrayIconRetryMs) return true;
    Seams().msgWaitForMultipleObjects(0, nullptr, FALSE, kTrayIconRetryStepMs, QS_ALLINPUT);
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        ::PostQuitMessage(static_cast<int>(message.wParam));  // for the message loop to end on
        return false;
      }
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
  }
  return true;
}

void ReleaseProcessResources() {
  AppState& app = App();
  ReleaseOverlayResources();
  app.singleInstanceMutex.Reset();
}

int RunApplication(HINSTANCE instance) {
  AppState& app = App();
  app.instance = instance;
  ::SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
  if (const std::optional<int> exitCode = RunCommandLineCall()) return *exitCode;

  const HANDLE mutex = ::CreateMutexW(nullptr, TRUE, kSingleInstanceMutexName);
  const DWORD mutexError = ::GetLastError();  // before any other call can change it
  app.singleInstanceMutex.Reset(mutex);
  if (AnotherInstanceRuns(mutexError)) {
    SignalRunningInstance();
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
  MSG message{};
  if (AddTrayIconAtStartup()) {
    ::AllowSetForegroundWindow(ASFW_ANY);
    RegisterToggleHotkey();
    if (app.settings.SleepPrevent) {
      ApplySleepPrevention(true);
      SaveConfig();
      UpdateTrayTooltip();
    }
    if (app.settings.KeepActive) SetKeepActive(true);
    UpdateTrayTooltip();
    ScheduleTimedEnds();
    app.startupFinished = true;
  }
  while (::GetMessageW(&message, nullptr, 0, 0) != 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  ReleaseProcessResources();
  return static_cast<int>(message.wParam);
}
