#pragma once
// The one process-wide state record. It lives for the whole process and is touched only by the
// UI thread; each group of fields belongs to the subsystem named in its comment.
#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <string>
#include <vector>

#include "base/Handles.h"
#include "base/LocalTime.h"
#include "config/Settings.h"
#include "overlay/OverlayTypes.h"

// A power mode as the tray and the black screen show it: held on (in force or paused) or not, in
// force or not, and why, when that is not the user's own switch: the English key of the tray's text
// of the reason and the program it names (null for the user's switch, for nothing and for an
// unattended wake). Kept by the operation that puts the wanted state in force.
struct ShownMode {
  bool held = false;
  bool inForce = false;
  const wchar_t* reasonKey = nullptr;
  std::wstring program;
};

struct AppState {
  // Start-up and shutdown
  HINSTANCE instance = nullptr;
  KernelHandle singleInstanceMutex;
  HWND mainWindow = nullptr;
  UINT taskbarCreatedMessage = 0;
  int trayIconRetriesLeft = 0;  // TIMER_TRAY_ICON's tries at start-up

  // Main window
  std::uint32_t lastTrayClickTick = 0;
  void (*overlayDismissedHandler)() = nullptr;

  // Commands
  bool blackScreenActive = false;
  OverlayTarget blackScreenKind = OverlayTarget::All;
  bool hotkeyRegistered = false;  // the configured hotkey is registered and works

  // Tray icon
  NOTIFYICONDATAW trayIconData{};
  IconHandle trayIcon;
  bool trayIconAdded = false;
  IconHandle noticeIcon;  // the large icon of the last notice

  // Menu theme
  bool darkMode = false;

  // Configuration
  Settings settings;
  std::wstring configPath;
  // Saving: the ten keys as memory held them at the last load or save (later changes are measured
  // against it), whether memory holds what the file held at the last load (not when that load failed),
  // a save the file still owes (tried again on its timer and before any reload, which meanwhile
  // keeps memory), and the saves held back for one action to be made once at its end.
  std::wstring savedSettingsText;
  bool settingsFromFile = false;
  bool configSavePending = false;
  unsigned configSaveRetryMs = 0;  // the wait before the next try of an owed save
  int configSaveHolds = 0;
  bool configSaveHeldBack = false;

  // Timed sessions from the menu: the preset that started each pending end, which counts only while
  // that end is still the pending one (an end set or dropped by anything else marks no preset)
  TimerPreset sleepPreventPreset;
  SessionEnd sleepPreventPresetEnd;
  TimerPreset keepActivePreset;
  SessionEnd keepActivePresetEnd;

  // Power. From going to sleep until the user is back the wake is unattended: the user's modes rest,
  // sleep prevention that a command-line call asks for in the meantime holds at once.
  bool executionStateApplied = false;
  bool keepActiveTimerOn = false;
  std::uint32_t keepActiveTimerMs = 0;  // the period the running keep-active timer was set with
  bool wakeUnattended = false;
  bool sleepPreventionCalled = false;  // by a call since the PC last went to sleep
  DWORD lastInputAtWake = 0;  // GetLastInputInfo's time at the wake: the user's input changes it
  PowerNotificationHandle displayStateNotification;
  std::uint32_t idleThresholdMs = kIdleThresholdKey.defaultValue * 1000;
  std::uint32_t checkIntervalMs = kCheckIntervalKey.defaultValue * 1000;
  NudgeKind nudgeKind = NudgeKind::Mouse;
  // The user's own last input (a tick of GetLastInputInfo's, or of the user's return) and when the last nudge was sent.
  std::uint32_t userInputTick = 0;
  std::uint32_t nudgeTick = 0;

  // The black screen after idle time: its check timer runs, and the user's input it last opened for (it opens
  // again only after another).
  bool idleCheckTimerOn = false;
  bool idleBlackScreenSpent = false;
  std::uint32_t idleBlackScreenInput = 0;

  // Conditions: what Windows last told of the power source, the battery and the session, and the
  // first running program of each [Conditions] list (empty: none runs). Windows tells of changes
  // only while a condition needs them: the notices below are held only then.
  bool onBattery = false;
  bool hasBattery = false;
  int batteryPercent = -1;  // -1: unknown
  bool batteryLow = false;  // the battery floor, latched (NextBatteryLow)
  bool sessionLocked = false;  // locked or disconnected
  std::wstring sleepPreventProgram;
  std::wstring keepActiveProgram;
  PowerNotificationHandle powerSourceNotification;
  PowerNotificationHandle batteryNotification;
  bool sessionNotificationRegistered = false;
  std::vector<KernelHandle> watchedProcesses;  // one running match per listed name, waited on in the message loop
  // Timed ends that fired while the wake was unattended, told of when the user is back.
  bool sleepPreventEndedUnseen = false;
  bool keepActiveEndedUnseen = false;

  // Overlay windows
  std::vector<OverlayWindow> overlayWindows;
  OverlayTarget overlayTarget = OverlayTarget::All;
  bool overlayTakesKeyboard = false;  // it covers the cursor's monitor: it took the foreground
  POINT overlayFreeCentre{};  // the centre of the monitor that held the cursor when it opened
  std::wstring overlayFreeName;  // that monitor's device name, empty if unknown
  std::uint64_t overlayOpenTick = 0;
  std::uint32_t fadeDurationMs = 0;
  std::uint32_t fadeStartTick = 0;
  std::uint8_t overlayAlpha = 255;
  POINT lastCursorPos{};
  bool lastCursorPosValid = false;
  bool cursorHidden = false;
  bool cursorCountLowered = false;
  std::uint32_t lastClickTick = 0;
  POINT lastClickPos{};
  HookHandle overlayKeyHook;  // WH_KEYBOARD_LL, held only while the open black screen lacks the keyboard

  // Overlay badges, GDI+ and COM
  BadgeImage sleepPreventBadgeImage;
  BadgeImage keepActiveBadgeImage;
  bool comInitAttempted = false;
  bool comInitialized = false;
  bool gdiplusStarted = false;
  ULONG_PTR gdiplusToken = 0;

  // About window
  HWND aboutWindow = nullptr;

  // The power modes as last put in force, for the tray and the black screen
  ShownMode sleepPreventShown;
  ShownMode keepActiveShown;

  // Command-line calls and timed ends
  bool startupFinished = false;  // calls that come earlier are asked to come again
  SessionEnd sleepPreventUntil;  // pending ends (base/LocalTime.h); time 0: none
  SessionEnd keepActiveUntil;
};

// The single instance.
AppState& App();


// The preset that started the pending end of sleep prevention (or of keep active); null when none did.
const TimerPreset* StartingPreset(bool keepActive);
