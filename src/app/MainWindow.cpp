#include "app/MainWindow.h"

#include <cstdint>

#include "app/AppState.h"
#include "app/CommandLineCalls.h"
#include "app/Commands.h"
#include "app/Messages.h"
#include "app/Startup.h"
#include "app/SystemSeams.h"
#include "app/TimedEnds.h"
#include "config/ConfigLoad.h"
#include "overlay/Overlay.h"
#include "power/Power.h"
#include "tray/MenuTheme.h"
#include "tray/TrayIcon.h"
#include "tray/TrayMenu.h"

namespace {

constexpr std::uint32_t kTrayClickIntervalMs = 250;

void RunShutdown() {
  AppState& app = App();
  CloseOverlays();
  ReapplyPowerState();
  ::UnregisterHotKey(app.mainWindow, HOTKEY_ID_TOGGLE);
  if (app.trayIconAdded) {
    RemoveTrayIcon();
    app.trayIconAdded = false;
  }
  app.trayIcon.Reset();
  ::DestroyWindow(app.mainWindow);
}

void OnSettingChange(LPARAM lParam) {
  const auto* area = reinterpret_cast<const wchar_t*>(lParam);
  if (area != nullptr && ::lstrcmpiW(area, L"ImmersiveColorSet") == 0) ApplyMenuTheme(App().mainWindow);
}

void OnKeepActiveTimerMessage(WPARAM id) {
  if (id == TIMER_KEEPACTIVE) OnKeepActiveTimer();
  if (id == TIMER_TIMED_ENDS) CheckTimedEnds();
}

void OnEnterIdle(WPARAM reason) {
  if (reason == 0) ThemeOpenMenuWindows();
}

void OnHotkey(WPARAM id) {
  if (id == HOTKEY_ID_TOGGLE) RunHotkeyAction();
}

// Gives the cursor back in case the overlay hid it, reloads config.ini so hand edits take effect,
// then shows the menu.
void PrepareAndShowTrayMenu() {
  RestoreOverlayCursor();
  ReloadSettingsFromFile();
  ShowTrayMenu();
}

void OnTaskbarCreated() {
  AppState& app = App();
  app.trayIconAdded = false;
  AddTrayIcon();
  UpdateTrayTooltip();
}

}  // namespace

void ReloadSettingsFromFile() {
  LoadConfig();
  MigrateAwayAction();
  RegisterToggleHotkey();
  DeriveKeepActiveSettings();
}

bool AcceptTrayClick(std::uint32_t eventCode, std::uint32_t now) {
  switch (eventCode) {
    case WM_CONTEXTMENU:
    case WM_RBUTTONUP:
    case WM_LBUTTONUP:
    case NIN_SELECT:
    case NIN_KEYSELECT:
      break;
    default:
      return false;
  }
  AppState& app = App();
  if (app.lastTrayClickTick != 0 && now - app.lastTrayClickTick < kTrayClickIntervalMs) return false;
  app.lastTrayClickTick = now;
  return true;
}

void OnTrayIconMessage(LPARAM lParam) {
  if (AcceptTrayClick(LOWORD(lParam), Seams().getTickCount()))
    ::PostMessageW(App().mainWindow, WM_SHOWTRAYMENU, 0, 0);
}

void OnOverlayDismissed() {
  App().blackScreenActive = false;
  UpdateTrayTooltip();
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TIMER: OnKeepActiveTimerMessage(wParam); return 0;
    case WM_DESTROY: ::PostQuitMessage(0); return 0;
    case WM_CLOSE: RunShutdown(); return 0;
    case WM_ENDSESSION: RunShutdown(); return 0;
    case WM_SETTINGCHANGE: OnSettingChange(lParam); return 0;
    case WM_COMMAND: HandleCommand(LOWORD(wParam)); return 0;
    case WM_ENTERIDLE: OnEnterIdle(wParam); return 0;
    case WM_HOTKEY: OnHotkey(wParam); return 0;
    case WM_TRAYICON: OnTrayIconMessage(lParam); return 0;
    case WM_SHOWTRAYMENU: PrepareAndShowTrayMenu(); return 0;
    case WM_COPYDATA: return AnswerCommandLineCall(reinterpret_cast<const COPYDATASTRUCT*>(lParam));
    case WM_POWERBROADCAST: OnPowerBroadcast(wParam); return TRUE;
    case WM_TIMECHANGE: CheckTimedEnds(); return 0;
    default: break;
  }
  if (message != 0 && message == App().taskbarCreatedMessage) {
    OnTaskbarCreated();
    return 0;
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}
