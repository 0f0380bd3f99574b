#include "app/Conditions.h"

#include <algorithm>
#include <vector>

#include "app/AppState.h"
#include "app/IdleBlackScreen.h"
#include "app/TimedSessions.h"
#include "base/Messages.h"
#include "base/SystemSeams.h"
#include "overlay/Overlay.h"
#include "power/Power.h"
#include "tray/TrayIcon.h"

namespace {

ShownMode Shown(const ModeWanted& mode) {
  return {mode.state != ModeState::Off, mode.state == ModeState::On, ModeReasonUiKey(mode.reason), mode.program};
}

constexpr std::size_t kMaxWatchedProcesses = MAXIMUM_WAIT_OBJECTS - 1;  // one place is the message queue's

// Without the notices, the session counts as neither locked nor disconnected.
void WatchSession(bool needed) {
  AppState& app = App();
  if (app.mainWindow != nullptr && !needed) ::KillTimer(app.mainWindow, TIMER_SESSION_NOTICE);
  if (needed == app.sessionNotificationRegistered || app.mainWindow == nullptr) return;
  if (needed) {
    app.sessionNotificationRegistered = Seams().registerSessionNotification(app.mainWindow, NOTIFY_FOR_THIS_SESSION) !=
                                        FALSE;
    app.sessionLocked = app.sessionNotificationRegistered && Seams().sessionLockedOrDisconnected();
    // Started at log-on, Terminal Services may not take the registration yet: asked again on a timer.
    if (!app.sessionNotificationRegistered)
      ::SetTimer(app.mainWindow, TIMER_SESSION_NOTICE, kSessionNoticeRetryMs, nullptr);
    else ::KillTimer(app.mainWindow, TIMER_SESSION_NOTICE);
  } else {
    Seams().unregisterSessionNotification(app.mainWindow);
    app.sessionNotificationRegistered = false;
    app.sessionLocked = false;
  }
}

// One running match per listed name is waited on; the scan timer runs while a listed name has no
// running match or its match cannot be waited on.
void WatchPrograms() {
  AppState& app = App();
  const ConditionSettings& conditions = app.settings.Conditions;
  app.watchedProcesses.clear();
  std::vector<RunningProcess> processes;
  if (!conditions.SleepPreventWhileRunning.empty() || !conditions.KeepActiveWhileRunning.empty())
    processes = Seams().listRunningProcesses();
  std::vector<DWORD> watchedIds;
  bool scan = false;
  for (const ProgramList* list : {&conditions.SleepPreventWhileRunning, &conditions.KeepActiveWhileRunning}) {
    for (const std::wstring& name : *list) {
      const auto match = std::find_if(processes.begin(), processes.end(),
                                      [&](const RunningProcess& p) { return ProgramNameMatches(name, p.fileName); });
      const DWORD id = match != processes.end() ? match->id : 0;
      if (std::find(watchedIds.begin(), watchedIds.end(), id) != watchedIds.end() && id != 0) continue;
      KernelHandle process(id == 0 || app.watchedProcesses.size() >= kMaxWatchedProcesses
                               ? nullptr
                               : ::OpenProcess(SYNCHRONIZE, FALSE, id));
      // Ended already, though still listed while another program holds a handle to it: waiting on it
      // would wake the loop at once, again and again.
      if (process && ::WaitForSingleObject(process.Get(), 0) == WAIT_OBJECT_0) {
        processes.erase(match);
        process.Reset();
      }
      if (!process) {
        scan = true;
        continue;
      }
      watchedIds.push_back(id);
      app.watchedProcesses.push_back(std::move(process));
    }
  }
  app.sleepPreventProgram = FindRunningProgram(conditions.SleepPreventWhileRunning, processes).name;
  app.keepActiveProgram = FindRunningProgram(conditions.KeepActiveWhileRunning, processes).name;
  if (app.mainWindow == nullptr) return;
  if (scan) ::SetTimer(app.mainWindow, TIMER_PROGRAM_SCAN, kProgramScanMs, nullptr);
  else ::KillTimer(app.mainWindow, TIMER_PROGRAM_SCAN);
}

}  // namespace

WantedInputs CurrentWantedInputs() {
  const AppState& app = App();
  const Settings& settings = app.settings;
  WantedInputs inputs;
  inputs.sleepPrevent = {settings.SleepPrevent,
                         app.sleepPreventUntil.time != 0 ? LocalClockAt(app.sleepPreventUntil) : 0,
                         app.sleepPreventionCalled, app.sleepPreventProgram};
  inputs.keepActive = {settings.KeepActive, app.keepActiveUntil.time != 0 ? LocalClockAt(app.keepActiveUntil) : 0,
                       false, app.keepActiveProgram};
  inputs.onBattery = app.onBattery;
  inputs.hasBattery = app.hasBattery;
  inputs.onlyOnMainsPower = settings.Conditions.OnlyOnMainsPower;
  inputs.batteryLow = app.batteryLow;
  inputs.lockedOrDisconnected = app.sessionLocked;
  inputs.pauseSleepPreventWhileLocked = settings.Conditions.PauseSleepPreventWhileLocked;
  inputs.unattendedWake = app.wakeUnattended;
  return inputs;
}

WantedState CurrentWantedState() { return ComputeWantedState(CurrentWantedInputs()); }

void ApplyWantedState() {
  const AppState& app = App();
  const WantedInputs inputs = CurrentWantedInputs();
  WatchSession(inputs.keepActive.userOn || inputs.keepActive.pendingEnd != 0 || !inputs.keepActive.program.empty() ||
               inputs.pauseSleepPreventWhileLocked || app.settings.BlackScreenAfterIdleMin > 0);
  WatchIdleTime();
  const WantedState wanted = CurrentWantedState();
  App().sleepPreventShown = Shown(wanted.sleepPrevent);
  App().keepActiveShown = Shown(wanted.keepActive);
  const bool changed =
      ApplyPowerModes(wanted.sleepPrevent.state == ModeState::On, wanted.keepActive.state == ModeState::On);
  UpdateTrayTooltip();
  if (changed && !app.overlayWindows.empty()) RedrawOverlays();
}

void FollowConditions() {
  const ConditionSettings& conditions = App().settings.Conditions;
  WatchPowerSource(conditions.OnlyOnMainsPower || conditions.MinBatteryPercent > 0);
  WatchPrograms();
  ApplyWantedState();
}

void FollowPowerEvent(bool wasUnattended) {
  ApplyWantedState();
  if (wasUnattended && !App().wakeUnattended) NoticeEndsOfTheWake();
}

void OnSessionChange(WPARAM event) {
  AppState& app = App();
  if (!app.sessionNotificationRegistered) return;
  switch (event) {
    case WTS_SESSION_LOCK:
    case WTS_CONSOLE_DISCONNECT:
    case WTS_REMOTE_DISCONNECT:
      app.sessionLocked = true;
      CloseIdleBlackScreen();
      break;
    case WTS_SESSION_UNLOCK: app.sessionLocked = false; break;
    case WTS_CONSOLE_CONNECT:
    case WTS_REMOTE_CONNECT:
      app.sessionLocked = Seams().sessionLockedOrDisconnected();
      break;  // may show the lock screen
    default: return;
  }
  ApplyWantedState();
}

// Every 10 s while a listed program is looked for: the modes (and the tooltip, a message to the shell)
// only when what runs has changed.
void RescanPrograms() {
  const AppState& app = App();
  const std::wstring sleepPreventProgram = app.sleepPreventProgram, keepActiveProgram = app.keepActiveProgram;
  WatchPrograms();
  if (app.sleepPreventProgram != sleepPreventProgram || app.keepActiveProgram != keepActiveProgram) ApplyWantedState();
}

void StopConditionWatch() {
  AppState& app = App();
  WatchSession(false);
  WatchPowerSource(false);
  app.watchedProcesses.clear();
  ::KillTimer(app.mainWindow, TIMER_PROGRAM_SCAN);
}

DWORD WaitForMessageOrProgramEnd(DWORD timeoutMs) {
  const AppState& app = App();
  HANDLE handles[MAXIMUM_WAIT_OBJECTS];
  DWORD count = 0;
  for (const KernelHandle& process : app.watchedProcesses) handles[count++] = process.Get();
  const DWORD woken = ::MsgWaitForMultipleObjectsEx(count, handles, timeoutMs, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  // A watched program ended (or its handle failed): look again rather than wait on it for ever.
  if (woken < WAIT_OBJECT_0 + count || (woken == WAIT_FAILED && count != 0)) RescanPrograms();
  return woken;
}
