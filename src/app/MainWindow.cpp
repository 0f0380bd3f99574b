#include "app/MainWindow.h"

#include <cstdint>

#include "app/AppState.h"
#include "app/CommandLineCalls.h"
#include "app/Commands.h"
#include "app/Conditions.h"
#include "app/IdleBlackScreen.h"
#include "app/Startup.h"
#include "base/Messages.h"
#include "base/SystemSeams.h"
#include "app/TimedEnds.h"
#include "app/TimedSessions.h"
#include "config/ConfigLoad.h"
#include "config/ConfigSave.h"
#include "overlay/Overlay.h"
#include "power/Power.h"
#include "resource.h"
#include "tray/MenuTheme.h"
#include "tray/TrayIcon.h"
#include "tray/TrayMenu.h"

namespace {

constexpr std::uint32_t kTrayClickIntervalMs = 250;

void RunShutdown() {
  AppState& app = App();
  CloseOverlays();  // first: with the black screen's keyboard hook gone, the save below may wait
  if (app.configSavePending) SaveConfig();  // a last go, waiting a moment, at a change the file still owes
  ReapplyPowerState();
  StopConditionWatch();
  ::UnregisterHotKey(app.mainWindow, HOTKEY_ID_TOGGLE);
  app.displayStateNotification.Reset();
  if (app.trayIconAdded) {
    RemoveTrayIcon();
    app.trayIconAdded = false;
  }
  app.trayIcon.Reset();
  ::DestroyWindow(app.mainWindow);
}

// wParam FALSE: the session goes on (another program cancelled the log-off), and so does the program.
void OnEndSession(WPARAM ending) {
  if (ending) RunShutdown();
}

void OnUserReturnTimer() {
  const bool wasUnattended = App().wakeUnattended;
  CheckForUsersReturn();
  if (!App().wakeUnattended) FollowPowerEvent(wasUnattended);
}

void OnMainTimer(WPARAM id) {
  if (id == TIMER_KEEPACTIVE) OnKeepActiveTimer();
  if (id == TIMER_TIMED_ENDS) CheckTimedEndsWithNotice();
  if (id == TIMER_TRAY_ICON) OnTrayIconTimer();
  if (id == TIMER_USER_RETURN) OnUserReturnTimer();
  if (id == TIMER_PROGRAM_SCAN) RescanPrograms();
  if (id == TIMER_SESSION_NOTICE) ApplyWantedState();
  if (id == TIMER_CONFIG_SAVE) RetryPendingSave();
  if (id == TIMER_IDLE_BLACK_SCREEN) CheckIdleTime();
  if (id != TIMER_DISPLAYCHANGE) return;
  ::KillTimer(App().mainWindow, TIMER_DISPLAYCHANGE);
  RebuildOverlaysForDisplays();
}

// A monitor plugged, unplugged or re-arranged comes as a burst of changes: the black screen is
// rebuilt once, a moment after the last one.
void OnDisplayChange() { ::SetTimer(App().mainWindow, TIMER_DISPLAYCHANGE, kDisplayChangeSettleMs, nullptr); }

// Sleep releases what keeps the PC awake and the user's return applies it again; ends that passed
// while the PC slept fire at resume, before the user's modes come back. The power source and the
// battery apply at once.
void OnPowerEvent(WPARAM event, LPARAM data) {
  const bool wasUnattended = App().wakeUnattended;
  CheckTimedEndsAtResumeWithNotice(event);
  OnPowerBroadcast(event, data);
  FollowPowerEvent(wasUnattended);
}

void OnEnterIdle(WPARAM reason) {
  if (reason == 0) ThemeOpenMenuWindows();
}

void OnHotkey(WPARAM id) {
  if (id == HOTKEY_ID_TOGGLE) RunHotkeyAction();
}

// Gives the cursor back in case the overlay hid it (and keeps it from hiding over the menu), reloads
// config.ini so hand edits take effect, puts hand-edited power modes in force, then shows the menu in
// the app theme Windows has now.
void PrepareAndShowTrayMenu() {
  SuspendOverlayCursorHiding();
  ReloadSettingsFromFile();
  ApplyMenuTheme();
  ShowTrayMenu();
}

void OnTaskbarCreated() {
  ReAddTrayIcon();
  UpdateTrayTooltip();
}

}  // namespace

bool AcceptTrayClick(std::uint32_t eventCode, std::uint32_t now) {
  switch (eventCode) {
    case WM_CONTEXTMENU:
    case WM_RBUTTONUP:
    case WM_LBUTTONUP:
    case NIN_SELECT:
    case NIN_KEYSELECT:
    case NIN_BALLOONUSERCLICK:  // a click on a notice: another session can be started
      break;
    default: return false;
  }
  AppState& app = App();
  if (app.lastTrayClickTick != 0 && now - app.lastTrayClickTick < kTrayClickIntervalMs) return false;
  app.lastTrayClickTick = now;
  return true;
}

void OnTrayIconMessage(LPARAM lParam) {
  if (AcceptTrayClick(LOWORD(lParam), Seams().getTickCount())) ::PostMessageW(App().mainWindow, WM_SHOWTRAYMENU, 0, 0);
}

void OnOverlayDismissed() {
  App().blackScreenActive = false;
  UpdateTrayTooltip();
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TIMER: OnMainTimer(wParam); return 0;
    case WM_DESTROY: ::PostQuitMessage(0); return 0;
    case WM_CLOSE: RunShutdown(); return 0;
    case WM_ENDSESSION: OnEndSession(wParam); return 0;
    case WM_COMMAND: HandleCommand(LOWORD(wParam)); return 0;
    case WM_ENTERIDLE: OnEnterIdle(wParam); return 0;
    case WM_HOTKEY: OnHotkey(wParam); return 0;
    case WM_TRAYICON: OnTrayIconMessage(lParam); return 0;
    case WM_SHOWTRAYMENU: PrepareAndShowTrayMenu(); return 0;
    case WM_DISPLAYCHANGE: OnDisplayChange(); return 0;
    case WM_POWERBROADCAST: OnPowerEvent(wParam, lParam); return TRUE;
    case WM_COPYDATA:
      return AnswerCommandLineCall(reinterpret_cast<const COPYDATASTRUCT*>(lParam), reinterpret_cast<HWND>(wParam));
    case WM_TIMECHANGE: CheckTimedEndsWithNotice(); return 0;
    case WM_WTSSESSION_CHANGE: OnSessionChange(wParam); return 0;
    default: break;
  }
  if (message != 0 && message == App().taskbarCreatedMessage) {
    OnTaskbarCreated();
    return 0;
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
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
  if (!RegisterWindowClass(windowClass)) return nullptr;
  app.mainWindow = ::CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kMainWindowClass, kMainWindowTitle, WS_POPUP,
                                     0, 0, 1, 1, nullptr, nullptr, app.instance, nullptr);
  if (app.mainWindow != nullptr) {
    AdmitLowerIntegrityCallers(app.mainWindow, ProcessIntegrityLevel());
    RegisterDisplayStateNotification();  // the display turning on tells that the user is back
  }
  return app.mainWindow;
}

HWND FindMainWindow() {
  const HWND window = ::FindWindowW(kMainWindowClass, kMainWindowTitle);
  return window != nullptr ? window : ::FindWindowW(kMainWindowClass, nullptr);
}

// Elevated, the window would not hear Explorer's restart or a second start's menu request, both
// sent from lower integrity, nor a command-line call: exactly these three are let through. Allowing
// them admits every lower level, a sandboxed (low or AppContainer) process included, so it is done
// only above medium, where the normal callers are the lower level; at medium they reach us anyway.
void AdmitLowerIntegrityCallers(HWND window, DWORD integrityLevel) {
  if (integrityLevel <= SECURITY_MANDATORY_MEDIUM_RID) return;
  const UINT taskbarCreated = App().taskbarCreatedMessage;
  if (taskbarCreated != 0) Seams().changeWindowMessageFilterEx(window, taskbarCreated, MSGFLT_ALLOW, nullptr);
  Seams().changeWindowMessageFilterEx(window, WM_SHOWTRAYMENU, MSGFLT_ALLOW, nullptr);
  Seams().changeWindowMessageFilterEx(window, WM_COPYDATA, MSGFLT_ALLOW, nullptr);  // command-line calls
}

DWORD ProcessIntegrityLevel() {
  KernelHandle token;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.Put())) return SECURITY_MANDATORY_MEDIUM_RID;
  alignas(TOKEN_MANDATORY_LABEL) BYTE label[sizeof(TOKEN_MANDATORY_LABEL) + SECURITY_MAX_SID_SIZE];
  DWORD size = 0;
  if (!::GetTokenInformation(token.Get(), TokenIntegrityLevel, label, sizeof label, &size))
    return SECURITY_MANDATORY_MEDIUM_RID;
  const PSID sid = reinterpret_cast<const TOKEN_MANDATORY_LABEL*>(label)->Label.Sid;
  const UCHAR count = *::GetSidSubAuthorityCount(sid);
  return count == 0 ? SECURITY_MANDATORY_MEDIUM_RID : *::GetSidSubAuthority(sid, count - 1u);
}
