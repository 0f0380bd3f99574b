#include "app/Startup.h"

#include <commctrl.h>
#include <objidl.h>  // gdiplus.h needs PROPID, which WIN32_LEAN_AND_MEAN leaves out
#include <gdiplus.h>

#include "app/AppState.h"
#include "app/CommandLineCalls.h"
#include "app/Commands.h"
#include "app/MainWindow.h"
#include "app/Messages.h"
#include "app/TimedEnds.h"
#include "config/ConfigLoad.h"
#include "config/ConfigLocation.h"
#include "config/ConfigSave.h"
#include "overlay/Overlay.h"
#include "power/Power.h"
#include "resource.h"
#include "tray/MenuTheme.h"
#include "tray/TrayIcon.h"

bool SignalRunningInstance() {
  HWND running = ::FindWindowW(kMainWindowClass, kMainWindowTitle);
  if (running == nullptr) running = ::FindWindowW(kMainWindowClass, nullptr);
  if (running == nullptr) return false;
  ::PostMessageW(running, WM_SHOWTRAYMENU, 0, 0);
  return true;
}

void MigrateAwayAction() {
  Settings& settings = App().settings;
  if (settings.Action != OverlayAction::AwayAll && settings.Action != OverlayAction::AwayCurrent) return;
  settings.Action = OverlayAction::BlackCurrent;
  SaveConfig();
}

HWND CreateMainWindow() {
  AppState& app = App();
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = MainWindowProc;
  windowClass.hInstance = app.instance;
  // The class icon lives as long as the process, as the class does.
  windowClass.hIcon = static_cast<HICON>(::LoadImageW(app.instance, MAKEINTRESOURCEW(IDI_APP_ICON), IMAGE_ICON, 0, 0,
                                                      LR_DEFAULTSIZE | LR_CREATEDIBSECTION));
  windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  windowClass.lpszClassName = kMainWindowClass;
  ::RegisterClassExW(&windowClass);
  app.mainWindow = ::CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kMainWindowClass, kMainWindowTitle, WS_POPUP,
                                     0, 0, 1, 1, nullptr, nullptr, app.instance, nullptr);
  return app.mainWindow;
}

void ReleaseProcessResources() {
  AppState& app = App();
  CloseOverlays();
  app.sleepPreventBadgeImage = BadgeImage{};
  app.keepActiveBadgeImage = BadgeImage{};
  if (app.gdiplusStarted) {
    Gdiplus::GdiplusShutdown(app.gdiplusToken);
    app.gdiplusStarted = false;
    app.gdiplusToken = 0;
  }
  if (app.comInitialized) {
    ::CoUninitialize();
    app.comInitialized = false;
  }
  app.comInitAttempted = false;
  app.singleInstanceMutex.Reset();
}

int RunApplication(HINSTANCE instance) {
  AppState& app = App();
  app.instance = instance;
  ::SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
  if (const std::optional<int> exitCode = RunCommandLineCall()) return *exitCode;

  app.singleInstanceMutex.Reset(::CreateMutexW(nullptr, TRUE, kSingleInstanceMutexName));
  if (::GetLastError() == ERROR_ALREADY_EXISTS) {
    SignalRunningInstance();
    app.singleInstanceMutex.Reset();
    return 0;
  }

  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_LINK_CLASS};
  ::InitCommonControlsEx(&controls);
  app.configPath = GetConfigFilePath();
  BootstrapConfigFile();
  LoadConfig();
  RestoreTimedEnds();
  MigrateAwayAction();
  DeriveKeepActiveSettings();
  app.taskbarCreatedMessage = ::RegisterWindowMessageW(L"TaskbarCreated");

  if (CreateMainWindow() == nullptr) {
    app.singleInstanceMutex.Reset();
    return 1;
  }
  ::ShowWindow(app.mainWindow, SW_HIDE);
  ::ChangeWindowMessageFilterEx(app.mainWindow, WM_COPYDATA, MSGFLT_ALLOW, nullptr);  // calls from lower integrity
  ApplyMenuTheme(app.mainWindow);
  RegisterOverlayClass();
  app.overlayDismissedHandler = OnOverlayDismissed;
  if (!AddTrayIcon()) {
    app.singleInstanceMutex.Reset();
    return 1;
  }
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

  MSG message{};
  while (::GetMessageW(&message, nullptr, 0, 0) != 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  ReleaseProcessResources();
  return static_cast<int>(message.wParam);
}
