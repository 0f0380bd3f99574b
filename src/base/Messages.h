#pragma once
// Private messages, timers, hotkey and menu command ids shared across the program.
#include <windows.h>

// Main window
inline constexpr UINT WM_TRAYICON = WM_USER + 1;  // 0x0401, tray icon callback
inline constexpr UINT WM_SHOWTRAYMENU = WM_APP + 20;  // 0x8014, open the tray menu at the cursor
inline constexpr int HOTKEY_ID_TOGGLE = 1;
inline constexpr UINT_PTR TIMER_KEEPACTIVE = 1;
inline constexpr UINT_PTR TIMER_DISPLAYCHANGE = 2;  // one-shot, gathers a burst of display changes
inline constexpr UINT kDisplayChangeSettleMs = 250;
inline constexpr UINT_PTR TIMER_TIMED_ENDS = 3;  // the next pending end of a mode, at most a minute ahead
inline constexpr UINT_PTR TIMER_TRAY_ICON = 4;  // adds the tray icon once the shell takes it (log-on)
inline constexpr UINT kTrayIconRetryMs = 500;
inline constexpr int kTrayIconRetries = 60;  // 30 s; after that "TaskbarCreated" adds it
inline constexpr UINT_PTR TIMER_USER_RETURN = 5;  // while a wake is unattended: the user's first input
inline constexpr UINT kUserReturnCheckMs = 1000;
inline constexpr UINT_PTR TIMER_CONFIG_SAVE = 6;  // a save config.ini was too busy for, tried again
inline constexpr UINT kConfigSaveRetryMs = 3000;
inline constexpr UINT kConfigSaveRetryMaxMs = 300000;
inline constexpr UINT_PTR TIMER_PROGRAM_SCAN = 7;  // while a listed program is not running (or cannot be waited on)
inline constexpr UINT kProgramScanMs = 10000;
inline constexpr UINT_PTR TIMER_SESSION_NOTICE =
    8;  // the session's notices, refused at log-on before Terminal Services runs
inline constexpr UINT kSessionNoticeRetryMs = 5000;
inline constexpr UINT_PTR TIMER_IDLE_BLACK_SCREEN = 9;  // while BlackScreenAfterIdleMin is set: the user's idle time
inline constexpr UINT kIdleBlackScreenCheckMs = 10000;

// dwExtraInfo of the program's own input records (the keep-active nudge, the idle black screen's masking
// key): the black screen and the idle clock tell them from the user's.
inline constexpr ULONG_PTR kNudgeInputMark = 0x554D'4E44;  // "UMND"

// Input records marked as the program's own: a key going down or up (KEYEVENTF_KEYUP), a relative move.
inline INPUT MarkedKeyInput(WORD key, DWORD flags) {
  INPUT input{.type = INPUT_KEYBOARD};
  input.ki = {.wVk = key, .dwFlags = flags, .dwExtraInfo = kNudgeInputMark};
  return input;
}
inline INPUT MarkedMouseMove(LONG dx) {
  INPUT input{.type = INPUT_MOUSE};
  input.mi = {.dx = dx, .dwFlags = MOUSEEVENTF_MOVE, .dwExtraInfo = kNudgeInputMark};
  return input;
}

// Overlay windows
inline constexpr UINT WM_OVERLAYCLOSE = WM_APP + 1;  // 0x8001
inline constexpr UINT_PTR TIMER_OVERLAY_CURSOR = 1;  // 3000 ms
inline constexpr UINT_PTR TIMER_OVERLAY_FADE = 2;  // 16 ms
inline constexpr UINT_PTR TIMER_OVERLAY_CLOCK = 3;  // 1000 ms, or aligned to the minute

// Window classes and names
inline constexpr wchar_t kMainWindowClass[] = L"Umbraline.MainWindow";
inline constexpr wchar_t kMainWindowTitle[] = L"Umbraline";
inline constexpr wchar_t kAboutWindowClass[] = L"Umbraline.AboutWindow";
inline constexpr wchar_t kOverlayWindowClass[] = L"UmbralineOverlay";
inline constexpr wchar_t kSingleInstanceMutexName[] = L"Umbraline_SingleInstance";
// Set in the environment of the program a command-line call starts, which takes it out again.
inline constexpr wchar_t kStartedByCallVariable[] = L"UMBRALINE_STARTED_BY_CALL";

// Tray menu commands
inline constexpr WORD IDM_PREVENT_SLEEP = 1001;
inline constexpr WORD IDM_BLACK_ALL = 1002;
inline constexpr WORD IDM_BLACK_CURRENT = 1003;
inline constexpr WORD IDM_KEEP_ACTIVE = 1004;
inline constexpr WORD IDM_BLACK_OTHERS = 1005;
inline constexpr WORD IDM_ABOUT = 1006;
inline constexpr WORD IDM_EXIT = 1007;
inline constexpr WORD IDM_ACTION_BLACK_ALL = 1010;
inline constexpr WORD IDM_ACTION_BLACK_CURRENT = 1011;
inline constexpr WORD IDM_ACTION_BLACK_OTHERS = 1012;
inline constexpr WORD IDM_HOTKEY_DISABLED = 1020;
inline constexpr WORD IDM_HOTKEY_CTRL_ALT_V = 1021;
inline constexpr WORD IDM_HOTKEY_CTRL_ALT_B = 1022;
inline constexpr WORD IDM_HOTKEY_CTRL_ALT_Q = 1023;
inline constexpr WORD IDM_HOTKEY_CTRL_ALT_S = 1024;
inline constexpr WORD IDM_HOTKEY_CTRL_ALT_M = 1025;
inline constexpr WORD IDM_EDIT_CONFIG = 1026;
inline constexpr WORD IDM_RUN_AT_STARTUP = 1027;
inline constexpr WORD IDM_HEADER_BLACK_SCREEN = 1028;
inline constexpr WORD IDM_CLOCK_NONE = 1030;
inline constexpr WORD IDM_CLOCK_TIME = 1031;
inline constexpr WORD IDM_CLOCK_ELAPSED = 1032;
inline constexpr WORD IDM_CLOCK_TIME_AND_ELAPSED = 1033;
// The timed-session submenus: "Until I turn it off", then the presets in list order.
inline constexpr WORD IDM_PREVENT_SLEEP_UNTIL_OFF = 1040;  // presets 1041 .. 1048
inline constexpr WORD IDM_KEEP_ACTIVE_UNTIL_OFF = 1050;  // presets 1051 .. 1058
