#include "app/Startup.h"

#include <commctrl.h>

#include "app/AppState.h"
#include "app/Commands.h"
#include "app/MainWindow.h"
#include "base/Messages.h"
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

void ReleaseProcessResources() {
  AppState& app = App();
  ReleaseOverlayResources();
  app.singleInstanceMutex.Reset();
}

int RunApplication(HINSTANCE instance) {
  AppState& app = App();
  app.instance = instance;
  ::SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);

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
  MigrateAwayAction();
  DeriveKeepActiveSettings();
  app.taskbarCreatedMessage = ::RegisterWindowMessageW(L"TaskbarCreated");

  if (CreateMainWindow() == nullptr) {
    app.singleInstanceMutex.Reset();
    return 1;
  }
  ::ShowWindow(app.mainWindow, SW_HIDE);
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

  MSG message{};
  while (::GetMessageW(&message, nullptr, 0, 0) != 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  ReleaseProcessResources();
  return static_cast<int>(message.wParam);
}
