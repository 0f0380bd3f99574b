#include "app/Commands.h"

#include "about/AboutWindow.h"
#include "app/AppState.h"
#include "app/Conditions.h"
#include "app/TimedSessions.h"
#include "base/Handles.h"
#include "base/Messages.h"
#include "base/SystemSeams.h"
#include "config/ConfigLoad.h"
#include "config/ConfigLocation.h"
#include "config/ConfigSave.h"
#include "config/HotkeyText.h"
#include "config/StartupShortcut.h"
#include "overlay/Overlay.h"
#include "power/Power.h"
#include "tray/TrayIcon.h"
#include "tray/UiLanguage.h"

namespace {

void TogglePreventSleep() {
  App().sleepPreventUntil = {};  // the command ends a timed session; the save below drops its end
  Settings& settings = App().settings;
  settings.SleepPrevent = !settings.SleepPrevent;
  ApplyWantedState();
  SaveConfig();
}

void ToggleBlackScreenCommand(OverlayTarget target, std::uint64_t chosen = 0) {
  if (ToggleBlackScreen(target, chosen)) UpdateTrayTooltip();
}

void ToggleKeepActive() {
  App().keepActiveUntil = {};  // as for "Prevent sleep"
  SetKeepActive(!App().settings.KeepActive);
}

void RequestExit() { ::PostMessageW(App().mainWindow, WM_CLOSE, 0, 0); }

void SetHotkeyAction(OverlayAction action) {
  Settings& settings = App().settings;
  if (settings.Action == action) return;
  settings.Action = action;
  SaveConfig();
}

void SetToggleHotkey(std::uint32_t virtualKey) {
  App().settings.ToggleHotkey = HotkeySpec{kModControl | kModAlt, virtualKey};
  SaveConfig();
  RegisterToggleHotkey();
}

void EditConfigFile() {
  EnsureConfigFilePath();
  BootstrapConfigFile();
  AppState& app = App();
  // The verb may be carried out through COM, which the shell asks the caller to set up.
  const ScopedComInit apartment(COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  Seams().shellExecute(app.mainWindow, L"open", app.configPath.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

// The card belongs to this thread, whose cursor count the overlay lowers while it hides the cursor.
void OpenAboutCard() {
  SuspendOverlayCursorHiding();
  ShowAboutWindow();
}

// The item shows off while Windows has the entry disabled, and choosing it then turns it on in
// Windows as well.
void ToggleRunAtStartup() {
  Settings& settings = App().settings;
  settings.RunAtStartup = !(settings.RunAtStartup && !StartupDisabledInWindows());
  if (settings.RunAtStartup) EnableStartupInWindows();
  UpdateStartupShortcut(settings.RunAtStartup);
  SaveConfig();
}

}  // namespace

void HandleCommand(WORD id) {
  if (HandleTimedSessionCommand(id)) return;
  switch (id) {
    case IDM_PREVENT_SLEEP: TogglePreventSleep(); break;
    case IDM_BLACK_ALL: ToggleBlackScreenCommand(OverlayTarget::All); break;
    case IDM_BLACK_CURRENT: ToggleBlackScreenCommand(OverlayTarget::Current); break;
    case IDM_BLACK_OTHERS: ToggleBlackScreenCommand(OverlayTarget::Others); break;
    case IDM_KEEP_ACTIVE: ToggleKeepActive(); break;
    case IDM_ABOUT: OpenAboutCard(); break;
    case IDM_EXIT: RequestExit(); break;
    case IDM_ACTION_BLACK_ALL: SetHotkeyAction(OverlayAction::BlackAll); break;
    case IDM_ACTION_BLACK_CURRENT: SetHotkeyAction(OverlayAction::BlackCurrent); break;
    case IDM_ACTION_BLACK_OTHERS: SetHotkeyAction(OverlayAction::BlackOthers); break;
    case IDM_HOTKEY_DISABLED: SetToggleHotkey(0); break;
    case IDM_HOTKEY_CTRL_ALT_V: SetToggleHotkey('V'); break;
    case IDM_HOTKEY_CTRL_ALT_B: SetToggleHotkey('B'); break;
    case IDM_HOTKEY_CTRL_ALT_Q: SetToggleHotkey('Q'); break;
    case IDM_HOTKEY_CTRL_ALT_S: SetToggleHotkey('S'); break;
    case IDM_HOTKEY_CTRL_ALT_M: SetToggleHotkey('M'); break;
    case IDM_EDIT_CONFIG: EditConfigFile(); break;
    case IDM_RUN_AT_STARTUP: ToggleRunAtStartup(); break;
    case IDM_CLOCK_NONE: SetClockDisplay(ClockDisplayMode::None); break;
    case IDM_CLOCK_TIME: SetClockDisplay(ClockDisplayMode::Time); break;
    case IDM_CLOCK_ELAPSED: SetClockDisplay(ClockDisplayMode::Elapsed); break;
    case IDM_CLOCK_TIME_AND_ELAPSED: SetClockDisplay(ClockDisplayMode::TimeAndElapsed); break;
    default: break;
  }
}

bool BlackScreenOpenAs(OverlayTarget target, std::uint64_t chosen) {
  const AppState& app = App();
  return app.blackScreenActive && app.blackScreenKind == target && !app.overlayWindows.empty() &&
         (target != OverlayTarget::Chosen || CoveredMonitors() == chosen);
}

bool ToggleBlackScreen(OverlayTarget target, std::uint64_t chosen) {
  AppState& app = App();
  // A black screen marked open whose windows could not be created is opened again rather than
  // ignored, so the command and the hotkey never lock up.
  if (BlackScreenOpenAs(target, chosen)) {
    app.blackScreenActive = false;
    CloseOverlays();
    return true;
  }
  if (target == OverlayTarget::Others && ListMonitors().count < 2) return false;  // nothing to cover
  app.blackScreenActive = true;
  app.blackScreenKind = target;
  ShowOverlays(target, chosen);
  return true;
}

void RegisterToggleHotkey() {
  AppState& app = App();
  ::UnregisterHotKey(app.mainWindow, HOTKEY_ID_TOGGLE);
  app.hotkeyRegistered = false;
  const HotkeySpec& hotkey = app.settings.ToggleHotkey;
  // A combination that is AltGr on an installed layout would eat a character the user types.
  if (hotkey.virtualKey == 0 || HotkeyTakesAltGrCharacter(hotkey)) return;
  app.hotkeyRegistered =
      ::RegisterHotKey(app.mainWindow, HOTKEY_ID_TOGGLE, hotkey.modifiers | MOD_NOREPEAT, hotkey.virtualKey) ||
      ::RegisterHotKey(app.mainWindow, HOTKEY_ID_TOGGLE, hotkey.modifiers, hotkey.virtualKey);
}

void SetClockDisplay(ClockDisplayMode mode) {
  AppState& app = App();
  if (app.settings.ClockDisplay == mode) return;
  app.settings.ClockDisplay = mode;
  SaveConfig();
  if (app.overlayWindows.empty()) return;
  RedrawOverlays();
  ScheduleClockTimer();  // stops the ticks when the clock is off
}

void RunHotkeyAction() {
  const AppState& app = App();
  if (app.overlayTarget == OverlayTarget::Idle && !app.overlayWindows.empty()) {  // the toggle closes it
    ToggleBlackScreenCommand(OverlayTarget::Idle);
    return;
  }
  switch (app.settings.Action) {
    case OverlayAction::BlackAll: ToggleBlackScreenCommand(OverlayTarget::All); break;
    case OverlayAction::BlackCurrent: ToggleBlackScreenCommand(OverlayTarget::Current); break;
    case OverlayAction::BlackOthers: ToggleBlackScreenCommand(OverlayTarget::Others); break;
    default: break;
  }
}

void MigrateAwayAction() {
  Settings& settings = App().settings;
  if (!App().settingsFromFile) return;  // defaults of a file that could not be read are no one's to save
  if (settings.Action != OverlayAction::AwayAll && settings.Action != OverlayAction::AwayCurrent) return;
  settings.Action = OverlayAction::BlackCurrent;
  SaveConfig();
}

void ReloadSettingsFromFile() {
  LoadConfig();
  ApplyUiLanguage();
  MigrateAwayAction();
  RegisterToggleHotkey();
  DeriveKeepActiveSettings();
  FollowPowerSettings();
}

void SetKeepActive(bool on) {
  AppState& app = App();
  app.settings.KeepActive = on;
  ApplyWantedState();
  SaveConfig();
}

void ReapplyPowerState() {
  CloseOverlays();
  ApplyWantedState();
}

void FollowPowerSettings() { FollowConditions(); }

void FollowSleepPreventionCall() {
  AppState& app = App();
  app.sleepPreventionCalled = app.sleepPreventionCalled || app.settings.SleepPrevent;
  ApplyWantedState();
}
