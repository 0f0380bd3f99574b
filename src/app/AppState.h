#pragma once
// The one process-wide state record. It lives for the whole process and is touched only by the
// UI thread; each group of fields belongs to the subsystem named in its comment.
#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <string>
#include <vector>

#include "base/Handles.h"
#include "config/Settings.h"
#include "overlay/OverlayTypes.h"

struct AppState {
  // Start-up and shutdown
  HINSTANCE instance = nullptr;
  KernelHandle singleInstanceMutex;
  HWND mainWindow = nullptr;
  UINT taskbarCreatedMessage = 0;

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

  // Timed sessions from the menu: the preset that started each pending end, which counts only while
  // that end is still the pending one (an end set or dropped by anything else marks no preset)
  TimerPreset sleepPreventPreset;
  std::int64_t sleepPreventPresetEnd = 0;
  TimerPreset keepActivePreset;
  std::int64_t keepActivePresetEnd = 0;

  // Power
  bool executionStateApplied = false;
  bool keepActiveTimerOn = false;
  std::uint32_t idleThresholdMs = kIdleThresholdDefaultSec * 1000;
  std::uint32_t checkIntervalMs = kCheckIntervalDefaultSec * 1000;
  NudgeKind nudgeKind = NudgeKind::Mouse;

  // Overlay windows
  std::vector<OverlayWindow> overlayWindows;
  OverlayTarget overlayTarget = OverlayTarget::All;
  HMONITOR overlayMonitor = nullptr;
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
  bool overlayClassRegistered = false;

  // Overlay badges, GDI+ and COM
  BadgeImage sleepPreventBadgeImage;
  BadgeImage keepActiveBadgeImage;
  bool comInitAttempted = false;
  bool comInitialized = false;
  bool gdiplusStarted = false;
  ULONG_PTR gdiplusToken = 0;

  // About window
  HWND aboutWindow = nullptr;

  // Command-line calls and timed ends
  bool startupFinished = false;         // calls that come earlier are asked to come again
  std::int64_t sleepPreventUntil = 0;   // pending ends, local wall-clock ms (base/LocalTime.h); 0: none
  std::int64_t keepActiveUntil = 0;
};

// The single instance.
AppState& App();

// The preset that started the pending end of sleep prevention (or of keep active); null when none did.
const TimerPreset* StartingPreset(bool keepActive);
